#!/bin/bash
# Screenshots under Wine in the loopback-only sandbox, made from the program's own resources:
# - the status window: status-all.png with all four groups filled, status-device.png with
#   the device status alone;
# - one desktop alert of each kind: alert-sms.png (a long three-line SMS), alert-call.png,
#   alert-error.png, alert-update.png;
# - text-fit.png: the status window, the about box and the updater with the longest texts
#   of their labels, English above and the test language library's below.
# Usage: tools/screenshot.sh [OUTPUT_DIR] [--dpi DPI] (default /tmp/shots, 96 DPI). At another
# DPI the scenes run in a prefix of that scale of their own, build/win/wineprefix-dpiDPI.
# Needs the Windows build (win_test_dlg_main, win_test_desktop_alert, win_test_text_fit) and
# ImageMagick's import.
set -euo pipefail
cd "$(dirname "$0")/.."
out=/tmp/shots dpi=96
while [ $# -gt 0 ]; do
  case "$1" in
    --dpi) dpi=$2; shift 2 ;;
    *) out=$1; shift ;;
  esac
done
mkdir -p "$out"
export TN_SHOT_DIR=$(cd "$out" && pwd)
export TN_BUILD=build/win
prefix=$TN_BUILD/wineprefix scale=()
if [ "$dpi" != 96 ]; then prefix=$TN_BUILD/wineprefix-dpi$dpi scale=(--dpi "$dpi"); fi
for exe in win_test_dlg_main win_test_desktop_alert win_test_text_fit; do
  [ -f "$TN_BUILD/tests/windows/$exe.exe" ] || {
    echo "screenshot.sh: build $TN_BUILD/tests/windows/$exe.exe first" >&2; exit 2; }
done
command -v import >/dev/null || { echo "screenshot.sh: import (ImageMagick) is missing" >&2; exit 2; }

tests/wine/sandbox.sh --prefix "$prefix" "${scale[@]}" --timeout 300 -- bash -c '
  set -u
  dir=$TN_BUILD/tests/windows
  # shoot EXE SCENARIO PREFIX SCENE...: the child shows one scene, makes shot-SCENE.ready,
  # and waits for shot-SCENE.done before the next; each scene becomes PREFIXSCENE.png.
  shoot() {
    local exe=$1 scenario=$2 prefix=$3; shift 3
    for scene in "$@"; do rm -f "$dir/shot-$scene.ready" "$dir/shot-$scene.done"; done
    wine "$dir/$exe.exe" --child "$scenario" &
    local child=$!
    for scene in "$@"; do
      for _ in $(seq 600); do
        [ -f "$dir/shot-$scene.ready" ] && break
        kill -0 $child 2>/dev/null || break
        sleep 0.1
      done
      if [ ! -f "$dir/shot-$scene.ready" ]; then
        echo "screenshot.sh: the window for \"$scene\" did not come up" >&2
        kill $child 2>/dev/null; wait $child; return 3
      fi
      import -window root "$TN_SHOT_DIR/$prefix$scene.png"
      echo "screenshot.sh: $TN_SHOT_DIR/$prefix$scene.png"
      touch "$dir/shot-$scene.done"
    done
    local rc=0; wait $child || rc=$?
    [ $rc = 0 ] || echo "screenshot.sh: the $scenario scenario ended with $rc" >&2
    return $rc
  }
  shoot win_test_dlg_main StatusScreenshots status- all device &&
    shoot win_test_desktop_alert AlertScreenshots alert- sms call error update &&
    shoot win_test_text_fit FitScreenshots text- fit
'
