#!/usr/bin/env bash
# Installs what is missing, builds, and opens the window on the bundled sample store. Without a display
# it says so and writes a picture of the window instead (build/snapshot.png).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build -j2
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/vendrel build/sample/Folders.dbx
fi
echo "No display: writing a snapshot of the window on the sample store to build/snapshot.png"
QT_QPA_PLATFORM=offscreen ./build/vendrel --snapshot build/snapshot.png build/sample/Folders.dbx
