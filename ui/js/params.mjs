// The three parameters as the page shows them: ranges, defaults, display
// units, and the conversions the controller uses, so that the normalized value
// the page keeps after an edit is bit for bit the controller's own.

/** @typedef {{path:string,title:string,minimum:number,maximum:number,defaultPlain:number,
 *   units:string,display:'hz'|'percent',step:number,fineStep:number}} ParamInfo */

/** @type {ParamInfo[]} */
export const PARAMS = Object.freeze([
  Object.freeze({
    path: 'oriel.rate', title: 'Rate', minimum: 0.1, maximum: 20, defaultPlain: 5,
    units: 'Hz', display: 'hz', step: 0.1, fineStep: 0.01,
  }),
  Object.freeze({
    path: 'oriel.depth', title: 'Depth', minimum: 0, maximum: 1, defaultPlain: 0.1,
    units: '', display: 'percent', step: 0.01, fineStep: 0.001,
  }),
  Object.freeze({
    path: 'oriel.wet', title: 'Mix', minimum: 0, maximum: 1, defaultPlain: 1,
    units: '', display: 'percent', step: 0.01, fineStep: 0.001,
  }),
]);

/** The parameter whose path is exactly `path`, or undefined. */
export function paramByPath(path) {
  return PARAMS.find((p) => p.path === path);
}

const clamp01 = (x) => Math.min(1, Math.max(0, x));

/** Plain to normalized, exactly as the controller computes it. */
export function normalize(param, plain) {
  if (param.maximum === param.minimum) return 0;
  return clamp01((plain - param.minimum) / (param.maximum - param.minimum));
}

/** Normalized to plain; out-of-range input is clamped first. */
export function toPlain(param, normalized) {
  return param.minimum + clamp01(normalized) * (param.maximum - param.minimum);
}

/** The parameter's unit as shown next to its value. */
export function displayUnit(param) {
  return param.display === 'percent' ? '%' : param.units;
}

/** A plain value in display units (percent for 0..1 parameters). */
export function toDisplay(param, plain) {
  return param.display === 'percent' ? plain * 100 : plain;
}

/** A display-unit number back to a plain value; "12.3" % is 0.123, not 0.12300000000000001. */
export function fromDisplay(param, shown) {
  return param.display === 'percent' ? Number((shown / 100).toPrecision(12)) : shown;
}

/** The number part of a value's text, with a precision that suits the range. */
export function formatNumber(param, plain) {
  if (!Number.isFinite(plain)) return '—';
  const shown = toDisplay(param, plain);
  if (param.display === 'percent') return shown.toFixed(1);
  return shown.toFixed(Math.abs(shown) < 10 ? 2 : 1);
}

/** A plain value as a musician reads it: "5.00 Hz", "10.0 %". */
export function formatValue(param, plain) {
  const unit = displayUnit(param);
  const number = formatNumber(param, plain);
  return unit && number !== '—' ? `${number} ${unit}` : number;
}

/**
 * Text typed by the user, in display units with an optional unit suffix
 * ("7", "7 Hz", "50 %", "50%"), to a plain value clamped to the range; null
 * when the text holds no number or a unit that does not belong here.
 */
export function parseValue(param, text) {
  const match = /^\s*([-+]?(?:\d+\.?\d*|\.\d+)(?:e[-+]?\d+)?)\s*([a-z%]*)\s*$/i.exec(String(text));
  if (!match) return null;
  const unit = match[2].toLowerCase();
  if (unit && unit !== displayUnit(param).toLowerCase()) return null;
  const plain = fromDisplay(param, Number(match[1]));
  if (!Number.isFinite(plain)) return null;
  return Math.min(param.maximum, Math.max(param.minimum, plain));
}

/**
 * The plain value `steps` keyboard or wheel steps away from `plain`, landing
 * on the step grid (5.0 + 0.1 is 5.1, not 5.1000000000000005) and clamped.
 * From between two grid points the first step goes to the nearer one in its
 * direction.
 */
export function stepValue(param, plain, steps, fine) {
  const step = fine ? param.fineStep : param.step;
  const q = plain / step;
  const index = steps > 0 ? Math.floor(q + 1e-9) + steps : Math.ceil(q - 1e-9) + steps;
  const tidy = Number((index * step).toFixed(6));
  return Math.min(param.maximum, Math.max(param.minimum, tidy));
}
