#!/usr/bin/env bash
# Every package's CTest tests, from BUILD_BASE (default build/) in the environment of
# INSTALL_BASE (default install/): the type support's unit and library tests, kovel_cdr's,
# and the system tests (integration over Fast DDS, hardening). The stand-ins (compat/) have
# none; any other package without tests fails the run, so that no test tier goes unnoticed.
#   bash scripts/package_tests.sh [BUILD_BASE [INSTALL_BASE]]
set -uo pipefail
cd "$(dirname "$0")/.."
build_base=${1:-build}
install_base=${2:-install}
set +u
source "$install_base/setup.bash"
set -u
status=0
while read -r package path _; do
  if ! ctest --test-dir "$build_base/$package" -N 2>/dev/null | grep -q '^Total Tests: [1-9]'; then
    case $path in compat/*) continue ;; esac
    echo "$package: no tests in $build_base/$package" >&2
    status=1
    continue
  fi
  echo "--- $package"
  ctest --test-dir "$build_base/$package" --output-on-failure -j"$(nproc)" --timeout 300 ||
    status=1
done < <(colcon list --base-paths .)
exit $status
