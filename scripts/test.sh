#!/usr/bin/env bash
# Sets up a fresh Debian machine and runs every test: the Linux suite and the
# conformance and stress run of both studies, the same suite under address,
# undefined-behaviour and leak sanitizers, the Windows build under Wine, and
# each fuzz target for a while.
#
#   bash scripts/test.sh [FUZZ_SECONDS]   (default 30 per fuzz target)
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=${1:-30}

bash scripts/bootstrap.sh

run_preset() {
  local preset=$1
  echo "== ${preset}: configure, build, test"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
}

run_preset default

echo "== studyhost validate: both studies"
for study in pricemap_overlay/qlx_pricemap_overlay_64 timeframe_structure/qlx_timeframe_structure_64; do
  build/default/studyhost/app/studyhost validate "build/default/${study}.so" --only-failed
done

run_preset asan

echo "== Windows: cross-built DLLs and the suite under Wine"
bash scripts/windows-tests.sh

echo "== fuzz: ${fuzz_seconds} s per target"
bash scripts/fuzz.sh "$fuzz_seconds"
