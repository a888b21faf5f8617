#!/usr/bin/env bash
# Installs every Debian 12 package the build and the tests need; does nothing when all are there.
set -euo pipefail

packages=(
  cmake ninja-build g++ binutils clang libclang-rt-14-dev clang-format ccache pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libboost-json1.81-dev libssl-dev libcurl4-openssl-dev libglib2.0-dev
  libgtk-3-dev libwebkit2gtk-4.1-dev
  libcpp-httplib-dev ca-certificates curl openssl iproute2 util-linux nodejs
  python3-gi gir1.2-webkit2-4.1 gir1.2-gtk-3.0 xvfb xauth xdotool
  libcairo2-dev libpango1.0-dev libfontconfig-dev fonts-inter fonts-dejavu-core
  g++-mingw-w64-x86-64-posix wine wine64
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
