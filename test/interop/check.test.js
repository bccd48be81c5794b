'use strict';
// Tests of the check itself: it must refuse what the peer's lenient reader lets pass, its
// UTF-8 splicing must give the bytes a careful writer would, and the samples must keep
// moving every member across the values and lengths they were chosen for.
const assert = require('node:assert/strict');
const { describe, it } = require('node:test');
const { TYPE_NAMES, loadDefinitions } = require('./lib/definitions');
const { isAscii, validate } = require('./lib/messages');
const { Peer, loadSamples, hasCommittedSamples, peerCarries } = require('./lib/peer');

const definitions = loadDefinitions();
const peerOf = (type) => new Peer(type, definitions.get(type).definitions);

// GetString_Response {data: "abc", success: true, message: "hello"}: data's length at body
// 0, text 4..6, NUL 7, success 8, filler 9..11, message's length 12, text 16..20, NUL 21.
const SAMPLE = { data: 'abc', success: true, message: 'hello' };
const PAYLOAD = Uint8Array.from([
  0x00, 0x01, 0x00, 0x00,
  0x04, 0x00, 0x00, 0x00, 0x61, 0x62, 0x63, 0x00, 0x01, 0x00, 0x00, 0x00,
  0x06, 0x00, 0x00, 0x00, 0x68, 0x65, 0x6c, 0x6c, 0x6f, 0x00,
]);
const SUCCESS_AT = 4 + 8;

function changed(bytes, at, value) {
  const copy = Uint8Array.from(bytes);
  copy[at] = value;
  return copy;
}

describe('the check refuses what the peer reader alone lets pass', () => {
  const peer = peerOf('GetString_Response');

  it('accepts the well-formed payload', () => {
    peer.checkOurPayload(PAYLOAD, SAMPLE);
  });

  it('refuses a trailing byte', () => {
    const longer = Uint8Array.from([...PAYLOAD, 0]);
    peer.reader.readMessage(longer);
    assert.throws(() => peer.checkOurPayload(longer, SAMPLE), /read 26 of 27 bytes/);
  });

  it('refuses a final NUL that is not 0', () => {
    const bad = changed(PAYLOAD, PAYLOAD.length - 1, 0x78);
    assert.deepEqual(peer.reader.readMessage(bad), SAMPLE);
    assert.throws(() => peer.checkOurPayload(bad, SAMPLE), /differ first at byte 25/);
  });

  it('refuses a boolean byte of 2', () => {
    const bad = changed(PAYLOAD, SUCCESS_AT, 2);
    assert.equal(peer.reader.readMessage(bad).success, true);
    assert.throws(() => peer.checkOurPayload(bad, SAMPLE), /differ first at byte 12/);
  });

  it('refuses a payload one byte short even inside a larger buffer', () => {
    const view = PAYLOAD.subarray(0, PAYLOAD.length - 1);
    assert.deepEqual(peer.reader.readMessage(view), SAMPLE);
    // In an exact copy the reader steps over the missing NUL without reading it.
    assert.throws(() => peer.checkOurPayload(view, SAMPLE), /read 26 of 25 bytes/);
  });

  it('refuses two members written in each other\'s place', () => {
    const swapped = peer.write({ data: 'hello', success: true, message: 'abc' });
    assert.throws(() => peer.checkOurPayload(swapped, SAMPLE), /decoded our payload to another message/);
  });
});

describe('the peer writer with UTF-8 text put in place', () => {
  it('gives the bytes of the text, its length in bytes and the alignment after it', () => {
    const peer = peerOf('GetString_Response');
    const message = { data: 'é', success: false, message: '📷' };
    const expected = Uint8Array.from([
      0x00, 0x01, 0x00, 0x00,
      0x03, 0x00, 0x00, 0x00, 0xc3, 0xa9, 0x00, 0x00,
      0x05, 0x00, 0x00, 0x00, 0xf0, 0x9f, 0x93, 0xb7, 0x00,
    ]);
    assert.deepEqual(peer.write(message), expected);
    // Its own writer counts UTF-16 units, which is why such text only goes ours -> theirs.
    assert.notDeepEqual(Uint8Array.from(peer.writer.writeMessage(message)), expected);
  });

  it('keeps nested text in wire order', () => {
    const peer = peerOf('GetDeviceInfo_Response');
    const [sample] = loadSamples('GetDeviceInfo_Response').filter((s) => !isAscii(s.message));
    peer.checkOurPayload(peer.write(sample), sample);
  });
});

