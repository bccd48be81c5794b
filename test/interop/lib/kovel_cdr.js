'use strict';
// Runs our side: the installed kovel_cdr (install/kovel_cdr/bin/kovel_cdr, or $KOVEL_CDR),
// or kovel_matrix_msgs' matrix_codec (the same three commands over that package's own
// library), one process per call, input on standard input, bounded in time and output.
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');

const REPO = path.resolve(__dirname, '..', '..', '..');
const BINARY = process.env.KOVEL_CDR ||
  path.join(REPO, process.env.INSTALL_BASE || 'install', 'kovel_cdr', 'bin', 'kovel_cdr');
const MATRIX_CODEC = process.env.MATRIX_CODEC || path.join(REPO,
  process.env.INSTALL_BASE || 'install', 'kovel_matrix_msgs', 'lib', 'kovel_matrix_msgs', 'matrix_codec');
const TIMEOUT_MS = 20000;
const MAX_OUTPUT = 64 * 1024 * 1024;

function available(binary = BINARY) {
  try {
    fs.accessSync(binary, fs.constants.X_OK);
    return true;
  } catch {
    return false;
  }
}

function run(args, input, binary = BINARY) {
  const result = spawnSync(binary, args, { input, timeout: TIMEOUT_MS, maxBuffer: MAX_OUTPUT });
  if (result.error) {
    throw new Error(`${path.basename(binary)} ${args.join(' ')}: ${result.error.message}`);
  }
  if (result.status !== 0) {
    const stderr = result.stderr.toString().trim();
    throw new Error(`${path.basename(binary)} ${args.join(' ')} exited ${result.status ?? result.signal}: ${stderr}`);
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

// The same three operations through matrix_codec, for types named PACKAGE/KIND/TYPE.
const matrix = {
  encode: (type, jsonText) => Uint8Array.from(run(['encode', type], jsonText, MATRIX_CODEC)),
  decode: (type, payload) => run(['decode', type], payload, MATRIX_CODEC).toString('utf8'),
  sizes: (type, jsonText) => JSON.parse(run(['sizes', type], jsonText, MATRIX_CODEC).toString('utf8')),
};

module.exports = { BINARY, MATRIX_CODEC, available, encode, decode, sizes, matrix };
