#!/usr/bin/env bash
# Installs the Debian packages the builds, the tests and the screenshots need, only when missing.
# TESSAREL_NO_INSTALL=1 installs nothing (the preflight then names what is missing).
set -euo pipefail

# clang's fuzzer and sanitizer runtimes are only a recommendation of clang's, so they are named;
# Qt Charts' CMake files need Qt OpenGL's. The rest serve the icon, the install tree's validators
# and the Debian package.
packages=(cmake g++ make pkg-config ccache qt6-base-dev qt6-serialport-dev qt6-charts-dev
          qt6-svg-dev libqt6opengl6-dev libgl-dev clang libclang-rt-dev xvfb x11-apps imagemagick
          librsvg2-bin desktop-file-utils appstream dpkg-dev file)

[ "${TESSAREL_NO_INSTALL:-0}" = 1 ] && exit 0

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
