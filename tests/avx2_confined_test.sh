#!/bin/bash
# The programs are built for the x86-64 baseline: every AVX (%ymm) and FMA instruction in them
# lies in a function of kelmar::kernels::avx2, which only a processor with AVX2 and FMA runs.
#   tests/avx2_confined_test.sh PROGRAM...
set -euo pipefail
status=0
for program in "$@"; do
  outside=$(objdump -d --no-show-raw-insn -C "$program" |
    awk '/^[0-9a-f]+ <.*>:$/ { name = $0; next }
         /%ymm|vfmadd|vfmsub|vfnmadd/ { print name }' |
    sort -u | grep -v 'kelmar::kernels::avx2::' || true)
  if [[ -n "$outside" ]]; then
    echo "$(basename "$program"): AVX or FMA instructions outside the AVX2 kernels, in:"
    echo "$outside" | head -20
    status=1
  else
    inside=$(objdump -d --no-show-raw-insn -C "$program" | grep -c '%ymm' || true)
    echo "$(basename "$program"): $inside AVX instructions, all in the AVX2 kernels"
  fi
done
exit $status
