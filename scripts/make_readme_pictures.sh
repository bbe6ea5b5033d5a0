#!/bin/bash
# Makes the README's five pictures from the bundled examples: the two synthetic samples on their
# common reference, with the wireframe, 999 permutations and the growth magnified three times; and
# the three synthetic samples in shape space.
#   scripts/make_readme_pictures.sh [KELMAR6_BATCH [FOLDER]]
# (defaults: build/src/batch/kelmar6-batch and docs/pictures).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
batch=${1:-$here/build/src/batch/kelmar6-batch}
out=${2:-$here/docs/pictures}
mkdir -p "$out"
"$batch" --quiet --common-reference --permutations 999 --seed 5489 \
  --wirelist "$here/examples/growth_wirelist.txt" \
  --plot "$out/superimposed.png" --plot-allometry "$out/allometry.png" \
  --plot-growth "$out/growth.png" --magnify 3 --plot-distributions "$out/distributions.png" \
  --report /dev/null \
  "$here/examples/growth_sample_a.txt" "$here/examples/growth_sample_b.txt"
"$batch" --quiet --common-reference --plot-shape-space "$out/shape_space.png" --report /dev/null \
  "$here/examples/growth_sample_a.txt" "$here/examples/growth_sample_b.txt" \
  "$here/examples/growth_sample_c.txt"
