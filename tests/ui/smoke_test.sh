#!/usr/bin/env bash
# The real program under a real X server: started with a database on its command line, it must show its
# window, and end cleanly (exit code 0) when the session asks it to (SIGTERM). Skipped, with the reason,
# where no X server can be started.
# Usage: smoke_test.sh VENDREL DATABASE
set -u
vendrel=$1
database=$2
skip=77
if ! command -v xvfb-run >/dev/null || ! command -v xwininfo >/dev/null; then
  echo "skipped: xvfb-run or xwininfo is not installed"
  exit $skip
fi
if ! xvfb-run -a true >/dev/null 2>&1; then
  echo "skipped: no X server could be started here"
  exit $skip
fi
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  "$1" "$2" &
  pid=$!
  for attempt in $(seq 150); do
    if xwininfo -root -tree | grep -q "\"Vendrel\""; then shown=1; break; fi
    sleep 0.1
  done
  if [ -z "${shown:-}" ]; then
    echo "no window named Vendrel appeared"
    kill -9 $pid
    exit 1
  fi
  kill -TERM $pid
  wait $pid
  code=$?
  echo "the window was shown; the program exited with $code"
  exit $code
' smoke "$vendrel" "$database"
