#!/bin/bash
# The newcomer's path on a machine that has never seen us: a new Debian 12 root with only git, make
# and ca-certificates, a clean clone, and the README's commands in it (default: make test). As root:
#   scripts/fresh-root.sh [--root DIR] [--rev COMMIT|BRANCH] [--timeout SECONDS] [--run 'COMMAND']... [--reuse]
# --run may be given more than once (each is timed); --reuse keeps the root and clone of the last run.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
root=/var/tmp/tn-fresh-root rev=HEAD timeout_s=5400 reuse=0 commands=()
while [ $# -gt 0 ]; do
  case "$1" in
    --root) root=$2; shift 2 ;;
    --rev) rev=$2; shift 2 ;;
    --timeout) timeout_s=$2; shift 2 ;;
    --run) commands+=("$2"); shift 2 ;;
    --reuse) reuse=1; shift ;;
    --inside) break ;;
    *) echo "fresh-root.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ ${#commands[@]} -gt 0 ] || commands=("make test")
mkdir -p "$(dirname "$root")"
root=$(cd "$(dirname "$root")" && pwd)/$(basename "$root")
clone=/root/tessaro-notifier
path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin

# Runs one shell command in the root's clone, with a newcomer's environment (none of ours),
# and prints its output as it comes. Marks when a CTest run starts, so that the build and the
# tests can be told apart, and keeps the output for the summary.
in_root() {
  local out=$1; shift
  chroot "$root" /usr/bin/env -i HOME=/root PATH=$path TERM=dumb \
    /bin/bash -c "cd $clone 2>/dev/null || cd /root; $1" </dev/null 2>&1 |
    while IFS= read -r line; do
      printf '%s\n' "$line"
      printf '%s\n' "$line" >>"$out"
      case "$line" in *" ctest "*|"ctest "*) [ -s "$out.ctest" ] || date +%s >"$out.ctest" ;; esac
    done
  return "${PIPESTATUS[0]}"
}

# Inside a private mount and process namespace: mounts made here vanish with it, and every
# process left in it is killed when it ends.
if [ "${1:-}" = "--inside" ]; then
  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  mount --rbind /dev "$root/dev"
  mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
  mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
  # apt has to reach Debian's mirror from inside.
  cat /etc/resolv.conf >"$root/etc/resolv.conf"
  # The host's repository, read-only, only to be cloned from.
  mkdir -p "$root/mnt/origin"
  mount --bind "$(git -C "$repo" rev-parse --path-format=absolute --git-common-dir)" "$root/mnt/origin"
  mount -o remount,bind,ro "$root/mnt/origin"

  # Each stage's output, on the root's own /tmp: it goes with the namespace.
  report=$(mktemp -d "$root/tmp/fresh-root.XXXXXX")
  summary=() status=0
  [ -z "${FRESH_MADE:-}" ] || summary+=("$(printf '%-40s %5d s' "making the root" "$FRESH_MADE")")
  stage() {  # stage NAME COMMAND: run COMMAND in the root, time it, note its result
    local name=$1 start rc=0 out="$report/${#summary[@]}"
    echo "=== fresh-root: $name"
    start=$(date +%s)
    in_root "$out" "$2" || rc=$?
    local end; end=$(date +%s)
    local line; line=$(printf '%-40s %5d s  exit %d' "$name" $((end - start)) "$rc")
    if [ -s "$out.ctest" ]; then
      local at; at=$(cat "$out.ctest")
      line+=$(printf '  (build %d s, tests %d s)' $((at - start)) $((end - at)))
      line+=$'\n'$(grep -E 'tests passed|tests failed|Total Test time|^[[:space:]]+[0-9]+ - ' "$out" | sed 's/^/    /')
    fi
    summary+=("$line")
    [ "$rc" = 0 ] || status=$rc
    return "$rc"
  }

  if [ "${FRESH_REUSE:-0}" = 0 ]; then
    stage "git clone $FRESH_COMMIT" "git clone -q --no-checkout file:///mnt/origin $clone &&
      cd $clone && git fetch -q origin $FRESH_COMMIT && git checkout -q --detach $FRESH_COMMIT &&
      git log -1 --oneline" || { printf '%s\n' "${summary[@]}"; exit 1; }
  fi
  # The package install alone first, so that its time is not hidden in the first command's.
  stage "make setup" "make setup" || true
  while IFS= read -r -d '' command; do
    stage "$command" "$command" || true
  done < <(printf '%s\0' "${commands[@]:-}")
  echo "=== fresh-root: summary"
  printf '%s\n' "${summary[@]}"
  exit "$status"
fi

[ "$(id -u)" = 0 ] || { echo "fresh-root.sh: run as root (it makes and enters a root file system)" >&2; exit 2; }
commit=$(git -C "$repo" rev-parse --verify "$rev^{commit}")

# Mounts live in the run's own namespace; should one outlive it all the same, take it away.
cleanup() {
  local m
  for m in $(awk -v r="$root/" 'index($5, r) == 1 { print $5 }' /proc/self/mountinfo | sort -r); do
    echo "fresh-root.sh: unmounting leftover $m" >&2; umount -l "$m" || true
  done
}
trap cleanup EXIT
# One run per root: a second one would remove or share the root under the first.
exec {lock_fd}>"$root.lock"
flock -n "$lock_fd" || { echo "fresh-root.sh: another run uses $root" >&2; exit 2; }

start=$(date +%s)
if [ "$reuse" = 0 ]; then
  # mmdebstrap is a developer tool of this script only, not something the project needs.
  command -v mmdebstrap >/dev/null || {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends mmdebstrap >/dev/null; }
  # A root of a previous run is ours to remove only if it looks like one.
  if [ -e "$root" ]; then
    [ -f "$root/etc/debian_version" ] || { echo "fresh-root.sh: $root exists and is no Debian root; not removing it" >&2; exit 2; }
    rm -rf --one-file-system "$root"
  fi
  echo "=== fresh-root: making a Debian 12 root in $root"
  # minbase: essential packages, apt and priority "required"; then only what a newcomer has.
  timeout --kill-after=10 1200 mmdebstrap --quiet --variant=minbase --include=git,make,ca-certificates \
    bookworm "$root" \
    "deb http://deb.debian.org/debian bookworm main" \
    "deb http://deb.debian.org/debian bookworm-updates main" \
    "deb http://deb.debian.org/debian-security bookworm-security main"
  made=$(( $(date +%s) - start ))
  echo "fresh-root: root made in $made s"
else
  [ -d "$root$clone" ] || { echo "fresh-root.sh: no clone in $root to reuse" >&2; exit 2; }
fi

args=(--root "$root")
for c in "${commands[@]}"; do args+=(--run "$c"); done
rc=0
FRESH_COMMIT=$commit FRESH_REUSE=$reuse FRESH_MADE=${made:-} timeout --kill-after=30 "$timeout_s" \
  unshare --mount --pid --fork --kill-child -- "$BASH" "${BASH_SOURCE[0]}" "${args[@]}" --inside || rc=$?
echo "fresh-root: exit code $rc, $(( $(date +%s) - start )) s in all"
exit $rc
