#!/bin/bash
# The README's pictures are what the repository's script makes: it runs, each picture is a PNG of
# the drawing page at twice its pixels, and the README shows every one of them.
#   tests/readme_pictures_test.sh SOURCE_FOLDER KELMAR6_BATCH SCRATCH_FOLDER
set -euo pipefail
source_folder=$1
batch=$2
scratch=$3
rm -rf "$scratch"
bash "$source_folder/scripts/make_readme_pictures.sh" "$batch" "$scratch"
for picture in superimposed allometry growth distributions shape_space; do
  file="$scratch/$picture.png"
  [[ $(head -c 8 "$file" | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]] ||
    { echo "$file is not a PNG"; exit 1; }
  size=$(od -An -tu1 -j16 -N8 "$file" | tr -s ' ')
  [[ $size == " 0 0 6 64 0 0 4 176" ]] || { echo "$file is not 1600 × 1200: $size"; exit 1; }
  grep -q "(docs/pictures/$picture.png)" "$source_folder/README.md" ||
    { echo "README.md does not show docs/pictures/$picture.png"; exit 1; }
  [[ -f "$source_folder/docs/pictures/$picture.png" ]] ||
    { echo "docs/pictures/$picture.png is missing"; exit 1; }
done
