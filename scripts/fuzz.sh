#!/usr/bin/env bash
# Long fuzzing runs: scripts/fuzz.sh [seconds-per-target [target...]], 600 seconds and every
# target by default. Builds the libFuzzer targets and runs them one after another (the build
# machines are shared, so never in parallel), each from its committed corpus plus what earlier long runs kept under build/fuzz. Afterwards
# the inputs that reach code the committed corpus does not are merged, minimised, into
# fuzz/corpus/<target>, ready to be reviewed and committed. Exits non-zero on any finding; the
# input that caused it is kept under build/fuzz/findings.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

seconds=${1:-600}
shift || true
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for source in fuzz/*_fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

bash scripts/ensure-tools.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

failed=()
for target in "${targets[@]}"; do
  binary=build/fuzz/bin/$target
  scratch=build/fuzz/corpus/$target
  findings=build/fuzz/findings
  log=build/fuzz/$target-long.log
  mkdir -p "$scratch" "$findings"
  echo "=== $target: ${seconds}s (log: $log)"
  if ! "$binary" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
       -artifact_prefix="$findings/$target-" "$scratch" "fuzz/corpus/$target" > "$log" 2>&1; then
    tail -n 40 "$log"
    failed+=("$target")
    continue
  fi
  grep -E '^#[0-9]+.*DONE|^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log" || true
  "$binary" -merge=1 "fuzz/corpus/$target" "$scratch" > "build/fuzz/$target-merge.log" 2>&1
  echo "    committed corpus now $(ls "fuzz/corpus/$target" | wc -l) inputs, $(cat "fuzz/corpus/$target"/* | wc -c) bytes"
done

if [[ ${#failed[@]} -ne 0 ]]; then
  echo "fuzz findings in: ${failed[*]} (inputs under build/fuzz/findings)" >&2
  exit 1
fi
echo "=== no findings"
