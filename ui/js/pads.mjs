// Sampler pad overrides: the fields a pad may override, reading the pad map
// the controller reports, and validating what the user types before it is
// sent. A value outside its range would be dropped silently by the plug-in,
// so the page refuses it with a reason instead.

export const MAX_PADS = 256;
export const MAX_KEY_BYTES = 160;

/** name, label, unit, accepted range (inclusive), whole numbers only, value when not set. */
export const PAD_FIELDS = Object.freeze([
  { name: 'transpose', label: 'Transpose', unit: 'st', min: -24, max: 24, whole: true, unset: 0 },
  { name: 'fineTune', label: 'Fine tune', unit: 'ct', min: -100, max: 100, whole: false, unset: 0 },
  { name: 'gain', label: 'Gain', unit: '×', min: 0, max: 4, whole: false, unset: 1 },
  { name: 'pan', label: 'Pan', unit: '', min: -1, max: 1, whole: false, unset: 0 },
  { name: 'start', label: 'Start', unit: '', min: 0, max: 1, whole: false, unset: 0 },
  { name: 'end', label: 'End', unit: '', min: 0, max: 1, whole: false, unset: 1 },
  { name: 'attack', label: 'Attack', unit: 's', min: 0, max: 2, whole: false, unset: 0 },
  { name: 'release', label: 'Release', unit: 's', min: 0.001, max: 4, whole: false, unset: 0.025 },
  { name: 'filterHz', label: 'Filter', unit: 'Hz', min: 20, max: 20000, whole: false, unset: 20000 },
  { name: 'resonance', label: 'Resonance', unit: 'Q', min: 0.1, max: 18, whole: false, unset: 0.7 },
  { name: 'reverse', label: 'Reverse', unit: '', min: 0, max: 1, whole: true, unset: 0, toggle: true },
  { name: 'muted', label: 'Muted', unit: '', min: 0, max: 1, whole: true, unset: 0, toggle: true },
  { name: 'chokeGroup', label: 'Choke group', unit: '', min: 0, max: 8, whole: true, unset: 0 },
  { name: 'roundRobinGroup', label: 'Round-robin group', unit: '', min: 0, max: 8, whole: true, unset: 0 },
  { name: 'velocitySensitivity', label: 'Velocity sens.', unit: '', min: 0, max: 1, whole: false, unset: 1 },
].map(Object.freeze));

const isObject = (x) => x !== null && typeof x === 'object' && !Array.isArray(x);
const accepts = (f, x) => typeof x === 'number' && Number.isFinite(x) && x >= f.min && x <= f.max &&
  (!f.whole || Number.isInteger(x));
export const keyBytes = (key) => new TextEncoder().encode(key).length;

/**
 * A pad map ({"key":{"gain":2,...},...}) to a list of {key, values}, keeping
 * only accepted values and pads left with at least one; a repeated key
 * replaces the earlier pad in place. Null when the value is not a map.
 */
export function readPads(value) {
  if (!isObject(value)) return null;
  const pads = [];
  for (const [key, fields] of Object.entries(value)) {
    if (!isObject(fields) || key === '' || keyBytes(key) > MAX_KEY_BYTES) continue;
    const values = {};
    for (const f of PAD_FIELDS) if (accepts(f, fields[f.name])) values[f.name] = fields[f.name];
    if (Object.keys(values).length === 0) continue;
    const at = pads.findIndex((p) => p.key === key);
    if (at >= 0) pads[at] = { key, values };
    else if (pads.length < MAX_PADS) pads.push({ key, values });
  }
  return pads;
}

let nextRowKey = 1;

/** Editor rows: the key and every field as text ("" when not set). */
export function rowsFromPads(pads) {
  return pads.map((p) => newPadRow(p.key, p.values));
}

export function newPadRow(key = '', values = {}) {
  const texts = {};
  for (const f of PAD_FIELDS) texts[f.name] = values[f.name] === undefined ? '' : String(values[f.name]);
  return { rowKey: nextRowKey++, key, values: texts };
}

function fieldError(f, text) {
  if (text.trim() === '') return null;
  if (!/^\s*[-+]?(?:\d+\.?\d*|\.\d+)\s*$/.test(text)) return 'Enter a number';
  const x = Number(text);
  if (f.whole && !Number.isInteger(x)) return 'Must be a whole number';
  if (x < f.min || x > f.max) return `Must lie between ${f.min} and ${f.max}${f.unit ? ` ${f.unit}` : ''}`;
  return null;
}

/** Per-row errors keyed by "key" or a field name, and whether all rows may be sent. */
export function validatePadRows(rows) {
  const errors = rows.map((row, i) => {
    const e = {};
    if (row.key === '') e.key = 'Name the pad (its zone id)';
    else if (keyBytes(row.key) > MAX_KEY_BYTES) e.key = `At most ${MAX_KEY_BYTES} bytes`;
    else if (rows.findIndex((r) => r.key === row.key) < i) e.key = 'Another pad has this name';
    for (const f of PAD_FIELDS) {
      const error = fieldError(f, row.values[f.name]);
      if (error) e[f.name] = error;
    }
    if (PAD_FIELDS.every((f) => row.values[f.name].trim() === '')) e.key ??= 'Set at least one value';
    return e;
  });
  if (rows.length > MAX_PADS) errors[MAX_PADS].key = `At most ${MAX_PADS} pads`;
  return { errors, valid: errors.every((e) => Object.keys(e).length === 0) };
}

/** The pad map of valid rows, fields in table order. */
export function padsFromRows(rows) {
  const map = Object.create(null); // a pad may be named "__proto__"
  for (const row of rows) {
    const values = {};
    for (const f of PAD_FIELDS) {
      if (row.values[f.name].trim() !== '') values[f.name] = Number(row.values[f.name]);
    }
    map[row.key] = values;
  }
  return map;
}
