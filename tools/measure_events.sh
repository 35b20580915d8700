#!/bin/bash
# The program's events measured end to end under Wine in the loopback-only sandbox: the real
# TessaroNotifier.exe (no "/LOG") against a router that EventsProbe.exe plays on 127.0.0.1.
#   1. the time from the router's SMS bytes to the popup's window being visible, median of
#      N samples (goal: under 100 ms);
#   2. the program's USER and GDI objects after its first popup and after 1,000 more, each
#      closed by a click on its close button as soon as it shows (6 s each otherwise);
#   3. the same after the first link up/down cycle and after 1,000 more, the program's
#      timer tick posted to it so that it reconnects at once rather than up to 4 s later.
# Under Wine the system does not count these objects (GetGuiResources answers 0): the
# probe counts the program's windows and the entries of its GDI handle table instead.
# Prints a table at the end; exit code 0 when everything was measured and the counts held.
# Builds nothing: needs TessaroNotifier.exe and tests/e2e/EventsProbe.exe of the Windows
# build. Uses the benchmarks' Wine prefix (TN_BENCH_PREFIX), so that test runs in the
# build's prefix cannot meet this notifier; the first run creates it (about a minute).
#   tools/measure_events.sh [--samples N] [--popups N] [--cycles N]   (defaults 20, 1000, 1000)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TN_BUILD:-build/win}
prefix=${TN_BENCH_PREFIX:-$PWD/$build/bench-wineprefix}

if [ "${TN_SANDBOX:-}" != 1 ]; then
  exec tests/wine/sandbox.sh --prefix "$prefix" --timeout 1800 -- "$0" "$@"
fi

for f in TessaroNotifier.exe tests/e2e/EventsProbe.exe; do
  [ -f "$build/$f" ] || { echo "measure_events: $build/$f is missing; build $build first" >&2; exit 2; }
done
load() { cut -d' ' -f1-3 /proc/loadavg; }
started=$(date +%s)
# The machine is shared: the load says how far the times can be trusted.
echo "measure_events: $(nproc) cores, load average $(load), $(wine --version); prefix $WINEPREFIX"
rc=0
wine "$build/tests/e2e/EventsProbe.exe" "$(winepath -w "$PWD/$build/TessaroNotifier.exe")" "$@" </dev/null || rc=$?
echo "measure_events: load average $(load) at the end; $(($(date +%s) - started)) s; exit code $rc"
exit $rc
