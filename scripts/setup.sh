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
  # The updater's measurement compares the download with this one.
  curl
  # The installer (makensis and its Windows stubs).
  nsis
  # Wine draws with these; they are only recommendations of Wine's library, which the
  # install below skips. Without them the dialogs fall back to other fonts and other sizes,
  # and layered (translucent) windows lose their alpha blending.
  fonts-wine fonts-liberation
  libxrender1 libxcomposite1 libxcursor1 libxfixes3 libxi6 libxinerama1 libxrandr2 libxxf86vm1
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
# Another install (a second checkout's setup) may hold the package lock for a while.
apt_wait=(-o DPkg::Lock::Timeout=600)
apt-get "${apt_wait[@]}" update -q >/dev/null
apt-get "${apt_wait[@]}" install -y -q --no-install-recommends "${missing[@]}" >/dev/null
