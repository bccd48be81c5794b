#!/usr/bin/env bash
# The README's main command: installs what is missing, builds, and runs the camera demo.
#
# A simulated Kovel camera (kovel_camera_node, a process of its own) publishes DeviceInfo,
# Metadata and Extrinsics under /camera and serves GetDeviceInfo, GetCameraInfo,
# GetCameraParams and GetString there. kovel_cdr, as the client, echoes a few messages of
# each topic and calls each service once, through Fast DDS with ROS 2 naming, on this
# machine's loopback only (shared memory and UDP on 127.0.0.1). Finishes by itself in a
# few seconds: exit 0 when everything answered, else 1 with what failed.
#
# Environment: KOVEL_DEMO_DOMAIN (default ROS_DOMAIN_ID, else 0).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

node_log=$(mktemp)
node_pid=
cleanup() {
  if [ -n "$node_pid" ] && kill -0 "$node_pid" 2>/dev/null; then
    kill -KILL "$node_pid" 2>/dev/null || true
  fi
  rm -f "$node_log"
}
trap cleanup EXIT

# The whole workspace, so that `colcon test` works at the root afterwards.
if ! bash scripts/build.sh; then
  echo "demo: FAILED: the build failed (above)"
  exit 1
fi
# The workspace's packages on the paths, as in any ROS 2 workspace.
set +u
source install/setup.bash
set -u

kovel_cdr=kovel_cdr
camera_node=kovel_camera_node
domain=${KOVEL_DEMO_DOMAIN:-${ROS_DOMAIN_ID:-0}}
export ROS_DOMAIN_ID=$domain
failures=()

echo
echo "== starting the simulated camera: kovel_camera_node (domain $domain, at most 30 s)"
"$camera_node" --namespace /camera --rate 10 --duration 30 >"$node_log" 2>&1 &
node_pid=$!

# The node's UDP sockets, once it has opened them (at most 2 s): all must be on 127.0.0.1.
if command -v ss >/dev/null 2>&1; then
  sockets=
  for _ in $(seq 20); do
    sockets=$(ss -Huanp 2>/dev/null | grep "pid=$node_pid," | awk '{print $4}' || true)
    [ -n "$sockets" ] && break
    sleep 0.1
  done
  echo "   its UDP sockets: $(echo "$sockets" | tr "\n" " ")"
  if echo "$sockets" | grep -qv '^127\.0\.0\.1:'; then
    failures+=("a UDP socket of the node is bound beyond 127.0.0.1")
  fi
fi

if ! kill -0 "$node_pid" 2>/dev/null; then
  sed 's/^/   /' "$node_log"
  echo "demo: FAILED: kovel_camera_node stopped at once (its log is above)"
  exit 1
fi

run() {  # run LABEL COMMAND...: prints the command's output, records a failure
  local label=$1 output status
  shift
  echo
  echo "== $label"
  echo "   \$ kovel_cdr ${*:2}"
  status=0
  output=$("$@" 2>&1) || status=$?
  echo "$output" | sed 's/^/   /'
  if [ "$status" -ne 0 ]; then
    failures+=("$label (exit $status)")
  fi
}

run "the graph: every topic and service with its type" \
  "$kovel_cdr" list
run "/camera/device_info: 2 DeviceInfo messages" \
  "$kovel_cdr" echo DeviceInfo /camera/device_info --times 2 --timeout 10
run "/camera/metadata: 3 messages, the type taken from the graph, as JSON lines" \
  "$kovel_cdr" echo /camera/metadata --times 3 --timeout 10 --json
run "/camera/metadata: its rate" \
  "$kovel_cdr" hz /camera/metadata --timeout 2.5
run "/camera/extrinsics: 2 Extrinsics messages" \
  "$kovel_cdr" echo Extrinsics /camera/extrinsics --times 2 --timeout 10
run "service /camera/get_device_info (GetDeviceInfo)" \
  "$kovel_cdr" call GetDeviceInfo /camera/get_device_info --timeout 10
run "service /camera/get_camera_info (GetCameraInfo)" \
  "$kovel_cdr" call GetCameraInfo /camera/get_camera_info --timeout 10
run "service /camera/get_camera_params (GetCameraParams)" \
  "$kovel_cdr" call GetCameraParams /camera/get_camera_params --timeout 10
run "service /camera/get_string (GetString)" \
  "$kovel_cdr" call GetString /camera/get_string --timeout 10

# Stop the node: SIGTERM, up to 5 s to finish, then SIGKILL.
kill -TERM "$node_pid" 2>/dev/null || true
for _ in $(seq 50); do
  kill -0 "$node_pid" 2>/dev/null || break
  sleep 0.1
done
node_status=0
if kill -0 "$node_pid" 2>/dev/null; then
  kill -KILL "$node_pid" 2>/dev/null || true
  failures+=("kovel_camera_node did not stop within 5 s of SIGTERM")
fi
wait "$node_pid" 2>/dev/null || node_status=$?
node_pid=
if [ "$node_status" -ne 0 ]; then
  failures+=("kovel_camera_node exited with $node_status")
fi
echo
echo "== the camera node's log"
sed 's/^/   /' "$node_log"

echo
if [ ${#failures[@]} -eq 0 ]; then
  echo "demo: OK: 3 topics echoed and 4 services answered over Fast DDS on loopback"
else
  for failure in "${failures[@]}"; do
    echo "demo: FAILED: $failure"
  done
  exit 1
fi
