#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the programs and the tests need.
# Does nothing when they are all present already.
set -euo pipefail

PACKAGES=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-image-formats-plugins libgl-dev
    qt6-translations-l10n libx11-dev
    libsqlite3-dev libcurl4-openssl-dev
    libpoppler-cpp-dev libzip-dev libxml2-dev libseccomp-dev libre2-dev zlib1g-dev libbz2-dev libicu-dev libdeflate-dev unicode-data
    libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
    fonts-noto-cjk fonts-wqy-microhei xdg-utils adwaita-icon-theme libqt6svg6
    man-db
    # the launchers' provider's tests: a private session bus and its client
    dbus-daemon libglib2.0-bin
    # scripts/package.sh and scripts/check-clean-install.sh also want:
    #   dpkg-dev lintian mmdebstrap appstream desktop-file-utils
)

missing=()
for package in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
