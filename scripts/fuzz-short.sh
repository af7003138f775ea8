#!/usr/bin/env bash
# A short fuzzing pass, part of the test run: builds the libFuzzer targets and runs each for a
# fixed time from its committed corpus. Inputs it discovers go to a scratch folder under
# build/fuzz, never into the committed corpus. Exits non-zero on any crash, leak, sanitizer
# report, broken invariant or hang; the input that caused it is kept under build/fuzz/findings.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

seconds=${ISRELOC_FUZZ_SECONDS:-20}

bash scripts/ensure-tools.sh
echo "=== fuzz: configure and build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

failed=()
targets=0
for source in fuzz/*_fuzz.cpp; do
  targets=$((targets + 1))
  target=$(basename "$source" .cpp)
  scratch=build/fuzz/corpus/$target
  findings=build/fuzz/findings
  mkdir -p "$scratch" "$findings"
  echo "=== fuzz: $target for ${seconds}s"
  # The scratch folder comes first, so that new inputs are written there.
  if ! build/fuzz/bin/"$target" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
       -artifact_prefix="$findings/$target-" "$scratch" "fuzz/corpus/$target" \
       > "build/fuzz/$target.log" 2>&1; then
    tail -n 40 "build/fuzz/$target.log"
    failed+=("$target")
  else
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "build/fuzz/$target.log" || true
  fi
done

# The line scripts/test.sh counts.
echo "fuzz targets: $((targets - ${#failed[@]})) passed, ${#failed[@]} failed"
if [[ ${#failed[@]} -ne 0 ]]; then
  echo "fuzz findings in: ${failed[*]} (inputs under build/fuzz/findings)" >&2
  exit 1
fi
