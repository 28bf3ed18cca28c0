#!/usr/bin/env bash
# Installs what building, testing and running need on Debian 12: the mingw-w64
# cross compilers, Wine (64-bit), a headless X server, CMake, Ninja, clang with
# its sanitizer and fuzzer runtimes, GoogleTest's sources, ImageMagick.
# Does nothing when everything is there already.
set -euo pipefail

packages=(
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 xvfb xauth x11-apps xcompmgr
  imagemagick locales googletest cmake ninja-build python3 clang libclang-rt-14-dev openssl curl
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
# A failing index (some mirrors) must not stop the install when the packages
# can be had anyway.
$sudo apt-get update -q || echo "apt-get update failed; trying the install anyway" >&2
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
