#!/usr/bin/env bash
# Installs, as root on Debian, whatever of the build and test tools is still missing:
# the Linux toolchain and test libraries, mingw-w64 for i686, 32-bit Wine, and clang with
# libFuzzer for the fuzzing targets.
set -euo pipefail

packages=(
  cmake ninja-build g++ gcc libgtest-dev libgmock-dev googletest libbenchmark-dev
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32:i386
  clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "installing: ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
  echo "these packages are missing and installing them needs root" >&2
  exit 1
fi
# Wine runs the 32-bit program, so Debian's i386 packages must be available.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
