#!/usr/bin/env bash
# Sets up a fresh Debian machine and runs every test: the Linux suite, the
# same suite under address and undefined-behaviour sanitizers, and the
# Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh

run_preset() {
  local preset=$1
  echo "== ${preset}: configure, build, test"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
}

run_preset default
run_preset asan
if [ -f cmake/mingw-w64-x86_64.cmake ]; then
  bash scripts/windows-tests.sh
fi
