#!/usr/bin/env bash
# Crash-resume torture on loopback: a fresh velorin-central on a private
# 127.0.0.x address, a seller velorind sharing one file of random bytes and a
# buyer velorind that downloads it, killed with SIGKILL at random moments of
# the download and restarted each time, its entry resumed with `restart`.
#
# Usage: scripts/crash-resume-torture.sh [--kills N] [--mib N] [--limit N]
#                                        [--timeout SECONDS] [--seed N] [--build DIR] [--keep]
#   --kills    SIGKILLs of the buyer during the download (default 20)
#   --mib      size of the shared file in MiB (default 100)
#   --limit    the seller's speed limit, 2 x N ms before each block (default 1)
#   --timeout  hard limit for the whole run (default 900)
#   --seed     seed of the kill positions (default: random, printed)
#   --build    build folder with bin/velorin-central, velorind, velorin-seed-profile (default build)
#   --keep     keep the work folder even when every check passed
#
# One kill in four is aimed within the first MiB of its segment, which moves
# for free. Checks at the end: the received file is byte-identical to the
# source, no part file or numbered copy is left, the buyer's rtfl.db passes
# PRAGMA integrity_check (after every kill as well), and the points the buyer
# spent and the seller received (velorin-central list-members) equal the price
# rule applied to each segment the seller served: floor(bytes moved / 1 MiB) x 8,
# for files of 10 MiB or more.
# Exit status 0 all checks passed, 1 a check failed, 2 usage, 3 set-up failed or time-out.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

kills=20
mib=100
limit=1
timeout_s=900
seed=$(( $(od -An -N2 -tu2 /dev/urandom) ))
build="$root/build"
keep=0
usage() { sed -n '2,24p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
while [ $# -gt 0 ]; do
  case "$1" in
    --kills) kills=${2:-}; shift 2 ;;
    --mib) mib=${2:-}; shift 2 ;;
    --limit) limit=${2:-}; shift 2 ;;
    --timeout) timeout_s=${2:-}; shift 2 ;;
    --seed) seed=${2:-}; shift 2 ;;
    --build) build=${2:-}; shift 2 ;;
    --keep) keep=1; shift ;;
    *) usage ;;
  esac
done
for n in "$kills" "$mib" "$limit" "$timeout_s" "$seed"; do
  [[ "$n" =~ ^[0-9]+$ ]] || usage
done
[ "$mib" -ge 1 ] || usage
RANDOM=$seed

bin="$build/bin"
for program in velorin-central velorind velorin-seed-profile; do
  if [ ! -x "$bin/$program" ]; then
    echo "torture: $bin/$program is missing; build it first:" >&2
    echo "  cmake --build $build --target velorin-central velorind velorin-seed-profile" >&2
    exit 3
  fi
done
command -v sqlite3 >/dev/null || { echo "torture: sqlite3 is missing (scripts/install-deps.sh)" >&2; exit 3; }

readonly kMiB=1048576
readonly kPricedFileSize=10485760
size=$((mib * kMiB))
work=$(mktemp -d /tmp/velorin-torture.XXXXXX)
started=$(date +%s)
deadline=$((started + timeout_s))
central_pid="" seller_pid="" buyer_pid="" watchdog_pid=""
failures=()

say() { printf '%s torture: %s\n' "$(date +%T)" "$*"; }

