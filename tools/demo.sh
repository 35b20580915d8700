#!/bin/bash
# The demo: the notifier under Wine against the router simulator, in the loopback-only
# sandbox, with its router address set to the simulator's loopback port before it starts.
# The router plays tools/demo.scenario (registration, technology, signal and users; two SMS;
# an incoming call and missed calls; a router error; a firmware update; a newer notifier;
# the link dropping), and DemoDriver.exe acts on the notifier as a user would: it shows the
# status window, pages between the SMS and follows the notifier offer through the updater,
# which downloads a harmless program of ours (the updater tests' probe, named as an
# installer) from python3's HTTP server on 127.0.0.1 and starts it.
#
# With a desktop display (DISPLAY set, CI not) the windows show there and the demo stays
# until a key or Ctrl-C. Otherwise it runs on the sandbox's virtual display, saves a
# screenshot of the tray, the status window and each popup under build/demo/, and ends by
# itself after about two and a half minutes. TN_DEMO_HEADLESS=1 asks for the second way.
# Either way it prints the notifier's log (whole in build/demo/notifier.log, with the
# router's in build/demo/router.log) and exits non-zero if the notifier or the router
# failed, or, without a desktop, if a step did not show.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/win
out=build/demo
stop_file=$out/stop
router_port=47133
http_port=47134  # the port of the offer's URL in tools/demo.scenario
offer_file=TessaroSetup-9.0.exe

