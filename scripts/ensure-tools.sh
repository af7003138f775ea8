#!/usr/bin/env bash
# Installs, as root on Debian, whatever of the build and test tools is still missing: the Linux
# toolchain and test libraries, mingw-w64 for i686 and x86_64 (win32 thread model), 64-bit Wine,
# 32-bit Wine where this machine's packages offer it, clang with libFuzzer, and what the release
# needs (osslsigncode and openssl to sign and check, zip to pack).
#
# 32-bit Wine is optional: a host whose kernel runs no 32-bit code cannot use it anyway, and the
# test and run commands then take the 64-bit path. Whether it can run is found out by running a
# program (scripts/wine-lib.sh), not here.
set -euo pipefail

packages=(
  cmake ninja-build g++ gcc libgtest-dev libgmock-dev googletest libbenchmark-dev
  gcc-mingw-w64-i686-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-i686-dev
  gcc-mingw-w64-x86-64-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine64
  clang libclang-rt-14-dev
  osslsigncode openssl zip
)
optional_packages=(wine32:i386)

# The package database is read once: one query per package costs most of a second on a busy
# machine, and every script of the project starts here.
native_architecture=$(dpkg --print-architecture)
declare -A installed=()
while read -r package; do installed[$package]=1; done < <(
  dpkg-query -W -f='${db:Status-Abbrev} ${Package}:${Architecture}\n' 2>/dev/null | awk '$1 == "ii" { print $2 }')
# A name without an architecture is the machine's own package or an architecture-independent one.
is_installed() {
  if [[ $1 == *:* ]]; then
    [[ -n "${installed[$1]:-}" ]]
  else
    [[ -n "${installed[$1:$native_architecture]:-}${installed[$1:all]:-}" ]]
  fi
}

missing=()
for package in "${packages[@]}"; do is_installed "$package" || missing+=("$package"); done
missing_optional=()
for package in "${optional_packages[@]}"; do is_installed "$package" || missing_optional+=("$package"); done
marker=/var/lib/isreloc-optional-tried
if [[ ${#missing[@]} -eq 0 && ( ${#missing_optional[@]} -eq 0 || -e $marker ) ]]; then
  exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
  if [[ ${#missing[@]} -ne 0 ]]; then
    echo "missing: ${missing[*]}; installing them needs root" >&2
    exit 1
  fi
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
# Installs the given packages; when a mirror's index is out of step (a security suite still
# syncing, say) the first attempt can find no consistent set, and a second one that prefers the
# release's own suite usually can.
apt_install() {
  apt-get install -y -q --no-install-recommends "$@" && return 0
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [[ -n "$codename" ]] || return 1
  echo "retrying with the $codename suite preferred"
  apt-get install -y -q --no-install-recommends -t "$codename" "$@"
}

if [[ ${#missing_optional[@]} -ne 0 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
# An index that fails to download is reported and then left out; the install decides.
apt-get update -q || echo "apt-get update reported errors; going on with the indexes it has"

if [[ ${#missing[@]} -ne 0 ]]; then
  echo "installing: ${missing[*]}"
  apt_install "${missing[@]}"
fi
# Only for the optional 32-bit packages: when the security suite's i386 index is half-synced,
# wine64 may already have brought a Multi-Arch: same library (a GStreamer plugin base, say) at a
# security version whose i386 twin exists only at the release's version. Then neither attempt above
# finds a set (apt will not downgrade on its own), and only the release's versions of both sides
# fit: a third attempt pins the release suite above everything for this one install, downgrading
# where it must. The pin lives in a folder of its own and is gone afterwards.
apt_install_release_versions() {
  local codename preferences status=0
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [[ -n "$codename" ]] || return 1
  preferences=$(mktemp -d)
  printf 'Package: *\nPin: release n=%s\nPin-Priority: 1001\n' "$codename" > "$preferences/release.pref"
  echo "retrying with the $codename suite's versions pinned"
  apt-get install -y -q --no-install-recommends --allow-downgrades \
    -o Dir::Etc::PreferencesParts="$preferences" "$@" || status=$?
  rm -rf "$preferences"
  return "$status"
}

if [[ ${#missing_optional[@]} -ne 0 ]]; then
  echo "installing where available: ${missing_optional[*]}"
  apt_install "${missing_optional[@]}" || apt_install_release_versions "${missing_optional[@]}" ||
    echo "could not install ${missing_optional[*]}: 32-bit Windows programs will not run under Wine here"
  touch "$marker"
fi
