#!/usr/bin/env bash
# Builds and runs every test this host can run: the Linux unit tests (plain and with sanitizers),
# the Windows builds under Wine (their unit tests, the registry suite against Wine's registry, the
# end-to-end runs of the real isreloc.exe), the release (built again in another folder, signed with a
# throw-away certificate) and a short fuzzing pass. Installs what is missing first.
#
# Both Windows builds run in a 64-bit prefix: the x86_64 one natively, then the i686 one (the build
# that ships) under WOW64, and its end-to-end suite once more in a 32-bit prefix. On a host that cannot
# run 32-bit programs the i686 build is still built, and one line says why its suites did not run.
# ISRELOC_WINE64_ONLY=1 takes that path on any host. The run fails when no Windows suite ran.
# Its last lines say where the time went (a line per stage, its seconds at the end), which suites
# ran and which did not and why, and then one line counting every test run: "N passed, M failed";
# exits non-zero if M > 0.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/wine-lib.sh

passed=0
failed=0
windows_tests=0
stage_lines=()
suite_lines=()

# begin_stage NAME / end_stage: one line of the closing account of where the time went.
begin_stage() {
  stage_name=$1
  stage_started=$SECONDS
}
end_stage() {
  local seconds=$((SECONDS - stage_started))
  stage_lines+=("$(printf '  %-50s %5d s' "$stage_name" "$seconds")")
  echo "=== $stage_name: $seconds s"
}
ran() { suite_lines+=("  ran:         $1"); }
not_run() { suite_lines+=("  did not run: $1"); }

begin_stage "tools"
bash scripts/ensure-tools.sh || { echo "the tools could not be installed"; exit 1; }
end_stage

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
  begin_stage "$1: configure and build"
  echo "=== $1: configure and build"
  if ! { cmake --preset "$1" >/dev/null && cmake --build --preset "$1"; }; then
    echo "=== $1: build failed"
    failed=$((failed + 1))
    end_stage
    not_run "$1: its suites (the build failed)"
    return 1
  fi
  end_stage
}