# Every process this script started, by its PID: TERM first, KILL what stays.
cleanup() {
  local pids=()
  for pid in "$buyer_pid" "$seller_pid" "$central_pid"; do
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && pids+=("$pid")
  done
  [ ${#pids[@]} -gt 0 ] && kill -TERM "${pids[@]}" 2>/dev/null
  for _ in $(seq 50); do
    local alive=0
    for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
    [ "$alive" -eq 0 ] && break
    sleep 0.1
  done
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; done
  [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
  wait 2>/dev/null
  buyer_pid="" seller_pid="" central_pid="" watchdog_pid=""
}
finish() {
  local status=$1
  trap '' INT TERM USR1
  cleanup
  if [ "$status" -eq 0 ] && [ "$keep" -eq 0 ]; then
    rm -rf "$work"
  else
    echo "work folder kept: $work (outputs: central.txt, seller.txt, buyer-*.txt)"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'finish 3' INT TERM
trap 'say "hard time-out of $timeout_s s reached"; finish 3' USR1
# The loops below check the deadline too; this catches a call that blocks.
(
  trap 'kill "$nap" 2>/dev/null; exit 0' TERM
  sleep "$timeout_s" &
  nap=$!
  wait "$nap" && kill -USR1 $$ 2>/dev/null
) &
watchdog_pid=$!

setup_fail() { say "set-up failed: $*"; finish 3; }
now() { printf '%(%s)T' -1; }
check_time() { [ "$(now)" -lt "$deadline" ] || { say "hard time-out of $timeout_s s reached"; finish 3; }; }

# Polls COMMAND every POLL seconds (default 0.05) until it succeeds or SECONDS pass.
wait_for() {
  local seconds=$1
  shift
  local until=$(($(now) + seconds))
  while ! "$@"; do
    check_time
    [ "$(now)" -lt "$until" ] || return 1
    sleep "${POLL:-0.05}"
  done
}

env_vars=(HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data")
central_cmd() { env "${env_vars[@]}" "$bin/velorin-central" "$@" --db "$work/central.db"; }
send() {
  local who=$1
  shift
  env "${env_vars[@]}" VELORIN_CENTRAL="$address" timeout 30 \
    "$bin/velorind" --home "$work/$who" --send "$@"
}
# The number after "KEY": in a JSON text.
json_number() { sed -n "s/.*\"$2\": \(-\{0,1\}[0-9]*\).*/\1/p" <<<"$1" | head -1; }
json_text() { sed -n "s/.*\"$2\": \"\([^\"]*\)\".*/\1/p" <<<"$1" | head -1; }
file_size() { stat -c %s "$1" 2>/dev/null || echo 0; }
# True when something accepts TCP connections on ADDRESS:PORT.
answers() { (exec 3<>"/dev/tcp/$1/$2") 2>/dev/null; }
free_port() {
  local port
  for _ in $(seq 200); do
    port=$((20000 + RANDOM % 40000))
    answers 127.0.0.1 "$port" || { echo "$port"; return 0; }
  done
  return 1
}
member_points() { central_cmd list-members | awk -F'\t' -v id="$1" '$1 == id {print $2}'; }
member_reserved() { central_cmd list-members | awk -F'\t' -v id="$1" '$1 == id {print $3}'; }
price_of() { [ "$size" -lt "$kPricedFileSize" ] && echo 0 || echo $(($1 / kMiB * 8)); }

# --- central on a private loopback address -------------------------------------
buyer_points_before=1000000
central_cmd add-member seller seller-pw --points 0 >/dev/null || setup_fail "add-member seller"
central_cmd add-member buyer buyer-pw --points "$buyer_points_before" >/dev/null ||
  setup_fail "add-member buyer"
address=""
for attempt in $(seq 40); do
  candidate="127.0.0.$((2 + (RANDOM + attempt) % 250))"
  if answers "$candidate" 3823 || answers "$candidate" 2303 || answers "$candidate" 7296; then
    continue
  fi
  # Not through central_cmd: a function in the background is a subshell, and
  # its PID would not be the central's.
  env "${env_vars[@]}" "$bin/velorin-central" serve --listen "$candidate" --web-port 0 \
    --db "$work/central.db" >"$work/central.txt" 2>&1 &
  central_pid=$!
  if wait_for 10 grep -q "velorin-central: serving" "$work/central.txt"; then
    address=$candidate
    break
  fi
  kill -TERM "$central_pid" 2>/dev/null
  wait "$central_pid" 2>/dev/null
  central_pid=""
done
[ -n "$address" ] || setup_fail "no velorin-central could serve on 127.0.0.2-251"
say "central on $address, work folder $work, seed $seed"

# --- seller and buyer profiles ---------------------------------------------------
shared="$work/seller-shared"
downloads="$work/downloads"
mkdir -p "$shared" "$downloads"
say "writing $mib MiB of random bytes"
head -c "$size" /dev/urandom >"$shared/big.bin" || setup_fail "cannot write the source file"
for who in seller buyer; do
  port=$(free_port) || setup_fail "no free port"
  args=(--home "$work/$who" --user "$who" --password "$who-pw" --listen-port "$port"
        --server-name "$who's")
  [ "$who" = seller ] && args+=(--share "$shared")
  [ "$who" = buyer ] && args+=(--share "$work/buyer-shared")
  env "${env_vars[@]}" "$bin/velorin-seed-profile" "${args[@]}" || setup_fail "seeding $who"
done
sqlite3 "$work/buyer/registry.db" \
  "INSERT OR REPLACE INTO registry(key, name, type, data) VALUES('Software\\Velorin\\app', \
   'DownloadPath', 1, CAST('$downloads' AS BLOB));" || setup_fail "setting DownloadPath"

runs=0
start_member() {
  local who=$1 out=$2
  env "${env_vars[@]}" VELORIN_CENTRAL="$address" "$bin/velorind" --home "$work/$who" \
    >"$work/$out" 2>&1 &
  local pid=$!
  if [ "$who" = seller ]; then seller_pid=$pid; else buyer_pid=$pid; fi
  local ready=$'\tstate\tonline'
  [ "$who" = buyer ] && ready=$'\t안내\t모든 사용자 리스트를 받았습니다.'
  wait_for 40 grep -qF "$ready" "$work/$out" || setup_fail "$who did not sign in (see $work/$out)"
}
start_member seller seller.txt
[ "$limit" -gt 0 ] && send seller limit "$limit" >/dev/null
start_member buyer buyer-0.txt

temporary="$downloads/_velorin_big.bin"
received="$downloads/big.bin"

# --- the download, killed and resumed --------------------------------------------
answer=$(send buyer download seller '\seller-shared' big.bin "$size") ||
  setup_fail "download refused: $answer"

seg_start=()   # the offset each segment started at (the buyer's bytes on disk)
seg_end=()     # where the seller's row says it ended (offset + bytes moved)
seg_price=()
integrity_failures=0
offset_warnings=0
kills_done=0
begin=0
stalled=0
entry=""

# The seller's row of big.bin once it no longer transfers: "STATE PRESENT".
served_row() {
  local rows status present
  rows=$(send seller served) || return 1
  rows=$(tr '{' '\n' <<<"$rows" | grep '"file": "big.bin"' | tail -1)
  status=$(json_text "$rows" status)
  present=$(json_text "$rows" present | tr -d ',')
  [ -n "$status" ] && [ "$status" != "전송중" ] && [ -n "$present" ] || return 1
  echo "$status $present"
}
grown_past() { [ "$(file_size "$temporary")" -gt "$1" ] || [ -e "$received" ]; }
ended_segment() {
  local row
  row=$(served_row) || return 1
  seg_end+=("${row#* }")
  seg_status="${row%% *}"
}

for ((k = 1; k <= kills; k++)); do
  check_time
  remaining=$((size - begin))
  # A kill point anywhere up to twice the even share of what is left, so that
  # the last kill still lands before the end.
  span=$((2 * remaining / (kills - k + 2)))
  [ "$span" -gt $((remaining - 262144)) ] && span=$((remaining - 262144))
  [ "$span" -lt 1 ] && span=1
  # One kill in four lands within the segment's first MiB, where the price is 0.
  reach=$span
  [ $((RANDOM % 4)) -eq 0 ] && [ "$span" -gt "$kMiB" ] && reach=$kMiB
  target=$((begin + 1 + ((RANDOM << 15 | RANDOM) % reach)))
  # A segment that stops is a finding, not a set-up failure: the summary still runs.
  if ! wait_for 120 grown_past "$begin"; then
    failures+=("segment $k moved nothing in 120 s after the restart (entry: $entry)")
    stalled=1
    break
  fi
  # Polled tightly: the kill should land close to the point drawn.
  if ! POLL=0.005 wait_for 120 grown_past "$((target - 1))"; then
    failures+=("segment $k stalled below $target for 120 s")
    stalled=1
    break
  fi
  if [ -e "$received" ]; then
    say "the download finished before kill $k"
    failures+=("only $((k - 1)) of $kills kills landed before the download ended")
    break
  fi
  kill -KILL "$buyer_pid"
  wait "$buyer_pid" 2>/dev/null
  buyer_pid=""
  kills_done=$k
  held=$(file_size "$temporary")
  seg_start+=("$begin")
  wait_for 40 ended_segment || { say "the seller's row did not end after kill $k"; finish 3; }
  moved=$((${seg_end[-1]} - begin))
  seg_price+=("$(price_of "$moved")")

  check=$(sqlite3 "$work/buyer/rtfl.db" "PRAGMA integrity_check;" 2>&1)
  if [ "$check" != "ok" ]; then
    integrity_failures=$((integrity_failures + 1))
    failures+=("rtfl.db after kill $k: $check")
  fi

  start_member buyer "buyer-$k.txt"
  entry=$(send buyer transfers seller | tr '{' '\n' | grep '"name": "big.bin"' | tail -1)
  state=$(json_number "$entry" state)
  offset=$(json_number "$entry" offset)
  begin=$(file_size "$temporary")
  if [ "$state" != 4 ] || [ "$offset" != "$begin" ]; then
    offset_warnings=$((offset_warnings + 1))
    say "after kill $k the entry reads state $state offset $offset; $begin bytes on disk"
  fi
  printf '%s kill %2d: aimed at %11d, %11d held  segment moved %11d  price %4d  seller row %s\n' \
    "$(date +%T)" "$k" "$target" "$held" "$moved" "${seg_price[-1]}" "$seg_status"
  restarted=$(send buyer restart seller big.bin) || {
    say "restart refused: $restarted"
    failures+=("restart after kill $k refused: $restarted")
    stalled=1
    break
  }
done

# --- the last segment runs to the end ----------------------------------------------
complete() {
  local entry
  entry=$(send buyer transfers seller | tr '{' '\n' | grep '"name": "big.bin"' | tail -1)
  [ "$(json_number "$entry" state)" = 16 ]
}
if [ "$stalled" -eq 1 ]; then
  :
elif wait_for 300 complete; then
  seg_start+=("$begin")
  if wait_for 40 ended_segment; then
    seg_price+=("$(price_of $((${seg_end[-1]} - begin)))")
  else
    failures+=("the seller's row of the last segment did not end")
  fi
else
  failures+=("the download did not complete after the last restart")
fi

# --- settlement ----------------------------------------------------------------------
expected=0
priced=0
moved_total=0
under_one_mib=0
for i in "${!seg_price[@]}"; do
  expected=$((expected + seg_price[i]))
  moved=$((seg_end[i] - seg_start[i]))
  moved_total=$((moved_total + moved))
  [ "${seg_price[i]}" -gt 0 ] && priced=$((priced + 1))
  [ "$moved" -lt "$kMiB" ] && under_one_mib=$((under_one_mib + 1))
done
credit_sum() {
  grep -o '(으)로 부터 [0-9]*포인트를 받았습니다' "$work/seller.txt" | grep -o '[0-9]*' |
    awk '{s += $1} END {print s + 0}'
}
# Payments reach the central after the data; a ticket that paid nothing may
# return its reservation later still.
settled() {
  [ "$(member_points seller)" = "$expected" ] && [ "$(member_reserved buyer)" = 0 ] &&
    [ "$(credit_sum)" = "$expected" ]
}
wait_for 30 settled
seller_gain=$(member_points seller)
buyer_points=$(member_points buyer)
buyer_reserved=$(member_reserved buyer)
buyer_spent=$((buyer_points_before - buyer_points))
buyer_settled=$((buyer_spent - buyer_reserved))
credited=$(credit_sum)
buyer_paid_lines=$(cat "$work"/buyer-*.txt | grep -o '에게 [0-9]*포인트를 지불했습니다' |
  grep -o '[0-9]*' | awk '{s += $1} END {print s + 0}')

# The buyer ends through its normal shutdown before its files are checked.
if [ -n "$buyer_pid" ]; then
  kill -TERM "$buyer_pid" 2>/dev/null
  wait "$buyer_pid" 2>/dev/null
  buyer_pid=""
fi
if cmp -s "$shared/big.bin" "$received"; then
  identical="yes"
else
  identical="NO ($(cmp "$shared/big.bin" "$received" 2>&1 | head -1))"
  failures+=("received file differs from the source: $identical")
fi
final_check=$(sqlite3 "$work/buyer/rtfl.db" "PRAGMA integrity_check;" 2>&1)
[ "$final_check" = ok ] || failures+=("rtfl.db at the end: $final_check")
[ "$seller_gain" = "$expected" ] || failures+=("seller received $seller_gain, price rule says $expected")
[ "$buyer_spent" = "$expected" ] ||
  failures+=("buyer spent $buyer_spent ($buyer_settled settled + $buyer_reserved still reserved), price rule says $expected")
[ "$credited" = "$expected" ] || failures+=("seller's credit lines add up to $credited, price rule says $expected")
# Segment by segment: the priced segments and the credits, as two sorted lists.
credits_sorted=$(grep -o '(으)로 부터 [0-9]*포인트를 받았습니다' "$work/seller.txt" |
  grep -o '[0-9]*' | grep -vx 0 | sort -n | tr '\n' ' ')
prices_sorted=$(printf '%s\n' "${seg_price[@]}" | grep -vx 0 | sort -n | tr '\n' ' ')
[ "$credits_sorted" = "$prices_sorted" ] ||
  failures+=("credits per segment [$credits_sorted] differ from prices per segment [$prices_sorted]")
# One finished file under its own name, no part file and no numbered copy left.
leftovers=$(find "$downloads" -mindepth 1 ! -name big.bin -printf '%f ')
[ -z "$leftovers" ] || failures+=("the download folder also holds: $leftovers")
[ "$kills_done" = "$kills" ] || failures+=("$kills_done of $kills kills done")

wall=$(($(date +%s) - started))
echo
echo "crash-resume torture: $mib MiB priced file, seed $seed, seller limit $limit"
printf '  kills               %d of %d\n' "$kills_done" "$kills"
printf '  segments            %d (%d priced, %d under 1 MiB)\n' "${#seg_price[@]}" "$priced" "$under_one_mib"
printf '  bytes moved         %d by the seller for a file of %d (%.3f x)\n' "$moved_total" "$size" \
  "$(awk -v a="$moved_total" -v b="$size" 'BEGIN {print a / b}')"
printf '  received file       identical: %s\n' "$identical"
printf '  rtfl.db             %s at the end, %d failed checks after kills\n' "$final_check" "$integrity_failures"
printf '  entry after restart %d restarts where state or offset did not match the bytes on disk\n' "$offset_warnings"
printf '  points expected     %d (sum of floor(moved / 1 MiB) x 8 per segment)\n' "$expected"
printf '  seller received     %d (credit lines: %d)\n' "$seller_gain" "$credited"
printf '  buyer spent         %d (%d settled, %d still reserved; its own paid lines: %d)\n' \
  "$buyer_spent" "$buyer_settled" "$buyer_reserved" "$buyer_paid_lines"
printf '  wall time           %d s\n' "$wall"
printf '  segments (start moved price):'
for i in "${!seg_price[@]}"; do
  printf ' %d+%d=%d' "${seg_start[i]}" "$((seg_end[i] - seg_start[i]))" "${seg_price[i]}"
done
echo
if [ ${#failures[@]} -gt 0 ]; then
  echo "FAILED:"
  printf '  - %s\n' "${failures[@]}"
  finish 1
fi
echo "all checks passed"
finish 0
