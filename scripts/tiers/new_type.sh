#!/usr/bin/env bash
# New-type tier: a message type joins kovel_camera_msgs with its .msg, one line in the
# package's interface list and its type support unit, and every part of the project takes
# it from there. In a scratch copy of the committed workspace (build-new-type/ws, from
# git archive HEAD; the checkout is not touched) it adds the fixture of test/new_type/
# (Temperature), checks that nothing else changed, builds, and runs the type through
# kovel_cdr encode and decode (a .msg default included), the library and kovel_cdr tests
# that list the package's types, the interop tier, the install tier, a few seconds of its
# fuzz targets and a short benchmark run. Any of them needing another edit fails it.
#
# The stand-ins (compat/) come from the checkout's install/ (or $INSTALL_BASE), as an
# underlay: the new type changes nothing in them.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
start=$SECONDS
install_base=$(realpath -m "${INSTALL_BASE:-install}")
scratch=$root/build-new-type
ws=$scratch/ws
fixture=test/new_type
type=Temperature
failed=()
ran=0

check() {
  ran=$((ran + 1))
  [ "$1" = ok ] || { echo "new_type: $2" >&2; failed+=("$2"); }
}
finish() {
  [ -z "$counts" ] || echo "new_type $ran ${#failed[@]}" >>"$counts"
  if [ ${#failed[@]} -eq 0 ]; then
    echo "new_type tier: passed ($ran checks, $((SECONDS - start)) s)"
    exit 0
  fi
  echo "new_type tier: FAILED: ${failed[*]} ($((SECONDS - start)) s)"
  exit 1
}
# Runs a step with its output in a log, shown when it fails: step NAME COMMAND...
step() {
  local name=$1 log=$scratch/$1.log
  shift
  echo "--- $name"
  local begun=$SECONDS
  if "$@" >"$log" 2>&1; then
    echo "    ok ($((SECONDS - begun)) s, log: ${log#"$root"/})"
    return 0
  fi
  tail -n 40 "$log"
  echo "    FAILED ($((SECONDS - begun)) s, log: ${log#"$root"/})"
  return 1
}

if [ ! -f "$install_base/setup.bash" ]; then
  echo "new_type: $install_base/setup.bash is missing; build first (bash scripts/build.sh)" >&2
  exit 1
fi
# The tiers run below count for this one only.
counts=${KOVEL_TEST_COUNTS:-}
unset KOVEL_TEST_COUNTS

# --- the scratch workspace and the fixture ---------------------------------------------------
rm -rf "$scratch"
mkdir -p "$ws"
# colcon in the checkout must not find the copy's packages.
touch "$scratch/COLCON_IGNORE"
git archive --format=tar HEAD | tar -x -C "$ws" || { echo "new_type: git archive failed" >&2; exit 1; }
cd "$ws"
git init -q . && git add -A && git -c user.name=new_type -c user.email=new_type@localhost \
  commit -qm "the committed workspace" || { echo "new_type: git init failed" >&2; exit 1; }

units=kovel_camera_msgs/rosidl_typesupport_fastrtps_c/kovel_camera_msgs/msg/detail
cp "$fixture/$type.msg" kovel_camera_msgs/msg/
cp "$fixture"/*__type_support_c.cpp "$fixture"/*__rosidl_typesupport_fastrtps_c.h "$units/"
# One line in the interface list, after its last message.
awk -v line="  msg/$type.msg" '{ lines[NR] = $0 } /^  msg\/[A-Za-z0-9]+\.msg$/ { last = NR }
  END { for (i = 1; i <= NR; i++) { print lines[i]; if (i == last) print line } }' \
  kovel_camera_msgs/CMakeLists.txt >"$scratch/CMakeLists.txt" &&
  mv "$scratch/CMakeLists.txt" kovel_camera_msgs/CMakeLists.txt

git add -A
echo "the fixture's change to the committed workspace:"
git diff --cached --stat | sed 's/^/  /'
changed=$(git diff --cached --numstat | sort)
expected=$(printf '%s\n' "1	0	kovel_camera_msgs/CMakeLists.txt" \
  "$(wc -l <"$fixture/$type.msg")	0	kovel_camera_msgs/msg/$type.msg" \
  "$(wc -l <"$fixture/temperature__rosidl_typesupport_fastrtps_c.h")	0	$units/temperature__rosidl_typesupport_fastrtps_c.h" \
  "$(wc -l <"$fixture/temperature__type_support_c.cpp")	0	$units/temperature__type_support_c.cpp" | sort)
if [ "$changed" = "$expected" ]; then check ok; else
  check no "fixture: the change is not the .msg, one CMake line and the unit:
$changed"
fi
git diff --cached -U0 kovel_camera_msgs/CMakeLists.txt | grep '^[-+] ' | sed 's/^/  CMakeLists.txt: /'

# --- build -----------------------------------------------------------------------------------
set +u
source "$install_base/setup.bash"
set -u
# kovel_matrix_msgs too: the interop tier checks it, on the same rules.
if ! step build bash scripts/build.sh --packages-up-to kovel_cdr kovel_matrix_msgs; then
  check no "build"
  finish
fi
check ok
set +u
source install/setup.bash
set -u

# --- kovel_cdr: encode and decode, the .msg default ------------------------------------------
encode_decode() {
  local payload=$scratch/$type.cdr
  echo "{header: {frame_id: probe}, celsius: 21.5, sensor_name: core, calibration: [1, 2, 3, .nan]}" |
    kovel_cdr encode "$type" >"$payload" || return 1
  local yaml
  yaml=$(kovel_cdr decode "$type" "$payload") || return 1
  echo "$yaml"
  grep -qx 'sensor_id: 7' <<<"$yaml" && grep -qx 'celsius: 21.5' <<<"$yaml" &&
    grep -qx 'sensor_name: core' <<<"$yaml" || { echo "not the message sent"; return 1; }
  # Read back, it writes the same bytes.
  cmp <(kovel_cdr encode "$type" <<<"$yaml") "$payload" || return 1
  kovel_cdr show "$type" && kovel_cdr sizes "$type" <<<'{}'
}
step encode-decode encode_decode && check ok || check no "encode-decode"

# --- the tests that list the package's types --------------------------------------------------
package_tests() {
  ctest --test-dir build/kovel_camera_msgs -R '^Library\.' --output-on-failure &&
    ctest --test-dir build/kovel_cdr -R 'SizesAndTypes' --output-on-failure &&
    nm -D --defined-only install/kovel_camera_msgs/lib/libkovel_camera_msgs__rosidl_typesupport_fastrtps_c.so |
    grep -c "kovel_camera_msgs__msg__$type\$" | grep -qx 3
}
step package-tests package_tests && check ok || check no "package-tests"

# --- the interop tier ------------------------------------------------------------------------
# The checkout's installed peer, when it was installed from the same lock file.
if [ -d "$root/test/interop/node_modules" ]; then
  cp -al "$root/test/interop/node_modules" test/interop/node_modules
fi
interop() {
  INSTALL_BASE=install bash scripts/tiers/interop.sh || return 1
}
if step interop interop && grep -qE "^ok [0-9]+ - $type\$" "$scratch/interop.log"; then
  check ok
else
  check no "interop"
fi

# --- the install tier ------------------------------------------------------------------------
if step install env INSTALL_BASE="$ws/install" bash scripts/tiers/install.sh &&
  grep -q "^roundtrip msg/$type: [1-9]" "$scratch/install.log"; then
  check ok
else
  check no "install"
fi

# --- fuzz: the type's targets, a few seconds each ---------------------------------------------
# Against the checkout's stand-ins: only the package and kovel_cdr are built with clang and
# the sanitizers.
fuzz() (
  set +u
  source "$install_base/setup.bash"
  set -u
  FUZZ_SECONDS=${NEW_TYPE_FUZZ_SECONDS:-3} bash scripts/fuzz.sh "_$type"
)
# Every target the fuzz build made for the type ran (one per property).
fuzz_targets() {
  grep -c "^fuzz_[a-z_]*_$type " "$ws/build-fuzz/fuzz_targets.txt" 2>/dev/null || echo 0
}
if step fuzz fuzz && [ "$(fuzz_targets)" -gt 0 ] &&
    grep -q "^fuzz: $(fuzz_targets) targets run, 0 failed" "$scratch/fuzz.log"; then
  check ok
else
  check no "fuzz"
fi

# --- bench: the type's benchmarks, briefly ------------------------------------------------------
bench() (
  set +u
  source "$install_base/setup.bash"
  set -u
  BENCH_REPETITIONS=2 BENCH_MIN_TIME=0.01 BENCH_CALLGRIND_OPS=1000 \
    bash scripts/bench.sh --filter "/$type\$" || exit 1
  grep -h "$type" build-bench/type_support_bench.log
)
if step bench bench && grep -q "^serialize/ours/$type" "$scratch/bench.log"; then
  check ok
else
  check no "bench"
fi

finish
