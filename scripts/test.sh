#!/usr/bin/env bash
# Installs what is missing, builds, runs the sample as run.sh does, then the whole test suite.
# With VENDREL_SANITIZE=ON the build goes to build-asan with AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
sanitize="${VENDREL_SANITIZE:-OFF}"
build=build
[ "$sanitize" = ON ] && build=build-asan
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVENDREL_SANITIZE="$sanitize" >/dev/null
ninja -C "$build" -j2
"./$build/vendrel-cli" header "$build/sample/Inbox.dbx" >/dev/null
ctest --test-dir "$build" --output-on-failure -j2
