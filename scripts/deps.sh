#!/usr/bin/env bash
# Installs the Debian packages Corvinel needs to build, test and run.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-charts-dev qt6-l10n-tools qt6-tools-dev
    qt6-translations-l10n
    libsqlite3-dev libxlsxwriter-dev libgumbo-dev libgtest-dev
    xvfb xauth fonts-noto-cjk unzip xdg-utils
    clang libclang-rt-14-dev clang-tidy python3
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
