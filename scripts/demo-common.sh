# The demo's common part, sourced by screenshots.sh and bench/desktop_soak.sh:
# a scratch home, Xvfb, and a velorin-central on a loopback address of its own
# with the members alice and bob. Expects `build` and `web_port` to be set;
# `alice_points` and `bob_points` are optional.
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  sleep 0.5
  rm -rf "$work"
}
trap cleanup EXIT
bin="$build/bin"

address=127.0.0.$((100 + RANDOM % 100))
display=:$((50 + RANDOM % 40))
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work"
export VELORIN_CENTRAL="$address" VELORIN_WEB="http://$address:$web_port/"

Xvfb "$display" -screen 0 1400x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
"$bin/velorin-central" add-member alice alice-pw --points "${alice_points:-52000}" \
  --db "$work/central.db" >/dev/null
"$bin/velorin-central" add-member bob bob-pw --points "${bob_points:-31000}" \
  --db "$work/central.db" >/dev/null
"$bin/velorin-central" serve --listen "$address" --db "$work/central.db" --web-port "$web_port" \
  --web-root "$build/share/velorin-central/webroot" >"$work/central.txt" 2>&1 &
pids+=($!)
sleep 1

# A word to a member's running client.
send() { "$bin/velorind" --home "$work/$1" --send "${@:2}"; }
# Waits up to 30 s for member $1's answer to the word ${@:3} to contain $2.
wait_for() {
  for _ in $(seq 150); do
    if send "$1" "${@:3}" 2>/dev/null | grep -q "$2"; then return 0; fi
    sleep 0.2
  done
  echo "$(basename "$0"): $1 never answered $2" >&2
  tail -n 5 "$work/$1.txt" "$work/central.txt" >&2
  exit 1
}
