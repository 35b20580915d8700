#!/bin/bash
# The updater's download figures under Wine, in the loopback-only sandbox, against Python's
# stock HTTP server on 127.0.0.1 (stopped at the end, and after 15 minutes at the latest):
#   1. throughput of a 64 MiB download by the updater dialog (OK pressed to Done received)
#      next to curl fetching the same file from the same server into a file, taken in
#      turns, RUNS times each (the best and the median of each are printed);
#   2. the dialog's answers during each updater download: a helper thread sends it a message
#      and posts it another every 50 ms; the longest wait of each (a sent message is answered
#      between two queued ones, a posted one waits behind every report already queued);
#   3. peak memory of the process (working set, committed memory, and the Unix peak
#      resident size) after the 64 MiB download next to a 1 MiB download, each in a process
#      of its own.
# The updater side is UpdaterMeasure.DISABLED_Download of win_test_updater.exe.
#   tools/measure_updater.sh [RUNS]    (default 3; enters the sandbox itself)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TN_BUILD:-build/win}
runs=${1:-3}

if [ "${TN_SANDBOX:-}" != 1 ]; then
  exec tests/wine/sandbox.sh --prefix "$build/wineprefix" --timeout 1200 -- "$0" "$@"
fi

exe=$build/tests/windows/win_test_updater.exe
[ -f "$exe" ] || { echo "measure_updater: $exe is missing; build $build first" >&2; exit 2; }
work=$PWD/$build/measure-updater
rm -rf "$work"; mkdir -p "$work/www"
head -c $((64 << 20)) /dev/urandom >"$work/www/big64.bin"
head -c $((1 << 20)) /dev/urandom >"$work/www/small1.bin"

timeout 900 python3 -u -m http.server --bind 127.0.0.1 --directory "$work/www" 0 >"$work/server.log" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do grep -q "port" "$work/server.log" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$work/server.log" | head -1)
[ -n "$port" ] || { echo "measure_updater: the server did not start" >&2; exit 2; }
base=http://127.0.0.1:$port

# One updater download in a process of its own; its MEASURE line. Wine's desktop process
# sometimes fails to come back between two short runs under load ("The explorer process
# failed to start"): such a run is made again, twice at most.
updater() {
  local out rc attempt
  for attempt in 1 2 3; do
    rc=0
    out=$(TN_UPDATER_MEASURE_URL=$base/$1 tests/wine/wine-run.sh "$exe" --gtest_also_run_disabled_tests \
      --gtest_filter=UpdaterMeasure.DISABLED_Download 2>&1) || rc=$?
    [ "$rc" = 0 ] && break
    printf '%s\n' "$out" | grep -q 'explorer process failed to start' || break
  done
  [ "$rc" = 0 ] || printf '%s\n' "$out" >&2
  printf '%s\n' "$out" | grep '^SLOW' >&2 || true
  printf '%s\n' "$out" | sed -n 's/^MEASURE //p'
}
field() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p"; }

curl_rates=() updater_rates=() lines=()
for i in $(seq "$runs"); do
  curl_rates+=("$(curl -s -o "$work/curl.bin" -w '%{speed_download}' "$base/big64.bin" | awk '{printf "%.1f", $1 / 1048576}')")
  line=$(updater big64.bin)
  [ -n "$line" ] || { echo "measure_updater: the updater run gave no figures" >&2; exit 1; }
  lines+=("$line")
  updater_rates+=("$(echo "$line" | field MiBps)")
  echo "run $i: curl ${curl_rates[-1]} MiB/s; updater: $line"
done
small=$(updater small1.bin)
echo "1 MiB: $small"

stats() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {printf "best %.1f median %.1f", a[NR], a[int((NR+1)/2)]}'; }
echo
echo "64 MiB over loopback, MiB/s: curl $(stats "${curl_rates[@]}"); updater $(stats "${updater_rates[@]}")"
best_curl=$(printf '%s\n' "${curl_rates[@]}" | sort -g | tail -1)
best_upd=$(printf '%s\n' "${updater_rates[@]}" | sort -g | tail -1)
med_curl=$(printf '%s\n' "${curl_rates[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
med_upd=$(printf '%s\n' "${updater_rates[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
awk -v a="$best_upd" -v b="$best_curl" -v c="$med_upd" -v d="$med_curl" \
  'BEGIN {printf "updater / curl: best %.2f, median %.2f\n", a / b, c / d}'
printf '%s\n' "${lines[@]}" | awk '{for (i = 1; i <= NF; i++) {split($i, kv, "="); if (kv[1] == "max_sent_ms" && kv[2] > s) s = kv[2]; if (kv[1] == "max_posted_ms" && kv[2] > p) p = kv[2]}}
  END {printf "dialog, longest answer during the 64 MiB downloads: sent %.1f ms, posted %.1f ms\n", s, p}'
big=${lines[-1]}
for k in peak_working_set_kib peak_pagefile_kib vmhwm_kib; do
  echo "$k: 64 MiB $(echo "$big" | field $k), 1 MiB $(echo "$small" | field $k)"
done
