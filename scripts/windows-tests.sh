#!/usr/bin/env bash
# Cross-builds the study DLLs and the test suites for 64-bit Windows with
# mingw-w64 (preset mingw, build/mingw) and runs the tests under Wine: the
# suites themselves, and the check that each study DLL exports only its three
# entry points and imports only system DLLs.
#
# Wine runs in a prefix of its own inside the build tree, without debug
# output. Extra arguments go to ctest (for example -R studyhost).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build/mingw
export WINEPREFIX="$PWD/$build_dir/wineprefix"
export WINEDEBUG=-all

started=$SECONDS
stage() {
  echo "== mingw: $1 ($((SECONDS - started)) s so far)"
}

stage "configure"
cmake --preset mingw >/dev/null

stage "build"
cmake --build --preset mingw

# A fresh prefix is set up by the first Wine start, which takes a while and
# prints a few lines; do it once here rather than inside two tests at once.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  stage "set up the Wine prefix"
  wine wineboot --init >/dev/null 2>&1 || true
  wineserver --wait || true
fi

# A program that crashes must fail its test: without a debugger registered
# for unhandled exceptions, Wine ends the process with a non-zero status
# instead of starting one and reporting success.
WINEDEBUG=-all wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
  /v Debugger /t REG_SZ /d '' /f >/dev/null 2>&1

stage "test under Wine"
ctest --preset mingw "$@"

echo "== mingw: study DLLs"
find "$build_dir" -name '*_64.dll' -not -path '*/runtime_dlls/*' -printf '%s bytes  %p\n' | sort -k3
echo "== mingw: done in $((SECONDS - started)) s"
