#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset: clang, address and
# undefined-behaviour sanitizers) and runs each for N seconds, default 30,
# over a copy of its seed corpus. Any crash, leak, sanitizer report, failed
# check or time-out fails the run; the input that did it is kept under
# build/fuzz/artifacts/ with the command that reproduces it.
#
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "fuzz.sh: SECONDS must be a positive whole number, not '$seconds'" >&2
  exit 2
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

bin_dir=build/fuzz/fuzz
artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "$#" -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for corpus in fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
fi

failed=()
for target in "${targets[@]}"; do
  binary="$bin_dir/$target"
  if [ ! -x "$binary" ]; then
    echo "== $target: not built" >&2
    failed+=("$target")
    continue
  fi
  # The checked-in seeds stay as they are; new inputs go to the copy.
  mkdir -p "$work/$target"
  cp -R "fuzz/corpus/$target/." "$work/$target/"
  rm -f "$artifacts/$target"-*
  log="$artifacts/$target.log"
  echo "== $target: ${seconds}s over $(find "$work/$target" -type f | wc -l) seeds"
  if "$binary" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 \
      -artifact_prefix="$artifacts/$target-" -print_final_stats=1 \
      "$work/$target" >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units' "$log" | sed "s/^/   /" || true
  else
    echo "== $target: FAILED (log: $log)" >&2
    grep -E 'check failed|ERROR|SUMMARY|runtime error' "$log" | head -n 10 >&2 || true
    for artifact in "$artifacts/$target"-*; do
      [ -f "$artifact" ] && echo "   reproduce: $binary $artifact" >&2
    done
    failed+=("$target")
  fi
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz.sh: ${#failed[@]} target(s) failed: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz.sh: every target ran ${seconds}s without a finding"
