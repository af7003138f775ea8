# Sourced by the scripts that start Wine: where its loaders are, and whether this host can run
# 32-bit Windows programs at all.
#
# Some x86_64 kernels run no 32-bit code. There Wine's usual launcher ("wine", which prefers the
# 32-bit loader) fails with "Exec format error" even for 64-bit programs, so 64-bit programs are
# always started through the 64-bit loader itself.

# Prints the path of Wine's 64-bit loader; fails when there is none.
wine64_loader() {
  local candidate
  for candidate in "$(command -v wine64 || true)" /usr/lib/wine/wine64 /usr/lib64/wine/wine64 \
                   /usr/lib/x86_64-linux-gnu/wine/wine64; do
    if [[ -n "$candidate" && -x "$candidate" ]]; then
      echo "$candidate"
      return 0
    fi
  done
  return 1
}

# probe_wine32 DIR [PREFIX]: whether 32-bit Windows programs run here, found by running one: a tiny
# i686 program that exits with 42, built under DIR and run in PREFIX, an existing 64-bit prefix
# whose wineserver is stopped (one a test suite made and is done with), or else in a throw-away
# prefix under DIR. Sets WINE32_STATUS to "yes", or to "no: <why>".
# ISRELOC_WINE64_ONLY=1 answers "no" without trying, so that a host that can run 32-bit code
# proves the 64-bit-only path too.
probe_wine32() {
  local dir prefix
  dir=$(realpath -m "$1")
  prefix=$(realpath -m "${2:-$dir/prefix}")
  if [[ "${ISRELOC_WINE64_ONLY:-0}" == 1 ]]; then
    WINE32_STATUS="no: ISRELOC_WINE64_ONLY=1 asks for the 64-bit-only path"
    return 0
  fi
  if ! command -v i686-w64-mingw32-gcc-win32 >/dev/null; then
    WINE32_STATUS="no: the i686 compiler is missing"
    return 0
  fi
  # Where Wine's launcher itself cannot start (its 32-bit loader refused by the kernel), no 32-bit
  # program can run: say so at once, without making a prefix for nothing.
  local version
  if ! version=$(WINEDEBUG=-all wine --version 2>&1); then
    WINE32_STATUS="no: Wine's launcher cannot start here ($(echo "$version" | tail -n 1))"
    return 0
  fi
  rm -rf "$dir"
  mkdir -p "$dir"
  printf 'int main(void) { return 42; }\n' >"$dir/exit42.c"
  i686-w64-mingw32-gcc-win32 -o "$dir/exit42.exe" "$dir/exit42.c"
  local output status=0 loader
  loader=$(wine64_loader) || loader=""
  output=$(
    export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all DISPLAY=
    [[ -z "${2:-}" && -n "$loader" ]] && "$loader" wineboot -i >/dev/null 2>&1
    wine "$dir/exit42.exe" 2>&1
  ) || status=$?
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  rm -rf "$dir"
  if [[ $status -eq 42 ]]; then
    WINE32_STATUS="yes"
  else
    WINE32_STATUS="no: a 32-bit test program under Wine ended with $status${output:+ ($(echo "$output" | tail -n 1))}"
  fi
}
