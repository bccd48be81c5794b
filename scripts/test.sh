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

run_tier "package tests" bash scripts/package_tests.sh
tiers=(scripts/tiers/*.sh)
if [ ! -f "${tiers[0]}" ]; then
  echo "no tier scripts in scripts/tiers" >&2
  exit 1
fi
for tier in "${tiers[@]}"; do
  run_tier "$(basename "$tier" .sh)" bash "$tier"
done

echo "tiers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
