#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test: the normal build,
# then the packaging checks, then the unit and component tests again under AddressSanitizer and UBSan,
# then each libFuzzer target for a short while (clang).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/check-format.sh"
"$root/scripts/check-layers.sh"

# ccache lets the package build below reuse this build's objects.
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
"$root/scripts/build.sh" "$root/build" "${launcher[@]}"
(cd "$root/build" && ctest --output-on-failure --timeout 600 -j "$(nproc)")

# The desktop entries, metainfo, units and Debian packages, and the programs
# run from the extracted packages.
"$root/scripts/check-packaging.sh" "$root/build"

# The sanitizer build leaves out the desktop client: Qt's own code is not ours to check.
"$root/scripts/build.sh" "$root/build-asan" -DVELORIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DVELORIN_GUI=OFF
(cd "$root/build-asan" && ctest --output-on-failure --timeout 900 -j "$(nproc)" -LE system)

# Each fuzz target runs 20 s from an empty corpus; a crash, a leak or a failed
# check ends the script, and the input that did it stays in build-fuzz/.
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELORIN_FUZZ=ON -DVELORIN_TESTS=OFF -DVELORIN_GUI=OFF >/dev/null
cmake --build "$root/build-fuzz" --target fuzz_targets --parallel "$(nproc)"
for target in "$root"/build-fuzz/bin/fuzz_*; do
  corpus=$(mktemp -d)
  echo "fuzzing $(basename "$target") for 20 s"
  status=0
  "$target" -max_total_time=20 -artifact_prefix="$root/build-fuzz/" "$corpus" >"$corpus.log" 2>&1 || status=$?
  grep -E "^Done" "$corpus.log" || true
  if [ "$status" -ne 0 ]; then
    cat "$corpus.log"
    rm -rf "$corpus" "$corpus.log"
    exit 1
  fi
  rm -rf "$corpus" "$corpus.log"
done
echo "all tests passed"
