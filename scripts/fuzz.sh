#!/usr/bin/env bash
# Builds the workspace's packages up to kovel_cdr and kovel_matrix_msgs with clang 14,
# ASan + UBSan and libFuzzer's coverage into build-fuzz-ws/ and install-fuzz/, then the
# fuzz targets (fuzz/, against that install) into build-fuzz/, and runs each of them over
# its committed corpus, fuzz/corpus/<Type>/ (fuzz/corpus/kovel_matrix_msgs/<Type>/ for
# that package's types; for a type without one, the seeds the build wrote into
# build-fuzz/seeds/).
#
#   bash scripts/fuzz.sh                      every target, FUZZ_RUNS inputs each (CI;
#                                             FUZZ_MATRIX_RUNS for kovel_matrix_msgs',
#                                             FUZZ_TEXT_RUNS for the text targets)
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
# kovel_matrix_msgs' types run the same member rules as the product's, and their records
# are larger: fewer inputs keep the tier within its time.
matrix_runs=${FUZZ_MATRIX_RUNS:-5000}
# The text targets parse YAML with yaml-cpp, whose allocations ASan and libFuzzer's hooks
# make slow (about 70 inputs a second): fewer inputs keep the tier within its time.
text_runs=${FUZZ_TEXT_RUNS:-2000}
seconds=${FUZZ_SECONDS:-}
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
ws_build=${FUZZ_WS_BUILD_BASE:-build-fuzz-ws}
ws_install=${FUZZ_WS_INSTALL_BASE:-install-fuzz}

# The workspace's sanitizer options, each unless already set.
while IFS='=' read -r name value; do
  [[ $name =~ ^[A-Z_]+$ ]] || continue
  [ -n "${!name:-}" ] || export "$name=$value"
done <kovel_cdr/sanitizer_options.env
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
export CC=clang-14 CXX=clang++-14
export CFLAGS="$sanitizers -fsanitize=fuzzer-no-link" CXXFLAGS="$sanitizers -fsanitize=fuzzer-no-link"
export LDFLAGS="$sanitizers"
# CMake reads the flags only when it first configures: other flags start afresh.
if [ "$(cat "$ws_build/sanitizer-flags" 2>/dev/null)" != "$CC $CXXFLAGS $LDFLAGS" ]; then
  rm -rf "$ws_build" "$ws_install" "$build_dir"
  mkdir -p "$ws_build"
  echo "$CC $CXXFLAGS $LDFLAGS" >"$ws_build/sanitizer-flags"
fi

# Only what the targets link and load; clang's sanitizer and coverage runtimes live in
# the executables, so the type support library leaves their symbols undefined.
BUILD_BASE=$ws_build INSTALL_BASE=$ws_install bash scripts/build.sh \
  --packages-up-to kovel_cdr kovel_matrix_msgs \
  --cmake-args -DKOVEL_ALLOW_UNDEFINED=ON -DKOVEL_BUILD_DDS=OFF -DBUILD_TESTING=OFF
set +u
source "$ws_install/setup.bash"
set -u
# ament's CMake needs Debian's python3, as colcon.meta says for the packages.
cmake -S fuzz -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS="$CFLAGS" \
  -DCMAKE_CXX_FLAGS="$CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" \
  -DPython3_EXECUTABLE=/usr/bin/python3 \
  >"$ws_build/fuzz-configure.log" 2>&1 || {
  cat "$ws_build/fuzz-configure.log"
  exit 1
}
targets=$(cat "$build_dir/fuzz_targets.txt") || {
  echo "fuzz: $build_dir/fuzz_targets.txt is missing" >&2
  exit 1
}
# Only the targets that will run (each builds the seeds it needs).
build_targets=$(awk -v filter="$filter" 'index($1, filter) {print $1}' <<<"$targets")
cmake --build "$build_dir" -j"$(nproc)" --target ${build_targets:-all} \
  >"$ws_build/fuzz-build.log" 2>&1 || {
  tail -n 60 "$ws_build/fuzz-build.log"
  exit 1
}

failed=()
ran=0
mkdir -p "$build_dir/artifacts"
while read -r name seeds; do
  target=$build_dir/$name
  [[ "$name" == *"$filter"* ]] || continue
  ran=$((ran + 1))
  if [ -n "$seconds" ]; then
    limit=(-max_total_time="$seconds")
  else
    # Bounded in count, with a time cap in case a target turns slow.
    case $name in
      fuzz_from_text_*) count=$text_runs ;;
      *) count=$([[ $seeds == */kovel_matrix_msgs/* ]] && echo "$matrix_runs" || echo "$runs") ;;
    esac
    limit=(-runs="$count"
      -max_total_time=120)
  fi
  scratch="$build_dir/corpus/$name"
  mkdir -p "$scratch"
  log="$build_dir/artifacts/$name.log"
  if "$target" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build_dir/artifacts/$name-" "$scratch" "$seeds" \
      </dev/null >"$log" 2>&1; then
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
done <<<"$targets"

echo "fuzz: $ran targets run, ${#failed[@]} failed"
[ -z "${KOVEL_TEST_COUNTS:-}" ] ||
  echo "${KOVEL_TEST_COUNT_NAME:-fuzz} $ran ${#failed[@]}" >>"$KOVEL_TEST_COUNTS"
if [ "$ran" -eq 0 ]; then
  echo "no fuzz target matches '$filter'"
  exit 1
fi
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets failed: ${failed[*]}"
  exit 1
fi
