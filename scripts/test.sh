#!/usr/bin/env bash
# Builds and runs every test this host can run: the Linux unit tests (plain and with sanitizers),
# the Windows builds under Wine (their unit tests, the registry suite against Wine's registry, the
# end-to-end runs of the real isreloc.exe), and a short fuzzing pass. Installs what is missing first.
#
# Both Windows builds run in a 64-bit prefix: the x86_64 one natively, the i686 one (the build that
# ships) under WOW64, and its end-to-end suite once more in a 32-bit prefix. On a host that cannot
# run 32-bit programs the i686 build is still built, and one line says why its suites did not run.
# ISRELOC_WINE64_ONLY=1 takes that path on any host. The run fails when no Windows suite ran.
# Ends with one line counting every test run: "N passed, M failed"; exits non-zero if M > 0.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/wine-lib.sh

bash scripts/ensure-tools.sh || { echo "the tools could not be installed"; exit 1; }

passed=0
failed=0
windows_tests=0
not_run=()

# Adds one CTest log's counts; a run that printed no summary counts as one failure.
count_ctest() {
  local summary
  summary=$(sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\1 \2/p' "$1" | tail -n 1)
  if [[ -z "$summary" ]]; then
    failed=$((failed + 1))
    return
  fi
  read -r failures total <<<"$summary"
  passed=$((passed + total - failures))
  failed=$((failed + failures))
}

# build_preset PRESET: configures and builds; a failed build counts as one failure.
build_preset() {
  echo "=== $1: configure and build"
  if ! { cmake --preset "$1" >/dev/null && cmake --build --preset "$1"; }; then
    echo "=== $1: build failed"
    failed=$((failed + 1))
    return 1
  fi
}

# test_preset PRESET: runs its CTest suite.
test_preset() {
  local log=build/$1/ctest-output.log
  echo "=== $1: test"
  ctest --preset "$1" 2>&1 | tee "$log"
  count_ctest "$log"
}

for preset in linux linux-asan; do
  build_preset "$preset" && test_preset "$preset"
done

echo "=== can this host run 32-bit Windows programs under Wine?"
probe_wine32 build/wine32-probe
echo "    $WINE32_STATUS"

if build_preset mingw; then
  if [[ "$WINE32_STATUS" == yes ]]; then
    before=$((passed + failed))
    test_preset mingw
    windows_tests=$((windows_tests + passed + failed - before))
  else
    not_run+=("i686 Windows suites (unit tests, registry suite, end-to-end) not run: ${WINE32_STATUS#no: }")
  fi
fi
if build_preset mingw64; then
  before=$((passed + failed))
  test_preset mingw64
  windows_tests=$((windows_tests + passed + failed - before))
fi

echo "=== fuzz"
fuzz_log=build/fuzz-short.log
mkdir -p build
bash scripts/fuzz-short.sh 2>&1 | tee "$fuzz_log"
fuzz_counts=$(sed -n 's/^fuzz targets: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$fuzz_log")
if [[ -n "$fuzz_counts" ]]; then
  read -r fuzz_passed fuzz_failed <<<"$fuzz_counts"
  passed=$((passed + fuzz_passed))
  failed=$((failed + fuzz_failed))
else
  failed=$((failed + 1))
fi

for line in "${not_run[@]}"; do echo "$line"; done
if [[ $windows_tests -eq 0 ]]; then
  echo "no Windows suite ran: a run without them proves nothing about isreloc.exe"
  failed=$((failed + 1))
fi
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
