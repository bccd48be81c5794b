#!/bin/sh
# Crowded domains with real participants, too many processes for CI (where
# Discovery.AFullDomainIsTold... holds the ports itself); run it by hand after
# scripts/build.sh:
#   bash test/system/integration/full_domain.sh install/kovel_cdr/bin/kovel_cdr
# - 63 idle subscribers fill domain 232 (whose ports reach 65535): a 64th list and pub must
#   say that the domain is full and fail, instead of finding no one;
# - 101 idle subscribers in domain 200: a 102nd pub must still find them (Fast DDS's default
#   of 100 port tries used to leave it outside the domain's ports).
# It runs in a network namespace of its own, with its own /dev/shm; exit 77 where none can
# be made. About half a minute.
set -u
if [ "${1:-}" = "--inside" ]; then
  kovel_cdr=$2
  ip link set lo up || exit 1
  mount -t tmpfs tmpfs /dev/shm || exit 1
  # start_idle COUNT DOMAIN: COUNT echoes that wait on topics of their own, for 60 s at most.
  start_idle() {
    pids=""
    for i in $(seq 1 "$1"); do
      "$kovel_cdr" echo DeviceInfo "/idle_$i" --transport udp --domain "$2" --timeout 60 \
        >/dev/null 2>&1 &
      pids="$pids $!"
    done
  }
  start_idle 63 232
  sleep 5
  status=0
  for words in "list --timeout 1" "pub DeviceInfo /idle_1 {} --times 1 --timeout 2"; do
    # shellcheck disable=SC2086
    err=$(timeout 20 "$kovel_cdr" $words --transport udp --domain 232 2>&1 >/dev/null)
    code=$?
    case "$err" in
      *"domain 232 is full on this host"*) [ $code -eq 1 ] || status=1 ;;
      *) status=1 ;;
    esac
    echo "kovel_cdr $words: exit $code: $err"
  done
  # shellcheck disable=SC2086
  kill $pids
  wait
  start_idle 101 200
  sleep 8
  err=$(timeout 30 "$kovel_cdr" pub DeviceInfo /idle_101 {} --times 1 --timeout 10 \
    --transport udp --domain 200 2>&1 >/dev/null)
  code=$?
  echo "kovel_cdr pub as the 102nd participant of domain 200: exit $code $err"
  [ $code -eq 0 ] || status=1
  # shellcheck disable=SC2086
  kill $pids
  wait
  [ $status -eq 0 ] && echo "full_domain: passed" || echo "full_domain: FAILED"
  exit $status
fi
kovel_cdr=$(realpath "${1:?usage: full_domain.sh PATH_OF_KOVEL_CDR}")
unshare --net --mount true 2>/dev/null || { echo "full_domain: no namespace here"; exit 77; }
export LD_LIBRARY_PATH="${LD_LIBRARY_PATH:-}"
exec unshare --net --mount sh "$0" --inside "$kovel_cdr"
