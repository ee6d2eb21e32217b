#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing (sudo when not root).
set -euo pipefail
# Qt for the window (and QtSvg for its scalable icons); Xvfb and xwininfo for the smoke test of
# the real program; a font for rendering without a desktop; the desktop tools that check and refresh
# what is installed; dpkg-dev for the Debian package's dependencies; clang with its runtime for the fuzz
# targets; Python, whose mailbox module reads the mbox and Maildir exports back in the tests; Dovecot,
# which serves the Maildir export to the tests over IMAP; lintian and appstream, which check the package.
packages=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev qt6-svg-dev libgmime-3.0-dev
  xvfb x11-utils fonts-dejavu-core desktop-file-utils shared-mime-info dpkg-dev clang libclang-rt-14-dev
  python3 dovecot-imapd lintian appstream)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
