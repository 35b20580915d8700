#!/bin/bash
# Runs a command in the loopback-only test sandbox:
#   sandbox.sh --prefix DIR [--timeout SECONDS] [--dpi DPI] [--host-display] -- COMMAND [ARGS...]
# - a private network namespace with only "lo" up (nothing can leave the machine);
# - a virtual X display (Xvfb) of its own, stopped at the end; with --host-display the
#   caller's display instead, if it can be reached from inside (a local one: its socket is
#   in the file system), and then TN_SANDBOX_HOST_DISPLAY=1;
# - the Wine prefix DIR, created once (add-on installers disabled, the shell's http/https
#   "open" redirected to a recorder that appends each address to DIR/../wine-open.log);
# - one persistent wineserver for the whole command, ended at the end if we started it;
# - with --dpi, the prefix's display scale ("LogPixels"), set before Wine's desktop starts.
#   A prefix keeps it: give a DPI other than 96 only to a prefix of its own.
# The user's own ~/.wine is never used.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix="" timeout_s=${TN_SANDBOX_TIMEOUT:-3600} dpi="" host_display=""
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix=$2; shift 2 ;;
    --timeout) timeout_s=$2; shift 2 ;;
    --dpi) dpi=$2; shift 2 ;;
    --host-display) host_display=1; shift ;;
    --) shift; break ;;
    *) echo "sandbox.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -n "$prefix" ] && [ $# -gt 0 ] || { echo "usage: sandbox.sh --prefix DIR -- COMMAND..." >&2; exit 2; }
mkdir -p "$(dirname "$prefix")"
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")

# Step 1: enter a fresh network namespace, then continue below inside it.
if [ "${TN_SANDBOX_STAGE:-}" != "inside" ]; then
  command -v unshare >/dev/null || { echo "sandbox.sh: unshare (util-linux) is missing" >&2; exit 2; }
  TN_SANDBOX_STAGE=inside exec unshare --net -- "$BASH" "${BASH_SOURCE[0]}" \
    --prefix "$prefix" --timeout "$timeout_s" ${dpi:+--dpi "$dpi"} ${host_display:+--host-display} -- "$@"
fi
unset TN_SANDBOX_STAGE

ip link set lo up
# /sys/class/net shows the namespace sysfs was mounted in; ask the kernel through ip.
ifaces=$(ip -o link show | awk -F': ' '{print $2}' | sed 's/@.*//' | tr '\n' ' ' | sed 's/ $//')
if [ "$ifaces" != "lo" ]; then
  echo "sandbox.sh: refusing to run: network interfaces other than lo are present: $ifaces" >&2
  exit 2
fi

export WINEPREFIX=$prefix
export WINEARCH=win64
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
export WINEDEBUG=${WINEDEBUG:--all}
unset WINELOADERNOEXEC

xvfb_pid="" session_fd=""
cleanup() {
  if [ -n "$session_fd" ]; then wineserver -k 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# One sandbox at a time per prefix: the prefix has one wineserver, and its desktop and tray
# live on the display of the sandbox that started them, so a second sandbox would share
# them and lose them when the first one ends.
exec {session_fd}>"$prefix.session"
if ! flock -n "$session_fd"; then
  echo "sandbox.sh: waiting for another run on $prefix to end" >&2
  flock "$session_fd"
fi

# Step 2: the virtual display. -displayfd lets Xvfb pick a free display number.
export TN_SANDBOX_HOST_DISPLAY=0
if [ -n "$host_display" ] && [ -n "${DISPLAY:-}" ] && timeout 10 xdpyinfo >/dev/null 2>&1 {session_fd}>&-; then
  TN_SANDBOX_HOST_DISPLAY=1
elif command -v Xvfb >/dev/null; then
  [ -z "$host_display" ] || echo "sandbox.sh: the display \"${DISPLAY:-}\" cannot be reached from here; using a virtual one" >&2
  fifo=$(mktemp -u); mkfifo "$fifo"
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$fifo" >/dev/null 2>&1 {session_fd}>&- &
  xvfb_pid=$!
  read -r -t 20 display <"$fifo" || { echo "sandbox.sh: Xvfb did not start" >&2; exit 2; }
  rm -f "$fifo"
  export DISPLAY=":$display"
else
  echo "sandbox.sh: Xvfb is missing; windows cannot be shown" >&2
fi

# Step 3: the prefix, created once per build folder (others wait on the lock).
open_log=$(dirname "$prefix")/wine-open.log
recorder=$(dirname "$prefix")/wine-open-recorder.sh
# A prefix keeps what Wine found when it was made (its fonts above all): one made before a
# font or Wine package came or went would draw differently from a new one, so it is made
# again when that set changes.
fingerprint=$( { wine --version 2>/dev/null; find /usr/share/fonts /usr/share/wine -name '*.[ot]t[fc]' 2>/dev/null | sort; } | md5sum | cut -d' ' -f1)
(
  flock 9
  if [ ! -f "$prefix/.tn-ready" ] || [ "$(cat "$prefix/.tn-ready")" != "$fingerprint" ]; then
    echo "sandbox.sh: creating Wine prefix $prefix" >&2
    rm -rf "$prefix"
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" wineboot -i >/dev/null 2>&1 || true
    cat >"$recorder" <<REC
#!/bin/sh
# Stands in for the browser: records each address the shell was asked to open.
printf '%s\n' "\$*" >> "$open_log"
REC
    chmod +x "$recorder"
    wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$recorder" /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineBrowser' /v Mailers /d "$recorder" /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wineserver -w
    [ -f "$prefix/system.reg" ] || { echo "sandbox.sh: wineboot failed to create $prefix" >&2; exit 2; }
    echo "$fingerprint" >"$prefix/.tn-ready"
  fi
) 9>"$prefix.lock" {session_fd}>&-

# Step 4: one wineserver for the whole command (exit code 2: one is already running).
wineserver -p 2>/dev/null {session_fd}>&- || true
# Every process reads the display scale when it starts, the desktop's included.
if [ -n "$dpi" ]; then
  wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1 {session_fd}>&- ||
    { echo "sandbox.sh: cannot set the display scale of $prefix to $dpi" >&2; exit 2; }
fi
# Start Wine's own background processes now, detached from our output: its services and the
# desktop process (which makes the desktop window and the tray). Started on demand by the
# first test instead, they would inherit its pipes and keep the test runner waiting for
# them, and tests starting at once race to start the desktop (one of them then gets no
# window at all). GetDesktopWindow returns once the desktop is up.
# wineboot also starts the programs of the Run keys: a notifier that an interrupted installer
# test left registered there must not start by itself with whatever address it finds.
for run_key in 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run'; do
  wine reg delete "$run_key" /v 'Tessaro Notifier' /f </dev/null >/dev/null 2>&1 {session_fd}>&- || true
done
wine wineboot </dev/null >/dev/null 2>&1 {session_fd}>&- || true
wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 {session_fd}>&- || true

export TN_SANDBOX=1 TN_OPEN_LOG=$open_log
rc=0
timeout --kill-after=10 "$timeout_s" "$@" {session_fd}>&- || rc=$?
exit $rc
