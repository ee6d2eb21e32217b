#!/usr/bin/env bash
# How many real faults the test suite catches: mutate.py writes one small fault at a time into src/ (a
# sample spread over the layers, from a fixed seed), rebuilds and runs the suite; analyze.py then tells
# which test files caught which faults. Prints the kill rate and every survivor. A fault the plain build
# lets through is tried again on the sanitizer build, which CI runs the suite on too: a read out of bounds
# or after a free fails there. About ten seconds a mutant on two cores, so not part of CI.
#
#   scripts/mutation-score.sh [COUNT [SEED]]     default: 150 mutants, seed 2026
#
# The drawing code (ui/image_drawing.cpp) is left out of the sample: one picture test catches nearly every
# fault there, and a sample a quarter of which falls there measures the rest poorly.
#
# The tools come from $VENDREL_MUTATION_TOOLS (default ../shared/tools). The mutants are written into
# this checkout's src/ and each is undone before the next: leave src/ alone while it runs.
set -euo pipefail
cd "$(dirname "$0")/.."

count=${1:-150}
seed=${2:-2026}
tools=${VENDREL_MUTATION_TOOLS:-../shared/tools}
build=build-mutation
sanitized=build-mutation-asan

for dir in "$build" "$sanitized"; do
  sanitize=OFF
  [ "$dir" = "$sanitized" ] && sanitize=ON
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVENDREL_SANITIZE="$sanitize" >/dev/null
  ninja -C "$dir" -j2 >/dev/null
done
python3 "$tools/mutate.py" --src src --build "$build" --count "$count" --seed "$seed" --only '^(?!ui/image_drawing)' \
  --json "$build/mutation.json" --log "$build/mutation.log"
python3 - "$build/mutation.json" >"$build/survivors.txt" <<'EOF'
import json, sys
print("\n".join(r["id"] for r in json.load(open(sys.argv[1]))["results"] if r["status"] == "survived"))
EOF
echo '{"results": []}' >"$sanitized/mutation.json"
if grep -q . "$build/survivors.txt"; then
  python3 "$tools/mutate.py" --src src --build "$sanitized" --mutant "@$build/survivors.txt" --no-baseline \
    --json "$sanitized/mutation.json" --log "$sanitized/mutation.log"
fi
# analyze.py knows the tests by their TEST() macros: the script-run tests (smoke, install) are left out of
# what it reads; a fault only they catch shows as caught without a test file.
python3 - "$build/mutation.json" "$sanitized/mutation.json" "$build/mutation-gtest.json" <<'EOF'
import json, sys
results = json.load(open(sys.argv[1]))
sanitized = {r["id"]: r for r in json.load(open(sys.argv[2]))["results"] if r["status"] == "killed"}
for result in results["results"]:
    if result["id"] in sanitized:
        result.update(status="killed", failing=sanitized[result["id"]]["failing"], note="sanitizer build")
    result["failing"] = [name for name in result["failing"] if not name.startswith(("Smoke.", "Install."))]
json.dump(results, open(sys.argv[3], "w"))
EOF
python3 "$tools/analyze.py" . "$build/mutation-gtest.json"
