#!/bin/bash
# The demo: the notifier under Wine against the bundled router simulator, in the
# loopback-only sandbox, with its router address set to the simulator's loopback port
# before it starts. It prints the notifier's log as it comes and ends by itself once the
# simulated router has played its scenario (about a minute).
set -euo pipefail
cd "$(dirname "$0")/.."
export TN_DEMO_PORT=${TN_DEMO_PORT:-47133}
export TN_BUILD=build/win

tests/wine/sandbox.sh --prefix "$TN_BUILD/wineprefix" --timeout 300 -- bash -c '
  set -u
  wine reg add "HKCU\\Software\\Vantrel\\Tessaro Notifier\\Common" /v RouterAddress \
    /d "127.0.0.1:$TN_DEMO_PORT" /f >/dev/null || exit 2
  echo "demo: router simulator on 127.0.0.1:$TN_DEMO_PORT, notifier with /LOG"
  wine "$TN_BUILD/tools/RouterSim.exe" --port "$TN_DEMO_PORT" --script tools/demo.scenario \
    --lifetime 150 --log "$TN_BUILD/demo-router.log" &
  router=$!
  wine "$TN_BUILD/tools/DebugRunner.exe" --timeout 180000 -- "$TN_BUILD/TessaroNotifier.exe" /LOG \
    | sed -u "s/^/notifier: /" &
  notifier=$!
  # A second start hands over to the running notifier, which shows its status window.
  ( sleep 12; echo "demo: a second start shows the status window of the running notifier"
    wine "$TN_BUILD/TessaroNotifier.exe"; sleep 2
    if command -v import >/dev/null; then
      import -window root "$TN_BUILD/demo-status.png" && echo "demo: screenshot in $TN_BUILD/demo-status.png"
    fi ) &
  wait $router; router_rc=$?
  echo "demo: the router played its scenario (exit code $router_rc); stopping the notifier"
  wine "$TN_BUILD/TessaroNotifier.exe" /STOP
  stop_rc=$?
  wait $notifier
  echo "demo: notifier stopped (/STOP exit code $stop_rc)"
  [ $router_rc = 0 ] && [ $stop_rc = 0 ]
'