describe('sample validation refuses what the peer writer would silently turn into 0 or ""', () => {
  const response = { data: 'a', success: true, message: '' };
  const params = loadSamples('GetCameraParams_Response')[0];
  const cases = [
    ['GetString_Response', { data: 'a', success: true }, /message: missing/],
    ['GetString_Response', { ...response, extra: 1 }, /extra: no such member/],
    ['GetString_Response', { ...response, success: 1 }, /success: expected true or false/],
    ['GetString_Response', { ...response, data: 'x\ud800' }, /lone UTF-16 surrogate/],
    ['GetString_Request', {}, /structure_needs_at_least_one_member/],
    ['GetString_Request', { structure_needs_at_least_one_member: 1 }, /structure_needs_at_least_one_member/],
    ['GetCameraParams_Response', { ...params, l_k: [1, 2, 3, 4] }, /l_k: expected exactly 5 elements/],
    ['GetCameraParams_Response', { ...params, r2l_t: [1, 2, 1e39] }, /r2l_t\[2\]: .* float32 range/],
    ['GetCameraParams_Response', { ...params, l_k: [0, 0, 'NaN', 0, 0] }, /l_k\[2\]: expected a number/],
    ['GetDeviceInfo_Response', { ...loadSamples('GetDeviceInfo_Response')[0], message: null }, /message: expected a string/],
    ['DeviceInfo', { ...loadSamples('DeviceInfo')[0], vid: 2147483648 }, /vid: expected a int32/],
    ['DeviceInfo', { ...loadSamples('DeviceInfo')[0], pid: -0 }, /pid: expected a int32/],
    ['Metadata', { ...loadSamples('Metadata')[0], header: { frame_id: '' } }, /header.stamp: missing/],
  ];
  cases.forEach(([type, message, error], i) => {
    it(`${i}: ${type} ${error.source}`, () => {
      assert.throws(() => validate(definitions.get(type).definitions, message, type), error);
    });
  });
});

// ---- What the samples must cover, member by member ----

const SPECIALS = [['NaN', Number.isNaN], ['-0', (v) => Object.is(v, -0)],
  ['inf', (v) => v === Infinity], ['-inf', (v) => v === -Infinity]];
const EXTREMES = { int32: [-2147483648, 2147483647], uint32: [0, 4294967295] };
const SEQUENCE_LENGTHS = [0, 5, 8];
const LONG_TEXT = 256;

// Every value each member path takes over the samples ("a.b[3]" per element of an array,
// "a.b[]" for a sequence's lengths).
function collect(peer, samples) {
  const byName = new Map(peer.definitions.map((d) => [d.name ?? '', d.definitions]));
  const seen = new Map();
  const note = (key, type, value) => {
    if (!seen.has(key)) {
      seen.set(key, { type, values: [] });
    }
    seen.get(key).values.push(value);
  };
  const walk = (fields, value, prefix) => {
    for (const field of fields.filter((f) => f.isConstant !== true)) {
      const at = prefix + field.name;
      const one = (element, key) => {
        if (field.type === 'time') {
          note(`${key}.sec`, 'int32', element.sec);
          note(`${key}.nanosec`, 'uint32', element.nanosec);
        } else if (field.isComplex === true) {
          walk(byName.get(field.type), element, `${key}.`);
        } else {
          const words = { nan: NaN, inf: Infinity, '-inf': -Infinity };
          note(key, field.type, typeof element === 'string' && field.type.startsWith('float') ? words[element] : element);
        }
      };
      if (field.isArray !== true) {
        one(value[field.name], at);
      } else {
        if (field.arrayLength === undefined) {
          note(`${at}[]`, 'length', value[field.name].length);
        }
        value[field.name].forEach((element, i) => one(element, `${at}[${i}]`));
      }
    }
  };
  samples.forEach((sample) => walk(peer.definitions[0].definitions, sample, ''));
  return seen;
}

describe('the samples cover', () => {
  for (const type of TYPE_NAMES) {
    // A type without committed samples is checked with its default message alone.
    const skip = hasCommittedSamples(type) ? false : `no test/samples/${type}.json yet`;
    it(type, { skip }, () => {
      const peer = peerOf(type);
      const samples = loadSamples(type).filter(peerCarries);
      const missing = [];
      const textLengths = [];
      for (const [key, { type: kind, values }] of collect(peer, samples)) {
        const need = (what, found) => found || missing.push(`${key}: ${what}`);
        if (kind === 'float32' || kind === 'float64') {
          SPECIALS.forEach(([name, is]) => need(name, values.some(is)));
        } else if (kind in EXTREMES) {
          EXTREMES[kind].forEach((v) => need(String(v), values.includes(v)));
        } else if (kind === 'bool') {
          need('true and false', values.includes(true) && values.includes(false));
        } else if (kind === 'length') {
          SEQUENCE_LENGTHS.forEach((n) => need(`${n} elements`, values.includes(n)));
        } else if (kind === 'string') {
          const bytes = values.map((v) => Buffer.byteLength(v, 'utf8'));
          textLengths.push(...bytes);
          need('an empty text', bytes.includes(0));
          need('multi-byte UTF-8', values.some((v) => !isAscii(v)));
          if (key.endsWith('frame_id')) {
            [0, 1, 2, 3, 4, 5, 6, 7].forEach((n) => need(`${n} bytes`, bytes.includes(n)));
          }
        }
      }
      if (textLengths.length > 0 && !textLengths.some((n) => n >= LONG_TEXT)) {
        missing.push(`a text of ${LONG_TEXT} bytes or more`);
      }
      assert.deepEqual(missing, []);
    });
  }
});
