#!/usr/bin/env bash
# Regenerates the README's pictures (docs/images/) from the demo: the three
# charts of `studyhost demo`, drawn at a size that suits a README.
#
#   bash scripts/readme-images.sh [OUTPUT_DIR]
#
# Builds studyhost and the two studies in the default preset first, unless
# STUDYHOST names a studyhost program that is already built (as the tests do).
set -euo pipefail
cd "$(dirname "$0")/.."

output=${1:-docs/images}
width=1200
height=675

studyhost=${STUDYHOST:-}
if [ -z "$studyhost" ]; then
  cmake --preset default >/dev/null
  cmake --build --preset default --target studyhost qlx_pricemap_overlay_64 qlx_timeframe_structure_64
  studyhost=build/default/studyhost/app/studyhost
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$studyhost" demo --output "$scratch" --width "$width" --height "$height" >/dev/null

mkdir -p "$output"
for chart in pricemap_overlay pricemap_overlay_per_period timeframe_structure; do
  cp "$scratch/$chart.png" "$output/$chart.png"
done
echo "README pictures written to $output/"
