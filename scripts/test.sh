#!/usr/bin/env bash
# The README's test command: installs what is missing, builds, and runs every test tier.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh -DKOVEL_BUILD_TESTS=ON -DKOVEL_BUILD_DDS=ON

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

run_tier "unit and library tests" ctest --test-dir build --output-on-failure -j"$(nproc)"
for tier in scripts/tiers/*.sh; do
  [ -e "$tier" ] || continue
  run_tier "$(basename "$tier" .sh)" bash "$tier"
done

echo "tiers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
