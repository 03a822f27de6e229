// The MIDI CC map: reading the controller's map document, the editor's rows
// with their per-field validation, and the map the page sends back. Rows keep
// the user's text so that a half-typed number stays on screen with its error.
import { PARAMS, paramByPath, toDisplay, fromDisplay, displayUnit } from './params.mjs';

export const MAX_BINDINGS = 64;

/** Enumerations: the first name of each is the default, which is never written. */
export const CURVES = Object.freeze([
  ['linear', 'Linear'], ['exp', 'Exponential'], ['log', 'Logarithmic'], ['s-curve', 'S-curve'],
]);
export const VALUE_MODES = Object.freeze([
  ['absolute', 'Absolute'],
  ['relative-signed-bit', 'Relative, signed bit'],
  ['relative-binary-offset', 'Relative, offset 64'],
  ['relative-twos-complement', "Relative, two's complement"],
  ['toggle', 'Toggle'],
]);
export const TAKEOVERS = Object.freeze([['jump', 'Jump'], ['pickup', 'Pickup'], ['scaled', 'Scaled']]);

const known = (table, name) => (table.some(([n]) => n === name) ? name : table[0][0]);
const isObject = (x) => x !== null && typeof x === 'object' && !Array.isArray(x);
const roundClamp = (x, lo, hi) => Math.min(hi, Math.max(lo, Math.floor(x + 0.5)));

/** One binding of a map document, read as the controller reads it; null when it would be dropped. */
function readBinding(value) {
  if (!isObject(value) || typeof value.cc !== 'number' || !Number.isFinite(value.cc)) return null;
  if (typeof value.path !== 'string' || !paramByPath(value.path)) return null;
  const binding = {
    path: value.path,
    cc: roundClamp(value.cc, 0, 127),
    channel: typeof value.channel === 'number' && Number.isFinite(value.channel)
      ? roundClamp(value.channel, 1, 16) : 0,
    curve: known(CURVES, value.curve),
    valueMode: known(VALUE_MODES, value.valueMode),
    takeover: known(TAKEOVERS, value.takeover),
    enabled: value.enabled !== false,
  };
  if (typeof value.min === 'number' && Number.isFinite(value.min)) binding.min = value.min;
  if (typeof value.max === 'number' && Number.isFinite(value.max)) binding.max = value.max;
  return binding;
}

/**
 * A map value (a bare array of bindings or {"bindings":[...]}) to a list of
 * bindings; null when the value holds no binding list.
 */
export function readCcMap(value) {
  const list = Array.isArray(value) ? value : isObject(value) && Array.isArray(value.bindings)
    ? value.bindings : null;
  if (!list) return null;
  return list.map(readBinding).filter(Boolean).slice(0, MAX_BINDINGS);
}

/** Bindings to the map document, members in the controller's own order. */
export function writeCcMap(bindings) {
  return {
    version: 1,
    bindings: bindings.map((b) => {
      const out = { cc: b.cc, path: b.path };
      if (b.channel) out.channel = b.channel;
      if (b.min !== undefined) out.min = b.min;
      if (b.max !== undefined) out.max = b.max;
      if (b.curve !== 'linear') out.curve = b.curve;
      if (b.valueMode !== 'absolute') out.valueMode = b.valueMode;
      if (b.takeover !== 'jump') out.takeover = b.takeover;
      if (!b.enabled) out.enabled = false;
      return out;
    }),
  };
}

/** A plain range end as the row shows it: display units, at most 4 decimals. */
function rangeText(param, plain) {
  return plain === undefined ? '' : String(Number(toDisplay(param, plain).toFixed(4)));
}

let nextRowKey = 1;

/** A fresh row: the next CC after the ones in use, on the first parameter. */
export function newRow(rows = []) {
  const used = new Set(rows.map((r) => Number(r.cc)));
  let cc = 1;
  while (used.has(cc) && cc < 127) cc += 1;
  return {
    key: nextRowKey++, path: PARAMS[0].path, cc: String(cc), channel: 0, min: '', max: '',
    curve: 'linear', valueMode: 'absolute', takeover: 'jump', enabled: true, original: {},
  };
}

