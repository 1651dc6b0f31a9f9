#!/usr/bin/env bash
# Installs what is missing, builds, and runs the headless client in the
# foreground on the default profile (or the one given with --home DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"
exec "$root/build/bin/velorind" "$@"
