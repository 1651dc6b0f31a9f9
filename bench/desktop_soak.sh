#!/usr/bin/env bash
# Memory of the desktop client over a long session with activity: a
# velorin-central on a loopback address of its own, "bob" on velorind sharing
# a folder, "alice" on velorin under Xvfb. Every 10 s alice searches, downloads
# a file (then deletes it and clears the list), trades a note with bob, and bob
# browses her; once a minute alice's resident size is printed.
# Usage: desktop_soak.sh [MINUTES] [BUILD_DIR]   (default 60 minutes, build)
# SOAK_STEPS picks the activity (default "page search download browse note").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-60}
build=${2:-"$root/build"}
web_port=$((18100 + RANDOM % 800)) alice_points=900000 bob_points=900000
# shellcheck source=../scripts/demo-common.sh
source "$root/scripts/demo-common.sh"

mkdir -p "$work/bob-shared" "$work/alice-shared" "$work/downloads"
head -c 2000000 /dev/urandom >"$work/bob-shared/soak tune.mp3"
echo "hello" >"$work/alice-shared/인사.txt"
"$bin/velorin-seed-profile" --home "$work/bob" --user bob --password bob-pw \
  --listen-port $((17000 + RANDOM % 1000)) --server-name "bob soak" --share "$work/bob-shared"
"$bin/velorin-seed-profile" --home "$work/alice" --user alice --password alice-pw \
  --listen-port $((16000 + RANDOM % 1000)) --server-name "alice soak" --share "$work/alice-shared"
"$bin/velorind" --home "$work/bob" >"$work/bob.txt" 2>&1 &
pids+=($!)
DISPLAY=$display "$bin/velorin" --home "$work/alice" >"$work/alice.txt" 2>&1 &
alice=$!
pids+=($alice)

rss() { awk '/^VmRSS/ {print $2}' "/proc/$alice/status"; }
wait_for bob '"online": true' status
wait_for alice '"state": "online"' window
send alice set DownloadPath "$work/downloads" >/dev/null
wait_for alice '"bob"' servers
# bob's list was fetched before alice signed in.
send bob refresh >/dev/null
wait_for bob '"alice"' servers
sleep 5
idle=$(rss)
echo "minute 0: ${idle} kB resident (idle, signed in)"
end=$((SECONDS + minutes * 60))
next=$((SECONDS + 60))
minute=0
page=0
steps=${SOAK_STEPS:-page search download browse note}
has() { [[ " $steps " == *" $1 "* ]]; }
refused=0
# A refused word is counted, not fatal: the soak is about memory.
word() {
  local out
  if ! out=$(send "$@" 2>&1); then
    refused=$((refused + 1))
    echo "desktop_soak.sh: refused: $*: ${out:0:200}" >&2
  fi
}
while [ $SECONDS -lt $end ]; do
  if has page; then word alice window-page $((page++ % 6)); fi
  if has search; then word alice search tune; fi
  if has download; then
    # A download takes a search's row.
    if ! has search; then word alice search tune; fi
    word alice search-download 1
  fi
  if has browse; then word bob browse alice '\alice-shared'; fi
  if has note; then
    word alice note-send bob "soak $SECONDS"
    word bob note-delete-all
  fi
  sleep 10
  if has download; then
    rm -f "$work/downloads/soak tune.mp3"
    word alice clear-completed
  fi
  if [ $SECONDS -ge $next ]; then
    minute=$((minute + 1))
    next=$((next + 60))
    now=$(rss)
    echo "minute $minute: ${now} kB resident ($(( (now - idle) / 1024 )) MB over idle)"
  fi
done
echo "desktop_soak.sh: $refused words refused"
send alice window | sed 's/^/desktop_soak.sh: /'
