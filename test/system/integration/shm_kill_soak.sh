#!/usr/bin/env bash
# Subscribers SIGKILLed while they match must not stop kovel_camera_node from serving new
# ones. Starts the node, then, for each run, kills `kovel_cdr echo` 0.5 to 0.8 s after its
# start (while it is matching) again and again; after each batch of kills a fresh echo
# (--times 1 --timeout 5) and a service call, both over the default transport, must
# succeed. Prints, for each run, how many kills it took until the first failed check, and
# exits 1 on any failure.
#
#   shm_kill_soak.sh [--runs N] [--kills N] [--batch N] [--domain D] [--transport T]
#                    KOVEL_CDR KOVEL_CAMERA_NODE
#
# Defaults: 3 runs of 80 kills in batches of 10, a fresh node for each run: 3 to 5 minutes
# on 2 cores. --transport sets the transport of the node and of every client (default: none
# given, so each uses its default).
#
# It runs inside namespaces of its own (network with only lo, mount with a private tmpfs on
# /dev/shm, pid), so that the files of the killed processes and every datagram stay inside;
# where the machine allows none, it exits 77 (skipped).
set -uo pipefail

runs=3 kills=80 batch=10 domain=131 transport=()
while [ $# -gt 2 ]; do
  case "$1" in
    --runs) runs=$2 ;;
    --kills) kills=$2 ;;
    --batch) batch=$2 ;;
    --domain) domain=$2 ;;
    --transport) transport=(--transport "$2") ;;
    *) echo "shm_kill_soak: unknown option $1" >&2; exit 2 ;;
  esac
  shift 2
done
if [ $# -ne 2 ]; then
  echo "usage: shm_kill_soak.sh [--runs N] [--kills N] [--batch N] [--domain D]" \
    "[--transport T] KOVEL_CDR KOVEL_CAMERA_NODE" >&2
  exit 2
fi
kovel_cdr=$1 camera_node=$2

if [ -z "${SHM_KILL_SOAK_INSIDE:-}" ]; then
  if ! unshare --net --mount --pid --fork true 2>/dev/null || ! command -v ip >/dev/null; then
    echo "shm_kill_soak: no private network, mount and pid namespaces allowed here; skipped"
    exit 77
  fi
  script=$(realpath "$0")
  args=(--runs "$runs" --kills "$kills" --batch "$batch" --domain "$domain"
    ${transport[@]:+"${transport[@]}"} "$kovel_cdr" "$camera_node")
  exec unshare --net --mount --pid --fork env SHM_KILL_SOAK_INSIDE=1 sh -c \
    'ip link set lo up && mount -t tmpfs tmpfs /dev/shm && mount -t proc proc /proc &&
      exec bash "$0" "$@"' \
    "$script" "${args[@]}"
fi

work=$(mktemp -d)
node_pid=
stop_node() {
  if [ -n "$node_pid" ]; then
    kill -TERM "$node_pid" 2>/dev/null
    # At most 5 s for it to end by itself.
    for _ in $(seq 50); do kill -0 "$node_pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$node_pid" 2>/dev/null
    wait "$node_pid" 2>/dev/null
    node_pid=
  fi
}
trap 'stop_node; rm -rf "$work"' EXIT

dds=(--domain "$domain" ${transport[@]:+"${transport[@]}"})

# A fresh echo gets one message and a fresh call gets its reply, each within 5 s.
check() {
  local what=$1
  if ! timeout 20 "$kovel_cdr" echo /camera/metadata --times 1 --timeout 5 "${dds[@]}" \
    >"$work/echo.out" 2>"$work/echo.err"; then
    echo "  $what: a fresh echo got nothing: $(tail -n 1 "$work/echo.err")"
    return 1
  fi
  if ! timeout 20 "$kovel_cdr" call GetString /camera/get_string --timeout 5 "${dds[@]}" \
    >"$work/call.out" 2>"$work/call.err"; then
    echo "  $what: a fresh call got no reply: $(tail -n 1 "$work/call.err")"
    return 1
  fi
  return 0
}

failed_runs=0 figures=()
for run in $(seq "$runs"); do
  rm -rf /dev/shm/* 2>/dev/null
  "$camera_node" --duration 3600 "${dds[@]}" >"$work/node.out" 2>"$work/node.err" &
  node_pid=$!
  if ! check "run $run, before any kill"; then
    echo "run $run: the node did not serve at all"; tail -n 5 "$work/node.err"
    stop_node
    failed_runs=$((failed_runs + 1)) figures+=("run $run: no service at start")
    continue
  fi
  killed=0 result=
  while [ "$killed" -lt "$kills" ]; do
    for _ in $(seq "$batch"); do
      [ "$killed" -lt "$kills" ] || break
      "$kovel_cdr" echo /camera/metadata "${dds[@]}" >/dev/null 2>&1 &
      victim=$!
      sleep "0.$((500 + RANDOM % 301))"
      kill -KILL "$victim" 2>/dev/null
      wait "$victim" 2>/dev/null
      killed=$((killed + 1))
    done
    if ! check "run $run, after $killed kills"; then
      result="failed after $killed kills"
      break
    fi
  done
  if ! kill -0 "$node_pid" 2>/dev/null; then
    result=${result:-"the node ended after $killed kills"}
  fi
  # What the kills cost: the node's resident memory, and what the killed processes left in
  # /dev/shm.
  costs="node $(awk '/VmRSS/ {print $2, $3}' "/proc/$node_pid/status" 2>/dev/null), /dev/shm $(du -sh /dev/shm | cut -f1)"
  if [ -n "$result" ]; then
    failed_runs=$((failed_runs + 1))
    echo "run $run: $result; the node's stderr ends with:"
    tail -n 5 "$work/node.err" | sed 's/^/    /'
    [ -s "$work/node.err" ] || echo "    (nothing: the node said nothing)"
  else
    result="served after each batch, $killed kills"
  fi
  figures+=("run $run: $result ($costs)")
  stop_node
done

echo "shm_kill_soak: ${runs} runs of ${kills} kills during matching, checked every ${batch}" \
  "(transport: ${transport[1]:-default}), in ${SECONDS} s"
printf '  %s\n' "${figures[@]}"
echo "runs: $((runs - failed_runs)) passed, ${failed_runs} failed"
[ "$failed_runs" -eq 0 ]
