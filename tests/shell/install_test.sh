#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR as a package would and checks what a desktop reads there:
# the programs, the menu entry (desktop-file-validate), the MIME package (update-mime-database finds the
# type by name and by content), the icons, the manual pages, the package's documents and metainfo, and that
# `associate` of the installed program makes its installed entry the default and writes no entry of its
# own. Skipped where the desktop tools are missing.
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
            usr/share/mime/packages/vendrel.xml usr/share/man/man1/vendrel-cli.1.gz usr/share/man/man1/vendrel.1.gz \
            usr/share/doc/vendrel/copyright usr/share/doc/vendrel/changelog.Debian.gz \
            usr/share/metainfo/io.github.vendrel.vendrel.metainfo.xml \
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
gzip -t "$share/man/man1/vendrel.1.gz" "$share/man/man1/vendrel-cli.1.gz"
XDG_DATA_HOME=$root/home/data XDG_CONFIG_HOME=$root/home/config "$root/usr/bin/vendrel-cli" associate
grep -qx "application/x-outlook-express-dbx=vendrel.desktop" "$root/home/config/mimeapps.list"
[ ! -e "$root/home/data/applications" ] || { echo "the installed program wrote an entry of its own"; exit 1; }
echo "installed and valid"
