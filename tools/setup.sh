#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Velmora need, when any is
# missing. Safe to run again: it does nothing once everything is there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache lld pkg-config clang clang-format libclang-rt-14-dev
    qt6-base-dev qt6-base-private-dev qt6-wayland
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
    gstreamer1.0-plugins-ugly gstreamer1.0-libav
    libjpeg62-turbo-dev libgtest-dev libbenchmark-dev libxss-dev libsystemd-dev
    # the X server's DPMS, which turns the display's monitor off outside its hours
    libxcb-dpms0-dev
    fonts-dejavu-core
    xvfb xauth xdotool imagemagick iproute2 dbus
    dbus-daemon openbox x11-utils x11-xserver-utils weston libxcb1-dev
    # a kiosk compositor for the display's full-screen tests, its XWayland and screen capture
    cage xwayland grim
    # libcrypto's SHA-256 for the media cache; web servers its tests run on free loopback ports
    # (a system nginx the package may start on port 80 is not used)
    libssl-dev nginx-light python3 curl
    # GStreamer's own player and X output, the twin of the display's CPU benchmark
    gstreamer1.0-tools gstreamer1.0-x
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Run as root or install sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo=sudo
fi
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
