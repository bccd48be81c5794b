#!/usr/bin/env node
// Writes the benchmark results page (bench/results.md) from one run of type_support_bench
// (its JSON output, every repetition) and the callgrind counts of instruction_count.
// Times are medians of real_time over the repetitions; ratios divide medians of the same run.
//
//   node bench/results_table.js --benchmarks RUN.json --callgrind COUNTS.tsv \
//     --command 'bash scripts/bench.sh' --seconds 480 --load 0.5 --load-end 0.9 --peer 2.3.0 \
//     --out bench/results.md
//
// COUNTS.tsv: one line per count, "<op> <side> <total Ir> <operations>". Plain Node.js.
'use strict';

const fs = require('fs');
const os = require('os');

function parseArgs(argv) {
  const args = {};
  for (let i = 0; i < argv.length; i += 2) {
    if (!argv[i].startsWith('--') || i + 1 >= argv.length) {
      throw new Error(`bad argument: ${argv[i]}`);
    }
    args[argv[i].slice(2)] = argv[i + 1];
  }
  for (const name of ['benchmarks', 'out']) {
    if (!args[name]) {
      throw new Error(`missing --${name}`);
    }
  }
  return args;
}

const NS_PER_UNIT = {ns: 1, us: 1e3, ms: 1e6, s: 1e9};

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

// "<op>/<side>/<message>" -> {op, side, message}; the message may hold a slash.
function splitName(name) {
  const [op, side, ...rest] = name.split('/');
  return {op, side, message: rest.join('/')};
}

// Results by op, then message, then side: {ns (median), bytes, runs} or {error}.
function collect(run) {
  const samples = new Map();
  const errors = new Map();
  for (const b of run.benchmarks) {
    if (b.run_type === 'aggregate') {
      continue;
    }
    const name = b.run_name || b.name;
    if (b.error_occurred) {
      errors.set(name, b.error_message);
      continue;
    }
    if (!samples.has(name)) {
      samples.set(name, {times: [], bytes: b.bytes});
    }
    samples.get(name).times.push(b.real_time * NS_PER_UNIT[b.time_unit || 'ns']);
  }
  const results = {};
  const put = (name, value) => {
    const {op, side, message} = splitName(name);
    results[op] ??= {};
    results[op][message] ??= {};
    results[op][message][side] = value;
  };
  for (const [name, s] of samples) {
    put(name, {ns: median(s.times), bytes: s.bytes, runs: s.times.length});
  }
  for (const [name, error] of errors) {
    put(name, {error});
  }
  return results;
}

function formatNs(ns) {
  if (ns === undefined) {
    return '—';
  }
  if (ns >= 1e6) {
    return `${(ns / 1e6).toFixed(2)} ms`;
  }
  if (ns >= 1e4) {
    return `${(ns / 1e3).toFixed(1)} µs`;
  }
  return ns >= 100 ? ns.toFixed(0) : ns.toFixed(1);
}

function formatBytes(bytes) {
  if (bytes === undefined) {
    return '—';
  }
  if (bytes >= 1 << 20) {
    return `${(bytes / (1 << 20)).toFixed(2)} MiB`;
  }
  if (bytes >= 1 << 10) {
    return `${(bytes / (1 << 10)).toFixed(2)} KiB`;
  }
  return `${bytes} B`;
}

const ratio = (a, b) => (a && b && a.ns !== undefined && b.ns !== undefined ? a.ns / b.ns : undefined);
const formatRatio = (r) => (r === undefined ? '—' : `${r.toFixed(2)}x`);
const gbPerS = (r) => (r && r.ns !== undefined ? (r.bytes / r.ns).toFixed(2) : '—');

// A target is met when the ratio is at most the bound.
function verdict(r, bound, tally) {
  if (bound === undefined) {
    return '';
  }
  if (r === undefined) {
    tally.unmeasured += 1;
    return 'not measured';
  }
  const met = r <= bound;
  tally[met ? 'met' : 'missed'] += 1;
  return met ? 'met' : '**missed**';
}

