'use strict';
// kovel_matrix_msgs, every member kind in every shape: the payloads of the package's own
// hand-written library (written and read through matrix_codec) against the independent
// peer, byte for byte in both directions, for every sample of test/kovel_matrix_msgs/samples;
// the `.msg` defaults of a message given no member; each type's maximum size; and that the
// samples keep reaching what they were written for.
const assert = require('node:assert/strict');
const path = require('node:path');
const { describe, it } = require('node:test');
const { REPO, definitionOf, loadTexts, packageTypes } = require('./lib/definitions');
const kovel = require('./lib/kovel_cdr');
const {
  dataFields, definitionIndex, isAscii, normalise, stringsOf, toJsonText, validate,
} = require('./lib/messages');
const { Peer, loadSamples } = require('./lib/peer');

const PACKAGE = 'kovel_matrix_msgs';
const SAMPLES = path.join(REPO, 'test', PACKAGE, 'samples');
const LONG = 100;

if (!kovel.available(kovel.MATRIX_CODEC)) {
  throw new Error(`${kovel.MATRIX_CODEC} is missing: build first (bash scripts/build.sh)`);
}

const texts = loadTexts();
const TYPES = packageTypes(PACKAGE);

// A message of the definition built member by member: `one(field, index)` gives a single
// value of a primitive field, `count(field)` the elements of a sequence.
function build(definitions, one, count) {
  const index = definitionIndex(definitions);
  const value = (field) => {
    if (field.type === 'time') {
      return { sec: 0, nanosec: 0 };
    }
    return field.isComplex === true ? fields(index.byName.get(field.type)) : one(field);
  };
  const fields = (list) => Object.fromEntries(dataFields(list).map((field) => {
    if (field.isArray !== true) {
      return [field.name, value(field)];
    }
    const n = field.arrayLength ?? count(field);
    return [field.name, Array.from({ length: n }, () => value(field))];
  }));
  return fields(index.root);
}

function zero(field) {
  if (field.type === 'bool') {
    return false;
  }
  return field.type === 'string' ? '' : 0;
}

// What a record holds when no member is given: the definition's defaults, else zeros,
// empty texts and empty sequences.
function defaults(definitions) {
  const index = definitionIndex(definitions);
  const withDefaults = (list, message) => {
    for (const field of dataFields(list)) {
      if (field.defaultValue !== undefined) {
        message[field.name] = field.defaultValue;
      } else if (field.isComplex === true && field.isArray !== true) {
        withDefaults(index.byName.get(field.type), message[field.name]);
      } else if (field.isComplex === true) {
        message[field.name].forEach((element) => withDefaults(index.byName.get(field.type), element));
      }
    }
    return message;
  };
  return withDefaults(index.root, build(definitions, zero, () => 0));
}

// The largest message the type's maximum counts: every bounded text and sequence at its
// bound, every unbounded one empty.
function largest(definitions) {
  return build(definitions,
    (field) => (field.type === 'string' ? 'x'.repeat(field.upperBound ?? 0) : zero(field)),
    (field) => field.arrayUpperBound ?? 0);
}

function hasUnbounded(definitions) {
  return definitions.some((d) => dataFields(d.definitions).some((field) =>
    (field.type === 'string' && field.upperBound === undefined) ||
    (field.isArray === true && field.arrayLength === undefined && field.arrayUpperBound === undefined)));
}

for (const fullName of TYPES) {
  const name = fullName.split('/')[2];
  describe(fullName, () => {
    const { definitions } = definitionOf(texts, fullName);
    const peer = new Peer(fullName, definitions, kovel.matrix);
    const samples = loadSamples(name, SAMPLES);

    it('has samples, each with every member of the definition and values of its types', () => {
      assert.ok(samples.length > 0, `${SAMPLES}/${name}.json has no samples`);
      samples.forEach((sample, i) => validate(definitions, sample, `${name}[${i}]`));
    });

    samples.forEach((sample, i) => {
      it(`sample ${i}: ours -> theirs`, () => {
        peer.oursToTheirs(sample);
      });
      const ascii = stringsOf(definitions, sample).every(isAscii);
      it(`sample ${i}: theirs -> ours`, { skip: ascii ? false : 'non-ASCII text: ours -> theirs only' }, () => {
        peer.theirsToOurs(sample);
      });
    });

    it('a message given no member holds the defaults of the definition', () => {
      peer.checkOurPayload(kovel.matrix.encode(fullName, '{}'), defaults(definitions));
    });

    it('the maximum is the size of the largest message; full_bounded only without unbounded members', () => {
      const message = largest(definitions);
      // Written, not calculateByteSize: that one aligns an empty float64 sequence that the
      // writer (and CDR) does not.
      const body = peer.write(message).length - 4;
      assert.deepEqual(kovel.matrix.sizes(fullName, toJsonText(message)), {
        type: fullName,
        serialized_size: body,
        max_serialized_size: body,
        full_bounded: !hasUnbounded(definitions),
      });
    });
  });
}

