#!/usr/bin/env bash
# Installs, as root on Debian 12, the packages the build, the demo and the tests need.
# Idempotent: does nothing when everything is already there.
set -euo pipefail

# Each package by name: --no-install-recommends leaves out what Debian only recommends, and
# Debian's colcon only recommends the extensions every ROS 2 user has (setup.bash, colcon
# list, colcon test-result, package discovery below the workspace root).
packages=(
  # compilers and build tools; binutils gives nm and readelf (install tier)
  build-essential binutils cmake pkg-config python3
  # the ROS 2 pieces Debian ships: Fast-CDR, Fast DDS, rosidl, ament, rcutils
  libfastcdr-dev libfastrtps-dev librosidl-runtime-c-cpp-dev librosidl-typesupport-interface-dev
  ament-cmake rosidl-cmake rosidl-generator-c-cpp librosidl-typesupport-introspection-c-cpp-dev
  librcutils-dev
  # colcon and the extensions ROS 2 users rely on
  colcon python3-colcon-core python3-colcon-bash python3-colcon-cd python3-colcon-cmake
  python3-colcon-defaults python3-colcon-library-path python3-colcon-metadata
  python3-colcon-output python3-colcon-package-information python3-colcon-package-selection
  python3-colcon-parallel-executor python3-colcon-recursive-crawl python3-colcon-ros
  python3-colcon-test-result python3-colcon-argcomplete
  # kovel_cdr's libraries
  nlohmann-json3-dev libyaml-cpp-dev
  # tests, benchmarks, sanitizers and fuzzing
  googletest libgtest-dev libgmock-dev libbenchmark-dev clang-14 libclang-rt-14-dev valgrind
  # network namespaces (ip, ss, unshare) and the fuzz seeds' JSON tool
  iproute2 util-linux jq
)

missing=()
# Node.js (for the interop tier) may come from elsewhere than Debian: only add Debian's
# when there is none.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
