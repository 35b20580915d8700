#!/bin/bash
# Screenshots of the status window, made from the program's own template under Wine in the
# loopback-only sandbox: status-all.png with all four groups filled, status-device.png with
# the device status alone. Usage: tools/screenshot.sh [OUTPUT_DIR] (default /tmp/shots).
# Needs the Windows build (win_test_dlg_main) and ImageMagick's import.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-/tmp/shots}
mkdir -p "$out"
export TN_SHOT_DIR=$(cd "$out" && pwd)
export TN_BUILD=build/win
[ -f "$TN_BUILD/tests/windows/win_test_dlg_main.exe" ] || {
  echo "screenshot.sh: build $TN_BUILD/tests/windows/win_test_dlg_main.exe first" >&2; exit 2; }
command -v import >/dev/null || { echo "screenshot.sh: import (ImageMagick) is missing" >&2; exit 2; }

tests/wine/sandbox.sh --prefix "$TN_BUILD/wineprefix" --timeout 300 -- bash -c '
  set -u
  dir=$TN_BUILD/tests/windows
  rm -f "$dir"/shot-all.* "$dir"/shot-device.*
  wine "$dir/win_test_dlg_main.exe" --child StatusScreenshots &
  child=$!
  # The child shows one scene, makes NAME.ready, and waits for NAME.done before the next.
  for scene in all device; do
    for _ in $(seq 600); do
      [ -f "$dir/shot-$scene.ready" ] && break
      kill -0 $child 2>/dev/null || break
      sleep 0.1
    done
    if [ ! -f "$dir/shot-$scene.ready" ]; then
      echo "screenshot.sh: the window for \"$scene\" did not come up" >&2
      kill $child 2>/dev/null; wait $child; exit 3
    fi
    import -window root "$TN_SHOT_DIR/status-$scene.png"
    echo "screenshot.sh: $TN_SHOT_DIR/status-$scene.png"
    touch "$dir/shot-$scene.done"
  done
  rc=0; wait $child || rc=$?
  [ $rc = 0 ] || echo "screenshot.sh: the window scenario ended with $rc" >&2
  exit $rc
'
