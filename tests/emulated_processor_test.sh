#!/bin/bash
# kelmar6-batch on an emulated processor without AVX2 (Nehalem, 2008): it runs (the programs are
# built for the x86-64 baseline and choose their kernels at run time) and gives the report and
# JSON of the baseline kernels on this machine, bit for bit; the report is the one the AVX2
# kernels give too.
#   tests/emulated_processor_test.sh QEMU KELMAR6_BATCH EXAMPLES_DIR SCRATCH_DIR
set -euo pipefail
qemu=$1
batch=$2
examples=$3
scratch=$4
rm -rf "$scratch"
mkdir -p "$scratch"
args=(--quiet --common-reference --boots 200 --permutations 99
      "$examples/growth_sample_a.txt" "$examples/growth_sample_b.txt")
"$qemu" -cpu Nehalem "$batch" "${args[@]}" --json "$scratch/emulated.json" \
  > "$scratch/emulated.txt"
KELMAR6_CPU=baseline "$batch" "${args[@]}" --json "$scratch/baseline.json" \
  > "$scratch/baseline.txt"
"$batch" "${args[@]}" > "$scratch/native.txt"
cmp "$scratch/emulated.txt" "$scratch/baseline.txt"
cmp "$scratch/emulated.json" "$scratch/baseline.json"
cmp "$scratch/emulated.txt" "$scratch/native.txt"
grep -q 'Angle between Growth Vectors' "$scratch/emulated.txt"
echo "the report on an emulated Nehalem equals this machine's"
