#!/usr/bin/env bash
# The mbox export of a 10,000-message database (40 MB of text) against a cat of its result, whole processes
# on tmpfs, alternated so that both see the same machine; prints the medians and their ratio.
# Usage: bench/mbox_vs_cat.sh BUILD_DIR [RUNS]   (a Release build with the make-large tool)
set -euo pipefail
build=$(realpath "$1")
runs=${2:-31}
work=$(mktemp -d /dev/shm/vendrel-mbox-XXXXXX)
trap 'rm -rf "$work"' EXIT
"$build/tools/make-large" "$work/big.dbx" 10000 4096
"$build/vendrel-cli" export "$work/big.dbx" "$work/first" --format mbox >/dev/null
now() { date +%s%N; }
exports=() cats=()
for _ in $(seq "$runs"); do
  rm -rf "$work/out"
  start=$(now)
  "$build/vendrel-cli" export "$work/big.dbx" "$work/out" --format mbox >/dev/null
  exports+=($(($(now) - start)))
  start=$(now)
  cat "$work/out/Inbox" >"$work/cat.out"
  cats+=($(($(now) - start)))
  rm -f "$work/cat.out"
done
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }
e=$(median "${exports[@]}") c=$(median "${cats[@]}")
echo "mbox export $((e / 1000)) us, cat $((c / 1000)) us, ratio $(awk "BEGIN { printf \"%.2f\", $e / $c }")"
