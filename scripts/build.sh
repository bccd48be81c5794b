#!/usr/bin/env bash
# Builds and installs every package of the workspace with colcon, in dependency order, into
# build/ and install/ (BUILD_BASE, INSTALL_BASE). Stand-ins (compat/) that a sourced ROS 2
# underlay already provides are skipped. Extra arguments go to colcon build as they are;
# compiler flags for sanitizer builds come from CC, CXX, CFLAGS, CXXFLAGS and LDFLAGS.
set -euo pipefail
cd "$(dirname "$0")/.."
build_base=${BUILD_BASE:-build}
install_base=${INSTALL_BASE:-install}

skip=()
for stand_in in compat/*/; do
  package=$(basename "$stand_in")
  for prefix in ${AMENT_PREFIX_PATH:+${AMENT_PREFIX_PATH//:/ }}; do
    case "$(realpath -m "$prefix")" in "$PWD"/*) continue ;; esac
    if [ -f "$prefix/share/$package/package.xml" ]; then
      skip+=("$package")
      break
    fi
  done
done
[ ${#skip[@]} -eq 0 ] || echo "using the underlay's ${skip[*]}"

# ament's CMake runs Python scripts that need Debian's python3 (colcon.meta passes it to
# CMake); colcon itself is Debian's too.
mkdir -p "$build_base"
log=$build_base/colcon-build.log
echo "colcon build into $build_base/ and $install_base/ (log: $log)"
colcon build --build-base "$build_base" --install-base "$install_base" \
  --event-handlers console_cohesion+ \
  ${skip[@]:+--packages-skip "${skip[@]}"} "$@" >"$log" 2>&1 || {
  tail -n 80 "$log"
  echo "build failed: the whole log is $log" >&2
  exit 1
}
grep -E '^Summary:' "$log" || true
if [ ! -f "$install_base/setup.bash" ]; then
  echo "build: colcon wrote no $install_base/setup.bash (python3-colcon-bash missing?)" >&2
  exit 1
fi