// What the samples reach, member by member of the package's own definitions (wherever the
// member is nested): both ends of every integer, NaN and both infinities in every float,
// both booleans, every bounded text at its bound, every sequence empty, every bounded one
// full, and every unbounded sequence of primitives long.
describe('the samples reach every member\'s edge cases', () => {
  const RANGES = new Map([
    ['int8', [-128, 127]], ['uint8', [0, 255]], ['int16', [-32768, 32767]], ['uint16', [0, 65535]],
    ['int32', [-2147483648, 2147483647]], ['uint32', [0, 4294967295]],
    ['int64', [-(2n ** 63n), 2n ** 63n - 1n]], ['uint64', [0n, 2n ** 64n - 1n]],
  ]);
  const seen = new Map();  // "pkg/Type.member" -> Set of what was seen
  const wanted = new Map();  // "pkg/Type.member" -> what must be seen

  const note = (key, fact) => seen.get(key)?.add(fact) ?? seen.set(key, new Set([fact]));
  const noteValue = (key, field, value) => {
    if (RANGES.has(field.type)) {
      const [low, high] = RANGES.get(field.type);
      note(key, value == low ? 'min' : value == high ? 'max' : 'other');  // eslint-disable-line eqeqeq
    } else if (field.type === 'float32' || field.type === 'float64') {
      note(key, String(value));
    } else if (field.type === 'bool') {
      note(key, String(value));
    } else if (field.type === 'string' && field.upperBound !== undefined) {
      note(key, Buffer.byteLength(value, 'utf8') === field.upperBound ? 'text at bound' : 'text');
    }
  };

  for (const fullName of TYPES) {
    const [pkg, , name] = fullName.split('/');
    const { definitions } = definitionOf(texts, fullName);
    const index = definitionIndex(definitions);
    const walk = (owner, list, message) => {
      for (const field of dataFields(list)) {
        const key = `${owner}.${field.name}`;
        const elements = field.isArray === true ? Array.from(message[field.name]) : [message[field.name]];
        if (field.isArray === true && field.arrayLength === undefined) {
          note(key, elements.length === 0 ? 'empty' : 'elements');
          if (elements.length === field.arrayUpperBound) {
            note(key, 'full');
          }
          if (elements.length >= LONG) {
            note(key, 'long');
          }
        }
        for (const element of elements) {
          if (field.isComplex === true) {
            walk(field.type, index.byName.get(field.type), element);
          } else if (field.type !== 'time') {
            noteValue(key, field, element);
          }
        }
      }
    };
    const wantFields = (owner, list) => {
      for (const field of dataFields(list)) {
        const want = [];
        if (RANGES.has(field.type)) {
          want.push('min', 'max');
        } else if (field.type === 'float32' || field.type === 'float64') {
          want.push('NaN', 'Infinity', '-Infinity');
        } else if (field.type === 'bool') {
          want.push('true', 'false');
        } else if (field.type === 'string' && field.upperBound !== undefined) {
          want.push('text at bound');
        }
        if (field.isArray === true && field.arrayLength === undefined) {
          want.push('empty');
          want.push(field.arrayUpperBound !== undefined ? 'full' : field.isComplex === true ? 'elements' : 'long');
        }
        wanted.set(`${owner}.${field.name}`, want);
      }
    };
    wantFields(`${pkg}/${name}`, index.root);
    for (const [nested, list] of index.byName) {
      if (nested.startsWith(`${PACKAGE}/`)) {
        wantFields(nested, list);
      }
    }
    for (const sample of loadSamples(name, SAMPLES)) {
      walk(`${pkg}/${name}`, index.root, normalise(definitions, sample));
    }
  }

  for (const [key, want] of wanted) {
    it(key, () => {
      const missing = want.filter((fact) => !(seen.get(key) ?? new Set()).has(fact));
      assert.deepEqual(missing, [], `no sample of ${key} has: ${missing.join(', ')}`);
    });
  }
});
