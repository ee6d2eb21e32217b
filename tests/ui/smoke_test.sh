#!/usr/bin/env bash
# The real program under a real X server: started with a database on its command line, it must show its
# window, and end cleanly (exit code 0) when the session or a Ctrl-C asks it to (SIGTERM, SIGINT); its
# picture is written without one; --help tells how it is used. The part under X is skipped, with the reason,
# where no X server can be started.
# Usage: smoke_test.sh VENDREL DATABASE
set -u
vendrel=$1
database=$2
skip=77
if ! command -v Xvfb >/dev/null || ! command -v xwininfo >/dev/null; then
  echo "skipped: Xvfb or xwininfo is not installed"
  exit $skip
fi
work=$(mktemp -d)
cleanup() {
  [ -n "${app:-}" ] && kill -9 "$app" 2>/dev/null
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# Whatever the program keeps of its user goes to the test's own directory, never the user's.
export HOME=$work XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
export QT_QPA_PLATFORM=offscreen  # until the X server is there
usage=$("$vendrel" --help) || { echo "--help must end with exit code 0"; exit 1; }
[[ $usage == "Usage: vendrel [--snapshot OUT.png]"* ]] || { echo "--help shows no usage: $usage"; exit 1; }
said=$("$vendrel" --snapshot 2>&1)
[ $? -eq 2 ] && [[ $said == *"--snapshot needs the file to write"* ]] ||
  { echo "--snapshot without its file must say so and end with exit code 2: $said"; exit 1; }
# The picture of the window needs no display: written, or exit code 1 where it cannot be. The file
# given is opened in it: the picture differs from that of the empty window.
for shot in shot empty; do
  if ! "$vendrel" --snapshot "$work/$shot.png" $([ $shot = shot ] && echo "$database") 2>/dev/null ||
    [ ! -s "$work/$shot.png" ]; then
    echo "no snapshot was written"
    exit 1
  fi
done
cmp -s "$work/shot.png" "$work/empty.png" && { echo "the snapshot does not show the database given"; exit 1; }
said=$("$vendrel" --snapshot "$work/missing/shot.png" "$database" 2>&1)
[ $? -eq 1 ] && [[ $said == *"cannot write $work/missing/shot.png"* ]] ||
  { echo "a snapshot that cannot be written must say so and end with exit code 1: $said"; exit 1; }
unset QT_QPA_PLATFORM
# The server picks a free display itself and names it: no race with other servers starting. It must not
# reset when its last client leaves (xwininfo, a program that ended): a client connecting meanwhile fails.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
for attempt in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "skipped: no X server could be started here: $(head -c 300 "$work/xvfb.log")"
  exit $skip
fi
export DISPLAY=":$(head -n 1 "$work/display")"
# Ended by the session (SIGTERM) or by Ctrl-C in its terminal (SIGINT): closed as by its close button.
for signal in TERM INT; do
  "$vendrel" "$database" &
  app=$!
  shown=
  for attempt in $(seq 300); do
    if xwininfo -root -tree 2>/dev/null | grep -q "\"Vendrel\""; then shown=1; break; fi
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$shown" ]; then
    echo "no window named Vendrel appeared"
    exit 1
  fi
  kill -"$signal" "$app"
  wait "$app"
  code=$?
  app=
  echo "the window was shown on $DISPLAY; SIG$signal ended the program with exit code $code"
  [ $code -eq 0 ] || exit $code
done
# At a scale factor of 2 the designed 1000 x 700 would be 2000 x 1400 screen pixels: the first window
# must fit the 1280 x 800 screen all the same.
QT_SCALE_FACTOR=2 "$vendrel" "$database" &
app=$!
size=
for attempt in $(seq 300); do
  size=$(xwininfo -name Vendrel 2>/dev/null | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {if (w) print w, h}')
  [ -n "$size" ] && break
  sleep 0.1
done
kill -TERM "$app"
wait "$app"
app=
read -r width height <<<"$size"
if [ -z "$size" ] || [ "$width" -gt 1280 ] || [ "$height" -gt 800 ]; then
  echo "at a scale factor of 2 the window is ${size:-not shown}, larger than the 1280 x 800 screen"
  exit 1
fi
echo "at a scale factor of 2 the window is $width x $height on a 1280 x 800 screen"
