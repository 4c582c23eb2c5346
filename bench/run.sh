#!/usr/bin/env bash
# Builds and runs the benchmarks: listing and protection of a generated map
# of 65,535 tags and of one with 10,000-byte names, beside a plain pread of
# the same bytes, with a summary of times, ratios and targets at the end.
# Then counts every system call of one listing and one protection with
# strace. Extra arguments go to Google Benchmark (e.g. --benchmark_filter=many).
# BUILD_DIR names the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}

bash scripts/install-deps.sh strace
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAGSHROUD_TESTS=ON >/dev/null
ninja -C "$build" tagshroud_bench

echo "machine: $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
"$build"/bench/tagshroud_bench --benchmark_repetitions=5 "$@"

# One listing and one protection of the large map, each between two marker
# lookups of a path that does not exist; every system call of the process
# (all threads) between a pair of markers is counted.
trace=$(mktemp)
trap 'rm -f "$trace"' EXIT
strace -f -qq -o "$trace" "$build"/bench/tagshroud_bench --trace-once
for what in listing protection; do
  awk -v begin="tagshroud-bench-mark/$what-begin" -v end="tagshroud-bench-mark/$what-end" '
    index($0, begin) { inside = 1; next }
    index($0, end) { inside = 0 }
    inside && !/resumed>/ && !/^[0-9]+ +(---|\+\+\+)/ {
      if (match($0, /^[0-9]+ +[a-z0-9_]+\(/)) {
        call = substr($0, RSTART, RLENGTH - 1); sub(/^[0-9]+ +/, "", call)
        count[call]++; total++
      }
    }
    END {
      printf "system calls of one %s (strace -f): %d", what, total
      sep = ": "
      for (c in count) { printf "%s%s %d", sep, c, count[c]; sep = ", " }
      printf "\n"
    }' what="$what" "$trace"
done
