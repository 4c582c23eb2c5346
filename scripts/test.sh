#!/usr/bin/env bash
# Installs what is missing, builds Tagshroud with its tests and runs every
# test. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAGSHROUD_TESTS=ON >/dev/null
ninja -C build
ctest --test-dir build --output-on-failure --timeout 300 -j "$jobs"
