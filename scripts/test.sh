#!/usr/bin/env bash
# The README's test command: installs what is missing, builds, and runs every test tier.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh
# The built packages found and loaded as in any ROS 2 workspace.
set +u
source install/setup.bash
set -u

passed=0
failed=0
run_tier() {
  local name=$1
  shift
  echo "=== tier: $name"
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "=== tier $name FAILED"
    failed=$((failed + 1))
  fi
}

# Every package's CTest tests: the type support's unit and library tests, kovel_cdr's, and
# the system tests (integration over Fast DDS, hardening).
package_tests() {
  local status=0 package
  for package in $(colcon list --names-only --base-paths .); do
    # Only packages that have tests: the stand-ins have none.
    [ -f "build/$package/CTestTestfile.cmake" ] || continue
    ctest --test-dir "build/$package" -N | grep -q '^Total Tests: [1-9]' || continue
    echo "--- $package"
    ctest --test-dir "build/$package" --output-on-failure -j"$(nproc)" || status=1
  done
  return $status
}
run_tier "package tests" package_tests
for tier in scripts/tiers/*.sh; do
  [ -e "$tier" ] || continue
  run_tier "$(basename "$tier" .sh)" bash "$tier"
done

echo "tiers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
