#!/usr/bin/env bash
# Every package's CTest tests, from BUILD_BASE (default build/) in the environment of
# INSTALL_BASE (default install/): the type support's unit and library tests, kovel_cdr's,
# and the system tests (integration over Fast DDS, hardening). The stand-ins (compat/) have
# none; any other package without tests fails the run, and so does a package whose run
# executed fewer tests than `ctest -N` lists for it, so that no test goes unnoticed.
#   bash scripts/package_tests.sh [BUILD_BASE [INSTALL_BASE]]
# Prints "package tests: N run, N failed" last; with KOVEL_TEST_COUNTS set, appends
# "NAME RUN FAILED" to the file it names, NAME being KOVEL_TEST_COUNT_NAME (default
# package-tests).
set -uo pipefail
cd "$(dirname "$0")/.."
build_base=${1:-build}
install_base=${2:-install}
if [ ! -f "$install_base/setup.bash" ]; then
  echo "package tests: $install_base/setup.bash is missing; build first" >&2
  exit 1
fi
set +u
source "$install_base/setup.bash"
set -u

packages=$(colcon list --base-paths .) || {
  echo "package tests: 'colcon list' failed, so the packages are unknown" >&2
  exit 1
}
if [ -z "$packages" ]; then
  echo "package tests: 'colcon list' found no package" >&2
  exit 1
fi

status=0
total=0
total_failed=0
while read -r package path _; do
  listing=$(ctest --test-dir "$build_base/$package" -N 2>&1) || {
    echo "$package: 'ctest -N' failed in $build_base/$package:" >&2
    echo "$listing" | tail -n 5 >&2
    status=1
    continue
  }
  listed=$(sed -n 's/^Total Tests: \([0-9][0-9]*\)$/\1/p' <<<"$listing")
  if [ "${listed:-0}" -eq 0 ]; then
    case $path in compat/*) continue ;; esac
    echo "$package: no tests in $build_base/$package" >&2
    status=1
    continue
  fi
  echo "--- $package ($listed tests)"
  log=$build_base/$package/package-tests.log
  ctest --test-dir "$build_base/$package" --output-on-failure -j"$(nproc)" --timeout 300 \
    >"$log" 2>&1 || status=1
  cat "$log"
  # "100% tests passed, 0 tests failed out of 56"
  ran=$(sed -n 's/.*tests failed out of \([0-9][0-9]*\)$/\1/p' "$log" | tail -n 1)
  failed=$(sed -n 's/.* \([0-9][0-9]*\) tests failed out of [0-9]*$/\1/p' "$log" | tail -n 1)
  if [ "${ran:-0}" -ne "$listed" ]; then
    echo "$package: ${ran:-0} tests ran, but $listed are listed" >&2
    status=1
  fi
  total=$((total + ${ran:-0}))
  total_failed=$((total_failed + ${failed:-0}))
done <<<"$packages"

echo "package tests: $total run, $total_failed failed"
[ -z "${KOVEL_TEST_COUNTS:-}" ] ||
  echo "${KOVEL_TEST_COUNT_NAME:-package-tests} $total $total_failed" >>"$KOVEL_TEST_COUNTS"
exit $status
