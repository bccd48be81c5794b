'use strict';
// The definitions the peer reads: the interface files the workspace installed (share/<pkg>/
// msg and srv of every package on AMENT_PREFIX_PATH), ours and the standard ROS 2 types they
// nest. Each message type becomes one definition text in the concatenated form (root text,
// then "====" and "MSG: pkg/Type" sections).
const fs = require('node:fs');
const path = require('node:path');
const { parse } = require('@foxglove/rosmsg');

const REPO = path.resolve(__dirname, '..', '..', '..');
const PACKAGE = 'kovel_camera_msgs';
const SEPARATOR = '='.repeat(80);

const PRIMITIVES = new Set([
  'bool', 'byte', 'char', 'int8', 'uint8', 'int16', 'uint16', 'int32', 'uint32',
  'int64', 'uint64', 'float32', 'float64', 'string', 'wstring',
]);

// The message types of kovel_camera_msgs, from its installed interface files: each message,
// then each service's request and response.
function typeNames() {
  const share = installedPackages().get(PACKAGE);
  const names = interfaceFiles(path.join(share, 'msg'), '.msg').sort()
    .map((file) => path.basename(file, '.msg'));
  for (const file of interfaceFiles(path.join(share, 'srv'), '.srv').sort()) {
    const service = path.basename(file, '.srv');
    names.push(`${service}_Request`, `${service}_Response`);
  }
  return names;
}

// The installed share/ folder of every package on AMENT_PREFIX_PATH: name -> path.
function installedPackages() {
  const packages = new Map();
  for (const prefix of (process.env.AMENT_PREFIX_PATH || '').split(':').filter((p) => p)) {
    const share = path.join(prefix, 'share');
    if (!fs.existsSync(share)) {
      continue;
    }
    for (const pkg of fs.readdirSync(share)) {
      if (!packages.has(pkg)) {
        packages.set(pkg, path.join(share, pkg));
      }
    }
  }
  if (!packages.has(PACKAGE)) {
    throw new Error(`${PACKAGE} is not installed on AMENT_PREFIX_PATH: source install/setup.bash`);
  }
  return packages;
}

function interfaceFiles(dir, extension) {
  return fs.existsSync(dir) ? fs.readdirSync(dir).filter((f) => f.endsWith(extension)) : [];
}

function read(file) {
  return fs.readFileSync(file, 'utf8');
}

// Every named definition text: "pkg/Type" -> text. Service parts are named
// <pkg>/<Service>_Request and _Response; a service's request and response are checked as
// messages of their own.
function loadTexts() {
  const texts = new Map();
  for (const [pkg, share] of installedPackages()) {
    for (const file of interfaceFiles(path.join(share, 'msg'), '.msg')) {
      texts.set(`${pkg}/${path.basename(file, '.msg')}`, read(path.join(share, 'msg', file)));
    }
    const srv = path.join(share, 'srv');
    for (const file of interfaceFiles(srv, '.srv')) {
      const parts = read(path.join(srv, file)).split(/^---[ \t]*$/m);
      if (parts.length !== 2) {
        throw new Error(`${pkg}/srv/${file}: expected one '---' line, found ${parts.length - 1}`);
      }
      const service = path.basename(file, '.srv');
      texts.set(`${pkg}/${service}_Request`, parts[0]);
      texts.set(`${pkg}/${service}_Response`, parts[1]);
    }
  }
  return texts;
}

// The message types of an installed package as PACKAGE/KIND/TYPE, messages first, then
// each service's request and response.
function packageTypes(pkg) {
  const share = installedPackages().get(pkg);
  if (share === undefined) {
    throw new Error(`${pkg} is not installed on AMENT_PREFIX_PATH: source install/setup.bash`);
  }
  const messages = interfaceFiles(path.join(share, 'msg'), '.msg').sort()
    .map((file) => `${pkg}/msg/${path.basename(file, '.msg')}`);
  const services = interfaceFiles(path.join(share, 'srv'), '.srv').sort()
    .flatMap((file) => ['Request', 'Response'].map((part) =>
      `${pkg}/srv/${path.basename(file, '.srv')}_${part}`));
  return [...messages, ...services];
}

// The peer's parse of one type named PACKAGE/KIND/TYPE: { text, definitions }.
function definitionOf(texts, fullName) {
  const [pkg, , type] = fullName.split('/');
  const text = concatenated(texts, `${pkg}/${type}`);
  return { text, definitions: parse(text, { ros2: true }) };
}

// The complex types a definition text names, fully qualified ("Type" alone means a type
// of the same package).
function nestedTypes(text, ownPackage) {
  const found = [];
  for (const rawLine of text.split('\n')) {
    const line = rawLine.replace(/#.*/, '').trim();
    const match = /^([A-Za-z][\w/]*)(\[[^\]]*\])?\s+[A-Za-z]\w*\s*$/.exec(line);
    if (match === null || PRIMITIVES.has(match[1])) {
      continue;
    }
    const parts = match[1].split('/');
    found.push(parts.length === 1 ? `${ownPackage}/${parts[0]}` : `${parts[0]}/${parts[parts.length - 1]}`);
  }
  return found;
}

// The concatenated definition of one type: its own text, then each type it reaches.
function concatenated(texts, name) {
  const order = [];
  const pending = [name];
  while (pending.length > 0) {
    const current = pending.shift();
    if (order.includes(current)) {
      continue;
    }
    if (!texts.has(current)) {
      throw new Error(`no definition of ${current}`);
    }
    order.push(current);
    pending.push(...nestedTypes(texts.get(current), current.split('/')[0]));
  }
  const sections = [texts.get(name).trim()];
  for (const dependency of order.slice(1)) {
    sections.push(`${SEPARATOR}\nMSG: ${dependency}\n${texts.get(dependency).trim()}`);
  }
  return sections.join('\n') + '\n';
}

// type name -> { text, definitions } for each message type, where definitions is
// the peer's parse (root first, then the named nested types).
function loadDefinitions() {
  const texts = loadTexts();
  const result = new Map();
  for (const type of TYPE_NAMES) {
    const text = concatenated(texts, `${PACKAGE}/${type}`);
    result.set(type, { text, definitions: parse(text, { ros2: true }) });
  }
  return result;
}

// The same for one message type of any installed package, by "pkg/Type".
function loadDefinition(name) {
  const text = concatenated(loadTexts(), name);
  return { text, definitions: parse(text, { ros2: true }) };
}

const TYPE_NAMES = typeNames();

module.exports = { REPO, TYPE_NAMES, loadDefinition, loadDefinitions, loadTexts, packageTypes, definitionOf, nestedTypes };
