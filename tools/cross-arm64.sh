#!/usr/bin/env bash
# Builds velmora and velmora-display and their Debian packages for arm64 boards (Raspberry Pi OS,
# Debian 12 based) on this amd64 Debian 12 machine, runs the plain tests and the display
# program's end-to-end tests under qemu-user, and checks the packages' dependencies against arm64
# Debian 12 (tools/vm-test.sh --all installs them in an arm64 machine). Needs root (apt-get,
# mmdebstrap) and the network to the Debian archive.
#
#   tools/cross-arm64.sh
#
# The arm64 libraries come as an arm64 Debian 12 root of the script's own (the sysroot), not as
# multiarch packages of this machine: those must be of the same version as the machine's amd64
# ones, so installing them would upgrade or remove packages of this machine. Everything it
# downloads lives under VELMORA_CROSS_DIR (default ~/.cache/velmora-cross); the build goes to
# VELMORA_CROSS_BUILD (default build-arm64). VELMORA_JOBS sets the build's parallel jobs.
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "Run as root (apt-get and mmdebstrap need it)." >&2; exit 1; }

cross=${VELMORA_CROSS_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/velmora-cross}
build=$(realpath -m "${VELMORA_CROSS_BUILD:-build-arm64}")
jobs=${VELMORA_JOBS:-$(nproc)}
sysroot=$cross/sysroot
arch=arm64
multiarch=aarch64-linux-gnu
suite=bookworm
mirror=http://deb.debian.org/debian
security=http://deb.debian.org/debian-security

# Host tools: the native build's own (Qt's moc and rcc, CMake, Ninja), the cross compiler and
# binutils, and what makes the arm64 roots and reads the packages. Debian's
# crossbuild-essential-arm64 is not among them: it adds dpkg-cross, whose Perl modules would
# upgrade the machine's perl.
host_tools=(
    cmake ninja-build ccache lld pkg-config dpkg-dev file qt6-base-dev
    g++-aarch64-linux-gnu binutils-aarch64-linux-gnu mmdebstrap
)
# lintian checks the packages where it can be had on those terms: its Perl modules of the
# archive ask for the latest perl of Debian 12, which a machine behind on updates lacks.
checker=lintian
# The arm64 root: what the build links against (Qt's private Gui headers, whose CMake package
# asks for xkbcommon's), and what the tests need at run time (Qt's offscreen platform, fonts).
sysroot_packages=(
    libc6-dev libstdc++-12-dev qt6-base-dev qt6-base-private-dev libxkbcommon-dev
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
    libjpeg62-turbo-dev libgtest-dev libssl-dev libsystemd-dev libxss-dev libxcb-dpms0-dev
    qt6-qpa-plugins fonts-dejavu-core fontconfig-config
)
# qemu-user runs the arm64 programs. Debian 12's (7.2) cannot start a child process for Qt
# (no clone(CLONE_PIDFD)); Debian 13's static build can, and needs nothing else of Debian 13.
qemu_suite=trixie
qemu=$cross/qemu-aarch64
# The display program's end-to-end tests: velmora-display started as a process against a server.
display_end_to_end='^DisplayProcessTest\.'

started=$SECONDS
step() { echo "=== $* ($((SECONDS - started)) s)"; }

