#!/usr/bin/env bash
# Installs what is missing, builds, and shows the header of the bundled sample message database.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build -j2
./build/vendrel-cli header build/sample/Inbox.dbx
