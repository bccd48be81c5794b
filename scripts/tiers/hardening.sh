#!/usr/bin/env bash
# Hardening tier, run by scripts/test.sh after the normal build:
#   1. the whole workspace built with gcc's address and undefined-behaviour sanitizers
#      (build-asan/, install-asan/) and every package's tests run against that install:
#      unit, library, kovel_cdr, hardening and the Fast DDS integration tests; leaks detected;
#   2. the concurrency test built with gcc's thread sanitizer (build-tsan/, install-tsan/;
#      the packages below it without their tests and the Fast DDS parts);
#   3. every fuzz target (scripts/fuzz.sh: clang libFuzzer, build-fuzz/) for a bounded
#      number of inputs.
# Environment:
#   FUZZ_RUNS=n        inputs per fuzz target (default 20000)
#   FUZZ_SECONDS=s     fuzz each target for s seconds instead (the long run)
#   KOVEL_CONCURRENCY_ROUNDS=n   rounds per thread of the concurrency test (default 1000)
set -uo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS
step_start=$SECONDS
failed=()
timings=()

step() {
  [ -z "${step_name:-}" ] || timings+=("$step_name $((SECONDS - step_start)) s")
  step_name=$1
  step_start=$SECONDS
  echo "--- hardening: $1 ($((SECONDS - start)) s)"
}

# scripts/test.sh has sourced install/setup.bash: its prefixes are left out, so that each
# sanitizer build finds, and its tests load, only its own packages.
for var in AMENT_PREFIX_PATH CMAKE_PREFIX_PATH COLCON_PREFIX_PATH LD_LIBRARY_PATH PATH \
    PYTHONPATH PKG_CONFIG_PATH; do
  [ -n "${!var+x}" ] || continue
  value=$(tr ':' '\n' <<<"${!var}" | grep -v "^$PWD/install\(/\|$\)" | paste -sd:)
  if [ -n "$value" ]; then export "$var=$value"; else unset "$var"; fi
done

# sanitized_build BUILD_BASE INSTALL_BASE FLAGS [colcon arguments...]: gcc. Debian's gcc
# leaves out its default --as-needed when sanitizing; it is put back so that the
# executables need the same libraries as in the normal build. CMake reads the flags only
# when it first configures, so a build base made with other flags starts afresh.
sanitized_build() {
  local build_base=$1 install_base=$2 flags=$3
  shift 3
  local ldflags="$flags -Wl,--as-needed"
  if [ "$(cat "$build_base/sanitizer-flags" 2>/dev/null)" != "$flags $ldflags" ]; then
    rm -rf "$build_base" "$install_base"
    mkdir -p "$build_base"
    echo "$flags $ldflags" >"$build_base/sanitizer-flags"
  fi
  BUILD_BASE=$build_base INSTALL_BASE=$install_base CC=gcc CXX=g++ \
    CFLAGS="$flags" CXXFLAGS="$flags" LDFLAGS="$ldflags" bash scripts/build.sh "$@"
}

# run_logged NAME LOG COMMAND...: the summary lines on success, the log's end on failure.
run_logged() {
  local name=$1 log=$2
  shift 2
  if "$@" >"$log" 2>&1; then
    awk '/^--- /{package = $2 ": "} /tests passed|^\[  PASSED|^package tests:/{print package $0}' "$log"
  else
    tail -200 "$log"
    echo "$name failed (log: $log)"
    failed+=("$name")
  fi
}

# count_gtest NAME INSTALL_BASE EXECUTABLE LOG: the tests the executable lists against those
# its run in LOG reports, appended to KOVEL_TEST_COUNTS; fewer run than listed is a failure.
count_gtest() {
  local name=$1 install_base=$2 executable=$3 log=$4 listed ran passed
  listed=$(bash -c 'set +u; source "$1/setup.bash"; "$2" --gtest_list_tests' _ \
    "$install_base" "$executable" | grep -c '^  ') || listed=0
  ran=$(sed -n 's/^\[==========\] \([0-9][0-9]*\) tests\{0,1\} from .* ran\..*/\1/p' "$log")
  passed=$(sed -n 's/^\[  PASSED  \] \([0-9][0-9]*\) tests\{0,1\}\..*/\1/p' "$log")
  echo "$name: ${ran:-0} of $listed tests ran, ${passed:-0} passed"
  if [ "$listed" -eq 0 ] || [ "${ran:-0}" -ne "$listed" ]; then
    failed+=("$name-count")
  fi
  [ -z "${KOVEL_TEST_COUNTS:-}" ] ||
    echo "$name ${ran:-0} $((${ran:-0} - ${passed:-0}))" >>"$KOVEL_TEST_COUNTS"
}

# The workspace's sanitizer options, for the builds too: the test discovery runs the test
# binaries.
set -a
source kovel_cdr/sanitizer_options.env
set +a

step "address and undefined-behaviour sanitizers, the whole workspace and its tests"
asan_flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
if sanitized_build build-asan install-asan "$asan_flags"; then
  run_logged asan build-asan/hardening-ctest.log \
    env KOVEL_TEST_COUNT_NAME=hardening-asan bash scripts/package_tests.sh build-asan install-asan
else
  failed+=(asan-build)
fi

step "thread sanitizer, concurrency test"
# What kovel_system_tests depends on, as its package.xml says, then the package itself.
if sanitized_build build-tsan install-tsan -fsanitize=thread \
    --packages-up-to kovel_system_tests --packages-skip kovel_system_tests \
    --cmake-args -DBUILD_TESTING=OFF -DKOVEL_BUILD_DDS=OFF &&
  sanitized_build build-tsan install-tsan -fsanitize=thread --packages-select kovel_system_tests \
    --cmake-args -DKOVEL_INTEGRATION_TESTS=OFF
then
  run_logged tsan build-tsan/hardening-concurrency.log bash -c '
    set +u; source install-tsan/setup.bash; set -u
    timeout 900 build-tsan/kovel_system_tests/hardening/hardening_concurrency_test'
  count_gtest hardening-tsan install-tsan \
    build-tsan/kovel_system_tests/hardening/hardening_concurrency_test \
    build-tsan/hardening-concurrency.log
else
  failed+=(tsan-build)
fi

step "fuzz targets"
KOVEL_TEST_COUNT_NAME=hardening-fuzz bash scripts/fuzz.sh || failed+=(fuzz)

step "done"
printf 'hardening step: %s\n' "${timings[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "hardening failed: ${failed[*]}"
  exit 1
fi
