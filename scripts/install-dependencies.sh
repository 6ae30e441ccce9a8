#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need. Does nothing when
# they are all present already.
set -euo pipefail

packages=(
    cmake g++ make pkg-config dpkg-dev file git clang-format gettext
    clang libc++-dev libc++abi-dev libclang-rt-dev
    libgtk-4-dev libwebkitgtk-6.0-dev libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-libav
    gstreamer1.0-pulseaudio gstreamer1.0-tools pulseaudio pulseaudio-utils
    libgtest-dev libgmock-dev googletest
    python3 iproute2 util-linux
    xvfb xauth x11-apps imagemagick xdotool openbox dbus-daemon weston
    desktop-file-utils appstream librsvg2-bin lintian
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
