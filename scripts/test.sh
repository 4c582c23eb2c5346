#!/usr/bin/env bash
# Installs what is missing, builds Tagshroud with its tests and runs every
# test: the normal build, then the whole suite again under AddressSanitizer
# and UndefinedBehaviorSanitizer (build-asan), then the fuzzer for about a
# minute (build-fuzz). Exits non-zero when anything fails.
#
# TAGSHROUD_FUZZ_SECONDS sets how long each fuzzer worker runs (default 55).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAGSHROUD_TESTS=ON >/dev/null
ninja -C build
ctest --test-dir build --output-on-failure --timeout 300 -j "$jobs"

# The sanitizers stop the test that meets a fault. Leaks that libraries below
# Qt keep for the life of the process are suppressed by name; every other leak
# fails its test.
echo "== The tests under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan)"
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAGSHROUD_TESTS=ON \
  "-DCMAKE_CXX_FLAGS=$sanitize" >/dev/null
ninja -C build-asan
LSAN_OPTIONS="suppressions=$root/fuzz/LeakSuppressions.txt" UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure --timeout 600 -j "$jobs"

# The fuzzer works on a scratch copy of the seed corpus, so the repository is
# never written; the saved regressions are read as a second corpus. A finding
# stays in build-fuzz/findings for fuzz/regressions.
echo "== The fuzzer (build-fuzz)"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTAGSHROUD_FUZZ=ON \
  -DTAGSHROUD_TESTS=OFF >/dev/null
ninja -C build-fuzz tagshroud_fuzz
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/corpus"
cp fuzz/corpus/* "$scratch/corpus/"
findings="$root/build-fuzz/findings"
mkdir -p "$findings"
workers=$((jobs / 2 > 4 ? 4 : (jobs / 2 < 1 ? 1 : jobs / 2)))
status=0
(
  cd "$scratch"
  "$root/build-fuzz/fuzz/tagshroud_fuzz" -jobs="$workers" -workers="$workers" \
    -max_total_time="${TAGSHROUD_FUZZ_SECONDS:-55}" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/" corpus "$root/fuzz/regressions" >/dev/null 2>&1
) || status=$?
for log in "$scratch"/fuzz-*.log; do
  grep -h -E "^stat::number_of_executed_units" "$log" || true
done | awk '{ runs += $2 } END { print "fuzzer: " runs + 0 " inputs run" }'
if ((status != 0)); then
  for log in "$scratch"/fuzz-*.log; do
    if grep -q -E "ERROR|Tagshroud fuzz:|Test unit written" "$log"; then tail -n 60 "$log"; fi
  done
  echo "The fuzzer found a fault; its input is in $findings" >&2
  exit 1
fi
