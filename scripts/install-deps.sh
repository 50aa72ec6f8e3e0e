#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Kavro need.
# Installs only what is missing, so it is safe to run again.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-image-formats-plugins qt6-translations-l10n
    libusb-1.0-0-dev libsqlite3-dev sqlite3 libjpeg-dev
    pxlib-dev mdbtools-dev libcdio-dev libblkid-dev
    libgtest-dev libgmock-dev
    clang libclang-rt-14-dev
    xvfb xauth poppler-utils imagemagick x11-apps x11-utils
    fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    as_root=()
    [ "$(id -u)" -ne 0 ] && as_root=(sudo)
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
