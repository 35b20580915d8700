#!/bin/bash
# Three figures of the notifier under Wine, in the loopback-only sandbox, against the
# router simulator (keep-alives every 5 s on a loopback port):
#   1. start-up: CreateProcessW to the main window's existence, median of 5 runs;
#   2. memory 1 s after the window: GetProcessMemoryInfo (Wine 8 leaves PrivateUsage 0 for
#      another process and fills PagefileUsage, which Windows keeps equal to it, from
#      RssAnon), and from /proc the private resident memory (smaps_rollup) and VmRSS;
#   3. CPU time over 60 s connected, between t=5 s and t=65 s after CreateProcessW: the
#      scheduler's account of all threads (schedstat; GetProcessTimes of another process is
#      not kept current by Wine 8, it is printed anyway) and the context switches, beside
#      the same figures of a floor: a hidden window with a 4096 ms timer and nothing else.
# The Windows side is taken by MeasureProbe.exe (built with the end-to-end tests), the Linux
# side here from /proc. Uses a Wine prefix of its own (TN_MEASURE_PREFIX), so that test runs
# in the build's prefix cannot meet this notifier. Takes about two and a half minutes.
#   tools/measure.sh            (enters the sandbox itself)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TN_BUILD:-build/win}
prefix=${TN_MEASURE_PREFIX:-$PWD/$build/measure-wineprefix}
port=${TN_MEASURE_PORT:-47134}
seconds=${TN_MEASURE_SECONDS:-60}

if [ "${TN_SANDBOX:-}" != 1 ]; then
  exec tests/wine/sandbox.sh --prefix "$prefix" --timeout 900 -- "$0" "$@"
fi
prefix=$WINEPREFIX

for f in TessaroNotifier.exe tools/RouterSim.exe tests/e2e/MeasureProbe.exe; do
  [ -f "$build/$f" ] || { echo "measure: $build/$f is missing; build $build first" >&2; exit 2; }
done
program=$(winepath -w "$PWD/$build/TessaroNotifier.exe")
probe=$build/tests/e2e/MeasureProbe.exe
simlog=$build/measure-router.log
hz=$(getconf CLK_TCK)

wine reg add 'HKCU\Software\Vantrel\Tessaro Notifier\Common' /v RouterAddress /d "127.0.0.1:$port" /f >/dev/null
rm -f "$simlog"
wine "$build/tools/RouterSim.exe" --port "$port" --lifetime 300 --log "$simlog" >/dev/null 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q "listening on" "$simlog" 2>/dev/null && break; sleep 0.1; done
grep -q "listening on" "$simlog" || { echo "measure: the simulator did not start" >&2; exit 2; }
echo "measure: simulator on 127.0.0.1:$port, keep-alives every 5 s; prefix $prefix"

