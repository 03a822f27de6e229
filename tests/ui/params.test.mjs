// Parameter values as the page shows, reads and steps them.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { PARAMS, normalize, formatValue, parseValue, stepValue } from '../../ui/js/params.mjs';

const [rate, depth] = PARAMS;

test('the page normalizes the rate default to the controller\'s exact constant', () => {
  assert.equal(normalize(rate, 5), 0.2462311557788945);
});

test('values read with a precision that suits their range', () => {
  const cases = [
    [rate, 5, '5.00 Hz'], [rate, 0.1, '0.10 Hz'], [rate, 12.34, '12.3 Hz'], [rate, 20, '20.0 Hz'],
    [depth, 0.1, '10.0 %'], [depth, 1, '100.0 %'], [depth, 0.1234, '12.3 %'], [depth, NaN, '—'],
  ];
  for (const [param, plain, text] of cases) assert.equal(formatValue(param, plain), text, `${param.path} ${plain}`);
});

test('typed text is read in display units, with an optional matching unit', () => {
  const cases = [
    [rate, '7', 7], [rate, ' 7.5 Hz ', 7.5], [rate, '7hz', 7], [rate, '30', 20], [rate, '-1', 0.1],
    [depth, '50', 0.5], [depth, '50 %', 0.5], [depth, '12.5%', 0.125], [depth, '12.3', 0.123],
    [rate, '7 %', null], [depth, '5 Hz', null], [rate, 'abc', null], [rate, '', null], [rate, '1,5', null],
  ];
  for (const [param, text, plain] of cases) assert.equal(parseValue(param, text), plain, `${param.path} "${text}"`);
});

test('keyboard and wheel steps land on the step grid and stop at the ends', () => {
  const cases = [
    [rate, 5, 1, false, 5.1], [rate, 5.06, 1, false, 5.1], [rate, 5.05, -1, false, 5],
    [rate, 0.1, -1, false, 0.1], [rate, 19.95, 10, false, 20], [rate, 5, 1, true, 5.01],
    [depth, 0.1, 1, false, 0.11], [depth, 0.1, -10, false, 0], [depth, 0.37, -1, true, 0.369],
  ];
  for (const [param, from, steps, fine, to] of cases) {
    assert.equal(stepValue(param, from, steps, fine), to, `${param.path} ${from} ${steps} ${fine}`);
  }
});
