#!/bin/bash
# The camera on another host: two network namespaces of this test's own, joined by a veth
# pair with private addresses and nothing else attached, stand for two machines on a LAN.
# The camera node runs in one with --network; list, echo and call run in the other and find
# it by standard ROS 2 discovery. Each side has a /dev/shm of its own, so nothing can pass
# through shared memory: what arrives came over the veth pair. Nothing of the test runs
# outside the two namespaces, which are deleted at the end.
# usage: across_hosts.sh KOVEL_CDR KOVEL_CAMERA_NODE
set -uo pipefail
kovel_cdr=$1
camera_node=$2
a=kovel_camera_$$
b=kovel_client_$$
export ROS_DOMAIN_ID=7

if ! ip netns add "$a" 2>/dev/null; then
  echo "across_hosts: skipped: network namespaces cannot be made here (needs root and ip)"
  exit 77
fi
cleanup() {
  for ns in "$a" "$b"; do
    ip netns pids "$ns" 2>/dev/null | xargs -r kill -KILL 2>/dev/null
    ip netns delete "$ns" 2>/dev/null
  done
}
trap cleanup EXIT
set -e
ip netns add "$b"
ip -n "$a" link add wire type veth peer name wire netns "$b"
ip -n "$a" addr add 10.231.7.1/24 dev wire
ip -n "$b" addr add 10.231.7.2/24 dev wire
for ns in "$a" "$b"; do
  ip -n "$ns" link set lo up
  ip -n "$ns" link set wire up
  # Discovery is multicast: it goes out over the wire.
  ip -n "$ns" route add 224.0.0.0/4 dev wire
done
set +e

on() {  # on NAMESPACE COMMAND...: runs the command there, with a /dev/shm of its own
  local ns=$1
  shift
  ip netns exec "$ns" unshare --mount sh -c \
    'mount -t tmpfs -o size=64m kovel_shm /dev/shm && exec "$@"' sh timeout 60 "$@"
}
received_bytes() {
  ip -n "$b" -s -j link show wire | python3 -c 'import json,sys; print(json.load(sys.stdin)[0]["stats64"]["rx"]["bytes"])'
}

failures=0
check() {  # check WHAT STATUS: counts a failure
  if [ "$2" -ne 0 ]; then
    echo "across_hosts: FAILED: $1"
    failures=$((failures + 1))
  else
    echo "across_hosts: ok: $1"
  fi
}

node_log=$(mktemp)
on "$a" "$camera_node" --network --namespace /lab_camera --rate 10 --duration 45 \
  >"$node_log" 2>&1 &
node=$!
before=$(received_bytes)

listed=$(on "$b" "$kovel_cdr" list --network --timeout 4)
echo "$listed" | sed 's/^/  list: /'
echo "$listed" | grep -qx '/lab_camera/device_info \[kovel_camera_msgs/msg/DeviceInfo\]'
check "list on the other host shows the camera's DeviceInfo topic" $?

echoed=$(on "$b" "$kovel_cdr" echo /lab_camera/device_info --network --times 1 --timeout 20 --json)
status=$?
echo "  echo: $echoed"
[ $status -eq 0 ] && echo "$echoed" | grep -q '"name":"Kovel K1 Stereo"'
check "a DeviceInfo crosses to the other host, its type taken from the graph" $?

reply=$(on "$b" "$kovel_cdr" call GetString /lab_camera/get_string --network --timeout 20 --json)
status=$?
echo "  call: $reply"
[ $status -eq 0 ] && echo "$reply" | grep -q '"success":true'
check "a GetString call is answered across the hosts" $?

after=$(received_bytes)
echo "  the client host received $((after - before)) bytes over the wire"
[ $((after - before)) -gt 1000 ]
check "the messages came over the veth pair" $?

# Without --network the tools stay on loopback: the camera on the other host is not found.
on "$b" "$kovel_cdr" echo DeviceInfo /lab_camera/device_info --times 1 --timeout 3 >/dev/null 2>&1
[ $? -eq 1 ]
check "without --network, echo does not reach the other host" $?

for pid in $(ip netns pids "$a"); do
  if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = kovel_camera_no ]; then
    kill -TERM "$pid"
  fi
done
wait "$node"
check "the camera node stopped cleanly on SIGTERM" $?
if [ $failures -ne 0 ]; then
  echo "== the camera node's log"
  cat "$node_log"
fi
rm -f "$node_log"
exit $((failures > 0))
