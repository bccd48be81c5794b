'use strict';
// The two directions of the check, as functions of one type, so that the tests (and the
// tests of the check itself) share them.
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { MessageReader, MessageWriter } = require('@foxglove/rosmsg2-serialization');
const { REPO } = require('./definitions');
const kovel = require('./kovel_cdr');
const {
  isAscii, normalise, parseJson, stringsOf, toJsonText, validate, writeWithUtf8,
} = require('./messages');

const SAMPLES = path.join(REPO, 'test', 'samples');
const PLACEHOLDER = 'structure_needs_at_least_one_member';

function hasCommittedSamples(type, dir = SAMPLES) {
  return fs.existsSync(path.join(dir, `${type}.json`));
}

// The committed samples of a type; a type without any has its default message, as
// kovel_cdr decodes the encoding of {}.
function loadSamples(type, dir = SAMPLES) {
  if (!hasCommittedSamples(type, dir)) {
    return [parseJson(kovel.decode(type, kovel.encode(type, '{}')))];
  }
  return parseJson(fs.readFileSync(path.join(dir, `${type}.json`), 'utf8'));
}

// The peer always writes 0 for the octet of a request without members, so a sample with
// another value there cannot be compared with it.
function peerCarries(sample) {
  return !(PLACEHOLDER in sample) || sample[PLACEHOLDER] === 0;
}

// A copy in an ArrayBuffer of exactly its length: the peer's reader builds its text views
// on the underlying buffer and would read past the end of a view into a larger one (as
// Node's pooled Buffers are).
function exactCopy(bytes) {
  return Uint8Array.from(bytes);
}

function hexAround(bytes, at) {
  const from = Math.max(0, at - 8);
  const shown = Buffer.from(bytes.subarray(from, at + 8)).toString('hex').replace(/(..)(?!$)/g, '$1 ');
  return `[${from}..] ${shown}`;
}

// Fails with the first differing byte (offsets count from the encapsulation header; the
// CDR body starts at 4) and the bytes around it on both sides.
function assertSameBytes(actual, expected, actualName, expectedName) {
  if (Buffer.compare(Buffer.from(actual), Buffer.from(expected)) === 0) {
    return;
  }
  let at = 0;
  while (at < actual.length && at < expected.length && actual[at] === expected[at]) {
    at++;
  }
  assert.fail(
    `${actualName} (${actual.length} bytes) and ${expectedName} (${expected.length} bytes) ` +
    `differ first at byte ${at} (body offset ${at - 4})\n` +
    `  ${actualName}: ${hexAround(actual, at)}\n  ${expectedName}: ${hexAround(expected, at)}`);
}

// `codec` writes and reads our payloads: kovel_cdr by default, or matrix_codec.
class Peer {
  constructor(type, definitions, codec = kovel) {
    this.type = type;
    this.codec = codec;
    this.definitions = definitions;
    this.reader = new MessageReader(definitions);
    this.writer = new MessageWriter(definitions);
  }

  // The peer's reading of a payload, which must consume it exactly: the reader itself
  // ignores trailing bytes.
  read(payload) {
    const copy = exactCopy(payload);
    const message = this.reader.readMessage(copy);
    assert.equal(this.reader.lastReadByteLength(), copy.byteLength,
      `the peer read ${this.reader.lastReadByteLength()} of ${copy.byteLength} bytes`);
    return message;
  }

  // The peer's bytes for a message given as a sample or as the peer's own reading (in
  // normal form, as the writer takes no "nan" and writes no UTF-8 of its own).
  write(message) {
    return writeWithUtf8(this.writer, this.definitions, normalise(this.definitions, message));
  }

  // Ours -> theirs: the peer reads our payload to the sample and writes it back to the
  // very same bytes. The byte comparison is what catches what the lenient reader lets
  // pass (a wrong final NUL, a boolean byte of 2).
  checkOurPayload(payload, sample) {
    const message = this.read(payload);
    assert.deepStrictEqual(normalise(this.definitions, message), normalise(this.definitions, sample),
      'the peer decoded our payload to another message');
    assertSameBytes(payload, this.write(message), 'ours', 'peer re-encoded');
  }

  // Ours -> theirs for a sample: kovel_cdr encodes it, the peer checks the payload.
  oursToTheirs(sample) {
    const ours = this.codec.encode(this.type, toJsonText(sample));
    this.checkOurPayload(ours, sample);
    return ours;
  }

  // Theirs -> ours: kovel_cdr decodes the peer's payload to the sample, and encodes its
  // own output back to the peer's bytes. Only for ASCII text (the peer's writer counts
  // UTF-16 units).
  theirsToOurs(sample) {
    assert.ok(stringsOf(this.definitions, sample).every(isAscii), 'the peer cannot write non-ASCII text');
    const theirs = exactCopy(this.writer.writeMessage(normalise(this.definitions, sample)));
    const json = this.codec.decode(this.type, theirs);
    // Our JSON must name exactly the members of the definition, as a sample does.
    validate(this.definitions, parseJson(json), `decode ${this.type}`);
    assert.deepStrictEqual(normalise(this.definitions, parseJson(json)),
      normalise(this.definitions, sample), 'we decoded the peer payload to another message');
    assertSameBytes(this.codec.encode(this.type, json), theirs, 'ours re-encoded', 'peer');
    return theirs;
  }
}

module.exports = { Peer, loadSamples, hasCommittedSamples, peerCarries, assertSameBytes, exactCopy };
