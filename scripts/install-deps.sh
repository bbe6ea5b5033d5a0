#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking kelmar6 needs.
# Idempotent: when everything is present it does nothing (no apt-get update, no sudo).
# With the word "fuzz" it also installs clang and its libFuzzer runtime for `make fuzz`.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libeigen3-dev
  qt6-base-dev qt6-svg-dev fonts-dejavu-core libpng-dev zlib1g-dev
  nlohmann-json3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-format desktop-file-utils appstream groff-base dpkg-dev shared-mime-info
)
if [[ "${1:-}" == "fuzz" ]]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  if [[ "$status" != "install ok installed" ]]; then
    missing+=("$pkg")
  fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
  as_root=()
else
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
# On a fresh machine unattended upgrades may hold apt's lock for minutes: wait for it rather than
# stop at once.
lock_wait=(-o DPkg::Lock::Timeout=300)
echo "(if another package manager is running, this waits up to 5 minutes for it to finish)"
"${as_root[@]}" apt-get "${lock_wait[@]}" update -q
"${as_root[@]}" apt-get "${lock_wait[@]}" install -y -q --no-install-recommends "${missing[@]}"
