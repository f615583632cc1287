#!/usr/bin/env bash
# Builds the two Debian packages, installs them with apt into a fresh Debian 12 root
# (debootstrap minbase), starts the installed program under a virtual X server as a normal user
# (its window shown, its .ini written in that user's program folder at exit), makes the root a
# kiosk with velmora-display --install-kiosk and takes it back (the unit checked by
# systemd-analyze, enabled in place of the login prompt on tty1, nothing left after
# --remove-kiosk), then removes the packages and shows that nothing of them is left under /usr. Needs root and the network to the
# Debian archive; takes a few minutes. Not part of tools/test.sh.
#
#   tools/package-check.sh [work folder]      (default: a new folder under /tmp)
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "Run as root (debootstrap and chroot need it)." >&2; exit 1; }
tools/setup.sh
missing=()
for p in debootstrap dpkg-dev lintian desktop-file-utils appstream; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"

started=$SECONDS
work=${1:-$(mktemp -d /tmp/velmora-package-check-XXXXXX)}
mkdir -p "$work"
root=$work/root
step() { echo "=== $* ($((SECONDS - started)) s)"; }

step "Building the packages"
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_WERROR=ON -DVELMORA_TESTS=OFF >/dev/null
cmake --build build-package --target package
debs=(build-package/velmora_*.deb build-package/velmora-display_*.deb)
lintian --tag-display-limit 0 --fail-on error "${debs[@]}"
desktop-file-validate packaging/velmora.desktop
appstreamcli validate --no-net build-package/packaging/example.quillbrook.Velmora.metainfo.xml

step "A fresh Debian 12 root in $root"
if [ ! -x "$root/usr/bin/apt-get" ]; then
    debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >"$work/debootstrap.log"
fi
mounted=()
cleanup() {
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[$i]}" || true; done
}
trap cleanup EXIT
for fs in proc sys dev dev/pts; do
    mount --bind "/$fs" "$root/$fs"
    mounted+=("$root/$fs")
done
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
before=$(in_root find /usr | sort)

step "Installing the packages with apt"
cp "${debs[@]}" "$root/tmp/"
in_root apt-get update -q >/dev/null
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "/tmp/$(basename "${debs[0]}")" "/tmp/$(basename "${debs[1]}")" xvfb xauth x11-utils \
    >"$work/install.log"
in_root id alice >/dev/null 2>&1 || in_root useradd -m -s /bin/sh alice

step "Starting the installed program as a normal user"
cat >"$root/tmp/run-velmora.sh" <<'SCRIPT'
#!/bin/sh
# Runs as the user: starts velmora, waits for its main window (802 x 602, after the splash),
# checks that it runs through the launcher (its autostart entry names that), ends it as a
# session would.
velmora &
pid=$!
for i in $(seq 1 150); do
    xwininfo -root -tree | grep -q '"Velmora".*802x602' && break
    sleep 0.2
done
failed=
xwininfo -root -tree | grep '"Velmora".*802x602' || failed="no main window shown"
tr '\0' '\n' </proc/$pid/environ | grep -x 'VELMORA_LAUNCHER=/usr/bin/velmora' ||
    failed="${failed:-not started through the launcher}"
kill -TERM $pid
code=0
wait $pid || code=$?
echo "exit code $code"
[ -z "$failed" ] || { echo "$failed" >&2; exit 1; }
exit $code
SCRIPT
chmod +x "$root/tmp/run-velmora.sh"
in_root su - alice -c "xvfb-run -a /tmp/run-velmora.sh"
ini=/home/alice/.local/share/velmora/velmora.ini
in_root test -f "$ini" || { echo "no .ini in the user's program folder" >&2; exit 1; }
echo "The user's program folder:"
in_root ls -l /home/alice/.local/share/velmora
in_root cat "$ini"
in_root velmora-display --help | head -2

step "Making the root a kiosk and taking it back"
in_root id kiosk >/dev/null 2>&1 || in_root useradd -m -s /bin/sh kiosk
# The packages went in without their Recommends: the kiosk cannot start, and is refused.
if in_root velmora-display --install-kiosk kiosk; then
    echo "--install-kiosk made a kiosk without cage" >&2; exit 1
fi
# The display package's Recommends, as apt installs them by default (the first of each choice):
# cage and XWayland, logind's PAM session, polkit and Qt's Wayland plugin. systemd comes with
# them, and with it systemctl and systemd-analyze: the unit is checked by the root's own systemd,
# against the root's own files (man-db for its Documentation= line, which systemd-analyze looks
# up).
recommends=$(dpkg-deb -f "${debs[1]}" Recommends)
echo "velmora-display recommends: $recommends"
[[ ", $recommends," == *", cage,"* ]] || { echo "cage is not recommended" >&2; exit 1; }
mapfile -t firsts < <(tr ',' '\n' <<<"$recommends" | awk '{ print $1 }')
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${firsts[@]}" man-db >>"$work/install.log"
units_before=$(in_root find /etc/systemd/system -printf '%p %l\n' | sort)
enabled() { in_root systemctl is-enabled "$1" 2>/dev/null || true; }
[ "$(enabled getty@tty1.service)" = enabled ] || { echo "getty@tty1 not enabled to begin with" >&2; exit 1; }
# Refused: not as root, and for an account that is not there.
if in_root su kiosk -c "velmora-display --install-kiosk kiosk"; then
    echo "--install-kiosk ran without root" >&2; exit 1
fi
if in_root velmora-display --install-kiosk nobody-here; then
    echo "--install-kiosk took a missing account" >&2; exit 1
fi
in_root velmora-display --install-kiosk kiosk --name "Client 3" --map 'C:\Media=/srv/media'
unit=/etc/systemd/system/velmora-kiosk.service
in_root cat "$unit"
in_root systemd-analyze verify "$unit"
echo "systemd-analyze verify: no complaints"
in_root ls -l /etc/systemd/system/multi-user.target.wants/velmora-kiosk.service
[ "$(enabled velmora-kiosk.service)" = enabled ] || { echo "the kiosk unit is not enabled" >&2; exit 1; }
[ "$(enabled getty@tty1.service)" = disabled ] || { echo "getty@tty1 is still enabled" >&2; exit 1; }
echo "velmora-kiosk.service enabled, getty@tty1.service disabled"
in_root velmora-display --remove-kiosk
[ "$(enabled getty@tty1.service)" = enabled ] || { echo "getty@tty1 not enabled again" >&2; exit 1; }
units_after=$(in_root find /etc/systemd/system -printf '%p %l\n' | sort)
if [ "$units_before" != "$units_after" ]; then
    echo "/etc/systemd/system differs from before the kiosk:" >&2
    diff <(echo "$units_before") <(echo "$units_after") >&2 || true
    exit 1
fi
echo "Nothing of the kiosk is left: /etc/systemd/system as before, getty@tty1.service enabled."

step "Removing the packages"
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q velmora velmora-display >/dev/null
in_root env DEBIAN_FRONTEND=noninteractive apt-get autoremove --purge -y -q >/dev/null
after=$(in_root find /usr | sort)
left=$(comm -13 <(echo "$before") <(echo "$after") | grep -i velmora || true)
if [ -n "$left" ]; then
    echo "Left under /usr after removal:" >&2
    echo "$left" >&2
    exit 1
fi
echo "Nothing of velmora is left under /usr."
step "Done"
