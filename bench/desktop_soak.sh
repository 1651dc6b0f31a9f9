#!/usr/bin/env bash
# Memory of the desktop client over a long session with activity: a
# velorin-central on a loopback address of its own, "bob" on velorind sharing
# a folder, "alice" on velorin under Xvfb. Every 10 s alice searches, downloads
# a file (then deletes it and clears the list), trades a note with bob, and bob
# browses her; once a minute alice's resident size is printed.
# Usage: desktop_soak.sh [MINUTES] [BUILD_DIR]   (default 60 minutes, build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-60}
build=${2:-"$root/build"}
bin="$build/bin"
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  sleep 0.5
  rm -rf "$work"
}
trap cleanup EXIT

address=127.0.0.$((100 + RANDOM % 100))
display=:$((50 + RANDOM % 40))
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work"
export VELORIN_CENTRAL="$address" VELORIN_WEB="http://$address:18089/"

Xvfb "$display" -screen 0 1400x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
"$bin/velorin-central" add-member alice alice-pw --points 900000 --db "$work/central.db" >/dev/null
"$bin/velorin-central" add-member bob bob-pw --points 900000 --db "$work/central.db" >/dev/null
"$bin/velorin-central" serve --listen "$address" --db "$work/central.db" --web-port 18089 \
  --web-root "$build/share/velorin-central/webroot" >"$work/central.txt" 2>&1 &
pids+=($!)
sleep 1

mkdir -p "$work/bob-shared" "$work/alice-shared" "$work/downloads"
head -c 2000000 /dev/urandom >"$work/bob-shared/soak tune.mp3"
echo "hello" >"$work/alice-shared/인사.txt"
"$bin/velorin-seed-profile" --home "$work/bob" --user bob --password bob-pw --listen-port 17321 --server-name "bob soak" \
  --share "$work/bob-shared"
"$bin/velorin-seed-profile" --home "$work/alice" --user alice --password alice-pw \
  --listen-port 17322 --server-name "alice soak" --share "$work/alice-shared"
"$bin/velorind" --home "$work/bob" >"$work/bob.txt" 2>&1 &
pids+=($!)
DISPLAY=$display "$bin/velorin" --home "$work/alice" >"$work/alice.txt" 2>&1 &
alice=$!
pids+=($alice)

send() { "$bin/velorind" --home "$work/$1" --send "${@:2}"; }
wait_for() {
  for _ in $(seq 150); do
    if send "$1" "${@:3}" 2>/dev/null | grep -q "$2"; then return 0; fi
    sleep 0.2
  done
  echo "desktop_soak.sh: $1 never answered $2" >&2
  tail -n 5 "$work/$1.txt" "$work/central.txt" >&2
  exit 1
}
rss() { awk '/^VmRSS/ {print $2}' "/proc/$alice/status"; }
wait_for bob '"online": true' status
wait_for alice '"state": "online"' window
send alice set DownloadPath "$work/downloads" >/dev/null
wait_for alice '"bob"' servers
sleep 5
idle=$(rss)
echo "minute 0: ${idle} kB resident (idle, signed in)"
end=$((SECONDS + minutes * 60))
next=$((SECONDS + 60))
minute=0
page=0
while [ $SECONDS -lt $end ]; do
  send alice window-page $((page++ % 6)) >/dev/null
  send alice search tune >/dev/null
  send alice search-download 1 >/dev/null || true
  send bob browse alice '\alice-shared' >/dev/null || true
  send alice note-send bob "soak $SECONDS" >/dev/null || true
  send bob note-delete-all >/dev/null || true
  sleep 10
  rm -f "$work/downloads/soak tune.mp3"
  send alice clear-completed >/dev/null || true
  if [ $SECONDS -ge $next ]; then
    minute=$((minute + 1))
    next=$((next + 60))
    now=$(rss)
    echo "minute $minute: ${now} kB resident ($(( (now - idle) / 1024 )) MB over idle)"
  fi
done
send alice window | sed 's/^/desktop_soak.sh: /'
