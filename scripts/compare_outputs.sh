#!/bin/bash
# Runs two builds of kelmar6-batch over the bundled examples in the same configurations and
# compares every output byte for byte: reports, JSON, exported coordinates and pictures in every
# format. For a change that must not change results (a redesign, a faster routine):
#   scripts/compare_outputs.sh OLD_KELMAR6_BATCH NEW_KELMAR6_BATCH [FOLDER]
# FOLDER (default: a new temporary folder) keeps both sets of outputs. Exits 1 on any difference.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
old=$1
new=$2
out=${3:-$(mktemp -d)}
ex=$here/examples
a=$ex/growth_sample_a.txt
b=$ex/growth_sample_b.txt
c=$ex/growth_sample_c.txt
male=$ex/macaque_male.txt
female=$ex/macaque_female.txt

# Each configuration: a name, then the options and samples. Every output is written as
# NAME.<what> in the run's folder.
configurations=(
  "own-two|--json @.json --export-coords @.csv --plot @.png $a $b"
  "common-two-perm|--common-reference --permutations 99 --wirelist $ex/growth_wirelist.txt --json @.json --export-coords @.tps --plot @.svg --plot-allometry @-allometry.svg --plot-growth @-growth.svg --plot-distributions @-distributions.svg $a $b"
  "isometry-one-cs|--isometry --size cs --json @.json --plot @.pdf --plot-allometry @-allometry.pdf --plot-growth @-growth.pdf --plot-distributions @-distributions.pdf $a"
  "common-three-perm|--common-reference --permutations 99 --json @.json --export-coords @.csv --plot-allometry @-allometry.emf --plot-growth @-growth.emf --plot-distributions @-distributions.emf $a $b $c"
  "isometry-three-own|--isometry --json @.json --export-coords @.tps --plot-allometry @-allometry.png --plot-distributions @-distributions.png $a $b $c"
  "macaques-own-cs|--size cs --boots 200 --wirelist $ex/macaque_wirelist.txt --json @.json --plot @.emf --plot-growth @-growth.png $male $female"
  "macaques-common|--common-reference --permutations 199 --wirelist $ex/macaque_wirelist.txt --view 30,15 --magnify 5 --plot @.png --plot-growth @-growth.svg --plot-allometry @-allometry.png $male $female"
  "formats-common|--common-reference --json @.json --export-coords @.csv --plot @.svg $ex/formats/growth_sample_a.csv $ex/formats/growth_sample_b_slicer"
  "formats-own|--json @.json --plot @.png --plot-growth @-growth.emf $ex/formats/macaque_female_morphologika.txt $ex/formats/macaque_male.tps"
  "isometry-two-common|--isometry --common-reference --json @.json --plot @.png --plot-distributions @-distributions.svg $a $b"
  "seeded-threads|--common-reference --seed 7 --skip 100 --threads 1 --boots 60 --json @.json --plot-distributions @-distributions.png $a $b"
  "three-common-bootstrap|--common-reference --boots 400 --size cs --json @.json --export-coords @.tps --plot-distributions @-distributions.pdf --plot-growth @-growth.png $c $b $a"
  "isometry-macaque-own|--isometry --size lcs --json @.json --plot @.svg --plot-growth @-growth.pdf $female"
)

run_all() {
  local batch=$1 folder=$2
  mkdir -p "$folder"
  for entry in "${configurations[@]}"; do
    local name=${entry%%|*}
    local options=${entry#*|}
    options=${options//@/$folder/$name}
    # shellcheck disable=SC2086 # the options are words
    if ! "$batch" --quiet --report "$folder/$name.txt" $options 2>"$folder/$name.err"; then
      echo "$name: kelmar6-batch failed: $(cat "$folder/$name.err")" >&2
      return 1
    fi
  done
}

same_folder() {
  sed -e "s#$1#FOLDER#g" -e 's#/CreationDate (D:[0-9]*Z)#/CreationDate ()#' "$2"
}

run_all "$old" "$out/old"
run_all "$new" "$out/new"
# The file names inside the outputs name the run's folder: compare them as one. A PDF carries
# the time it was made.
count=$(find "$out/old" -type f | wc -l)
if diff -r <(cd "$out/old" && find . -type f | sort) <(cd "$out/new" && find . -type f | sort) >/dev/null &&
  ! (cd "$out/old" && find . -type f -print0 | sort -z | while IFS= read -r -d '' f; do
    if ! cmp -s <(same_folder "$out/old" "$f") <(same_folder "$out/new" "$out/new/$f"); then
      echo "differs: $f"
    fi
  done | grep .); then
  echo "${#configurations[@]} configurations, $count files: byte-identical ($out)"
else
  echo "outputs differ ($out)" >&2
  exit 1
fi
