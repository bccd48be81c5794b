#!/usr/bin/env bash
# Writes the seed corpora fuzz/corpus/<Type>/seed-<hash>: every sample message of every
# type the tool knows (test/samples/<Type>.json when there, and
# test/hardening/samples/<Type>.json), encoded into a DDS payload by our own kovel_cdr.
# Replaces the old seeds; keeps the regression-* inputs. Run after the samples change:
#
#   bash fuzz/make_seeds.sh [path/to/kovel_cdr]
#
# By default the installed kovel_cdr (install/kovel_cdr/bin/kovel_cdr, on PATH once
# install/setup.bash is sourced; sourced here when it is not). Needs jq.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ] && ! command -v kovel_cdr >/dev/null && [ -f install/setup.bash ]; then
  set +u
  source install/setup.bash
  set -u
fi
kovel_cdr=${1:-kovel_cdr}
command -v "$kovel_cdr" >/dev/null ||
  { echo "no $kovel_cdr: build first (bash scripts/build.sh)" >&2; exit 1; }

# "kovel_camera_msgs/srv/GetString_Request  empty message ..." gives GetString_Request.
types=$("$kovel_cdr" types | awk '{print $1}' | sed 's|.*/||')
[ -n "$types" ] || { echo "$kovel_cdr lists no types" >&2; exit 1; }

for type in $types; do
  dir=fuzz/corpus/$type
  mkdir -p "$dir"
  rm -f "$dir"/seed-*
  count=0
  for samples in test/samples/"$type".json test/hardening/samples/"$type".json; do
    [ -f "$samples" ] || continue
    messages=$(jq length "$samples")
    for ((i = 0; i < messages; i++)); do
      payload=$(mktemp)
      jq -c ".[$i]" "$samples" | "$kovel_cdr" encode "$type" >"$payload"
      hash=$(sha1sum "$payload" | cut -c1-16)
      mv "$payload" "$dir/seed-$hash"
      count=$((count + 1))
    done
  done
  echo "$type: $count seeds"
done