# The Linux process of a program of this prefix, by the end of its path ($1).
wine_pid() {
  local p
  for p in /proc/[0-9]*; do
    { tr '\0' '\n' <"$p/cmdline" | head -1 | grep -q "$1\$"; } 2>/dev/null || continue
    { tr '\0' '\n' <"$p/environ" | grep -qx "WINEPREFIX=$prefix"; } 2>/dev/null || continue
    echo "${p#/proc/}"; return 0
  done
  return 1
}
wineserver_pid() {
  local p
  for p in /proc/[0-9]*; do
    grep -q wineserver "$p/comm" 2>/dev/null || continue
    { tr '\0' '\n' <"$p/environ" | grep -qx "WINEPREFIX=$prefix"; } 2>/dev/null || continue
    echo "${p#/proc/}"; return 0
  done
  return 1
}
# utime+stime in clock ticks (fields 14 and 15, counted after the command's parenthesis).
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }
# Context switches of all threads: voluntary, involuntary.
switches() {
  cat /proc/"$1"/task/*/status 2>/dev/null |
    awk '/^voluntary_ctxt_switches/ {v += $2} /^nonvoluntary_ctxt_switches/ {n += $2} END {print v, n}'
}
# CPU time of all threads in microseconds, from the scheduler's nanosecond account.
cpu_us() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{n += $1} END {printf "%d", n / 1000}'; }
# Voluntary context switches a thread: "TID NAME COUNT" lines.
thread_switches() {
  local t
  for t in /proc/"$1"/task/*; do
    echo "${t##*/} $(tr ' ' '_' <"$t/comm") $(awk '/^voluntary_ctxt_switches/ {print $2}' "$t/status")"
  done 2>/dev/null
}
vm_rss() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
# Resident memory that belongs to this process alone (not shared with other processes), kB.
private_kb() { awk '/^Private_(Clean|Dirty)/ {n += $2} END {print n+0}' "/proc/$1/smaps_rollup"; }
rss_anon() { awk '/^RssAnon/ {print $2}' "/proc/$1/status"; }
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# Echoes the probe's lines; at each "sample" line takes the Linux figures of the moment of
# the process named by $1.
pid="" private_list="" rss_list=""
follow() {
  local line label vol invol ws
  while IFS= read -r line; do
    line=${line%$'\r'}
    echo "$line"
    case $line in "sample "*) ;; *) continue ;; esac
    label=$(echo "$line" | awk '{print $2}')
    # A new process every start-up run; one for the whole connected run.
    if [ "$label" = memory ] || [ -z "$pid" ]; then
      pid=$(wine_pid "$1") || { echo "measure: process $1 not found" >&2; exit 2; }
    fi
    if [ "$label" = memory ]; then
      private_list="$private_list $(private_kb "$pid")" rss_list="$rss_list $(vm_rss "$pid")"
      echo "linux memory: pid $pid private resident $(private_kb "$pid") kB (smaps_rollup Private_*)," \
        "RssAnon $(rss_anon "$pid") kB, VmRSS $(vm_rss "$pid") kB"
      continue
    fi
    ws=$(wineserver_pid || echo "")
    read -r vol invol <<<"$(switches "$pid")"
    eval "ticks_$label=$(cpu_ticks "$pid") us_$label=$(cpu_us "$pid") vol_$label=$vol invol_$label=$invol"
    thread_switches "$pid" >"$build/measure-threads-$label.txt"
    if [ -n "$ws" ]; then eval "ws_$label=$(cpu_ticks "$ws")"; else eval "ws_$label=0"; fi
    echo "linux $label: pid $pid utime+stime=$(cpu_ticks "$pid") ticks (1/$hz s) schedstat=$(cpu_us "$pid") us" \
      "voluntary_ctxt=$vol involuntary_ctxt=$invol VmRSS=$(vm_rss "$pid") kB private=$(private_kb "$pid") kB" \
      "wineserver=$(eval echo \$ws_$label) ticks"
  done
}

echo "== 1, 2: start-up (CreateProcessW to main window) and memory 1 s later, 5 runs"
follow 'TessaroNotifier\.exe' < <(wine "$probe" "$program" startup 5)
echo "linux memory median of 5: private resident $(echo $private_list | tr ' ' '\n' | median) kB," \
  "VmRSS $(echo $rss_list | tr ' ' '\n' | median) kB"
pid=""
echo "== 3: $seconds s connected"
follow 'TessaroNotifier\.exe' < <(wine "$probe" "$program" run "$seconds")
notifier_us=$((us_end - us_start)) notifier_vol=$((vol_end - vol_start)) notifier_invol=$((invol_end - invol_start))
notifier_ws=$((ws_end - ws_start))
mv "$build/measure-threads-start.txt" "$build/measure-notifier-start.txt"
mv "$build/measure-threads-end.txt" "$build/measure-notifier-end.txt"
pid=""
echo "== floor: a hidden window, a 4096 ms timer and a message loop, nothing else, $seconds s"
follow 'MeasureProbe\.exe' < <(wine "$probe" - idle "$seconds")

echo "== summary over $seconds s (t=5 s to t=$((seconds + 5)) s)"
echo "notifier: cpu $((notifier_us / 1000)) ms (schedstat), context switches $notifier_vol voluntary +" \
  "$notifier_invol involuntary, wineserver cpu $((notifier_ws * 1000 / hz)) ms (all processes of this prefix)"
echo "floor:    cpu $(( (us_end - us_start) / 1000 )) ms (schedstat), context switches $((vol_end - vol_start))" \
  "voluntary + $((invol_end - invol_start)) involuntary, wineserver cpu $(( (ws_end - ws_start) * 1000 / hz )) ms"
connected=$(grep -c "connected " "$simlog" || true)
keepalives=$(awk '/connected 1 /{on=1} /closed 1/{on=0} on && /sent type 8/ {n++} END {print n+0}' "$simlog")
echo "simulator: $connected connection(s); $keepalives keep-alives sent on connection 1 (the connected run);" \
  "timer ticks expected over $seconds s: $(awk -v s="$seconds" 'BEGIN {printf "%.1f", s / 4.096}')"
grep -E "connected|closed" "$simlog" | sed 's/^/simulator: /'
echo "notifier: voluntary context switches a thread over the $seconds s (thread id, name, count):"
join "$build/measure-notifier-start.txt" "$build/measure-notifier-end.txt" |
  awk '{printf "  %s %s %d\n", $1, $2, $5 - $3}'
rm -f "$build"/measure-threads-*.txt "$build"/measure-notifier-*.txt
