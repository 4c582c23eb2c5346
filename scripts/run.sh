#!/usr/bin/env bash
# Installs what is missing, builds Tagshroud and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAGSHROUD_TESTS=OFF >/dev/null
ninja -C build tagshroud

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: start Tagshroud from a desktop session (build/tagshroud)." >&2
  exit 1
fi
exec build/tagshroud "$@"
