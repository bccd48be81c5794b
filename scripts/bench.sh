#!/usr/bin/env bash
# The benchmark command: installs what is missing (fastddsgen too), builds the workspace as
# Release into build-bench-ws/ and install-bench/ and the benchmarks (bench/) against it into
# build-bench/, runs type_support_bench once with every benchmark repeated and randomly
# interleaved, counts instructions per DeviceInfo serialize and deserialize under callgrind,
# and writes the results table, bench/results.md.
#
#   bash scripts/bench.sh [--filter REGEX]
#
# BENCH_REPETITIONS (default 9) sets the repetitions, BENCH_MIN_TIME (default 0.1) the
# seconds each repetition runs at least, BENCH_CALLGRIND_OPS (default 100000) the operations
# counted under callgrind. Many short repetitions, interleaved, keep a burst of load on this
# shared machine from moving a median. A filtered run writes its table to
# build-bench/results.md and leaves bench/results.md as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'
}

filter=""
while [ $# -gt 0 ]; do
  case "$1" in
    --filter) [ $# -ge 2 ] || { usage >&2; exit 2; }; filter=$2; shift 2 ;;
    --filter=*) filter=${1#--filter=}; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "bench.sh: unknown argument: $1" >&2; usage >&2; exit 2 ;;
  esac
done
repetitions=${BENCH_REPETITIONS:-9}
min_time=${BENCH_MIN_TIME:-0.1}
callgrind_ops=${BENCH_CALLGRIND_OPS:-100000}
[[ $repetitions =~ ^[1-9][0-9]*$ ]] || { echo "BENCH_REPETITIONS must be a positive integer" >&2; exit 2; }
[[ $min_time =~ ^[0-9]+(\.[0-9]+)?$ ]] || { echo "BENCH_MIN_TIME must be a number of seconds" >&2; exit 2; }
[[ $callgrind_ops =~ ^[1-9][0-9]*$ ]] || { echo "BENCH_CALLGRIND_OPS must be a positive integer" >&2; exit 2; }

# The command as the table will show it.
command="bash scripts/bench.sh"
[ -z "${BENCH_REPETITIONS:-}" ] || command="BENCH_REPETITIONS=$repetitions $command"
[ -z "${BENCH_MIN_TIME:-}" ] || command="BENCH_MIN_TIME=$min_time $command"
[ -z "${BENCH_CALLGRIND_OPS:-}" ] || command="BENCH_CALLGRIND_OPS=$callgrind_ops $command"
[ -z "$filter" ] || command="$command --filter '$filter'"

started=$(date +%s)
bash scripts/install-deps.sh
if ! command -v fastddsgen >/dev/null 2>&1; then
  echo "installing: fastddsgen"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends fastddsgen >/dev/null
fi

# The workspace in Release, in a build and an install space of its own, so that the type
# support is measured as Release (-O3) like the peer; then the benchmark project against it.
echo "=== building the workspace (Release) into build-bench-ws/ and install-bench/"
BUILD_BASE=build-bench-ws INSTALL_BASE=install-bench bash scripts/build.sh --packages-up-to kovel_cdr \
  --cmake-args -DCMAKE_BUILD_TYPE=Release
set +u
source install-bench/setup.bash
set -u

build=build-bench
# A build-bench/ configured from another source directory (the whole project, before the
# benchmarks were a project of their own) starts afresh.
if [ -f "$build/CMakeCache.txt" ] &&
  ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$PWD/bench" "$build/CMakeCache.txt"; then
  echo "$build/ was configured from another source directory: configuring it afresh"
  rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
echo "=== building $build (Release) from bench/ against install-bench/"
mkdir -p "$build"
cmake -S bench -B "$build" -DCMAKE_BUILD_TYPE=Release >"$build/configure.log" 2>&1 || {
  cat "$build/configure.log" >&2
  exit 1
}
grep -A6 "^CMake Warning" "$build/configure.log" >&2 || true
cmake --build "$build" -j"$(nproc)" --target type_support_bench instruction_count >/dev/null

load=$(cut -d' ' -f1 /proc/loadavg)
echo "=== type_support_bench: $repetitions repetitions, randomly interleaved" \
  "of at least ${min_time} s (load average $load; about 5 minutes on 2 cores)"
benchmark_args=(
  --benchmark_repetitions="$repetitions"
  --benchmark_min_time="$min_time"
  --benchmark_enable_random_interleaving=true
  --benchmark_display_aggregates_only=true
  --benchmark_out="$build/type_support_bench.json"
  --benchmark_out_format=json
)
[ -z "$filter" ] || benchmark_args+=(--benchmark_filter="$filter")
"$build/type_support_bench" "${benchmark_args[@]}" >"$build/type_support_bench.log" 2>&1 || {
  tail -n 20 "$build/type_support_bench.log" >&2
  echo "type_support_bench failed: the whole log is $build/type_support_bench.log" >&2
  exit 1
}
echo "console output: $build/type_support_bench.log, every repetition: $build/type_support_bench.json"

echo "=== callgrind: instructions per DeviceInfo operation, $callgrind_ops operations each"
counts="$build/callgrind/counts.tsv"
mkdir -p "$build/callgrind"
: >"$counts"
for op in serialize deserialize; do
  for side in ours peer; do
    out="$build/callgrind/$op-$side.out"
    valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out" \
      "$build/instruction_count" "$op" "$side" "$callgrind_ops" \
      >/dev/null 2>"$build/callgrind/$op-$side.log"
    total=$(sed -n 's/^totals: *\([0-9][0-9]*\).*/\1/p' "$out")
    [ -n "$total" ] || { echo "no instruction total in $out" >&2; exit 1; }
    echo "$op $side $total $callgrind_ops" >>"$counts"
    echo "$op $side: $((total / callgrind_ops)) instructions per operation"
  done
done

table=bench/results.md
[ -z "$filter" ] || table="$build/results.md"
peer_version=$(fastddsgen -version 2>/dev/null | sed -n 's/.*version \([0-9][0-9.]*\).*/\1/p' | head -n 1)
node bench/results_table.js --benchmarks "$build/type_support_bench.json" --callgrind "$counts" \
  --command "$command" --seconds "$(($(date +%s) - started))" \
  --load "$load" --load-end "$(cut -d' ' -f1 /proc/loadavg)" \
  --peer "$peer_version" --out "$table"
echo "the results table is in $table"
