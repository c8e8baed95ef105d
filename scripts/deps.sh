#!/usr/bin/env bash
# Installs the Debian packages the build and tests need, when any is missing.
# Sourced by run.sh and test.sh.

BORVANTA_PACKAGES=(
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libsqlite3-dev libfreetype-dev libfontconfig-dev libpng-dev
    libx11-dev libxext-dev libxi-dev libxtst-dev libxdamage-dev libxrandr-dev xvfb xauth
    libsystemd-dev dbus-daemon x11-xkb-utils xclip
    fonts-dejavu-core fonts-liberation2 fonts-droid-fallback fonts-nanum
)

borvanta_install_deps() {
    local missing=()
    local p
    for p in "${BORVANTA_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q
    $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}
