#!/usr/bin/env bash
# Install tier: what a user gets from the installed tree (install/, or $INSTALL_BASE) only.
#   1. the installed files: the type support library exports exactly the rosidl entry
#      points, the record functions, interface files, ament index, public headers only;
#   2. test/system/install/kovel_downstream, a package built against the tree with colcon into
#      build-install-tier/ and install-install-tier/: its C programs use the record
#      functions, linked through ament_target_dependencies and through the exported targets;
#      its C++ program loads the type support as a middleware does and round-trips every
#      committed sample of every type (the default message of a type without any) byte for
#      byte against kovel_cdr's encoding.
set -uo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS
root=$PWD
install_base=$(realpath -m "${INSTALL_BASE:-install}")
build_tier=$root/build-install-tier
install_tier=$root/install-install-tier
prefix=$install_base/kovel_camera_msgs
failed=()

fail() {
  echo "install: $*" >&2
  failed+=("${1%%:*}")
}

if [ ! -f "$install_base/setup.bash" ]; then
  echo "install: $install_base/setup.bash is missing; build first (bash scripts/build.sh)" >&2
  exit 1
fi
set +u
source "$install_base/setup.bash"
set -u

# The message types, from the installed interface list: a service gives two.
index=$prefix/share/ament_index/resource_index/rosidl_interfaces/kovel_camera_msgs
types=()
services=()
while read -r file; do
  case "$file" in
    msg/*.msg) types+=("msg/$(basename "$file" .msg)") ;;
    srv/*.srv)
      services+=("$(basename "$file" .srv)")
      types+=("srv/${services[-1]}_Request" "srv/${services[-1]}_Response") ;;
  esac
done <"$index"
# The index and the installed interface files agree.
installed=$(cd "$prefix/share/kovel_camera_msgs" && ls msg/*.msg srv/*.srv 2>/dev/null |
  grep -vE '_(Request|Response)\.msg$' | sort)
[ ${#types[@]} -gt 0 ] && [ "$(grep -E '^(msg/.*\.msg|srv/.*\.srv)$' "$index" | sort)" = "$installed" ] ||
  fail "interfaces: $index does not list the installed interface files: $installed"

# --- the installed tree -----------------------------------------------------------------
library=$prefix/lib/libkovel_camera_msgs__rosidl_typesupport_fastrtps_c.so
expected=$(
  for type in "${types[@]}"; do
    name=kovel_camera_msgs__${type/\//__}
    echo "rosidl_typesupport_fastrtps_c__get_message_type_support_handle__$name"
    echo "get_serialized_size_$name"
    echo "max_serialized_size_$name"
  done
  for service in "${services[@]}"; do
    echo "rosidl_typesupport_fastrtps_c__get_service_type_support_handle__kovel_camera_msgs__srv__$service"
  done
)
exported=$(nm -D --defined-only "$library" | awk '{print $NF}' | sort)
[ "$(sort <<<"$expected")" = "$exported" ] &&
  [ "$(wc -l <<<"$exported")" -eq $((3 * ${#types[@]} + ${#services[@]})) ] ||
  fail "exports: $library does not export exactly the entry points of its types:
$(diff <(sort <<<"$expected") <(echo "$exported") | head -20)"

nm -D --defined-only "$prefix/lib/libkovel_camera_msgs__rosidl_generator_c.so" |
  grep -w kovel_camera_msgs__msg__DeviceInfo__init >/dev/null ||
  fail "records: kovel_camera_msgs__msg__DeviceInfo__init is not in the generator_c library"

include=$prefix/include/kovel_camera_msgs/kovel_camera_msgs
for file in share/kovel_camera_msgs/package.xml \
  share/ament_index/resource_index/packages/kovel_camera_msgs \
  share/ament_index/resource_index/rosidl_interfaces/kovel_camera_msgs \
  $(grep -E '^(msg/.*\.msg|srv/.*\.srv)$' "$index" | sed 's|^|share/kovel_camera_msgs/|'); do
  [ -f "$prefix/$file" ] || fail "files: $prefix/$file is missing"
done
for type in "${types[@]}"; do
  kind=${type%/*}
  name=${type#*/}
  [ "$kind" = srv ] && { [[ $name == *_Request ]] || continue; name=${name%_Request}; }
  snake=$(sed -E 's/([a-z0-9])([A-Z])/\1_\2/g' <<<"$name" | tr '[:upper:]' '[:lower:]')
  header=$include/$kind/detail/${snake}__rosidl_typesupport_fastrtps_c.h
  [ -f "$header" ] || fail "headers: $header is missing"
