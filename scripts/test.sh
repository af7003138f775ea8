#!/usr/bin/env bash
# Builds and runs every test: the Linux unit tests (plain and with sanitizers), and the Windows
# build under Wine: its unit tests, the registry suite against Wine's registry, the end-to-end
# runs of the real isreloc.exe. Installs what is missing first. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/ensure-tools.sh

for preset in linux linux-asan mingw; do
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "=== $preset: test"
  ctest --preset "$preset"
done
bash scripts/fuzz-short.sh
