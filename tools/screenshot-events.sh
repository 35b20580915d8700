#!/bin/bash
# Screenshots of the real program under Wine in the loopback-only sandbox, against the
# router simulator: one desktop alert of each kind as the router raises it (alert-error.png,
# alert-call.png, alert-sms.png, alert-update.png) and the status window with all four
# groups filled (status-all.png), shown by a second start as a user would.
# Usage: tools/screenshot-events.sh [OUTPUT_DIR] (default build/win/shots). Needs the Windows
# build (TessaroNotifier.exe, tools/RouterSim.exe) and ImageMagick's import. About a minute.
# The settings of the build's prefix are deleted before and after.
set -euo pipefail
cd "$(dirname "$0")/.."
export TN_BUILD=${TN_BUILD:-build/win}
out=${1:-$TN_BUILD/shots}
mkdir -p "$out"
export TN_SHOT_DIR=$(cd "$out" && pwd)
for f in TessaroNotifier.exe tools/RouterSim.exe; do
  [ -f "$TN_BUILD/$f" ] || { echo "screenshot-events: build $TN_BUILD/$f first" >&2; exit 2; }
done
command -v import >/dev/null || { echo "screenshot-events: import (ImageMagick) is missing" >&2; exit 2; }

tests/wine/sandbox.sh --prefix "$TN_BUILD/wineprefix" --timeout 300 -- bash -c '
  set -u
  key="HKCU\\Software\\Vantrel\\Tessaro Notifier"
  work=$(mktemp -d)
  trap "rm -rf $work" EXIT
  wine reg delete "$key" /f >/dev/null 2>&1
  # Each alert shows for 6 s; the next event comes after it has gone.
  cat >"$work/events.scenario" <<SCENARIO
wait-connect 30000
send registration 1 3 5 "Provider"
send signal 4
send users 1 2
send users 2 1
sleep 1500
send error "SIM card missing"
sleep 7500
send call "+4917700001"
sleep 7500
send sms 7 "07/03/2009 14:05" "+4917712345" "Running late, see you at eight at the usual place."
sleep 7500
send liveupdate 2
sleep 7500
send missed 1 "07/03/2009 09:15" "+4930111"
send missed 2 "07/03/2009 10:20" ""
send missed 3 "07/03/2009 11:25" "+4930333"
send missed 4 "07/03/2009 12:30" "+4930444"
sleep 20000
end
SCENARIO
  wine "$TN_BUILD/tools/RouterSim.exe" --port 0 --script "$(winepath -w "$work/events.scenario")" \
    --lifetime 200 --log "$(winepath -w "$work/router.log")" </dev/null >/dev/null 2>&1 &
  sim=$!
  for _ in $(seq 100); do grep -q "listening on" "$work/router.log" 2>/dev/null && break; sleep 0.1; done
  port=$(sed -n "s/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p" "$work/router.log" | head -1)
  [ -n "$port" ] || { echo "screenshot-events: the router did not start" >&2; exit 3; }
  wine reg add "$key\\Common" /v RouterAddress /d "127.0.0.1:$port" /f >/dev/null 2>&1
  wine "$TN_BUILD/TessaroNotifier.exe" </dev/null >/dev/null 2>&1 &
  played() {
    for _ in $(seq 600); do grep -q "$1" "$work/router.log" && return 0; sleep 0.1; done
    echo "screenshot-events: the router never played $1" >&2; return 3
  }
  # shot STEP NAME: once the router has played STEP, give the popup time to slide in.
  shot() {
    played "$1" || return 3
    sleep 1.5
    import -window root "$TN_SHOT_DIR/$2.png" && echo "screenshot-events: $TN_SHOT_DIR/$2.png"
  }
  rc=0
  shot "send error" alert-error && shot "send call" alert-call && shot "send sms" alert-sms &&
    shot "send liveupdate" alert-update &&
    played "send missed 4" && sleep 1 || rc=$?
  if [ $rc = 0 ]; then
    # A second start shows the running notifier'"'"'s status window.
    wine "$TN_BUILD/TessaroNotifier.exe" </dev/null >/dev/null 2>&1
    sleep 2
    import -window root "$TN_SHOT_DIR/status-all.png" && echo "screenshot-events: $TN_SHOT_DIR/status-all.png"
  fi
  wine "$TN_BUILD/TessaroNotifier.exe" /STOP </dev/null >/dev/null 2>&1
  kill $sim 2>/dev/null; wait $sim 2>/dev/null
  wine reg delete "$key" /f >/dev/null 2>&1
  exit $rc
'