done
private=$(find "$prefix" -name member_rules.hpp -o -name type_support_frame.hpp)
[ -z "$private" ] || fail "headers: private headers installed: $private"

# --- the downstream package ---------------------------------------------------------------
# From scratch each time, so that nothing cached from an earlier tree is used.
rm -rf "$build_tier" "$install_tier"
mkdir -p "$build_tier"
log=$build_tier/colcon-build.log
if colcon --log-base "$build_tier/log" build --base-paths test/system/install --build-base "$build_tier" \
  --install-base "$install_tier" --event-handlers console_cohesion+ \
  --cmake-args -DPython3_EXECUTABLE=/usr/bin/python3 >"$log" 2>&1; then
  set +u
  source "$install_tier/setup.bash"
  set -u
  bin=$install_tier/kovel_downstream/lib/kovel_downstream

  for program in records_ament records_targets; do
    "$bin/$program" "${#types[@]}" || fail "$program: failed"
  done

  # The round trip program links no library of the package: it finds them as rmw does.
  ! readelf -d "$bin/roundtrip" | grep libkovel_camera_msgs >/dev/null ||
    fail "roundtrip: linked to the package's libraries instead of loading them"
  payloads=$build_tier/payloads
  mkdir -p "$payloads"
  round_tripped=0
  for type in "${types[@]}"; do
    name=${type#*/}
    files=()
    # A type without committed samples: its default message.
    samples=test/samples/$name.json
    [ -f "$samples" ] || { samples=$payloads/$name.default.json; echo '[{}]' >"$samples"; }
    messages=$(/usr/bin/python3 -c 'import json, sys
for m in json.load(open(sys.argv[1])): print(json.dumps(m))' "$samples") || {
      fail "samples: test/samples/$name.json cannot be read"
      continue
    }
    while IFS= read -r message; do
      [ -n "$message" ] || continue
      file=$payloads/$name.${#files[@]}.cdr
      kovel_cdr encode "$name" <<<"$message" >"$file" ||
        { fail "samples: kovel_cdr encode $name failed"; break; }
      files+=("$file")
    done <<<"$messages"
    if [ ${#files[@]} -eq 0 ]; then
      fail "samples: none for $name"
      continue
    fi
    "$bin/roundtrip" "$type" "${files[@]}" || fail "roundtrip $type: failed"
    round_tripped=$((round_tripped + ${#files[@]}))
  done
else
  tail -n 60 "$log"
  fail "build: kovel_downstream did not build (log: $log)"
fi

# --- kovel_cdr alone ------------------------------------------------------------------------
# Its folder, copied out of the workspace, builds against the installed kovel_camera_msgs:
# it reads nothing beside it.
alone=$build_tier/kovel_cdr_alone
mkdir -p "$alone/src"
cp -r kovel_cdr "$alone/src/"
built_alone=0
if colcon --log-base "$alone/log" build --base-paths "$alone/src" --build-base "$alone/build" \
  --install-base "$alone/install" --event-handlers console_cohesion+ \
  --cmake-args -DPython3_EXECUTABLE=/usr/bin/python3 -DBUILD_TESTING=OFF \
  >"$alone/colcon-build.log" 2>&1 &&
  [ -x "$alone/install/kovel_cdr/bin/kovel_cdr" ]; then
  built_alone=1
else
  tail -n 40 "$alone/colcon-build.log"
  fail "alone: kovel_cdr did not build from a copy of its folder (log: $alone/colcon-build.log)"
fi

# What ran: the two record programs, each sample round-tripped and kovel_cdr built alone.
checks=$((2 + ${round_tripped:-0} + built_alone))
[ -z "${KOVEL_TEST_COUNTS:-}" ] || echo "install $checks ${#failed[@]}" >>"$KOVEL_TEST_COUNTS"
if [ ${#failed[@]} -eq 0 ]; then
  echo "install tier: passed (${#types[@]} types, ${round_tripped:-0} samples" \
    "round-tripped, $((SECONDS - start)) s)"
else
  echo "install tier: FAILED: $(printf '%s\n' "${failed[@]}" | awk '!seen[$0]++' | paste -sd ' ')" \
    "($((SECONDS - start)) s)"
  exit 1
fi
