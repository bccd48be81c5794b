'use strict';
// Messages as plain JavaScript values, walked along the peer's parsed definitions:
// validation of the samples, a normal form for comparing decoded messages, JSON text in
// the form kovel_cdr reads, and the peer writer's bytes with UTF-8 text put in place.

// ROS 2 gives a message with no fields one octet member of this name; the peer reads and
// writes that octet (always 0) without showing it.
const PLACEHOLDER = 'structure_needs_at_least_one_member';
const FLOAT_WORDS = new Map([['nan', NaN], ['inf', Infinity], ['-inf', -Infinity]]);
const INTEGER_RANGES = new Map([
  ['int8', [-128, 127]], ['uint8', [0, 255]], ['byte', [0, 255]], ['char', [0, 255]],
  ['int16', [-32768, 32767]], ['uint16', [0, 65535]],
  ['int32', [-2147483648, 2147483647]], ['uint32', [0, 4294967295]],
  ['int64', [-(2n ** 63n), 2n ** 63n - 1n]], ['uint64', [0n, 2n ** 64n - 1n]],
]);
// The peer reads and writes 64-bit integers as BigInt; JSON text holds them exactly.
const WIDE_INTEGERS = new Set(['int64', 'uint64']);
const FLOAT32_MAX = 3.4028234663852886e38;
const TIME_FIELDS = [
  { name: 'sec', type: 'int32' },
  { name: 'nanosec', type: 'uint32' },
];

// The data fields of a definition (constants are no part of the wire).
function dataFields(fields) {
  return fields.filter((field) => field.isConstant !== true);
}

// Looks up nested definitions by their full name; the root is the first entry.
function definitionIndex(definitions) {
  const byName = new Map(definitions.map((d) => [d.name ?? '', d.definitions]));
  return { root: definitions[0].definitions, byName };
}

// ---- Validation: the peer's writer silently turns a missing or mistyped member into 0 or
// "", so every sample is checked against the definition before it is used. ----

function fail(where, what) {
  throw new Error(`${where}: ${what}`);
}

function isPlainObject(value) {
  return typeof value === 'object' && value !== null && !Array.isArray(value);
}

function validateScalar(type, value, where, upperBound) {
  if (INTEGER_RANGES.has(type)) {
    const [low, high] = INTEGER_RANGES.get(type);
    // -0 is no integer to kovel_cdr: JSON has it as -0.0.
    const integer = typeof value === 'bigint' ? WIDE_INTEGERS.has(type) :
      Number.isInteger(value) && !Object.is(value, -0);
    if (!integer || value < low || value > high) {
      fail(where, `expected a ${type} in [${low}, ${high}], got ${JSON.stringify(value)}`);
    }
  } else if (type === 'float32' || type === 'float64') {
    if (typeof value === 'string' ? !FLOAT_WORDS.has(value) :
      typeof value !== 'number' && typeof value !== 'bigint') {
      fail(where, `expected a number or "nan", "inf", "-inf", got ${JSON.stringify(value)}`);
    }
    if (type === 'float32' && typeof value !== 'string' && Math.abs(Number(value)) > FLOAT32_MAX) {
      fail(where, `${value} is beyond the float32 range (write "inf")`);
    }
  } else if (type === 'bool') {
    if (typeof value !== 'boolean') {
      fail(where, `expected true or false, got ${JSON.stringify(value)}`);
    }
  } else if (type === 'string') {
    if (typeof value !== 'string') {
      fail(where, `expected a string, got ${JSON.stringify(value)}`);
    }
    if (upperBound !== undefined && Buffer.byteLength(value, 'utf8') > upperBound) {
      fail(where, `text of ${Buffer.byteLength(value, 'utf8')} bytes beyond its bound ${upperBound}`);
    }
    if (/[\ud800-\udbff](?![\udc00-\udfff])|(?<![\ud800-\udbff])[\udc00-\udfff]/.test(value)) {
      fail(where, 'text has a lone UTF-16 surrogate, which is no UTF-8 text');
    }
  } else {
    fail(where, `no rule for the primitive type ${type}`);
  }
}

