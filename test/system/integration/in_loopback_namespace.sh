#!/bin/sh
# Runs a command in a network namespace of its own in which only the loopback interface
# exists, brought up here, so that nothing the command sends can leave the machine. Where
# the machine does not allow a new network namespace, runs the command as it is: the
# participants' own settings still keep every datagram on 127.0.0.1.
if command -v unshare >/dev/null 2>&1 && command -v ip >/dev/null 2>&1 &&
  unshare --net true 2>/dev/null; then
  exec unshare --net sh -c 'ip link set lo up && exec "$@"' sh "$@"
fi
echo "in_loopback_namespace: no network namespace allowed here; running on the host's loopback" >&2
exec "$@"
