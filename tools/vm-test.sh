#!/usr/bin/env bash
# The kiosk on a test machine of the project's own: a Debian 12 machine under qemu, made a kiosk
# as the README says, checked from power-on with nobody at it. Each check prints PASS or FAIL;
# the script fails when one does.
#
#   tools/vm-test.sh [--all] [--keep] [build folder]
#
# By default (as CI runs it): the packages installed with their Recommends in the image as an
# image builder does (the kiosk made in a chroot without /proc), the kept layout full screen
# after power-on, the watchdog restarting a display stopped with SIGSTOP, and the screen's hours
# turning an emulated TV (HDMI-CEC) and the monitor (DPMS under Xorg) off and on. --all adds,
# before a release: the install on the running machine, a layout from the operator's server kept when
# the server goes, power cuts during a media fetch and right after a new layout, and the arm64
# package in an arm64 machine.
#
# Needs root (mmdebstrap, chroot, mounts) and, the first time, the network to the Debian archive:
# the Debian 12 base is made once and kept under ~/.cache/velmora-vm (VELMORA_VM_CACHE). The
# machine itself has no network device. qemu emulates the machine (TCG); KVM is used only where
# a short probe boot shows that it works (VELMORA_VM_ACCEL=tcg|kvm|probe, default probe).
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "Run as root (mmdebstrap, chroot and mounts need it)." >&2; exit 1; }

options=()
build=build
for argument in "$@"; do
    case $argument in
    --all | --keep) options+=("$argument") ;;
    -*) echo "Unknown option $argument" >&2; exit 2 ;;
    *) build=$argument ;;
    esac
done

all=false
[[ " ${options[*]} " == *" --all "* ]] && all=true
host_tools=(mmdebstrap qemu-system-x86 e2fsprogs apt-utils python3)
# The arm64 machine: its firmware-less boot, and its packages' scripts run through binfmt.
$all && host_tools+=(qemu-system-arm qemu-user-static binfmt-support arch-test)
missing=()
for p in "${host_tools[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -q >/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi

started=$SECONDS
echo "=== The packages ($build)"
if [ ! -f "$build/CMakeCache.txt" ]; then
    tools/setup.sh
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target package >/dev/null
debs=("$build"/velmora_*_amd64.deb "$build"/velmora-display_*_amd64.deb)
arm64=()
if $all; then
    echo "=== The arm64 packages (tools/cross-arm64.sh)"
    tools/cross-arm64.sh
    arm64_build=${VELMORA_CROSS_BUILD:-build-arm64}
    arm64=(--arm64 "$arm64_build"/velmora_*_arm64.deb "$arm64_build"/velmora-display_*_arm64.deb)
    mountpoint -q /proc/sys/fs/binfmt_misc ||
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    update-binfmts --enable qemu-aarch64 2>/dev/null || true
fi

cache=${VELMORA_VM_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/velmora-vm}
work=$(mktemp -d /tmp/velmora-vm-XXXXXX)
keep=false
[[ " ${options[*]} " == *" --keep "* ]] && keep=true
cleanup() {
    if $keep; then echo "kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

status=0
python3 tools/vm/vmtest.py --work "$work" --cache "$cache" --source "$PWD" \
    --accel "${VELMORA_VM_ACCEL:-probe}" "${options[@]}" "${arm64[@]}" "${debs[@]}" || status=$?
echo "=== The test machine took $((SECONDS - started)) s"
exit $status
