#!/usr/bin/env bash
# Renders every image the program draws (the shared image list with each image's index and meaning, the
# toolbar images normal and hot, the program and window icons) to one PNG for review.
# Usage: scripts/contact-sheet.sh [OUT.png]   (default build/contact-sheet.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/contact-sheet.png}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build -j2 contact-sheet
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} ./build/contact-sheet "$out"
echo "$out"
