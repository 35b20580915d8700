#!/bin/bash
# The demo: the notifier under Wine, in the loopback-only sandbox, with its router address
# set to a loopback port before it starts.
set -euo pipefail
cd "$(dirname "$0")/.."
export TN_DEMO_EXE=build/win/TessaroNotifier.exe
export TN_DEMO_PORT=${TN_DEMO_PORT:-47133}
export TN_DEMO_LOG=build/win/demo-debug.log

tests/wine/sandbox.sh --prefix build/win/wineprefix -- bash -c '
  wine reg add "HKCU\\Software\\Vantrel\\Tessaro Notifier\\Common" /v RouterAddress \
    /d "127.0.0.1:$TN_DEMO_PORT" /f >/dev/null || exit 2
  echo "demo: starting the notifier (router address 127.0.0.1:$TN_DEMO_PORT)"
  WINEDEBUG=warn+seh wine "$TN_DEMO_EXE" 2>"$TN_DEMO_LOG"
  rc=$?
  grep -a "OutputDebugStringA" "$TN_DEMO_LOG" | sed "s/^.*OutputDebugStringA /demo: log: /"
  echo "demo: the notifier ended with exit code $rc"
  exit $rc
'