function validateFields(fields, value, index, where) {
  if (!isPlainObject(value)) {
    fail(where, `expected an object, got ${JSON.stringify(value)}`);
  }
  const data = dataFields(fields);
  if (data.length === 0) {
    if (Object.keys(value).join() !== PLACEHOLDER || value[PLACEHOLDER] !== 0) {
      fail(where, `expected {"${PLACEHOLDER}": 0} (the peer always writes 0)`);
    }
    return;
  }
  const names = new Set(data.map((field) => field.name));
  for (const key of Object.keys(value)) {
    if (!names.has(key)) {
      fail(`${where}.${key}`, 'no such member');
    }
  }
  for (const field of data) {
    const at = `${where}.${field.name}`;
    if (!(field.name in value)) {
      fail(at, 'missing (the peer would write 0 or "")');
    }
    validateMember(field, value[field.name], index, at);
  }
}

function validateOne(field, value, index, where) {
  if (field.type === 'time' || field.type === 'duration') {
    validateFields(TIME_FIELDS, value, index, where);
  } else if (field.isComplex === true) {
    if (!index.byName.has(field.type)) {
      fail(where, `no definition of ${field.type}`);
    }
    validateFields(index.byName.get(field.type), value, index, where);
  } else {
    validateScalar(field.type, value, where, field.upperBound);
  }
}

function validateMember(field, value, index, where) {
  if (field.isArray !== true) {
    validateOne(field, value, index, where);
    return;
  }
  if (!Array.isArray(value)) {
    fail(where, `expected an array, got ${JSON.stringify(value)}`);
  }
  if (field.arrayLength !== undefined && value.length !== field.arrayLength) {
    fail(where, `expected exactly ${field.arrayLength} elements, got ${value.length}`);
  }
  if (field.arrayUpperBound !== undefined && value.length > field.arrayUpperBound) {
    fail(where, `${value.length} elements beyond the bound ${field.arrayUpperBound}`);
  }
  value.forEach((element, i) => validateOne(field, element, index, `${where}[${i}]`));
}

// Throws, naming the member, unless `message` has exactly the members of the definition
// with values of their types.
function validate(definitions, message, where) {
  const index = definitionIndex(definitions);
  validateFields(index.root, message, index, where);
}

// ---- Normal form: numbers for "nan"/"inf"/"-inf", float32 rounded as the wire rounds
// it, plain arrays for typed arrays, no placeholder octet. Compared with
// assert.deepStrictEqual, which tells NaN from NaN as equal and -0 from 0 as different. ----

function normaliseScalar(type, value) {
  if (WIDE_INTEGERS.has(type)) {
    return BigInt(value);
  }
  if (type === 'float32' || type === 'float64') {
    const number = typeof value === 'string' ? FLOAT_WORDS.get(value) : Number(value);
    return type === 'float32' ? Math.fround(number) : number;
  }
  return value;
}

function normaliseOne(field, value, index) {
  if (field.type === 'time' || field.type === 'duration') {
    return normaliseFields(TIME_FIELDS, value, index);
  }
  if (field.isComplex === true) {
    return normaliseFields(index.byName.get(field.type), value, index);
  }
  return normaliseScalar(field.type, value);
}

function normaliseFields(fields, value, index) {
  const out = {};
  for (const field of dataFields(fields)) {
    const member = value?.[field.name];
    out[field.name] = field.isArray === true ?
      Array.from(member ?? [], (element) => normaliseOne(field, element, index)) :
      normaliseOne(field, member, index);
  }
  return out;
}

function normalise(definitions, message) {
  const index = definitionIndex(definitions);
  return normaliseFields(index.root, message, index);
}

// ---- JSON text for kovel_cdr: -0 stays -0.0 (JSON.stringify would write 0), NaN and the
// infinities become the words kovel_cdr reads, typed arrays become arrays. ----

