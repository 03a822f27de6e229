// What the page knows about the plug-in, and how each message from the host
// changes it. One flat table maps a message type to its handler; a handler
// reads the members it needs and returns the topics that changed, or null
// when the message is malformed. Unknown types and malformed messages leave
// the state as it was and are only counted.
import { PARAMS, paramByPath, normalize, toPlain } from './params.mjs';
import { readCcMap } from './ccmap.mjs';
import { readBankState, readFolderPicked } from './bank.mjs';
import {
  readLifecycle, mergeLifecycle, readTransport, readHostChanged, MAX_HOST_CHANGES,
} from './diagnostics.mjs';

const isObject = (x) => x !== null && typeof x === 'object' && !Array.isArray(x);
const finite = (x) => typeof x === 'number' && Number.isFinite(x);
const text = (x) => (typeof x === 'string' ? x : '');

export function createEditorState() {
  return {
    connected: false,
    hellos: 0,
    plugin: null,
    identity: null,
    capabilities: null,
    params: Object.fromEntries(PARAMS.map((p) => [p.path, normalize(p, p.defaultPlain)])),
    factoryPresets: [],
    preset: { id: '', name: '', origin: '', dirty: false, lastStateBytes: -1, seq: 0 },
    ccMap: { bindings: [], adopted: false },
    midi: null,
    health: null,
    host: null,
    hostChanges: [],
    transport: null,
    lifecycle: { events: [], dropped: 0 },
    bank: null,
    folderPicked: null,
    lastState: null,
    stats: { received: 0, ignored: 0, malformed: 0 },
  };
}

/** The plain value of a parameter as the page currently holds it. */
export function paramPlain(state, path) {
  return toPlain(paramByPath(path), state.params[path]);
}

/** Plain values of the current preset by path, when the page knows them. */
function presetValues(state) {
  const { id, origin } = state.preset;
  if (!id) return null;
  if (origin === 'bank') return state.bank?.presets.find((p) => p.id === id)?.params ?? null;
  return state.factoryPresets.find((p) => p.id === id)?.values ?? null;
}

/** Recomputes the dirty mark where the preset's values are known; otherwise the host's word stands. */
function refreshDirty(state) {
  const values = presetValues(state);
  if (!values) return;
  state.preset.dirty = Object.entries(values).some(([path, plain]) => {
    const param = paramByPath(path);
    return param && state.params[path] !== normalize(param, plain);
  });
}

/** A parameter edit made in the page; keeps the value the controller will hold. */
export function applyLocalEdit(state, path, plain) {
  state.params[path] = normalize(paramByPath(path), plain);
  refreshDirty(state);
}

/** A preset the page asked for that the controller always applies. */
export function applyLocalPreset(state, id, name, origin) {
  Object.assign(state.preset, { id, name, origin });
  refreshDirty(state);
}

function readParamEntry(entry) {
  if (!isObject(entry)) return null;
  const param = paramByPath(entry.path);
  if (!param) return null;
  if (finite(entry.normalized)) return [param.path, Math.min(1, Math.max(0, entry.normalized))];
  return finite(entry.value) ? [param.path, normalize(param, entry.value)] : null;
}

function onHello(state, m) {
  if (!Array.isArray(m.params)) return null;
  for (const entry of m.params) {
    const read = readParamEntry(entry);
    if (read) state.params[read[0]] = read[1];
  }
  state.connected = true;
  state.hellos += 1;
  state.plugin = isObject(m.plugin) ? m.plugin : null;
  state.identity = isObject(m.identity) ? m.identity : null;
  state.capabilities = isObject(m.diagnostics) ? m.diagnostics : null;
  state.factoryPresets = (Array.isArray(m.factoryPresets) ? m.factoryPresets : [])
    .filter((p) => isObject(p) && text(p.id) !== '')
    .map((p) => ({ id: p.id, name: text(p.name) || p.id, values: isObject(p.values) ? p.values : {} }));
  const bindings = readCcMap(m.ccMap);
  state.ccMap = { bindings: bindings || [], adopted: bindings !== null };
  state.health = isObject(m.runtimeHealth) ? m.runtimeHealth : null;
  state.host = isObject(m.host) ? { ...m.host } : null;
  state.hostChanges = [];
  state.transport = null;
  state.lifecycle = { events: [], dropped: 0 };
  const ps = isObject(m.presetState) ? m.presetState : {};
  const id = text(ps.currentId);
  state.preset = {
    id,
    name: text(ps.currentName) || id,
    origin: !id ? '' : state.factoryPresets.some((p) => p.id === id) ? 'factory' : 'bank',
    dirty: ps.dirty === true,
    lastStateBytes: finite(ps.lastStateBytes) ? ps.lastStateBytes : -1,
    seq: 0,
  };
  return ['all'];
}

