#!/usr/bin/env bash
# Installs what is missing, builds Tagshroud and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
# The program alone, in a folder of its own, so that it and the test build
# (build/) never reconfigure each other.
cmake -S . -B build-app -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAGSHROUD_TESTS=OFF >/dev/null
ninja -C build-app tagshroud

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: start Tagshroud from a desktop session (build-app/tagshroud)." >&2
  exit 1
fi
exec build-app/tagshroud "$@"
