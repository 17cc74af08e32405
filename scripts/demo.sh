#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds, and runs the demo: both studies on
# bundled sample bars against the bundled level data, rendered to PNG.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default
exec build/default/studyhost/app/studyhost demo "$@"
