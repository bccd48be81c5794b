#!/usr/bin/env bash
# Hardening tier, run by scripts/test.sh after the normal build:
#   1. the whole test suite built with the address and undefined-behaviour sanitizers
#      (gcc, build-asan/), leaks detected;
#   2. the concurrency test built with the thread sanitizer (gcc, build-tsan/);
#   3. every fuzz target (clang libFuzzer, build-fuzz/) for a bounded number of inputs.
# Environment:
#   FUZZ_RUNS=n        inputs per fuzz target (default 20000)
#   FUZZ_SECONDS=s     fuzz each target for s seconds instead (the long run)
#   ASAN_DDS=ON        also build the Fast DDS parts (adapter, integration tests) with
#                      the sanitizers; off by default, as they take minutes to build
#   KOVEL_CONCURRENCY_ROUNDS=n   rounds per thread of the concurrency test (default 1000)
set -uo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS
failed=()

step() {
  echo "--- hardening: $1 ($((SECONDS - start)) s)"
}

# configure_and_build DIR FLAGS TARGET [cmake options...]; TARGET "" builds everything.
configure_and_build() {
  local dir=$1 flags=$2 target=$3
  shift 3
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" \
    "$@" >/dev/null || return 1
  if ! cmake --build "$dir" -j2 ${target:+--target "$target"} >"$dir/hardening-build.log" 2>&1; then
    tail -40 "$dir/hardening-build.log"
    return 1
  fi
}

# run_logged NAME LOG COMMAND...: the last lines on success, the whole log on failure.
run_logged() {
  local name=$1 log=$2
  shift 2
  if "$@" >"$log" 2>&1; then
    tail -3 "$log"
  else
    tail -200 "$log"
    failed+=("$name")
  fi
}

step "address and undefined-behaviour sanitizers, whole test suite"
asan_flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
if configure_and_build build-asan "$asan_flags" "" -DKOVEL_BUILD_DDS="${ASAN_DDS:-OFF}"; then
  # Fast DDS 2.9.1 itself deletes some objects through a base of another size.
  ASAN_OPTIONS=detect_leaks=1:new_delete_type_mismatch=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_logged asan build-asan/hardening-ctest.log \
    ctest --test-dir build-asan --output-on-failure -j2 --timeout 300
else
  failed+=(asan-build)
fi

step "thread sanitizer, concurrency test"
if configure_and_build build-tsan "-fsanitize=thread" hardening_concurrency_test \
    -DKOVEL_BUILD_DDS=OFF; then
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    run_logged tsan build-tsan/hardening-concurrency.log \
    build-tsan/test/hardening/hardening_concurrency_test
else
  failed+=(tsan-build)
fi

step "fuzz targets"
bash scripts/fuzz.sh || failed+=(fuzz)

step "done"
if [ ${#failed[@]} -gt 0 ]; then
  echo "hardening failed: ${failed[*]}"
  exit 1
fi
