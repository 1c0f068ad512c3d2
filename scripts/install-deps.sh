#!/usr/bin/env bash
# Installs the Debian packages the editor, its tests and its tools need, when missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-dev clang-format git
    locales
    fonts-liberation2
    xvfb xauth imagemagick xdotool
    chromium poppler-utils
    desktop-file-utils appstream librsvg2-bin file
)
# `install-deps.sh package` adds what the package workflow needs besides: lintian, which
# checks the package it builds.
if [ "${1:-}" = package ]; then
    packages+=(lintian)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
