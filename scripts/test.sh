#!/usr/bin/env bash
# The README's test command: installs what is missing, builds, and runs every test tier.
# Each tier appends "NAME RUN FAILED" to the file KOVEL_TEST_COUNTS names, for each set of
# tests it runs, and fails when it ran fewer than the workspace holds; the last line is the
# total of all of them.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh
# The built packages found and loaded as in any ROS 2 workspace.
set +u
source install/setup.bash
set -u

counts=$(mktemp)
trap 'rm -f "$counts"' EXIT
export KOVEL_TEST_COUNTS=$counts
passed=0
failed=0
# run_tier NAME COMMAND...: the tier must exit 0 and have counted the tests it ran, as lines
# "NAME RUN FAILED" or "NAME-PART RUN FAILED" (a count of zero is no proof).
run_tier() {
  local name=$1
  shift
  echo "=== tier: $name"
  if ! "$@"; then
    echo "=== tier $name FAILED"
    failed=$((failed + 1))
  elif ! grep -qE "^$name(-[a-z-]+)? [1-9]" "$counts"; then
    echo "=== tier $name FAILED: it counted no tests"
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
}

run_tier package-tests bash scripts/package_tests.sh
tiers=(scripts/tiers/*.sh)
if [ ! -f "${tiers[0]}" ]; then
  echo "no tier scripts in scripts/tiers" >&2
  exit 1
fi
for tier in "${tiers[@]}"; do
  run_tier "$(basename "$tier" .sh)" bash "$tier"
done

echo "tests run, by tier:"
sed 's/^/  /' "$counts"
tests_run=$(awk '{ run += $2 } END { print run + 0 }' "$counts")
tests_failed=$(awk '{ failed += $3 } END { print failed + 0 }' "$counts")
echo "tiers: $passed passed, $failed failed"
echo "tests: $((tests_run - tests_failed)) passed, $tests_failed failed"
[ "$failed" -eq 0 ] && [ "$tests_failed" -eq 0 ] && [ "$tests_run" -gt 0 ]
