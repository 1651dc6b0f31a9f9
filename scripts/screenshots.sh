#!/usr/bin/env bash
# Photographs the desktop client for the README: a velorin-central on a
# loopback address of its own, the member "bob" (velorind) sharing a folder,
# the member "alice" (velorin under Xvfb) signed in with a download from bob
# in progress; then every page and pop-up, written to docs/screenshots/.
# Usage: screenshots.sh [BUILD_DIR]   (default build; needs velorin, velorind,
# velorin-central, velorin-seed-profile and the web root built there)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
out="$root/docs/screenshots"
mkdir -p "$out"
web_port=18088
# shellcheck source=demo-common.sh
source "$root/scripts/demo-common.sh"

mkdir -p "$work/bob-shared/영화" "$work/bob-shared/음악" "$work/alice-shared" "$work/downloads"
head -c 40000000 /dev/urandom >"$work/bob-shared/여름휴가 영상.mp4"
head -c 3500000 /dev/urandom >"$work/bob-shared/음악/봄날의 노래.mp3"
head -c 1200000 /dev/urandom >"$work/bob-shared/영화/예고편.avi"
echo "readme" >"$work/bob-shared/읽어주세요.txt"
for i in 01 02 03 04 05 06; do head -c $((150000 * ${i#0})) /dev/urandom >"$work/bob-shared/음악/노래 모음 $i.mp3"; done
echo "hello" >"$work/alice-shared/인사.txt"
"$bin/velorin-seed-profile" --home "$work/bob" --user bob --password bob-pw --listen-port 17311 \
  --server-name "bob의 영화와 음악" --share "$work/bob-shared"
"$bin/velorin-seed-profile" --home "$work/alice" --user alice --password alice-pw \
  --listen-port 17312 --server-name "alice의 서버" --share "$work/alice-shared"
"$bin/velorind" --home "$work/bob" >"$work/bob.txt" 2>&1 &
pids+=($!)
DISPLAY=$display "$bin/velorin" --home "$work/alice" >"$work/alice.txt" 2>&1 &
pids+=($!)

wait_for bob '"online": true' status
# bob's server is listed under "동영상", the category the page opens on.
send bob set DataGroup 0 >/dev/null
send bob signout >/dev/null
send bob signin >/dev/null
wait_for bob '"online": true' status
wait_for alice '"state": "online"' window
send alice set DownloadPath "$work/downloads" >/dev/null
send alice refresh >/dev/null
wait_for alice '"bob"' servers
send bob limit 2 >/dev/null
send alice browse bob '\bob-shared' >/dev/null
send alice download bob '\bob-shared' '여름휴가 영상.mp4' 40000000 >/dev/null
send alice download bob '\bob-shared' '읽어주세요.txt' 7 >/dev/null
# bob browses alice and fetches her file: a visitor and a served transfer on her state page.
send bob browse alice '\alice-shared' >/dev/null
send bob download alice '\alice-shared' '인사.txt' 6 >/dev/null
send bob note-send alice "사진 잘 받았어요. 고마워요!" >/dev/null
send alice search 노래 >/dev/null
sleep 3

shoot() {
  send alice window-grab "$out/$1.png" "${@:2}" >/dev/null
  echo "screenshots.sh: $out/$1.png"
}
names=(home servers search explorer transfers state)
for page in 0 1 2 3 4 5; do
  send alice window-page "$page" >/dev/null
  sleep 1.2
  shoot "page-$page-${names[page]}"
done
shoot status-popup status-popup
send alice set BringMessage 1 >/dev/null
send alice set Message "<b>alice의 서버</b>에 오신 것을 환영합니다. 자료는 마음껏 받아 가세요." >/dev/null
send alice notice-preview >/dev/null
sleep 1
shoot window-notice notice
for window in options friends note-box note search-terms completed-list share-check sign-in; do
  send alice window-show "$window" >/dev/null
  sleep 1
  shoot "window-$window" "$window"
done
send alice window | sed "s/^/screenshots.sh: /"
