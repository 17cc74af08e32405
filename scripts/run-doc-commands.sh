#!/usr/bin/env bash
# Runs the command blocks of a guide (the blocks fenced as ```sh) in order, in
# one shell, so that a guide's commands cannot go stale unnoticed. They run in
# a scratch folder that looks like the repository root to them: every entry of
# the source tree, with build/default pointing at the build tree under test.
# The first command that fails ends the run (a pipeline counts by its last
# command, as in a terminal, so `diff a b | head` reads as it would there);
# the "== block" line before its trace names the block.
#
#   bash scripts/run-doc-commands.sh GUIDE.md BUILD_DIR
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 GUIDE.md BUILD_DIR" >&2
  exit 2
fi
guide=$(realpath "$1")
build=$(realpath "$2")
source_dir=$(realpath "$(dirname "$0")/..")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for entry in "$source_dir"/*; do
  [ "$(basename "$entry")" = build ] || ln -s "$entry" "$work/"
done
mkdir "$work/build"
ln -s "$build" "$work/build/default"

script="$work/guide-commands.sh"
awk -v guide="$(basename "$guide")" '
  /^```sh[[:space:]]*$/ { inside = 1; n++; printf "echo \"== %s, block %d (line %d)\" >&2\n", guide, n, NR + 1; next }
  /^```/ && inside      { inside = 0; next }
  inside                { print }
  END                   { if (n == 0) { print "echo \"no sh blocks in " guide "\" >&2; exit 1" } }
' "$guide" >"$script"

cd "$work"
bash -eux "$script"
echo "== $(basename "$guide"): every command block ran"
