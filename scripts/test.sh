#!/usr/bin/env bash
# Builds and runs every test: the Linux unit tests (plain and with sanitizers), the Windows
# build under Wine (its unit tests, the registry suite against Wine's registry, the end-to-end
# runs of the real isreloc.exe), and a short fuzzing pass. Installs what is missing first.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/ensure-tools.sh

passed=0
for preset in linux linux-asan mingw; do
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "=== $preset: test"
  log=build/$preset/ctest-output.log
  ctest --preset "$preset" | tee "$log"
  count=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log")
  passed=$((passed + ${count:-0}))
done
bash scripts/fuzz-short.sh

# One closing line for every CTest run above (the fuzzing pass has failed the script if it found anything).
echo "$passed passed, 0 failed"
