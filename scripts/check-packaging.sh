#!/usr/bin/env bash
# Checks what the Debian packages install: the desktop entries
# (desktop-file-validate), the metainfo (appstreamcli), the systemd units
# (systemd-analyze verify), the packages themselves (lintian, no errors), and
# the programs run from the packages' files: each .deb extracted into a
# temporary root, that root's velorin-central serving on a loopback address of
# its own and two velorind profiles from it signing in, one downloading a file
# from the other; the autostart entry velorind writes; the vel:// handler as
# xdg-mime finds it in the root's data folder.
# Usage: check-packaging.sh [BUILD]   BUILD: the normal build, whose
# velorin-seed-profile seeds the profiles (default build)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
seed="$build/bin/velorin-seed-profile"
packages="$root/build/packages"
work=$(mktemp -d /tmp/velorin-packaging.XXXXXX)
began=$(date +%s)
pids=()
failures=0

say() { printf 'packaging: %s\n' "$*"; }
fail() { say "FAILED: $*"; failures=$((failures + 1)); }
cleanup() {
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
  done
  wait 2>/dev/null
  if [ "$failures" -eq 0 ]; then rm -rf "$work"; else say "work folder kept: $work"; fi
}
trap cleanup EXIT
# Polls COMMAND every 0.1 s until it succeeds or SECONDS pass.
wait_for() {
  local until=$(($(date +%s) + $1))
  shift
  until "$@"; do
    [ "$(date +%s)" -lt "$until" ] || return 1
    sleep 0.1
  done
}
answers() { (exec 3<>"/dev/tcp/$1/$2") 2>/dev/null; }

[ -x "$seed" ] || { say "$seed is missing; build the normal tree first"; exit 2; }

# --- the entries and units as they are in the tree ----------------------------------
desktop-file-validate "$root/packaging/velorin.desktop" || fail "desktop-file-validate velorin.desktop"

start=$(date +%s)
"$root/scripts/package.sh" >"$work/package.txt" 2>&1 || {
  cat "$work/package.txt"
  fail "package.sh"
  exit 1
}
say "packages built in $(($(date +%s) - start)) s: $(cd "$packages" && echo *.deb)"

