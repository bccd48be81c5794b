'use strict';
// Runs our side: the installed kovel_cdr (install/kovel_cdr/bin/kovel_cdr, or $KOVEL_CDR),
// one process per call, input on standard input, bounded in time and output.
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');

const REPO = path.resolve(__dirname, '..', '..', '..');
const BINARY = process.env.KOVEL_CDR ||
  path.join(REPO, process.env.INSTALL_BASE || 'install', 'kovel_cdr', 'bin', 'kovel_cdr');
const TIMEOUT_MS = 20000;
const MAX_OUTPUT = 64 * 1024 * 1024;

function available() {
  try {
    fs.accessSync(BINARY, fs.constants.X_OK);
    return true;
  } catch {
    return false;
  }
}

function run(args, input) {
  const result = spawnSync(BINARY, args, { input, timeout: TIMEOUT_MS, maxBuffer: MAX_OUTPUT });
  if (result.error) {
    throw new Error(`kovel_cdr ${args.join(' ')}: ${result.error.message}`);
  }
  if (result.status !== 0) {
    const stderr = result.stderr.toString().trim();
    throw new Error(`kovel_cdr ${args.join(' ')} exited ${result.status ?? result.signal}: ${stderr}`);
  }
  return result.stdout;
}

// The DDS payload (encapsulation header and CDR body) of a message given as JSON text, in
// an array of its own.
function encode(type, jsonText) {
  return Uint8Array.from(run(['encode', type], jsonText));
}

// The JSON text kovel_cdr prints for a payload.
function decode(type, payload) {
  return run(['decode', type, '--compact'], payload).toString('utf8');
}

// kovel_cdr's sizes of a message given as JSON text: serialized_size, max_serialized_size
// and full_bounded.
function sizes(type, jsonText) {
  return JSON.parse(run(['sizes', type], jsonText).toString('utf8'));
}

module.exports = { BINARY, available, encode, decode, sizes };
