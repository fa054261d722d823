#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
#   scripts/deps.sh [PACKAGE...]    the packages named here as well
set -euo pipefail

PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libsqlite3-dev libhidapi-dev libudev-dev
    nlohmann-json3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-translations-l10n
    xvfb xauth fonts-wqy-microhei
    poppler-utils
    mdbtools-dev mdbtools
    ccache
)
PACKAGES+=("$@")

missing=()
for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [[ $(id -u) -ne 0 ]]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