# Outside the sandbox: the mode, then the sandbox, which runs this script again inside.
if [ "${TN_SANDBOX:-}" != 1 ]; then
  for exe in TessaroNotifier.exe tools/RouterSim.exe tools/DebugRunner.exe tools/DemoDriver.exe \
             tests/windows/UpdaterProbe.exe; do
    [ -f "$build/$exe" ] || { echo "demo: $build/$exe is missing; run make win first" >&2; exit 2; }
  done
  command -v python3 >/dev/null || { echo "demo: python3 is missing" >&2; exit 2; }
  # Bounded either way: a desktop demo ends after a day at the latest.
  desktop=() limit=600
  if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ] && [ "${TN_DEMO_HEADLESS:-}" != 1 ]; then
    desktop=(--host-display) limit=86400
  else
    command -v import >/dev/null || { echo "demo: import (ImageMagick) is missing" >&2; exit 2; }
  fi
  rm -rf "$out"
  mkdir -p "$out"
  # A key or Ctrl-C asks the demo inside to stop; it then stops the notifier and the router.
  tests/wine/sandbox.sh --prefix "$build/wineprefix" --timeout "$limit" "${desktop[@]}" -- "$0" &
  sandbox=$!
  trap 'touch "$stop_file"' INT TERM
  if [ ${#desktop[@]} -gt 0 ] && [ -t 0 ]; then
    while kill -0 "$sandbox" 2>/dev/null; do
      if read -rsn1 -t 1 _ 2>/dev/null; then touch "$stop_file"; fi
    done
  fi
  rc=0
  while :; do
    wait "$sandbox" && rc=0 || rc=$?
    kill -0 "$sandbox" 2>/dev/null || break  # a signal ended the wait, not the sandbox
  done
  exit "$rc"
fi

# Inside the sandbox.
say() { echo "demo: $*"; }
stop_requested() { [ -f "$stop_file" ]; }
headless=1
[ "${TN_SANDBOX_HOST_DISPLAY:-0}" = 1 ] && headless=""

# A fresh start: no stored SMS or call ids (they would hold the demo's back), the router
# address on loopback, no installer left from an earlier run.
wine reg delete 'HKCU\Software\Vantrel\Tessaro Notifier' /f >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Vantrel\Tessaro Notifier\Common' /v RouterAddress \
  /d "127.0.0.1:$router_port" /f >/dev/null || { say "cannot set the router address"; exit 2; }
rm -f "$WINEPREFIX"/drive_c/users/*/AppData/Local/"Tessaro Notifier"/"$offer_file"*

mkdir -p "$out/www"
cp "$build/tests/windows/UpdaterProbe.exe" "$out/www/$offer_file"
timeout 600 python3 -m http.server --bind 127.0.0.1 --directory "$out/www" "$http_port" >"$out/http.log" 2>&1 &
http=$!
touch "$out/notifier.log" "$out/router.log"
# The notifier's log as it comes; the hexadecimal dump of each receive only in the file.
tail -n +1 -F --pid=$$ "$out/notifier.log" 2>/dev/null | grep --line-buffered -v '^CSockClient::OnReceive' |
  sed -u 's/^/notifier: /' &
pids=()
cleanup() { kill "$http" "${pids[@]}" 2>/dev/null || true; }
trap cleanup EXIT

say "router simulator on 127.0.0.1:$router_port, installer offered from 127.0.0.1:$http_port"
wine "$build/tools/RouterSim.exe" --port "$router_port" --script tools/demo.scenario --lifetime 400 \
  --log "$out/router.log" </dev/null >/dev/null 2>&1 &
router=$!
pids+=("$router")
wine "$build/tools/DebugRunner.exe" --out "$out/notifier.log" --timeout 900000 -- \
  "$build/TessaroNotifier.exe" /LOG </dev/null >/dev/null 2>&1 &
notifier=$!
pids+=("$notifier")

# The choreography, step by step against the driver. Each step that does not show counts.
play() {
  set +e
  local fails=0 reply rect
  coproc DRIVER { wine "$build/tools/DemoDriver.exe" 2>/dev/null; }
  # act WHAT REQUEST...: one request; its answer in $reply (without "ok "), false if it failed.
  act() {
    local what=$1; shift
    stop_requested && return 1
    printf '%s\n' "$*" >&"${DRIVER[1]}"
    if ! IFS= read -r -t 120 reply <&"${DRIVER[0]}"; then reply="fail no answer"; fi
    reply=${reply%$'\r'}
    if [[ $reply == ok* ]]; then
      reply=${reply#ok}; reply=${reply# }
      return 0
    fi
    say "$what did not show: $reply"
    fails=$((fails + 1))
    return 1
  }
  # shot NAME X Y W H: the screen around that rectangle, without a desktop.
  shot() {
    local name=$1 x=$2 y=$3 w=$4 h=$5 margin=6
    [ -n "$headless" ] || return 0
    x=$((x > margin ? x - margin : 0)) y=$((y > margin ? y - margin : 0))
    w=$((w + 2 * margin)) h=$((h + 2 * margin))
    if import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png" 2>/dev/null; then
      say "screenshot $out/$name.png"
    else
      say "screenshot $name failed"; fails=$((fails + 1))
    fi
  }
  # status NAME: the status window, shown and shot, then hidden as when the user clicks away.
  status() {
    act "the status window" show 10000 || return 0
    rect=$reply
    shot "$1" $rect
    [ -n "${2:-}" ] || act "hiding the status window" hide
  }
  popup() { act "the $2 popup" popup 30000 && shot "$1" $reply; }
  # tray NAME: the notification area (Wine's tray window on a display without one of its
  # own), enlarged three times.
  tray() {
    [ -n "$headless" ] || return 0
    local w="" h x y geometry
    read -r w h x y < <(xwininfo -root -tree 2>/dev/null |
      sed -n 's/.*"Wine System Tray".* \([0-9]*\)x\([0-9]*\)+\([0-9]*\)+\([0-9]*\) .*/\1 \2 \3 \4/p' | head -1)
    if [ -z "$w" ]; then
      say "the notification area did not show"; fails=$((fails + 1)); return 1
    fi
    # The icons sit at its left; the rest of it is empty.
    geometry="$((w < 3 * h ? w : 3 * h))x$h+$x+$y"
    if import -window root -crop "$geometry" +repage "$out/$1.png" && mogrify -scale 300% "$out/$1.png"; then
      say "screenshot $out/$1.png"
    else
      say "screenshot $1 failed"; fails=$((fails + 1))
    fi
  }

  act "the notifier's main window" main 30000
  act "the registration" text 1012 60000 "Connected users: 3" && {
    say "registered to Tessaro Mobile on HSDPA, good signal, three users"
    sleep 1
    tray 01-tray-signal-good
    status 02-status-registered-hsdpa-good-signal-3-users
  }
  act "roaming" text 1001 20000 "Roaming to Tessaro Partner" && act "the users" text 1012 10000 "Connected users: 2" && {
    say "roaming to Tessaro Partner on EDGE, low signal, two users"
    status 03-status-roaming-edge-low-signal-2-users
  }
  popup 04-popup-sms-lunch "first SMS"
  popup 05-popup-sms-data-allowance "second SMS" && tray 06-tray-news-waiting
  act "the SMS popup closing" popup-gone 15000
  act "the data connection" text 1001 10000 "Connected to Tessaro Partner" &&
    say "the router's data connection is up"
  status 07-status-sms-1-of-2 keep && {
    say "the status window pages to the older SMS (command 1022) and back (1021)"
    act "the next SMS" command 1022 && act "the older SMS" text 1017 5000 2/2 && sleep 0.5 &&
      shot 08-status-sms-2-of-2 $rect
    act "the previous SMS" command 1021 && act "the newer SMS" text 1017 5000 1/2
    act "hiding the status window" hide
  }
  popup 09-popup-incoming-call "incoming call"
  act "the call popup closing" popup-gone 15000
  act "the missed calls" text 1018 10000 4/4 && status 10-status-4-missed-calls
  popup 11-popup-router-error "router error"
  popup 12-popup-firmware-available "new firmware"
  popup 13-popup-firmware-upgrading "firmware upgrade"
  popup 14-popup-firmware-reboot-needed "reboot"
  act "the reboot popup closing" popup-gone 15000
  status 15-status-firmware-reboot-needed
  popup 16-popup-notifier-offer "notifier offer"
  act "the offer popup closing" popup-gone 15000
  status 17-status-notifier-offer
  say "following the offer (command 1015, as the popup's link): the updater opens"
  if act "the offer" command 1015 && act "the updater" dialog Live_Update 30000; then
    shot 18-updater-ready $reply
    act "the updater's OK" press Live_Update 1
    act "the download" gone Live_Update 30000
    local ran=""
    for _ in $(seq 100); do
      ran=$(ls "$WINEPREFIX"/drive_c/users/*/AppData/Local/"Tessaro Notifier"/"$offer_file.ran" 2>/dev/null || true)
      [ -n "$ran" ] && break
      sleep 0.2
    done
    if [ -n "$ran" ]; then
      say "the updater downloaded $offer_file into the local application data and started it"
    else
      say "the downloaded installer did not run"; fails=$((fails + 1))
    fi
  fi
  act "the link dropping" text 1020 30000 "No connection" && say "the router closed the link"
  act "the link coming back" text 1012 30000 "Connected users: 1" && say "connected again"
  printf 'quit\n' >&"${DRIVER[1]}"
  wait "$DRIVER_PID" 2>/dev/null || true
  return $((fails > 100 ? 100 : fails))
}

play &
player=$!
pids+=("$player")
while kill -0 "$router" 2>/dev/null && ! stop_requested; do sleep 0.5; done
if stop_requested; then
  say "stopping"
  kill "$router" "$player" 2>/dev/null || true
fi
router_rc=0; wait "$router" || router_rc=$?
# The steps end with the scenario; a router that failed early leaves them waiting.
for _ in $(seq 60); do kill -0 "$player" 2>/dev/null || break; sleep 0.5; done
if kill -0 "$player" 2>/dev/null; then
  say "the steps did not finish with the scenario"
  kill "$player" 2>/dev/null || true
fi
play_rc=0; wait "$player" || play_rc=$?
if stop_requested; then
  router_rc=0 play_rc=0
else
  say "the router played its scenario (exit code $router_rc)"
fi

# With a desktop, the notifier stays on a steady router until the user stops the demo.
if [ -z "$headless" ] && ! stop_requested; then
  say "the notifier stays; press a key or Ctrl-C to stop"
  while ! stop_requested; do
    wine "$build/tools/RouterSim.exe" --port "$router_port" --script tools/demo-idle.scenario --lifetime 700 \
      --log "$out/router-idle.log" </dev/null >/dev/null 2>&1 &
    router=$!
    pids+=("$router")
    while kill -0 "$router" 2>/dev/null && ! stop_requested; do sleep 0.5; done
    kill "$router" 2>/dev/null || true
    wait "$router" 2>/dev/null || true
  done
fi

stop_rc=0
wine "$build/TessaroNotifier.exe" /STOP </dev/null >/dev/null 2>&1 || stop_rc=$?
notifier_rc=0
wait "$notifier" || notifier_rc=$?
sleep 0.5
say "notifier stopped (/STOP exit code $stop_rc, the notifier's $notifier_rc)"
[ -z "$headless" ] || say "screenshots in $out: $(cd "$out" && ls ./*.png 2>/dev/null | wc -l)"
if [ "$play_rc" -ge 128 ]; then say "the steps were cut short"; elif [ "$play_rc" != 0 ]; then say "$play_rc steps did not show"; fi
[ "$router_rc" = 0 ] && [ "$stop_rc" = 0 ] && [ "$notifier_rc" = 0 ] && { [ -z "$headless" ] || [ "$play_rc" = 0 ]; }
