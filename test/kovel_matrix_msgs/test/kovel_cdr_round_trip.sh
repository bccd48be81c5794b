#!/usr/bin/env bash
# kovel_cdr encode and decode over every sample of kovel_matrix_msgs: kovel_cdr writes the
# bytes that the package's own library writes (through matrix_codec), and decoding them
# and encoding the output gives the same bytes again.
#   kovel_cdr_round_trip.sh KOVEL_CDR MATRIX_CODEC SAMPLES_DIR
set -uo pipefail
kovel_cdr=$1
codec=$2
samples=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
checked=0
failed=0

fail() {
  echo "FAILED: $*"
  failed=$((failed + 1))
}

for file in "$samples"/*.json; do
  name=$(basename "$file" .json)
  case $name in
    *_Request | *_Response) type=kovel_matrix_msgs/srv/$name ;;
    *) type=kovel_matrix_msgs/msg/$name ;;
  esac
  index=0
  while IFS= read -r message; do
    at="$type sample $index"
    index=$((index + 1))
    checked=$((checked + 1))
    "$codec" encode "$type" <<<"$message" >"$scratch/library.cdr" ||
      { fail "$at: matrix_codec encode"; continue; }
    timeout 20 "$kovel_cdr" encode "$type" <<<"$message" >"$scratch/encoded.cdr" ||
      { fail "$at: kovel_cdr encode"; continue; }
    cmp -s "$scratch/library.cdr" "$scratch/encoded.cdr" ||
      { fail "$at: kovel_cdr encode wrote other bytes than the library"; continue; }
    timeout 20 "$kovel_cdr" decode "$type" --json "$scratch/encoded.cdr" >"$scratch/decoded.json" &&
      timeout 20 "$kovel_cdr" encode "$type" "$scratch/decoded.json" >"$scratch/again.cdr" ||
      { fail "$at: kovel_cdr decode then encode"; continue; }
    cmp -s "$scratch/encoded.cdr" "$scratch/again.cdr" ||
      fail "$at: decode then encode gave other bytes"
  done < <(python3 -c 'import json, sys
for m in json.load(open(sys.argv[1])): print(json.dumps(m))' "$file")
done
echo "kovel_cdr round trip: $checked samples, $failed failed"
[ "$checked" -gt 0 ] && [ "$failed" -eq 0 ]
