#!/usr/bin/env bash
# Installs what is missing, builds, makes sure a velorin-central serves on this
# machine, and runs the client in the foreground on the default profile (or the
# one given with --home DIR): the desktop client velorin when a display is
# there (DISPLAY or WAYLAND_DISPLAY), else the headless velorind; --headless
# chooses velorind in any case.
#
# The central service: when its ports on 127.0.0.1 are free, a velorin-central
# is started in the background (it outlives this script) on the data folder
# $XDG_DATA_HOME/velorin-central, whose central.db gets the member "demo"
# (password "demo1234") when it is first made. A client profile that does not
# exist yet is seeded to sign in as that member by itself, with the file
# server on port 7297 (7296 is the central's ticket port on this machine) and
# the folder $XDG_DATA_HOME/velorin-shared shared (signing in needs one).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"

bin="$root/build/bin"
data_home=${XDG_DATA_HOME:-$HOME/.local/share}

port_taken() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

start_central() {
  local taken=()
  for port in 3823 2303 7296; do
    if port_taken "$port"; then taken+=("$port"); fi
  done
  if [ ${#taken[@]} -eq 3 ]; then
    echo "run.sh: a central service already answers on 127.0.0.1"
    return
  fi
  if [ ${#taken[@]} -gt 0 ]; then
    echo "run.sh: 127.0.0.1 TCP ${taken[*]} taken by another program; no velorin-central started" >&2
    return
  fi
  local dir="$data_home/velorin-central"
  mkdir -p "$dir"
  chmod 700 "$dir"
  if [ ! -e "$dir/central.db" ]; then
    "$bin/velorin-central" add-member demo demo1234 --points 100000 --age 20 --db "$dir/central.db"
  fi
  local web=8080
  if port_taken "$web"; then
    echo "run.sh: 127.0.0.1 TCP 8080 is taken; the central serves no web pages" >&2
    web=0
  fi
  setsid "$bin/velorin-central" serve --db "$dir/central.db" --web-port "$web" \
    >>"$dir/central.log" 2>&1 </dev/null &
  echo $! >"$dir/central.pid"
  for _ in $(seq 50); do
    if port_taken 3823; then
      echo "run.sh: velorin-central started (pid $(cat "$dir/central.pid"), log $dir/central.log)"
      return
    fi
    sleep 0.1
  done
  echo "run.sh: velorin-central did not start; see $dir/central.log" >&2
}

# The profile the client will use, as it chooses it.
profile=""
headless=""
args=()
all=("$@")
for ((i = 0; i < ${#all[@]}; i++)); do
  case "${all[i]}" in
    --headless) headless=1; continue ;;
    --home) profile="${all[i + 1]:-}" ;;
    --home=*) profile="${all[i]#--home=}" ;;
  esac
  args+=("${all[i]}")
done
[ -n "$profile" ] || profile=${VELORIN_HOME:-"$data_home/velorin"}

start_central
if [ ! -e "$profile" ] || [ -z "$(ls -A "$profile" 2>/dev/null)" ]; then
  "$bin/velorin-seed-profile" --home "$profile" --user demo --password demo1234 \
    --listen-port 7297 --server-name "demo의 서버" --share "$data_home/velorin-shared"
  echo "run.sh: new profile $profile signs in as demo"
fi
if [ -z "$headless" ] && [ -x "$bin/velorin" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec "$bin/velorin" "${args[@]}"
fi
exec "$bin/velorind" "${args[@]}"
