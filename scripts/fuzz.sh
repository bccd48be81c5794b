#!/usr/bin/env bash
# Builds the fuzz targets (clang 14, libFuzzer, ASan + UBSan) into build-fuzz/ and runs
# each of them over its committed corpus, fuzz/corpus/<Type>/.
#
#   bash scripts/fuzz.sh                      every target, FUZZ_RUNS inputs each (CI)
#   FUZZ_SECONDS=600 bash scripts/fuzz.sh     every target for 600 s each (long run)
#   bash scripts/fuzz.sh DeviceInfo           only the targets whose name contains it
#
# Inputs found to add coverage go to build-fuzz/corpus/<target>/, never into the
# committed corpus; a crashing input goes to build-fuzz/artifacts/ and is printed in hex.
# Exit status 1 when any target failed.
set -euo pipefail
cd "$(dirname "$0")/.."
filter=${1:-}
runs=${FUZZ_RUNS:-20000}
seconds=${FUZZ_SECONDS:-}
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}

CC=clang-14 CXX=clang++-14 cmake -S fuzz -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j2 >/dev/null

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:new_delete_type_mismatch=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
if [ -n "$seconds" ]; then
  limit=(-max_total_time="$seconds")
else
  # Bounded in count, with a time cap in case a target turns slow.
  limit=(-runs="$runs" -max_total_time=120)
fi

failed=()
mkdir -p "$build_dir/artifacts"
for target in "$build_dir"/fuzz_*; do
  name=$(basename "$target")
  [ -x "$target" ] && [[ "$name" == *"$filter"* ]] || continue
  type=${name#fuzz_deserialize_}
  type=${type#fuzz_round_trip_}
  scratch="$build_dir/corpus/$name"
  mkdir -p "$scratch"
  log="$build_dir/artifacts/$name.log"
  if "$target" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build_dir/artifacts/$name-" "$scratch" "fuzz/corpus/$type" \
      >"$log" 2>&1; then
    # A leak, a sanitizer report or a broken property would have failed the run.
    runs_done=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    corpus=$(grep -E 'DONE' "$log" | grep -oE 'corp: [0-9]+' | tail -1 || true)
    printf '%-44s %s inputs, %s, no crash, no leak\n' "$name" "${runs_done:-?}" "${corpus:-?}"
  else
    echo "$name FAILED (log: $log)"
    grep -E 'ERROR|SUMMARY|^[A-Za-z_]+: ' "$log" | head -20 || true
    for artifact in "$build_dir/artifacts/$name"-*; do
      [ -f "$artifact" ] && [[ "$artifact" != *.log ]] || continue
      echo "input $artifact:"
      od -An -tx1 -v "$artifact" | head -20
    done
    failed+=("$name")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets failed: ${failed[*]}"
  exit 1
fi
