#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR as a package would and checks what a desktop reads there:
# the programs, the menu entry (desktop-file-validate), the MIME package (update-mime-database finds the
# type by name and by content), the icons and the manual page. Skipped where the desktop tools are missing.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in desktop-file-validate update-mime-database; do
  command -v $tool >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
share=$root/usr/share
for file in usr/bin/vendrel usr/bin/vendrel-cli usr/share/applications/vendrel.desktop \
            usr/share/mime/packages/vendrel.xml usr/share/man/man1/vendrel-cli.1 \
            usr/share/icons/hicolor/scalable/apps/vendrel.svg usr/share/icons/hicolor/scalable/apps/vendrel-explorer.svg \
            usr/share/icons/hicolor/16x16/apps/vendrel.png usr/share/icons/hicolor/256x256/apps/vendrel-explorer.png; do
  [ -s "$root/$file" ] || { echo "missing: /$file"; exit 1; }
done
desktop-file-validate "$share/applications/vendrel.desktop"
grep -qx "Exec=vendrel %F" "$share/applications/vendrel.desktop"
XDG_DATA_DIRS=$share update-mime-database "$share/mime" 2>"$root/mime.err"
[ ! -s "$root/mime.err" ] || { cat "$root/mime.err"; exit 1; }
grep -q "application/x-outlook-express-dbx:\*\.dbx" "$share/mime/globs2"
grep -q "application/x-outlook-express-dbx" "$share/mime/magic"
"$root/usr/bin/vendrel-cli" --help >/dev/null
echo "installed and valid"
