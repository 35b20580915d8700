#!/bin/bash
# Installs what the build, the tests and the demo need, from Debian's packages.
# As root it installs what is missing; otherwise it names the missing packages and fails.
set -euo pipefail

packages=(
  cmake ninja-build make g++ clang libclang-rt-14-dev python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-utils imagemagick
  iproute2 util-linux
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
  case "$status" in ii*) ;; *) missing+=("$p") ;; esac
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" != 0 ]; then
  echo "These Debian packages are missing: ${missing[*]}" >&2
  echo "Install them as root: apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -q >/dev/null
apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