# test_preset PRESET WHAT: runs its CTest suite and notes each program it ran (the Linux unit tests,
# one CTest test per case, as one line).
test_preset() {
  local log=build/$1/ctest-output.log
  begin_stage "$1: test"
  echo "=== $1: test"
  # The Linux cases are processes of their own over in-memory stores and scratch folders of their
  # own, so they run side by side; the Wine suites of a build share its prefixes and run in turn.
  local parallel=()
  [[ $1 == linux* ]] && parallel=(--parallel "$(nproc)")
  ctest --preset "$1" "${parallel[@]}" 2>&1 | tee "$log"
  count_ctest "$log"
  end_stage
  if [[ $1 == linux* ]]; then
    ran "$1, $2: $(grep -o '[0-9]*% tests passed.*' "$log" | tail -n 1)"
    return
  fi
  # "n/m Test #k: NAME ....   Passed   12.34 sec": the programs, not the prefixes made for them.
  local line
  while read -r line; do ran "$1, $2: $line"; done < <(awk '/Test +#[0-9]+: / {
      name = $0; sub(/.*Test +#[0-9]+: /, "", name); sub(/ .*/, "", name)
      if (name ~ /^wine_prefix/) next
      result = ($0 ~ /Passed +[0-9.]+ sec/) ? "passed" : ($0 ~ /\*\*\*Timeout/) ? "TIMED OUT" : "FAILED"
      seconds = match($0, /[0-9.]+ sec$/) ? ", " substr($0, RSTART, RLENGTH - 4) " s" : ""
      print name ": " result seconds }' "$log")
}

build_preset linux && test_preset linux "the unit tests (in-memory registry, POSIX services)"
build_preset linux-asan && test_preset linux-asan "the same under AddressSanitizer and UBSan"

build_preset mingw && mingw_built=yes || mingw_built=no
if build_preset mingw64; then
  before=$((passed + failed))
  test_preset mingw64 "x86_64 in a 64-bit prefix"
  windows_tests=$((windows_tests + passed + failed - before))
fi

# Asked in the prefix the x86_64 suites made and are done with, where there is one: making a prefix
# only to ask costs half a minute.
begin_stage "32-bit probe: can Wine run i686 programs here?"
echo "=== can this host run 32-bit Windows programs under Wine?"
if [[ -f build/mingw64/wine-prefix/system.reg ]]; then probe_wine32 build/wine32-probe build/mingw64/wine-prefix
else probe_wine32 build/wine32-probe; fi
echo "    $WINE32_STATUS"
end_stage

if [[ $mingw_built == yes ]]; then
  if [[ "$WINE32_STATUS" == yes ]]; then
    before=$((passed + failed))
    test_preset mingw "i686 under WOW64, and end-to-end in a 32-bit prefix"
    windows_tests=$((windows_tests + passed + failed - before))
  else
    not_run "mingw, i686: unit tests and the registry suite on Wine's registry, the registry replay, end-to-end: ${WINE32_STATUS#no: }"
  fi
fi

# The release as vendors get it, proved cheaply: release.sh run from a copy of the sources in
# another folder, signing with a certificate made for this run. Each program must verify against
# that certificate and, without its signature, equal the test build byte for byte; the signed
# program that can run here must start under Wine (the usage box, closed by run_answering, exit 0).
check() {
  if "${@:2}" >/dev/null 2>&1; then passed=$((passed + 1)); echo "    ok: $1"
  else failed=$((failed + 1)); echo "    FAILED: $1"; fi
}
shows_usage_and_ends_with_0() { grep -qF 'message box "Commandline"' <<<"$1" && grep -qx '    exit code 0' <<<"$1"; }
begin_stage "release: built from a copy of the sources, signed"
echo "=== release: built in another folder, signed with a throw-away certificate"
check_dir=$PWD/build/release-check signer=$PWD/build/release-check/signer
rm -rf "$check_dir" && mkdir -p "$check_dir/elsewhere/src" "$signer"
tar --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -xf - -C "$check_dir/elsewhere/src"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=isreloc test signer" -addext extendedKeyUsage=codeSigning \
  -keyout "$signer/key.pem" -out "$signer/cert.pem" >/dev/null 2>&1
echo "throw-away" > "$signer/password"
openssl pkcs12 -export -inkey "$signer/key.pem" -in "$signer/cert.pem" -passout "file:$signer/password" -out "$signer/signer.pfx"
check "release.sh builds, signs and packs (log: $check_dir/release.log)" bash -c "ISRELOC_SIGN_CERT='$signer/signer.pfx' \
  ISRELOC_SIGN_PASSWORD_FILE='$signer/password' bash '$check_dir/elsewhere/src/scripts/release.sh' > '$check_dir/release.log' 2>&1"
end_stage
begin_stage "release: checked, run under Wine"
release=$(echo "$check_dir"/elsewhere/src/dist/isreloc-*/)
for pair in "isreloc.exe mingw" "isreloc-x64.exe mingw64"; do
  read -r file preset <<<"$pair"
  check "$file: the signature verifies against the throw-away certificate" osslsigncode verify -CAfile "$signer/cert.pem" -in "$release$file"
  osslsigncode remove-signature -in "$release$file" -out "$check_dir/$file" >/dev/null 2>&1
  check "$file without its signature equals build/$preset/bin/isreloc.exe" cmp "$check_dir/$file" "build/$preset/bin/isreloc.exe"
done
# The exe vendors ship stays small: at most 256 KiB stripped (bench.sh shows where the bytes go).
check "isreloc.exe (i686, stripped) is at most 262,144 bytes: $(stat -c %s build/mingw/bin/isreloc.exe)" \
  test "$(stat -c %s build/mingw/bin/isreloc.exe)" -le 262144
check "the release's SHA256SUMS" bash -c "cd '$release' && sha256sum -c --strict SHA256SUMS"
if [[ "$WINE32_STATUS" == yes ]]; then run_file=isreloc.exe run_preset=mingw launcher=wine
else run_file=isreloc-x64.exe run_preset=mingw64 launcher=$(wine64_loader); fi
# The prefix the suites of that build made, done with now (its wineserver stopped), where there is
# one: making another costs half a minute.
run_prefix=$PWD/build/$run_preset/wine-prefix
if [[ ! -f "$run_prefix/system.reg" ]]; then
  run_prefix=$check_dir/wine-prefix
  bash scripts/wine-prefix.sh start "$run_prefix" win64 >/dev/null
fi
cp "$release$run_file" "$run_prefix/drive_c/$run_file"
run_output=$(export WINEPREFIX=$run_prefix WINEDEBUG=-all DISPLAY=; [[ $launcher == wine ]] || export WINELOADER=$launcher
             "$launcher" "build/$run_preset/bin/run_answering.exe" "C:\\$run_file" "\"C:\\$run_file\"" 2>&1 | tr -d '\r')
bash scripts/wine-prefix.sh stop "$run_prefix" >/dev/null
rm -f "$run_prefix/drive_c/$run_file"
echo "$run_output"
check "the signed $run_file runs under Wine: the usage box, exit code 0" shows_usage_and_ends_with_0 "$run_output"
end_stage
ran "release: built again from a copy of the sources, signed, equal to the test builds without signatures, run under Wine"

begin_stage "fuzz: build and run"
echo "=== fuzz"
fuzz_log=build/fuzz-short.log
mkdir -p build
bash scripts/fuzz-short.sh 2>&1 | tee "$fuzz_log"
fuzz_counts=$(sed -n 's/^fuzz targets: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$fuzz_log")
if [[ -n "$fuzz_counts" ]]; then
  read -r fuzz_passed fuzz_failed <<<"$fuzz_counts"
  passed=$((passed + fuzz_passed))
  failed=$((failed + fuzz_failed))
  ran "fuzz: $fuzz_passed targets passed, $fuzz_failed failed, ${ISRELOC_FUZZ_SECONDS:-20} s each from the committed corpora"
else
  failed=$((failed + 1))
  not_run "fuzz: the targets did not build or report (log: $fuzz_log)"
fi
end_stage

echo
echo "where the time went:"
for line in "${stage_lines[@]}"; do echo "$line"; done
printf '  %-50s %5d s\n' total "$SECONDS"
echo "suites:"
for line in "${suite_lines[@]}"; do echo "$line"; done
if [[ $windows_tests -eq 0 ]]; then
  echo "no Windows suite ran: a run without them proves nothing about isreloc.exe"
  failed=$((failed + 1))
fi
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
