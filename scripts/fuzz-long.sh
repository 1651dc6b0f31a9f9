#!/usr/bin/env bash
# A long fuzz campaign: builds the libFuzzer targets as scripts/test.sh does and
# runs each one for a given time on a corpus that is kept between runs.
#
# Usage: scripts/fuzz-long.sh [SECONDS_PER_TARGET] [TARGET...]
#   SECONDS_PER_TARGET  default 3600
#   TARGET              fuzz_link or link; default every target in fuzz/
#
# Corpus:    fuzz/corpus/<target>/     (kept, ignored by git; FUZZ_CORPUS_ROOT moves it)
# Crashes:   fuzz/artifacts/<target>/  (crash-*, leak-*, timeout-*, oom-* inputs)
# Logs:      build-fuzz/fuzz-long/<target>.log
# Ends with status 1 when any target found a crash, 2 on a usage or build error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
corpus_root=${FUZZ_CORPUS_ROOT:-"$root/fuzz/corpus"}
artifact_root=${FUZZ_ARTIFACT_ROOT:-"$root/fuzz/artifacts"}
log_root="$build/fuzz-long"

seconds=3600
if [ $# -gt 0 ] && [[ "$1" =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi
if [ "$seconds" -le 0 ] || { [ $# -gt 0 ] && [[ "$1" == -* ]]; }; then
  sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi

targets=()
for name in "$@"; do
  targets+=("fuzz_${name#fuzz_}")
done

"$root/scripts/install-deps.sh"
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work} CCACHE_DIR=${CCACHE_DIR:-/work/.ccache}
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELORIN_FUZZ=ON -DVELORIN_TESTS=OFF "${launcher[@]}" >/dev/null
if [ ${#targets[@]} -eq 0 ]; then
  cmake --build "$build" --target fuzz_targets --parallel "$(nproc)"
  for bin in "$build"/bin/fuzz_*; do targets+=("$(basename "$bin")"); done
else
  cmake --build "$build" --target "${targets[@]}" --parallel "$(nproc)"
fi

mkdir -p "$log_root"
summary=()
crashed=0
for target in "${targets[@]}"; do
  corpus="$corpus_root/$target"
  artifacts="$artifact_root/$target"
  log="$log_root/$target.log"
  mkdir -p "$corpus" "$artifacts"
  # Slow units are only noted: they are inputs that took long, not failures.
  failures() { find "$artifacts" -type f ! -name 'slow-unit-*' | sort; }
  before=$(failures)
  echo "fuzzing $target for $seconds s (corpus $corpus)"
  status=0
  # -timeout: an input that runs 30 s is a hang worth keeping, not a slow unit.
  "$build/bin/$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=30 \
    -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1 || status=$?

  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  # The last progress line carries the coverage reached: "#N ... cov: C ft: F corp: U/S".
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  first=$(grep -E '^#[0-9]+.*INITED' "$log" | head -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  cov0=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$first")
  [ -n "$runs" ] || runs=$(sed -n 's/^#\([0-9]*\).*/\1/p' <<<"$last")
  files=$(find "$corpus" -type f | wc -l)
  bytes=$(find "$corpus" -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}')
  fresh=$(comm -13 <(echo "$before") <(failures) | sed '/^$/d')
  found=$(echo -n "$fresh" | grep -c . || true)
  # A machine busy with other work can starve a unit past the time-out: run
  # each new time-out again alone, and say when it does not come back.
  unreproduced=0
  for input in $(grep '/timeout-' <<<"$fresh" || true); do
    if timeout 60 "$build/bin/$target" -timeout=30 "$input" >/dev/null 2>&1; then
      unreproduced=$((unreproduced + 1))
    fi
  done
  if [ "$found" -gt 0 ] && [ "$unreproduced" -eq "$found" ] && [ "$status" -eq 70 ]; then
    status=0
  fi
  if [ "$status" -ne 0 ] || [ "$found" -gt "$unreproduced" ]; then
    crashed=1
    newest=$(ls -t "$artifacts" 2>/dev/null | head -1)
    verdict="CRASH (exit $status, $found new input(s), newest $artifacts/$newest, log $log)"
  elif [ "$unreproduced" -gt 0 ]; then
    verdict="no crash ($unreproduced time-out(s) that ran at once when tried again alone)"
  else
    verdict="no crash"
  fi
  line=$(printf '%-22s %10s execs  %7s exec/s  cov %s (from %s)  ft %s  corpus %s files %s bytes  %s' \
    "$target" "${runs:-?}" "${rate:-?}" "${cov:-?}" "${cov0:-?}" "${ft:-?}" "$files" "$bytes" \
    "$verdict")
  echo "$line"
  summary+=("$line")
done

echo
echo "summary ($seconds s per target)"
printf '%s\n' "${summary[@]}"
exit "$crashed"
