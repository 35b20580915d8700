#!/bin/bash
# The refresh under a flood of status messages, end to end under Wine in the loopback-only
# sandbox: the real TessaroNotifier.exe (no "/LOG") against a router that RefreshProbe.exe
# plays on 127.0.0.1, flooding signal messages as fast as the program takes them.
#   1. unchanged state: every message repeats the signal level; messages per second;
#   2. changing state: the level changes with every message (0..5, so the tray image and
#      its tooltip change each time); messages per second, beside the floor measured in
#      the same run: Shell_NotifyIconW(NIM_MODIFY) alone, with the program's tray images
#      in turn, as fast as one process can call it;
#   3. during each flood: the show request WM_APP+2 (as a second start posts it) until the
#      status window is visible, median and maximum of several samples.
# Prints what it measures as it goes and a table at the end; exit code 0 when it could
# measure, non-zero when not. Builds nothing: needs TessaroNotifier.exe and
# tests/e2e/RefreshProbe.exe of the Windows build (make win). Uses a Wine prefix of its own
# (TN_BENCH_PREFIX), so that test runs in the build's prefix cannot meet this notifier, and
# sets it up for a display without a window manager (below); the first run creates it
# (about a minute). The run itself takes one to three minutes.
#   tools/bench-refresh.sh [--seconds S] [--samples K] [--floor-seconds F]
# S: seconds of flood for each rate (default 5); K: show requests for each state (7);
# F: seconds of the floor (3). The options go to RefreshProbe.exe as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TN_BUILD:-build/win}
prefix=${TN_BENCH_PREFIX:-$PWD/$build/bench-wineprefix}

if [ "${TN_SANDBOX:-}" != 1 ]; then
  exec tests/wine/sandbox.sh --prefix "$prefix" --timeout 600 -- "$0" "$@"
fi

for f in TessaroNotifier.exe tests/e2e/RefreshProbe.exe; do
  [ -f "$build/$f" ] || { echo "bench-refresh: $build/$f is missing; build $build first" >&2; exit 2; }
done
# No window manager runs on the sandbox's display, and Wine waits up to 2 s in the program's
# thread for one to take each hide and show of a window it hands to the manager (an
# activated one, as the status window is): time that no Windows desktop spends. This
# prefix's windows are not handed to a manager.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 ||
  { echo "bench-refresh: cannot set the prefix's window management" >&2; exit 2; }
load() { cut -d' ' -f1-3 /proc/loadavg; }
started=$(date +%s)
# The machine is shared: the load says how far the figures can be trusted.
echo "bench-refresh: $(nproc) cores, load average $(load), $(wine --version); prefix $WINEPREFIX"
if awk -v n="$(nproc)" '{exit !($1 > n)}' /proc/loadavg; then
  echo "bench-refresh: the machine is busy (more runnable tasks than cores): the rates can vary by a factor of two"
fi
rc=0
wine "$build/tests/e2e/RefreshProbe.exe" "$(winepath -w "$PWD/$build/TessaroNotifier.exe")" "$@" </dev/null || rc=$?
echo "bench-refresh: load average $(load) at the end; $(($(date +%s) - started)) s; exit code $rc"
exit $rc
