#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds what the demo runs (the studyhost
# command and the two study libraries, not the test suites), and runs the
# demo: both studies on bundled sample bars against the bundled level data,
# rendered to PNG. Extra arguments go to `studyhost demo` (--output, --width,
# --height).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default --target studyhost qlx_pricemap_overlay_64 qlx_timeframe_structure_64
exec build/default/studyhost/app/studyhost demo "$@"
