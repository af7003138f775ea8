#!/usr/bin/env bash
# The benchmarks, printed as markdown tables: the in-memory store's tree copy and the tokenizer on
# Linux (Google Benchmark); under Wine on a real registry, a product key moved by isreloc (the
# whole isreloc.exe run, and the registry layer's copy path; its rename path is reported as
# unavailable there, since isreloc never renames under Wine) against Wine's
# reg copy + reg delete at 1,000, 10,000 and 100,000 values; and the size of isreloc.exe (both
# builds) with the DLLs it imports. Builds what it needs with the linux, mingw and
# mingw64 presets and runs Wine in a throw-away 64-bit prefix under build/bench, stopped again at
# the end: the i686 build under WOW64 where this host runs 32-bit programs, else the x86_64 build.
#   BENCH_REPETITIONS=n   runs of each contender under Wine (default 7; the median is reported)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/wine-lib.sh

repetitions=${BENCH_REPETITIONS:-7}
out=build/bench
mkdir -p "$out"

bash scripts/ensure-tools.sh
probe_wine32 build/wine32-probe
if [[ "$WINE32_STATUS" == yes ]]; then
  timing_preset=mingw launcher=wine
else
  timing_preset=mingw64 launcher=$(wine64_loader)
  export WINELOADER=$launcher
fi
echo "building (linux, mingw and mingw64 presets) ..." >&2
cmake --preset linux >/dev/null
cmake --build --preset linux --target registry_perftest tokenizer_perftest >/dev/null
for preset in mingw mingw64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target isreloc wine_move_timing >/dev/null
done

# Google Benchmark's CSV, turned into a table by the named columns of its header.
# Usage: csv_table FILE NAME_PREFIX AWK_ROW_PROGRAM; the program sees col["name"] etc.
csv_table() {
  awk -F, -v prefix="$2" '
    function field(name) { v = $(index_of[name]); gsub(/"/, "", v); return v }
    NR == 1 { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); index_of[h] = i }; next }
    { name = field("name"); if (index(name, prefix) != 1) next; '"$3"' }' "$1"
}

echo >&2 "running the Linux benchmarks ..."
build/linux/bin/registry_perftest --benchmark_format=csv >"$out/registry.csv" 2>"$out/registry.log"
build/linux/bin/tokenizer_perftest --benchmark_format=csv >"$out/tokenizer.csv" 2>"$out/tokenizer.log"

echo
echo "## isreloc benchmarks"
echo
echo "### Linux, in-memory store: the copy path (transplantKey, what moveKey does when it cannot rename) of a whole tree (linear when the time per value stays flat)"
echo
echo "| values | subkeys | CPU time per move | ns per value |"
echo "|---:|---:|---:|---:|"
csv_table "$out/registry.csv" "transplantScaling/" \
  'printf "| %d | %d | %.2f %s | %.0f |\n", field("values"), field("subkeys"), field("cpu_time"), field("time_unit"), field("time_per_value") * 1e9'
echo
echo "| other store benchmarks (10,000 subkeys side by side, 100,000 values) | CPU time per run | ns per value |"
echo "|---|---:|---:|"
csv_table "$out/registry.csv" "transplantWideTree" \
  'printf "| transplantKey | %.1f %s | %.0f |\n", field("cpu_time"), field("time_unit"), field("time_per_value") * 1e9'
csv_table "$out/registry.csv" "buildAndEraseWideTree" \
  'printf "| build with openPath/writeText, then eraseKeyTree | %.1f %s | %.0f |\n", field("cpu_time"), field("time_unit"), 1e9 / field("items_per_second")'

echo
echo "### Linux: the ArgumentList built from a long command line (linear when the time per byte stays flat)"
echo
echo "| command line | arguments | CPU time per list | ns per byte |"
echo "|---:|---:|---:|---:|"
csv_table "$out/tokenizer.csv" "BM_BuildArgumentList/" \
  'split(name, part, "/"); printf "| %d KiB | %d | %.1f %s | %.2f |\n", part[2] / 1024, field("arguments"), field("cpu_time"), field("time_unit"), field("time_per_byte") * 1e9'

echo >&2 "running isreloc.exe and reg.exe under Wine ($repetitions runs each) ..."
export WINEPREFIX=$PWD/$out/wine-prefix WINEARCH=win64 WINEDEBUG=-all DISPLAY=
trap 'bash scripts/wine-prefix.sh stop "$WINEPREFIX" >/dev/null' EXIT
bash scripts/wine-prefix.sh start "$WINEPREFIX" win64 >/dev/null
echo
if [[ "$timing_preset" == mingw ]]; then
  echo "### Under Wine: the i686 build (the one that ships), in a 64-bit prefix under WOW64"
else
  echo "### Under Wine: the x86_64 build (32-bit programs cannot run here: ${WINE32_STATUS#no: })"
fi
wine_status=0
"$launcher" "build/$timing_preset/bin/wine_move_timing.exe" "$repetitions" | tr -d '\r' || wine_status=$?

for preset in mingw mingw64; do
  exe=build/$preset/bin/isreloc.exe
  case $preset in
    mingw) title="i686 (mingw preset): the build that ships"; objdump_tool=i686-w64-mingw32-objdump ;;
    mingw64) title="x86_64 (mingw64 preset)"; objdump_tool=x86_64-w64-mingw32-objdump ;;
  esac
  echo
  echo "### isreloc.exe, $title, Release, static runtime, stripped"
  echo
  size=$(stat -c %s "$exe")
  echo "| file | bytes | KiB |"
  echo "|---|---:|---:|"
  awk -v bytes="$size" 'BEGIN { printf "| isreloc.exe | %d | %.1f |\n", bytes, bytes / 1024 }'
  echo
  echo "| imported DLL | functions imported |"
  echo "|---|---:|"
  "$objdump_tool" -p "$exe" | awk '
    /DLL Name:/ { dll = $3; order[++n] = dll; count[dll] = 0; listing = 0; next }
    dll != "" && /Hint\/Ord/ { listing = 1; next }
    listing && NF == 0 { listing = 0; dll = ""; next }
    listing { count[dll]++ }
    END { for (i = 1; i <= n; i++) printf "| %s | %d |\n", order[i], count[order[i]] }'
done

exit "$wine_status"
