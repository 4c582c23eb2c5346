#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tagshroud
# need, and only those that are missing, so a second run installs nothing.
set -euo pipefail

packages=(
  g++ cmake ninja-build
  qt6-base-dev qt6-base-private-dev
  libgtest-dev libbenchmark-dev
  xvfb xauth xdotool fonts-dejavu-core
  clang libclang-rt-14-dev
  "$@"
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

as_root=()
if [[ "$(id -u)" -ne 0 ]]; then
  as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
