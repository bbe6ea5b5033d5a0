#!/usr/bin/env bash
# The Debian package of a build: made by cpack, its dependencies the Qt runtime packages (no -dev
# package), unpacked into a scratch root with dpkg -x, and both programs run from there with the
# examples, figure file, drawing module and manual pages it installs.
#   tests/package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
plugin_dir=$3  # the drawing module's folder under the prefix
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

if ! (cd "$build" && cpack -G DEB -B "$scratch/package" > "$scratch/cpack.log" 2>&1); then
  cat "$scratch/cpack.log"
  exit 1
fi
deb=$(ls "$scratch"/package/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
grep -q 'libqt6widgets6' <<< "$depends"
if grep -q -- '-dev' <<< "$depends"; then
  echo "the package depends on a development package"
  exit 1
fi
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]]

dpkg -x "$deb" "$scratch/root"
usr=$scratch/root/usr
for f in bin/kelmar6 bin/kelmar6-batch $plugin_dir/kelmar6-plot.so \
         share/kelmar6/Kelmar6.fig share/applications/kelmar6.desktop \
         share/icons/hicolor/scalable/apps/kelmar6.svg share/mime/packages/kelmar6.xml \
         share/metainfo/io.github.kelmar6.metainfo.xml share/man/man1/kelmar6.1.gz \
         share/man/man1/kelmar6-batch.1.gz share/doc/kelmar6/LICENSE share/doc/kelmar6/copyright \
         share/doc/kelmar6/changelog.gz; do
  [[ -e "$usr/$f" ]] || { echo "missing from the package: $f"; exit 1; }
done

[[ $("$usr/bin/kelmar6-batch" --version) == "kelmar6-batch $version" ]]
[[ $("$usr/bin/kelmar6" --version) == "kelmar6 $version" ]]
examples=$usr/share/kelmar6/examples
"$usr/bin/kelmar6-batch" --quiet --common-reference --plot "$scratch/pair.svg" \
  "$examples/macaque_male.txt" "$examples/macaque_female.txt" > "$scratch/report.txt"
grep -q 'Angle between Growth Vectors: 55.6 ' "$scratch/report.txt"
grep -q '<svg' "$scratch/pair.svg"
# The manual pages say where the examples are, and their second command runs as written there.
for page in kelmar6 kelmar6-batch; do
  zcat "$usr/share/man/man1/$page.1.gz" | grep -q 'share/kelmar6/examples'
done
(cd "$examples" && "$usr/bin/kelmar6-batch" --quiet --common-reference --permutations 99 \
  --json "$scratch/results.json" --plot-distributions "$scratch/distributions.svg" \
  growth_sample_a.txt growth_sample_b.txt growth_sample_c.txt > /dev/null)
grep -q '"permutations"' "$scratch/results.json"
grep -q '<svg' "$scratch/distributions.svg"
# The installed desktop program finds its figure file; an action name it does not know does
# nothing and prints nothing.
[[ -z $(cd "$scratch" && QT_QPA_PLATFORM=offscreen "$usr/bin/kelmar6" kelmarsw nosuchaction) ]]
# The installed program on a processor without AVX2 (emulated, when qemu-user is installed)
# gives the report of the baseline kernels here.
if command -v qemu-x86_64 > /dev/null; then
  run=("$usr/bin/kelmar6-batch" --quiet --common-reference --boots 200
       "$examples/macaque_male.txt" "$examples/macaque_female.txt")
  qemu-x86_64 -cpu Nehalem "${run[@]}" > "$scratch/nehalem.txt"
  KELMAR6_CPU=baseline "${run[@]}" > "$scratch/baseline.txt"
  cmp "$scratch/nehalem.txt" "$scratch/baseline.txt"
fi
# What a distribution checks: lintian finds no error and no warning (when it is installed).
if command -v lintian > /dev/null; then
  lintian --fail-on error,warning "$deb" 2>&1 | grep -v 'running with root privileges' || true
  lintian --fail-on error,warning "$deb" > /dev/null 2>&1 || { echo "lintian fails the package"; exit 1; }
fi
echo "package $(basename "$deb") installs and runs"
