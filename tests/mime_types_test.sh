#!/bin/bash
# The file types the desktop entry claims are kelmar6's own, defined in its shared-mime-info file:
# the definition compiles, TPS and Slicer files are known by their names and Morphologika files
# by their [individuals] section, and the entry claims those types and no generic text.
#   tests/mime_types_test.sh SOURCE_DIR SCRATCH_DIR
set -euo pipefail
src=$1
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch/packages"
cp "$src/resources/kelmar6-mime.xml" "$scratch/packages/kelmar6.xml"
update-mime-database "$scratch" >/dev/null 2>&1
grep -qx '50:application/x-tps-landmarks:\*\.tps' "$scratch/globs2"
grep -qx '60:application/x-slicer-markups+json:\*\.mrk\.json' "$scratch/globs2"
grep -qx '50:text/x-slicer-fcsv:\*\.fcsv' "$scratch/globs2"
grep -qa 'application/x-morphologika' "$scratch/magic"
grep -qa '\[individuals\]' "$scratch/magic"
claimed=$(sed -n 's/^MimeType=//p' "$src/resources/kelmar6.desktop" | tr ';' '\n' | sed '/^$/d' | sort)
defined=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$src/resources/kelmar6-mime.xml" | sort)
if [[ "$claimed" != "$defined" ]]; then
  echo "the desktop entry claims: $claimed"
  echo "kelmar6's types are:      $defined"
  exit 1
fi
echo "kelmar6's file types: $(echo $defined)"
