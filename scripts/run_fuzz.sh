#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one for a while on its corpus in
# fuzz/corpus/, two at a time. Fails when a harness finds a crash, a hang, a
# leak or an allocation beyond its limit; the input is kept under
# build/fuzz/artifacts/<harness>/.
#   scripts/run_fuzz.sh [seconds per harness, default 60] [harness ...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
MERIDIAN_WITH_FUZZ=1 "$root/scripts/ensure_tools.sh"
build="$root/build/fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DMERIDIAN_FUZZ=ON -DMERIDIAN_TESTS=OFF >/dev/null
cmake --build "$build"

harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(listing generator input_deck deck_springs records)

# Longest input tried per harness.
max_len() {
  case $1 in
    listing) echo 200000 ;;
    records) echo 4096 ;;
    generator) echo 20000 ;;
    *) echo 100000 ;;
  esac
}

# The harnesses change into a scratch directory: every path given is absolute.
run_harness() {
  local name=$1
  local work="$build/work/$name" artifacts="$build/artifacts/$name"
  rm -rf "$work"
  mkdir -p "$work" "$artifacts"
  "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="$(max_len "$name")" -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$work" "$root/fuzz/corpus/$name" >"$build/fuzz_$name.log" 2>&1
}

failed=()
pending=("${harnesses[@]}")
while [ ${#pending[@]} -gt 0 ]; do
  batch=("${pending[@]:0:2}")
  pending=("${pending[@]:2}")
  pids=()
  for name in "${batch[@]}"; do
    run_harness "$name" &
    pids+=($!)
  done
  for i in "${!batch[@]}"; do
    name=${batch[$i]}
    if wait "${pids[$i]}"; then
      echo "fuzz_$name: $(grep -E '^stat::number_of_executed_units' "$build/fuzz_$name.log" |
        awk '{print $2}') runs, no crash"
    else
      echo "fuzz_$name FAILED; the end of its log ($build/fuzz_$name.log):"
      tail -n 60 "$build/fuzz_$name.log"
      failed+=("$name")
    fi
  done
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "harnesses that found a fault: ${failed[*]}"
  exit 1
fi