// The package's message types, from its installed interface list (the ament index on
// AMENT_PREFIX_PATH): each message, then each service's request and response.
function packageTypes(pkg) {
  const fs = require('node:fs');
  const path = require('node:path');
  for (const prefix of (process.env.AMENT_PREFIX_PATH || '').split(':').filter((p) => p)) {
    const index = path.join(prefix, 'share', 'ament_index', 'resource_index', 'rosidl_interfaces', pkg);
    if (!fs.existsSync(index)) {
      continue;
    }
    const files = fs.readFileSync(index, 'utf8').split('\n');
    const messages = files.filter((f) => /^msg\/\w+\.msg$/.test(f)).map((f) => f.slice(4, -4));
    const services = files.filter((f) => /^srv\/\w+\.srv$/.test(f)).map((f) => f.slice(4, -4));
    return [...messages, ...services.flatMap((s) => [`${s}_Request`, `${s}_Response`])];
  }
  throw new Error(`${pkg} is not installed on AMENT_PREFIX_PATH: source its setup.bash`);
}
const TYPES = packageTypes('kovel_camera_msgs');

const OPS = [
  {op: 'serialize', title: 'Serialize into a preallocated buffer', bound: 1.0, memcpy: true},
  {op: 'deserialize', title: 'Deserialize into a reused record (peer: a reused object)',
    bound: 1.0, memcpy: true},
  {op: 'size', title: 'Exact serialized size', bound: 0.5},
  {op: 'max', title: 'Maximum serialized size (no target: the two compute different bounds; ' +
    'the peer counts an unbounded string as 255 characters, ours counts its length field ' +
    'and clears full_bounded)'},
];

const SWEEP_FIELDS = [
  {type: 'Metadata', member: 'json_data'},
  {type: 'GetString_Response', member: 'data'},
];
const SWEEP_SIZES = ['16B', '1KiB', '64KiB', '1MiB', '16MiB'];
// Bounds on ours/memcpy, for 1 MiB of Metadata json_data.
const SWEEP_BOUNDS = {'Metadata/1MiB': {serialize: 1.15, deserialize: 1.3}};

function opTable(results, table, tally, lines) {
  const byMessage = results[table.op] || {};
  const copy = results.copy || {};
  const bound = table.bound === undefined ? undefined : `≤ ${table.bound.toFixed(2)}x`;
  lines.push(`### ${table.title}`, '');
  const head = ['message', 'payload', 'ours ns', 'peer ns', 'ours/peer'];
  if (table.memcpy) {
    head.push('memcpy ns');
  }
  if (bound) {
    head.push(`target ${bound}`);
  }
  lines.push(`| ${head.join(' | ')} |`, `|${head.map((_, i) => (i ? '---:' : '---')).join('|')}|`);
  for (const type of TYPES) {
    const r = byMessage[type] || {};
    const ours = r.ours || {};
    const peer = r.peer || {};
    const q = ratio(ours, peer);
    const row = [type, formatBytes(ours.bytes ?? peer.bytes),
      ours.error ? `error: ${ours.error}` : formatNs(ours.ns),
      peer.error ? `error: ${peer.error}` : formatNs(peer.ns), formatRatio(q)];
    if (table.memcpy) {
      row.push(formatNs((copy[type] || {}).memcpy?.ns));
    }
    if (bound) {
      row.push(verdict(q, table.bound, tally));
    }
    lines.push(`| ${row.join(' | ')} |`);
  }
  lines.push('');
}

function sweepTable(results, tally, lines) {
  lines.push('### Large strings', '',
    'GB/s is 10^9 payload bytes per second (encapsulation included). Ratios are of median ' +
    'times: below 1.00x, ours is faster.', '');
  const head = ['member', 'length', 'op', 'ours GB/s', 'peer GB/s', 'memcpy GB/s',
    'ours/memcpy', 'ours/peer', 'target'];
  lines.push(`| ${head.join(' | ')} |`, `|${head.map((_, i) => (i > 2 ? '---:' : '---')).join('|')}|`);
  for (const {type, member} of SWEEP_FIELDS) {
    for (const size of SWEEP_SIZES) {
      const message = `${type}/${size}`;
      const copy = ((results.copy || {})[message] || {}).memcpy;
      for (const op of ['serialize', 'deserialize']) {
        const r = (results[op] || {})[message] || {};
        const toCopy = ratio(r.ours, copy);
        const bound = (SWEEP_BOUNDS[message] || {})[op];
        const target = bound === undefined ? '' :
          `≤ ${bound.toFixed(2)}x memcpy: ${verdict(toCopy, bound, tally)}`;
        lines.push(`| ${type}.${member} | ${size.replace(/([0-9])([A-Z])/, '$1 $2')} | ${op} | ${gbPerS(r.ours)} | ` +
          `${r.peer && r.peer.error ? 'error' : gbPerS(r.peer)} | ${gbPerS(copy)} | ` +
          `${formatRatio(toCopy)} | ${formatRatio(ratio(r.ours, r.peer))} | ${target} |`);
      }
    }
  }
  lines.push('');
}

