#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, only those still missing.
# Runs apt-get directly as root, through sudo otherwise.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libicu-dev libphonenumber-dev
  libfontconfig-dev libxcb1-dev libxcb-damage0-dev
  libcups2-dev cups cups-client cups-filters cups-ipp-utils
  libqt6sql6-sqlite libqt6sql6-psql postgresql
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-dejavu-core fonts-wine
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool poppler-utils
  desktop-file-utils appstream
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

if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
else
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