function onParamChanged(state, m) {
  const read = readParamEntry(m);
  if (!read) return null;
  state.params[read[0]] = read[1];
  refreshDirty(state);
  return ['params', 'preset'];
}

function onState(state, m) {
  if (!isObject(m.state)) return null;
  state.lastState = m.state;
  const topics = ['state'];
  if (isObject(m.state.params)) {
    for (const [path, plain] of Object.entries(m.state.params)) {
      const param = paramByPath(path);
      if (param && finite(plain)) state.params[path] = normalize(param, plain);
    }
    refreshDirty(state);
    topics.push('params', 'preset');
  }
  const bindings = readCcMap(m.state.ccMap);
  if (bindings) {
    state.ccMap = { bindings, adopted: true };
    topics.push('ccmap');
  }
  return topics;
}

function onCcMapChanged(state, m) {
  const bindings = readCcMap(m.map);
  if (!bindings) return null;
  state.ccMap = { bindings, adopted: true };
  return ['ccmap'];
}

function onMidiCc(state, m) {
  if (![m.cc, m.channel, m.value].every(finite)) return null;
  state.midi = { cc: m.cc, channel: m.channel, value: m.value, count: (state.midi?.count ?? 0) + 1 };
  return ['midi'];
}

function onRuntimeDiagnostics(state, m) {
  if (!isObject(m.report)) return null;
  state.health = m.report;
  return ['health'];
}

function onLifecycle(state, m) {
  const read = readLifecycle(m);
  if (!read) return null;
  state.lifecycle = {
    events: mergeLifecycle(state.lifecycle.events, read.events),
    dropped: Math.max(state.lifecycle.dropped, read.dropped),
  };
  const topics = ['lifecycle'];
  const loaded = read.events.filter((e) => e.kind === 'presetLoaded' && e.seq > state.preset.seq).pop();
  if (loaded) {
    const id = text(loaded.detail.id);
    Object.assign(state.preset, {
      id, name: text(loaded.detail.name) || id, seq: loaded.seq,
      origin: loaded.detail.origin === 'bank' ? 'bank' : 'factory',
    });
    refreshDirty(state);
    topics.push('preset');
  }
  return topics;
}

function onTransport(state, m) {
  const frame = readTransport(m);
  if (!frame) return null;
  state.transport = frame;
  return ['transport'];
}

function onHostChanged(state, m) {
  const change = readHostChanged(m);
  if (!change) return null;
  state.host = { ...(state.host || {}), ...change.host };
  state.hostChanges = [...state.hostChanges, change].slice(-MAX_HOST_CHANGES);
  return ['host'];
}

function onBankState(state, m) {
  state.bank = readBankState(m);
  refreshDirty(state);
  return ['bank', 'preset'];
}

function onFolderPicked(state, m) {
  const picked = readFolderPicked(m);
  if (!picked) return null;
  state.folderPicked = picked;
  return ['folder'];
}

const HANDLERS = Object.freeze({
  'talvo.hello': onHello,
  'talvo.paramChanged': onParamChanged,
  'talvo.state': onState,
  'talvo.ccMapChanged': onCcMapChanged,
  'talvo.midiCc': onMidiCc,
  'talvo.runtimeDiagnostics': onRuntimeDiagnostics,
  'talvo.lifecycle': onLifecycle,
  'talvo.transport': onTransport,
  'talvo.hostChanged': onHostChanged,
  'talvo.bankState': onBankState,
  'talvo.folderPicked': onFolderPicked,
});

/** The message types the page understands. */
export const HANDLED_TYPES = Object.freeze(Object.keys(HANDLERS));

/**
 * Applies one message from the host (an object, or its JSON text) and returns
 * the topics that changed; an empty list when the message was ignored.
 */
export function handleMessage(state, raw) {
  state.stats.received += 1;
  let message = raw;
  if (typeof raw === 'string') {
    try { message = JSON.parse(raw); } catch { message = null; }
  }
  if (!isObject(message) || typeof message.type !== 'string') {
    state.stats.malformed += 1;
    return [];
  }
  if (!Object.hasOwn(HANDLERS, message.type)) {
    state.stats.ignored += 1;
    return [];
  }
  let topics = null;
  try {
    topics = HANDLERS[message.type](state, message);
  } catch {
    topics = null; // a member of an unexpected shape; the message counts as malformed
  }
  if (!topics) {
    state.stats.malformed += 1;
    return [];
  }
  return topics;
}