start=$(date +%s)
# --fail-on error: warnings are reported but do not fail the check.
lintian --fail-on error --tag-display-limit 0 "$packages"/*.deb || fail "lintian found errors"
say "lintian took $(($(date +%s) - start)) s"

# --- the extracted root -------------------------------------------------------------
tree="$work/root"
for deb in "$packages"/*.deb; do dpkg-deb -x "$deb" "$tree" || fail "dpkg-deb -x $deb"; done
usr="$tree/usr"
for file in bin/velorin bin/velorind bin/velorin-central share/applications/velorin.desktop \
  share/icons/hicolor/scalable/apps/velorin.svg share/icons/hicolor/48x48/apps/velorin.png \
  share/icons/hicolor/128x128/apps/velorin.png share/metainfo/org.velorin.Velorin.metainfo.xml \
  share/velorin-central/webroot/patchdata/badword.db share/man/man1/velorin.1.gz \
  share/man/man1/velorind.1.gz share/man/man8/velorin-central.8.gz \
  lib/systemd/user/velorind.service lib/systemd/system/velorin-central.service \
  share/doc/velorin/copyright share/doc/velorin-central/copyright; do
  [ -e "$usr/$file" ] || fail "the packages hold no /usr/$file"
done

# Data is found from the program's own folder: no path of this tree is compiled in.
for program in "$usr"/bin/*; do
  ! grep -qaF "$root/" "$program" || fail "$(basename "$program") names $root"
done

desktop-file-validate "$usr/share/applications/velorin.desktop" || fail "installed velorin.desktop"
appstreamcli validate --no-net "$usr/share/metainfo/org.velorin.Velorin.metainfo.xml" >"$work/appstream.txt" 2>&1 ||
  { cat "$work/appstream.txt"; fail "appstreamcli validate"; }

# The units name /usr/bin; verify checks that the command exists, so copies
# name the extracted programs instead.
mkdir -p "$work/units" "$work/runtime"
for unit in system/velorin-central.service user/velorind.service; do
  sed "s|/usr/bin/|$usr/bin/|g" "$usr/lib/systemd/$unit" >"$work/units/$(basename "$unit")"
done
MANPATH="$usr/share/man" systemd-analyze verify "$work/units/velorin-central.service" ||
  fail "systemd-analyze verify velorin-central.service"
MANPATH="$usr/share/man" XDG_RUNTIME_DIR="$work/runtime" systemd-analyze --user verify \
  "$work/units/velorind.service" || fail "systemd-analyze verify velorind.service"

for program in velorin velorind velorin-central; do
  first=$("$usr/bin/$program" --version | head -1) || fail "$program --version ended with an error"
  [[ "$first" =~ ^$program\ [0-9]+\.[0-9]+ ]] || fail "$program --version said '$first'"
  "$usr/bin/$program" --help | grep -q "^Usage: \|^usage: " || fail "$program --help"
done

# --- velorin-central and two velorind from the root, on loopback ----------------------
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$HOME"
central() { "$usr/bin/velorin-central" "$@" --db "$work/central.db"; }
central add-member seller seller-pw --points 0 >/dev/null || fail "add-member seller"
central add-member buyer buyer-pw --points 100000 >/dev/null || fail "add-member buyer"
address="" web=""
for _ in $(seq 20); do
  candidate="127.0.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 2))"
  port=$((20000 + RANDOM % 20000))
  answers "$candidate" 3823 || answers "$candidate" 2303 || answers "$candidate" 7296 ||
    answers "$candidate" "$port" && continue
  "$usr/bin/velorin-central" serve --listen "$candidate" --web-port "$port" \
    --db "$work/central.db" >"$work/central.txt" 2>&1 &
  pid=$!
  if wait_for 10 grep -q "velorin-central: serving" "$work/central.txt"; then
    pids+=("$pid")
    address=$candidate web=$port
    break
  fi
  kill -TERM "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
done
[ -n "$address" ] || { fail "no velorin-central from the root could serve"; exit 1; }
export VELORIN_CENTRAL="$address" VELORIN_WEB="http://$address:$web/"
say "central from the root on $address (web $web)"

# The web root found from the program's own folder.
exec 3<>"/dev/tcp/$address/$web"
printf 'GET /patchdata/update.ini HTTP/1.0\r\nHost: %s\r\n\r\n' "$address" >&3
reply=$(timeout 10 head -1 <&3)
exec 3<&-
[[ "$reply" == *" 200 "* ]] || fail "the web host from the root answered '$reply' for update.ini"

mkdir -p "$work/seller-shared" "$work/downloads"
head -c 3000000 /dev/urandom >"$work/seller-shared/sample.bin"
for who in seller buyer; do
  port=$((40000 + RANDOM % 20000))
  "$seed" --home "$work/$who" --user "$who" --password "$who-pw" --listen-port "$port" \
    --server-name "$who's files" --share "$work/$who-shared" || fail "seeding $who"
done
for who in seller buyer; do
  "$usr/bin/velorind" --home "$work/$who" >"$work/$who.txt" 2>&1 &
  pids+=($!)
done
send() { timeout 20 "$usr/bin/velorind" --home "$work/$1" --send "${@:2}"; }
wait_for 60 grep -qF $'\tstate\tonline' "$work/seller.txt" || fail "the seller did not sign in"
wait_for 60 grep -qF $'\t안내\t모든 사용자 리스트를 받았습니다.' "$work/buyer.txt" ||
  fail "the buyer did not sign in and get the server list"
send buyer set DownloadPath "$work/downloads" >/dev/null || fail "set DownloadPath"
send buyer download seller '\seller-shared' sample.bin 3000000 >"$work/download.txt" ||
  fail "download refused: $(cat "$work/download.txt")"
if wait_for 60 cmp -s "$work/seller-shared/sample.bin" "$work/downloads/sample.bin"; then
  say "the buyer downloaded sample.bin from the seller"
else
  fail "sample.bin did not arrive intact in 60 s"
fi

# The autostart entry the running client wrote names the root's program.
entry="$XDG_CONFIG_HOME/autostart/velorin.desktop"
if [ ! -e "$entry" ]; then
  send buyer set AutoStart 1 >/dev/null || fail "set AutoStart 1"
fi
if [ -e "$entry" ]; then
  desktop-file-validate "$entry" || fail "desktop-file-validate on the autostart entry"
  grep -q "^Exec=$usr/bin/velorind --home " "$entry" || fail "autostart entry: $(grep ^Exec= "$entry")"
else
  fail "no autostart entry written"
fi
send buyer quit >/dev/null
send seller quit >/dev/null

# --- the vel:// handler -------------------------------------------------------------
update-desktop-database "$usr/share/applications" || fail "update-desktop-database"
handler=$(env -i PATH="$PATH" HOME="$HOME" XDG_CONFIG_HOME="$work/xdg-config" \
  XDG_DATA_HOME="$work/xdg-data" XDG_DATA_DIRS="$usr/share" \
  xdg-mime query default x-scheme-handler/vel)
[ "$handler" = velorin.desktop ] || fail "xdg-mime names '$handler' for x-scheme-handler/vel"

if [ "$failures" -gt 0 ]; then
  say "$failures check(s) failed"
  exit 1
fi
say "desktop entries, metainfo, units, lintian and the extracted packages are as they should be ($(($(date +%s) - began)) s)"
