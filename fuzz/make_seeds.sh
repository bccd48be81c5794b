#!/usr/bin/env bash
# Writes the seed corpora fuzz/corpus/<Type>/seed-<hash>: every sample message of every
# type (test/samples/<Type>.json when there, and test/hardening/samples/<Type>.json),
# encoded into a DDS payload by our own kovel_cdr. Replaces the old seeds; keeps the
# regression-* inputs. Run after the samples change:
#
#   bash fuzz/make_seeds.sh [path/to/kovel_cdr]      (default build/tools/kovel_cdr; needs jq)
set -euo pipefail
cd "$(dirname "$0")/.."
kovel_cdr=${1:-build/tools/kovel_cdr}
[ -x "$kovel_cdr" ] || { echo "no $kovel_cdr: build first (bash scripts/build.sh)" >&2; exit 1; }

types=(DeviceInfo Metadata Extrinsics
  GetDeviceInfo_Request GetDeviceInfo_Response GetCameraInfo_Request GetCameraInfo_Response
  GetCameraParams_Request GetCameraParams_Response GetString_Request GetString_Response)

for type in "${types[@]}"; do
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
