#!/usr/bin/env bash
# How many real faults the test suite catches: mutate.py writes one small fault at a time into src/ (a
# sample spread over the layers, from a fixed seed), rebuilds and runs the suite; analyze.py then tells
# which test files caught which faults. Prints the kill rate and every survivor. About ten seconds a
# mutant on two cores, so not part of CI.
#
#   scripts/mutation-score.sh [COUNT [SEED]]     default: 150 mutants, seed 2026
#
# The tools come from $VENDREL_MUTATION_TOOLS (default ../shared/tools). The mutants are written into
# this checkout's src/ and each is undone before the next: leave src/ alone while it runs.
set -euo pipefail
cd "$(dirname "$0")/.."

count=${1:-150}
seed=${2:-2026}
tools=${VENDREL_MUTATION_TOOLS:-../shared/tools}
build=build-mutation

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVENDREL_SANITIZE=OFF >/dev/null
ninja -C "$build" -j2 >/dev/null
python3 "$tools/mutate.py" --src src --build "$build" --count "$count" --seed "$seed" \
  --json "$build/mutation.json" --log "$build/mutation.log"
# analyze.py knows the tests by their TEST() macros: the script-run tests (smoke, install) are left out of
# what it reads; a fault only they catch shows as caught without a test file.
python3 - "$build/mutation.json" "$build/mutation-gtest.json" <<'EOF'
import json, sys
results = json.load(open(sys.argv[1]))
for result in results["results"]:
    result["failing"] = [name for name in result["failing"] if not name.startswith(("Smoke.", "Install."))]
json.dump(results, open(sys.argv[2], "w"))
EOF
python3 "$tools/analyze.py" . "$build/mutation-gtest.json"
