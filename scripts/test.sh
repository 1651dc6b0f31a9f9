#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build,
# then the unit and component tests again under AddressSanitizer and UBSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure --timeout 600 -j "$(nproc)")

"$root/scripts/build.sh" "$root/build-asan" -DVELORIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
(cd "$root/build-asan" && ctest --output-on-failure --timeout 900 -j "$(nproc)" -LE system)
echo "all tests passed"
