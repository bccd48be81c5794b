#!/usr/bin/env bash
# Writes the seed corpora fuzz/corpus/<Type>/seed-<hash>: every sample message of the type
# (test/samples/<Type>.json; a type without committed samples gets its default message),
# encoded into a DDS payload by our own kovel_cdr; and fuzz/corpus_text/<Type>/seed-<hash>
# for the text targets: the first three samples as JSON text, and the first as the YAML
# kovel_cdr decode prints.
# And, when no type is named, fuzz/corpus/kovel_matrix_msgs/<Type>/seed-<hash>: every
# sample of test/kovel_matrix_msgs/samples/<Type>.json, written by that package's own
# library through its matrix_codec.
# Replaces the old seeds; keeps the regression-* inputs. Run after the samples change:
#
#   bash fuzz/make_seeds.sh [path/to/kovel_cdr [TYPE...]]
#
# The types are those of kovel_camera_msgs' installed interface list (its ament index
# resource rosidl_interfaces), unless named. By default the installed kovel_cdr
# (install/kovel_cdr/bin/kovel_cdr, on PATH once install/setup.bash is sourced; sourced here
# when it is not). SEEDS_DIR (default fuzz) is where corpus/ and corpus_text/ go: the fuzz
# build writes those of a type without committed seeds into its build folder, and matrix_codec
# (install/kovel_matrix_msgs/lib/kovel_matrix_msgs/matrix_codec, or $MATRIX_CODEC). Needs jq.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ] && ! command -v kovel_cdr >/dev/null && [ -f install/setup.bash ]; then
  set +u
  source install/setup.bash
  set -u
fi
kovel_cdr=${1:-kovel_cdr}
shift $(($# > 0 ? 1 : 0))
seeds_dir=${SEEDS_DIR:-fuzz}
command -v "$kovel_cdr" >/dev/null ||
  { echo "no $kovel_cdr: build first (bash scripts/build.sh)" >&2; exit 1; }

# A message is one type, a service its request and response.
package_types() {
  local prefix index
  for prefix in ${AMENT_PREFIX_PATH//:/ }; do
    index=$prefix/share/ament_index/resource_index/rosidl_interfaces/kovel_camera_msgs
    [ -f "$index" ] || continue
    sed -n -e 's|^msg/\(.*\)\.msg$|\1|p' \
      -e 's|^srv/\(.*\)\.srv$|\1_Request\n\1_Response|p' "$index"
    return
  done
}
named=$#
if [ "$named" -gt 0 ]; then
  types=$*
else
  types=$(package_types)
fi
[ -n "$types" ] || { echo "no installed kovel_camera_msgs lists its types" >&2; exit 1; }

for type in $types; do
  samples=test/samples/$type.json
  if [ ! -f "$samples" ]; then
    samples=$(mktemp)
    echo '[{}]' >"$samples"
  fi
  dir=$seeds_dir/corpus/$type
  mkdir -p "$dir"
  rm -f "$dir"/seed-*
  count=0
  messages=$(jq length "$samples")
  for ((i = 0; i < messages; i++)); do
    payload=$(mktemp)
    jq -c ".[$i]" "$samples" | "$kovel_cdr" encode "$type" >"$payload"
    hash=$(sha1sum "$payload" | cut -c1-16)
    mv "$payload" "$dir/seed-$hash"
    count=$((count + 1))
  done
  text_dir=$seeds_dir/corpus_text/$type
  mkdir -p "$text_dir"
  rm -f "$text_dir"/seed-*
  texts=0
  for ((i = 0; i < messages && i < 3; i++)); do
    text=$(mktemp)
    jq -c ".[$i]" "$samples" >"$text"
    if [ "$i" -eq 0 ]; then
      yaml=$(mktemp)
      "$kovel_cdr" encode "$type" "$text" | "$kovel_cdr" decode "$type" >"$yaml"
      mv "$yaml" "$text_dir/seed-$(sha1sum "$yaml" | cut -c1-16)"
      texts=$((texts + 1))
    fi
    mv "$text" "$text_dir/seed-$(sha1sum "$text" | cut -c1-16)"
    texts=$((texts + 1))
  done
  echo "$type: $count seeds, $texts texts"
done

[ "$named" -eq 0 ] || exit 0
codec=${MATRIX_CODEC:-install/kovel_matrix_msgs/lib/kovel_matrix_msgs/matrix_codec}
[ -x "$codec" ] || { echo "no $codec: build first (bash scripts/build.sh)" >&2; exit 1; }
for samples in test/kovel_matrix_msgs/samples/*.json; do
  type=$(basename "$samples" .json)
  case $type in
    *_Request | *_Response) kind=srv ;;
    *) kind=msg ;;
  esac
  dir=fuzz/corpus/kovel_matrix_msgs/$type
  mkdir -p "$dir"
  rm -f "$dir"/seed-*
  # One message a line; python3, as jq would round the 64-bit extremes to doubles.
  count=0
  while IFS= read -r message; do
    payload=$(mktemp)
    "$codec" encode "kovel_matrix_msgs/$kind/$type" <<<"$message" >"$payload"
    mv "$payload" "$dir/seed-$(sha1sum "$payload" | cut -c1-16)"
    count=$((count + 1))
  done < <(python3 -c 'import json, sys
for m in json.load(open(sys.argv[1])): print(json.dumps(m))' "$samples")
  echo "kovel_matrix_msgs/$type: $count seeds"
done
