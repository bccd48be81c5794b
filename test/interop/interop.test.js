'use strict';
// kovel_cdr's payloads against an independent ROS 2 CDR implementation
// (@foxglove/rosmsg2-serialization), byte for byte, in both directions, for every sample
// of test/samples and a 1 MiB Metadata message; and std_msgs/msg/String and
// std_srvs/srv/Trigger, types with no Fast-CDR C type support, which kovel_cdr writes with
// its introspection codec.
const assert = require('node:assert/strict');
const { describe, it } = require('node:test');
const { TYPE_NAMES, loadDefinition, loadDefinitions } = require('./lib/definitions');
const kovel = require('./lib/kovel_cdr');
const { isAscii, stringsOf, validate } = require('./lib/messages');
const { Peer, loadSamples, peerCarries } = require('./lib/peer');

if (!kovel.available()) {
  throw new Error(`${kovel.BINARY} is missing: build first (bash scripts/build.sh)`);
}

const definitions = loadDefinitions();

function label(peer, sample, i) {
  const texts = stringsOf(peer.definitions, sample);
  const bytes = texts.map((text) => Buffer.byteLength(text, 'utf8'));
  return `sample ${i}` + (texts.length > 0 ? ` (text bytes ${bytes.join('/')})` : '');
}

for (const type of TYPE_NAMES) {
  describe(type, () => {
    const peer = new Peer(type, definitions.get(type).definitions);
    const samples = loadSamples(type);

    it('has samples, each with every member of the definition and values of its types', () => {
      assert.ok(samples.length > 0, `test/samples/${type}.json has no samples`);
      samples.forEach((sample, i) => peerCarries(sample) && validate(peer.definitions, sample, `${type}[${i}]`));
    });

    samples.forEach((sample, i) => {
      const name = label(peer, sample, i);
      if (!peerCarries(sample)) {
        it(`${name}: both ways`, { skip: 'the peer writes the placeholder octet as 0 only' }, () => {});
        return;
      }
      it(`${name}: ours -> theirs`, () => {
        validate(peer.definitions, sample, `${type}[${i}]`);
        peer.oursToTheirs(sample);
      });
      // The peer's writer counts text in UTF-16 units and cuts non-ASCII text short.
      const ascii = stringsOf(peer.definitions, sample).every(isAscii);
      it(`${name}: theirs -> ours`, { skip: ascii ? false : 'non-ASCII text: ours -> theirs only' }, () => {
        validate(peer.definitions, sample, `${type}[${i}]`);
        peer.theirsToOurs(sample);
      });
    });
  });
}

// The maximum of every type counts each unbounded text as empty and each unbounded
// sequence as having no element, so from position 0 it is the size of the empty message,
// which the peer computes on its own; full_bounded stays true only for a type with neither.
describe('maximum sizes agree with the peer\'s size of the empty message', () => {
  for (const type of TYPE_NAMES) {
    it(type, () => {
      const peer = new Peer(type, definitions.get(type).definitions);
      const body = peer.writer.calculateByteSize({}) - 4;
      const unbounded = /^\s*(string|[\w/]+\[\])\s/m.test(definitions.get(type).text);
      assert.deepEqual(kovel.sizes(type, '{}'), {
        type: `kovel_camera_msgs/${type.includes('_') ? 'srv' : 'msg'}/${type}`,
        serialized_size: body,
        max_serialized_size: body,
        full_bounded: !unbounded,
      });
    });
  }
});

describe('Metadata with a json_data of 1 MiB', () => {
  const peer = new Peer('Metadata', definitions.get('Metadata').definitions);
  const size = 1 << 20;
  let text = '{"frames":[';
  for (let i = 0; text.length < size - 64; i++) {
    text += `${i > 0 ? ',' : ''}{"n":${i},"t_us":${1765200000000000 + i * 33333},"ok":${i % 7 !== 0}}`;
  }
  text = (text + ']}').padEnd(size, ' ');
  const sample = { header: { stamp: { sec: 1765200000, nanosec: 1 }, frame_id: 'cam' }, json_data: text };

  it('ours -> theirs', () => {
    const ours = peer.oursToTheirs(sample);
    // header 12 + 3 + NUL, string length field at 16, text, NUL; plus the 4-byte header
    assert.equal(ours.length, 4 + 20 + size + 1);
  });

  it('theirs -> ours', () => {
    peer.theirsToOurs(sample);
  });
});

describe('std_msgs/msg/String, through the introspection codec', () => {
  const type = 'std_msgs/msg/String';
  const peer = new Peer(type, loadDefinition('std_msgs/String').definitions);
  // Lengths that leave every remainder modulo 4 after the length field.
  const texts = ['', 'h', 'hi', 'abc', 'text with "quotes", \\ and a tab\t', 'x'.repeat(4099)];
  for (const data of texts) {
    it(`${data.length} bytes: ours -> theirs and theirs -> ours`, () => {
      peer.oursToTheirs({ data });
      peer.theirsToOurs({ data });
    });
  }
  it('multi-byte UTF-8: ours -> theirs', () => {
    peer.oursToTheirs({ data: 'Grüße, 世界' });
  });
  it('maximum size: an empty text, and no true bound', () => {
    const body = peer.writer.calculateByteSize({ data: '' }) - 4;
    assert.deepEqual(kovel.sizes(type, '{}'), {
      type, serialized_size: body, max_serialized_size: body, full_bounded: false,
    });
  });
});

describe('std_srvs/srv/Trigger, of a package with no Fast-CDR library at all', () => {
  const cases = [
    ['Request', [{ structure_needs_at_least_one_member: 0 }]],
    ['Response', [{ success: true, message: '' }, { success: false, message: 'not now' }]],
  ];
  for (const [part, samples] of cases) {
    const type = `std_srvs/srv/Trigger_${part}`;
    const peer = new Peer(type, loadDefinition(`std_srvs/Trigger_${part}`).definitions);
    samples.forEach((sample, i) => {
      it(`${part} ${i}: ours -> theirs and theirs -> ours`, () => {
        peer.oursToTheirs(sample);
        peer.theirsToOurs(sample);
      });
    });
  }
});