# Installs what is missing, but only if apt would neither remove nor replace (upgrade or
# downgrade) a package already installed: others build and test on this machine. Fails when it
# would.
install_host_tools() {
    local missing=() p plan
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    apt-get update -q >/dev/null
    plan=$(apt-get -s install --no-install-recommends "${missing[@]}")
    if grep -E '^Remv |^Inst [^ ]+ \[' <<<"$plan" >&2; then
        echo "Installing ${missing[*]} would remove or replace the packages above; not done." >&2
        return 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# An arm64 Debian 12 root that only holds files (nothing in it ran), made again when the list of
# packages changes. Links that name absolute paths are made relative, so that they stay inside
# the root; the libraries' symbols and shlibs files are gathered in DEBIAN/, where dpkg-shlibdeps
# looks for the files of libraries that no installed package of this machine holds.
make_sysroot() {
    local stamp=$sysroot/.velmora-packages
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "${sysroot_packages[*]}" ]; then
        echo "kept: $sysroot"
        return
    fi
    local new=$sysroot.new link target deb
    rm -rf "$new"
    mkdir -p "$cross"
    mmdebstrap --quiet --variant=extract --arch="$arch" --mode=root --skip=cleanup/apt/cache \
        --setup-hook=/usr/share/mmdebstrap/hooks/merged-usr/setup00.sh \
        --include="$(IFS=,; echo "${sysroot_packages[*]}")" \
        "$suite" "$new" "deb $mirror $suite main" "deb $mirror $suite-updates main" \
        "deb $security $suite-security main"
    # qemu-user looks a program's absolute paths up in the root first: /dev must be the host's.
    rm -rf "$new/dev"
    find "$new/usr" "$new/etc" -type l -lname '/*' -print0 | while IFS= read -r -d '' link; do
        target=$(readlink "$link")
        ln -sfn "$(realpath -s -m --relative-to="$(dirname "$link")" "$new$target")" "$link"
    done
    mkdir -p "$new/DEBIAN"
    for deb in "$new"/var/cache/apt/archives/*.deb; do
        dpkg-deb --info "$deb" symbols 2>/dev/null || true
    done >"$new/DEBIAN/symbols"
    for deb in "$new"/var/cache/apt/archives/*.deb; do
        dpkg-deb --info "$deb" shlibs 2>/dev/null || true
    done >"$new/DEBIAN/shlibs"
    rm -f "$new"/var/cache/apt/archives/*.deb
    echo "${sysroot_packages[*]}" >"$new/.velmora-packages"
    rm -rf "$sysroot"
    mv "$new" "$sysroot"
}

# qemu-aarch64 alone, taken from Debian 13's qemu-user (static binaries, no dependencies).
fetch_qemu() {
    if [ -x "$qemu" ]; then
        echo "kept: $qemu ($("$qemu" --version | head -1))"
        return
    fi
    local root=$cross/qemu-user.new
    rm -rf "$root"
    mmdebstrap --quiet --variant=extract --mode=root --include=qemu-user "$qemu_suite" "$root" \
        "deb $mirror $qemu_suite main"
    install -m 755 "$root/usr/bin/qemu-aarch64" "$qemu"
    rm -rf "$root"
}

# The package names of a Depends field, one a line (the first of alternatives).
package_names() {
    tr ',' '\n' | awk '{ print $1 }'
}

# What dpkg-shlibdeps finds the package's programs need, failing where a library's package is
# unknown (cpack lets that pass, leaving the library out of Depends).
needed_by_programs() {
    local work programs=() needed
    work=$(mktemp -d)
    dpkg-deb -x "$1" "$work/root"
    mkdir -p "$work/debian" "$work/root/DEBIAN"
    touch "$work/debian/control"
    mapfile -d '' programs < <(find "$work/root/usr/lib" -type f -perm -u+x -print0)
    needed=$(cd "$work" && DEB_HOST_ARCH=$arch dpkg-shlibdeps -O \
        -l"$sysroot/usr/lib/$multiarch" "${programs[@]}")
    rm -rf "$work"
    echo "${needed#shlibs:Depends=}"
}

# The package is for arm64 and depends on every package its programs need there.
check_depends() {
    local deb=$1 present needed package
    echo "--- $deb"
    dpkg-deb --field "$deb" Package Version Architecture Depends
    [ "$(dpkg-deb --field "$deb" Architecture)" = "$arch" ] || { echo "not for $arch" >&2; exit 1; }
    present=$(dpkg-deb --field "$deb" Depends | package_names)
    needed=$(needed_by_programs "$deb")
    for package in $(package_names <<<"$needed"); do
        grep -Fxq "$package" <<<"$present" ||
            { echo "Depends lacks $package, which the programs need" >&2; exit 1; }
    done
}

step "Host tools"
install_host_tools "${host_tools[@]}"
install_host_tools "$checker" 2>/dev/null || checker=

step "The arm64 root in $sysroot and qemu-user"
make_sysroot
fetch_qemu

step "Building in $build"
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/arm64-toolchain.cmake \
    -DVELMORA_SYSROOT="$sysroot" -DVELMORA_QEMU="$qemu" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMORA_WERROR=ON >/dev/null
nice -n 10 cmake --build "$build" -j "$jobs"
nice -n 10 cmake --build "$build" --target package

step "Plain tests under qemu-user"
ctest --test-dir "$build" -L plain -j "$jobs" --output-on-failure

step "The display program against a server, under qemu-user"
ctest --test-dir "$build" -R "$display_end_to_end" -j "$jobs" --output-on-failure

step "The packages"
debs=("$build"/velmora_*_"$arch".deb "$build"/velmora-display_*_"$arch".deb)
for deb in "${debs[@]}"; do
    check_depends "$deb"
done
if [ -n "$checker" ]; then
    lintian --tag-display-limit 0 --fail-on error "${debs[@]}"
else
    echo "lintian not run: installing it would upgrade this machine's perl (apt full-upgrade first)."
fi
echo "apt installs them on an arm64 machine in tools/vm-test.sh --all."

step "Done"