/** Editor rows for a list of bindings. */
export function rowsFromBindings(bindings) {
  return bindings.map((b) => {
    const param = paramByPath(b.path);
    const min = rangeText(param, b.min);
    const max = rangeText(param, b.max);
    return {
      key: nextRowKey++, path: b.path, cc: String(b.cc), channel: b.channel, min, max,
      curve: b.curve, valueMode: b.valueMode, takeover: b.takeover, enabled: b.enabled,
      // The exact plain values behind the shown text, reused when the text is untouched.
      original: { path: b.path, min: [min, b.min], max: [max, b.max] },
    };
  });
}

const DECIMAL = /^\s*[-+]?(?:\d+\.?\d*|\.\d+)\s*$/;

function rangeError(param, text) {
  if (text.trim() === '') return null;
  if (!DECIMAL.test(text)) return 'Enter a number, or leave empty for the full range';
  const shown = Number(text);
  const lo = toDisplay(param, param.minimum);
  const hi = toDisplay(param, param.maximum);
  const unit = displayUnit(param) ? ` ${displayUnit(param)}` : '';
  if (shown < lo || shown > hi) return `Must lie between ${lo} and ${hi}${unit}`;
  return null;
}

/**
 * Per-row field errors ({} for a clean row) and whether the whole set may be
 * saved. A CC number must be a whole number 0..127; range ends must be numbers
 * inside the parameter's range; a second enabled row that drives the same
 * parameter from the same CC on an overlapping channel is refused.
 */
export function validateRows(rows) {
  const errors = rows.map((row) => {
    const e = {};
    const param = paramByPath(row.path);
    if (!param) e.path = 'Choose a parameter';
    const cc = row.cc.trim();
    if (!/^\d+$/.test(cc) || Number(cc) > 127) e.cc = 'CC must be a whole number from 0 to 127';
    if (param) {
      const min = rangeError(param, row.min);
      const max = rangeError(param, row.max);
      if (min) e.min = min;
      if (max) e.max = max;
    }
    return e;
  });
  rows.forEach((row, i) => {
    if (errors[i].cc || !row.enabled) return;
    const twin = rows.findIndex((other, j) => j < i && other.enabled && other.path === row.path &&
      Number(other.cc) === Number(row.cc) &&
      (other.channel === 0 || row.channel === 0 || other.channel === row.channel));
    if (twin >= 0) errors[i].cc = `Binding ${twin + 1} already drives this parameter from CC ${Number(row.cc)}`;
  });
  if (rows.length > MAX_BINDINGS) errors[MAX_BINDINGS].path = `At most ${MAX_BINDINGS} bindings`;
  return { errors, valid: errors.every((e) => Object.keys(e).length === 0) };
}

function rangeValue(param, row, end) {
  const text = row[end].trim();
  if (text === '') return undefined;
  const [origText, origPlain] = row.original[end] || [];
  if (row.original.path === row.path && text === origText) return origPlain;
  return fromDisplay(param, Number(text));
}

/** The bindings of valid rows (call validateRows first). */
export function bindingsFromRows(rows) {
  return rows.map((row) => {
    const param = paramByPath(row.path);
    const b = {
      path: row.path, cc: Number(row.cc), channel: row.channel, curve: row.curve,
      valueMode: row.valueMode, takeover: row.takeover, enabled: row.enabled,
    };
    const min = rangeValue(param, row, 'min');
    const max = rangeValue(param, row, 'max');
    if (min !== undefined) b.min = min;
    if (max !== undefined) b.max = max;
    return b;
  });
}

/** True when the rows say the same as the bindings (nothing to save). */
export function rowsMatch(rows, bindings) {
  if (!validateRows(rows).valid) return false;
  return JSON.stringify(writeCcMap(bindingsFromRows(rows))) === JSON.stringify(writeCcMap(bindings));
}
