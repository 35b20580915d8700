#!/bin/bash
# Crossing emulator of the Windows build: wine-run.sh [--prefix DIR] PROGRAM.exe [ARGS...]
# Runs the program under Wine inside the loopback-only sandbox, with the prefix of the
# build folder the program belongs to (DIR/wineprefix beside its CMakeCache.txt).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

prefix=""
if [ "${1:-}" = "--prefix" ]; then prefix=$2; shift 2; fi
[ $# -gt 0 ] || { echo "usage: wine-run.sh [--prefix DIR] PROGRAM.exe [ARGS...]" >&2; exit 2; }
if [ -z "$prefix" ]; then
  dir=$(cd "$(dirname "$1")" && pwd)
  while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ -f "$dir/CMakeCache.txt" ] || { echo "wine-run.sh: $1 is not inside a build folder; pass --prefix" >&2; exit 2; }
  prefix=$dir/wineprefix
fi

if [ "${TN_SANDBOX:-}" = 1 ] && [ "${WINEPREFIX:-}" -ef "$prefix" ]; then
  # Wine starts some of its helper processes on demand (services, the desktop), and they
  # inherit the output of the program that caused them; on a pipe they would keep the
  # reader (the test runner) waiting after the program is gone. So the program writes to a
  # file, and the file is passed on once the program has ended.
  out=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
  rc=0
  wine "$@" </dev/null >"$out" 2>&1 || rc=$?
  cat "$out"
  rm -f "$out"
  exit $rc
fi
exec "$here/sandbox.sh" --prefix "$prefix" -- "$here/wine-run.sh" --prefix "$prefix" "$@"
