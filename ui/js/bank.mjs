// Sample banks: the load request the page builds from its form, the bank
// state document the controller answers with, and bank errors in words.
import { readPads } from './pads.mjs';

const isObject = (x) => x !== null && typeof x === 'object' && !Array.isArray(x);
const text = (x) => (typeof x === 'string' ? x : '');

const SHA256 = /^[0-9a-f]{64}$/;

/**
 * The "talvo.loadBank" message for the form's fields, or the errors keyed by
 * field ("folder", "url", "sha256") that keep it from being sent. A SHA-256
 * is taken in either case (the plug-in compares lowercase digits).
 */
export function buildLoadRequest({ source, folder = '', url = '', sha256 = '', instrument = '' }) {
  const errors = {};
  const message = { type: 'talvo.loadBank', source, instrument: instrument.trim() };
  if (source === 'hosted') {
    const pin = sha256.trim().toLowerCase();
    let parsed = null;
    try { parsed = new URL(url.trim()); } catch { /* reported below */ }
    if (!parsed) errors.url = 'Enter the full address of the bank archive (https://…)';
    else if (parsed.protocol !== 'https:') errors.url = 'Hosted banks must be served over https';
    if (!SHA256.test(pin)) errors.sha256 = 'Enter the 64 hexadecimal digits of the archive\u2019s SHA-256';
    Object.assign(message, { url: url.trim(), sha256: pin });
  } else {
    const path = folder.trim();
    if (path === '') errors.folder = 'Enter the path of a folder that holds bank.json';
    else if (!/^(\/|[A-Za-z]:[\\/]|\\\\)/.test(path)) errors.folder = 'Enter an absolute path (starting with /)';
    message.source = 'user-folder';
    message.bankPath = path;
  }
  return Object.keys(errors).length ? { errors } : { message, errors };
}

const ERROR_WORDS = {
  'bank-missing': 'Nothing could be loaded from {id}: the folder, its bank.json or one of its files could not be read.',
  'bank-hash-mismatch': 'A sample in {id} does not match the size or SHA-256 that its manifest declares.',
  'bank-malformed': 'The bank at {id} is malformed: its manifest or an instrument or preset document breaks the format.',
  'bank-unsupported-codec': 'The bank at {id} holds audio that is not a readable WAV file.',
  'bank-too-large': 'The bank {id} is larger than this effect can hold.',
  'bank-instrument-unknown': 'The bank has no instrument or kit named {id}.',
  'bank-fetch-failed': 'The hosted bank {id} could not be downloaded, verified against its SHA-256 or unpacked.',
  missing: 'The request for {id} could not be passed to the audio processor.',
};

/** A bank error code and the id it concerns, as one sentence. */
export function bankErrorText(code, requestedId) {
  const id = requestedId ? `\u201c${requestedId}\u201d` : 'the bank';
  const words = ERROR_WORDS[code] || `The bank {id} could not be loaded (${code || 'unknown error'}).`;
  return words.replace('{id}', id);
}

function readEntry(value) {
  return isObject(value) ? { id: text(value.id), name: text(value.name), list: text(value.list) } : null;
}

/** The "talvo.bankState" document, read leniently: missing members take their empty forms. */
export function readBankState(m) {
  const runtime = isObject(m.runtime) ? {
    source: text(m.runtime.source),
    locator: text(m.runtime.locator),
    instrument: readEntry(m.runtime.instrument),
    positionings: Array.isArray(m.runtime.positionings)
      ? m.runtime.positionings.map(readEntry).filter(Boolean) : [],
  } : null;
  const presets = isObject(m.presets) ? m.presets : {};
  const items = (Array.isArray(presets.items) ? presets.items : []).filter(isObject).map((p) => ({
    id: text(p.id),
    name: text(p.name) || text(p.id),
    instrument: text(p.instrument),
    params: isObject(p.params) ? Object.fromEntries(Object.entries(p.params)
      .filter(([, v]) => typeof v === 'number' && Number.isFinite(v))) : {},
  })).filter((p) => p.id !== '');
  return {
    reason: text(m.reason) || 'query',
    pads: readPads(m.pads) || [],
    runtime,
    bankScoped: presets.bankScoped === true,
    presets: items,
    error: isObject(m.error) ? { code: text(m.error.code), requestedId: text(m.error.requestedId) } : null,
  };
}

/** The "talvo.folderPicked" answer: a path, an error in words, or a cancel. */
export function readFolderPicked(m) {
  if (m.ok === true && typeof m.path === 'string') return { path: m.path };
  if (m.ok === false) return m.cancelled === true ? { cancelled: true } : { error: text(m.error) || 'No folder was picked' };
  return null;
}