function toJsonText(value) {
  if (typeof value === 'bigint') {
    return value.toString();
  }
  if (typeof value === 'number') {
    if (Number.isNaN(value)) {
      return '"nan"';
    }
    if (!Number.isFinite(value)) {
      return value > 0 ? '"inf"' : '"-inf"';
    }
    if (Number.isInteger(value) && !Number.isSafeInteger(value)) {
      return BigInt(value).toString();  // JSON.stringify would round 2^63 to 9223372036854776000
    }
    return Object.is(value, -0) ? '-0.0' : JSON.stringify(value);
  }
  if (Array.isArray(value) || ArrayBuffer.isView(value)) {
    return `[${Array.from(value, toJsonText).join(', ')}]`;
  }
  if (isPlainObject(value)) {
    const members = Object.entries(value).map(([k, v]) => `${JSON.stringify(k)}: ${toJsonText(v)}`);
    return `{${members.join(', ')}}`;
  }
  return JSON.stringify(value);
}

// ---- The peer writer's bytes for any text. It counts a string's length in UTF-16 units
// and truncates non-ASCII text, so each non-ASCII string is written as a placeholder of
// the same UTF-8 length, twice with different letters: the bytes that differ are exactly
// the text, and the UTF-8 bytes go there. Everything else (lengths, alignment, NULs) is
// still the peer's. ----

function isAscii(text) {
  return /^[\x00-\x7f]*$/.test(text);
}

// Every string of a message, in wire order.
function stringsOf(definitions, message) {
  const index = definitionIndex(definitions);
  const found = [];
  const walkFields = (fields, value) => {
    for (const field of dataFields(fields)) {
      const member = value?.[field.name];
      const elements = field.isArray === true ? Array.from(member ?? []) : [member];
      for (const element of elements) {
        if (field.type === 'string') {
          found.push(element);
        } else if (field.isComplex === true) {
          walkFields(index.byName.get(field.type), element);
        }
      }
    }
  };
  walkFields(index.root, message);
  return found;
}

function replaceNonAscii(definitions, message, letter) {
  const index = definitionIndex(definitions);
  const replaceFields = (fields, value) => {
    const out = { ...value };
    for (const field of dataFields(fields)) {
      const member = value?.[field.name];
      if (member === undefined || (field.type !== 'string' && field.isComplex !== true)) {
        continue;
      }
      const replaceOne = (element) => {
        if (field.type === 'string') {
          return isAscii(element) ? element : letter.repeat(Buffer.byteLength(element, 'utf8'));
        }
        return replaceFields(index.byName.get(field.type), element);
      };
      out[field.name] = field.isArray === true ? Array.from(member, replaceOne) : replaceOne(member);
    }
    return out;
  };
  return replaceFields(index.root, message);
}

function writeWithUtf8(writer, definitions, message) {
  const texts = stringsOf(definitions, message).filter((text) => !isAscii(text));
  if (texts.length === 0) {
    return writer.writeMessage(message);
  }
  const a = writer.writeMessage(replaceNonAscii(definitions, message, 'a'));
  const b = writer.writeMessage(replaceNonAscii(definitions, message, 'b'));
  const utf8 = Buffer.concat(texts.map((text) => Buffer.from(text, 'utf8')));
  const out = Uint8Array.from(a);
  let next = 0;
  for (let i = 0; i < a.length; i++) {
    if (a[i] !== b[i]) {
      out[i] = utf8[next++];
    }
  }
  if (a.length !== b.length || next !== utf8.length) {
    throw new Error(`placeholder text took ${next} bytes, the UTF-8 text has ${utf8.length}`);
  }
  return out;
}

// JSON text to values, an integer that a double would round as BigInt (a float member
// takes it as a number again).
function parseJson(text) {
  const token = /"(?:[^"\\]|\\.)*"|(?<![\d.eE+-])-?\d{16,}(?![.eE\d])/g;
  const tagged = text.replace(token, (t) =>
    (t.startsWith('"') || BigInt(Number(t)) === BigInt(t) ? t : `{"$bigint":"${t}"}`));
  return JSON.parse(tagged, (key, value) =>
    isPlainObject(value) && Object.keys(value).join() === '$bigint' ? BigInt(value.$bigint) : value);
}

module.exports = {
  validate, normalise, toJsonText, stringsOf, isAscii, writeWithUtf8, parseJson, dataFields,
  definitionIndex,
};
