#!/usr/bin/env bash
# Builds the Debian package as a distribution builds its own (dpkg-buildflags with every hardening
# feature, stripped binaries, no test suite) into build-package/, then checks it: lintian must report no
# error and no warning, and appstreamcli must accept the metainfo that software centres read.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build-package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DVENDREL_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
ninja -C "$build" -j2
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/vendrel_*.deb)
echo "$deb"
lintian --fail-on error,warning --info "$deb"
appstreamcli validate --no-net resources/vendrel.metainfo.xml
echo "package accepted"
