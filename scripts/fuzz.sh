#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (in build-fuzz/) and runs each on its corpus (fuzz-corpus/,
# seeded from the test-support builder): scripts/fuzz.sh [SECONDS_EACH] [TARGET...]
# Two targets run at a time. Leak checks are left to the sanitizer build of the test suite: here they
# would cost most of the speed. A finding stops its target and is kept as build-fuzz/findings/crash-*.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(header records trees text walk export new-folder check recover message find)
scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVENDREL_BUILD_FUZZ=ON \
  -DVENDREL_BUILD_TESTS=OFF >/dev/null
ninja -C build-fuzz -j2 make-seeds "${targets[@]/#/fuzz-}"
mkdir -p build-fuzz/findings
build-fuzz/fuzz/make-seeds build-fuzz/seeds
run() {
  local target=$1
  mkdir -p "fuzz-corpus/$target"
  "build-fuzz/fuzz/fuzz-$target" "fuzz-corpus/$target" build-fuzz/seeds -max_len=65536 -max_total_time="$seconds" \
    -detect_leaks=0 -timeout=10 -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$target-" \
    >"build-fuzz/fuzz-$target.log" 2>&1
  local code=$?
  echo "$target: exit $code, $(grep -E '^stat::number_of_executed_units' "build-fuzz/fuzz-$target.log" | awk '{print $2}') runs," \
    "$(grep -E '^stat::average_exec_per_sec' "build-fuzz/fuzz-$target.log" | awk '{print $2}')/s," \
    "$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "build-fuzz/fuzz-$target.log" | tail -1)"
  return $code
}
status=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  run "${targets[i]}" & first=$!
  second=
  if [ $((i + 1)) -lt ${#targets[@]} ]; then run "${targets[i + 1]}" & second=$!; fi
  wait $first || status=1
  [ -n "$second" ] && { wait "$second" || status=1; }
done
[ $status -eq 0 ] || echo "findings: $(ls build-fuzz/findings)"
exit $status