function callgrindTable(path, lines) {
  lines.push('### Instructions per operation (callgrind)', '');
  if (!path || !fs.existsSync(path)) {
    lines.push('Not measured.', '');
    return;
  }
  const counts = {};
  let operations;
  for (const line of fs.readFileSync(path, 'utf8').split('\n')) {
    const [op, side, ir, count] = line.trim().split(/\s+/);
    if (!count) {
      continue;
    }
    counts[`${op}/${side}`] = Number(ir) / Number(count);
    operations = Number(count);
  }
  lines.push(`The typical DeviceInfo, ${operations} operations after a warm-up, counted with ` +
    '`valgrind --tool=callgrind --instr-atstart=no build-bench/instruction_count OP SIDE ' +
    'COUNT`: total Ir divided by the count (the stream set-up of each operation included, ' +
    'as in the timings).', '');
  lines.push('| op | ours Ir/op | peer Ir/op | ours/peer |', '|---|---:|---:|---:|');
  for (const op of ['serialize', 'deserialize']) {
    const ours = counts[`${op}/ours`];
    const peer = counts[`${op}/peer`];
    const q = ours && peer ? formatRatio(ours / peer) : '—';
    lines.push(`| ${op} | ${ours ? ours.toFixed(1) : '—'} | ${peer ? peer.toFixed(1) : '—'} | ${q} |`);
  }
  lines.push('');
}

function main() {
  const args = parseArgs(process.argv.slice(2));
  const run = JSON.parse(fs.readFileSync(args.benchmarks, 'utf8'));
  const results = collect(run);
  const context = run.context || {};
  const cpus = os.cpus();
  const repetitions = Math.max(0, ...Object.values(results).flatMap((m) =>
    Object.values(m).flatMap((s) => Object.values(s).map((r) => r.runs || 0))));
  const tally = {met: 0, missed: 0, unmeasured: 0};

  const body = [];
  for (const table of OPS) {
    opTable(results, table, tally, body);
  }
  sweepTable(results, tally, body);
  callgrindTable(args.callgrind, body);

  const minutes = args.seconds ? ` It took ${(Number(args.seconds) / 60).toFixed(1)} minutes.` : '';
  const lines = [
    '# Benchmark results',
    '',
    'Our Fast-CDR C type support against the peer, the C++ classes that ' +
    `fastddsgen${args.peer ? ` ${args.peer}` : ''} generates for the same types (\`bench/peer/kovel_camera_msgs.idl\`), ` +
    'and against memcpy of the same payload bytes. Written by `bench/results_table.js`; ' +
    'regenerate it with the command below.',
    '',
    `- date: ${context.date || new Date().toISOString()}`,
    `- machine: ${cpus.length} cores (nproc), ${cpus.length ? cpus[0].model.trim() : 'unknown CPU'}, ` +
    `${(os.totalmem() / 2 ** 30).toFixed(0)} GiB, ${os.type()} ${os.release()}` +
    (args.load ? `, load average ${args.load} at the start` : '') +
    (args['load-end'] ? ` and ${args['load-end']} at the end` : ''),
    `- command: \`${args.command || 'bash scripts/bench.sh'}\`.${minutes}`,
    `- method: Google Benchmark, ${repetitions} repetitions of every benchmark, randomly ` +
    'interleaved in one run; each time is the median real time of one operation over the ' +
    'repetitions, and each ratio divides two such medians (below 1.00x, ours is faster). ' +
    'Both sides are built as Release (-O3) with the same flags' +
    (context.library_build_type === 'debug' ?
      ' (Debian\'s Google Benchmark library reports itself built as debug; that concerns ' +
      'its own checks, not the code measured).' : '.'),
    `- targets: ${tally.met} met, ${tally.missed} missed` +
    (tally.unmeasured ? `, ${tally.unmeasured} not measured` : '') + '.',
    '',
    'Each message is a typical one (names of about ten characters, a message "ok", a ' +
    'CameraInfo with five distortion coefficients); the peer\'s object holds the same ' +
    'message, read from our payload, and writes the same bytes and the same exact size.',
    '',
    ...body,
  ];
  fs.writeFileSync(args.out, lines.join('\n'));
  console.log(`results table: ${args.out} (targets: ${tally.met} met, ${tally.missed} missed)`);
}

main();
