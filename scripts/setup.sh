#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Keyvane needs.
# Does nothing when all of them are present; uses sudo when not run as root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6svg6 qt6-qpa-plugins libgl-dev
    libsqlite3-dev libzip-dev libicu-dev libsodium-dev libzxcvbn-dev
    libbenchmark-dev libbotan-2-dev
    xvfb xauth x11-utils fonts-dejavu-core
    openbox trayer xclip xdotool
    imagemagick
    python3 python3-docx python3-nacl poppler-utils
    qt6-wayland weston wl-clipboard dbus dbus-x11
    dpkg-dev file
    clang libclang-rt-14-dev
    desktop-file-utils shared-mime-info xdg-utils
    man-db
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
