// The CC map as the page reads it, edits it and sends it back.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import {
  readCcMap, writeCcMap, newRow, rowsFromBindings, validateRows, bindingsFromRows, rowsMatch,
} from '../../ui/js/ccmap.mjs';

test('map documents are read as the controller reads them', () => {
  const cases = [
    [[], []],
    [{ bindings: [] }, []],
    [{}, null],
    [{ bindings: 3 }, null],
    [[{ cc: 74.6, path: 'oriel.depth' }],
      [{ path: 'oriel.depth', cc: 75, channel: 0, curve: 'linear', valueMode: 'absolute', takeover: 'jump', enabled: true }]],
    [[{ cc: 300, path: 'oriel.wet', channel: 0, curve: 'cubic', enabled: 'no' }],
      [{ path: 'oriel.wet', cc: 127, channel: 1, curve: 'linear', valueMode: 'absolute', takeover: 'jump', enabled: true }]],
    [[{ path: 'oriel.rate' }, { cc: 1, path: 'oriel.nothing' }, 7, { cc: 2, path: 'oriel.rate', min: 1, max: 'x' }],
      [{ path: 'oriel.rate', cc: 2, channel: 0, curve: 'linear', valueMode: 'absolute', takeover: 'jump', enabled: true, min: 1 }]],
  ];
  for (const [value, bindings] of cases) assert.deepEqual(readCcMap(value), bindings, JSON.stringify(value));
  const many = Array.from({ length: 65 }, (_, i) => ({ cc: i, path: 'oriel.rate' }));
  assert.equal(readCcMap(many).length, 64);
});

test('a map read and written again keeps the controller\'s member order and defaults out', () => {
  const text = '{"version":1,"bindings":[{"cc":1,"path":"oriel.rate","curve":"s-curve","takeover":"pickup","enabled":false},' +
    '{"cc":7,"path":"oriel.depth","channel":3,"min":0.2,"max":0.8,"valueMode":"toggle"}]}';
  const bindings = readCcMap(JSON.parse(text));
  assert.equal(JSON.stringify(writeCcMap(bindings)), text);
  assert.equal(JSON.stringify(writeCcMap(bindingsFromRows(rowsFromBindings(bindings)))), text);
});

test('range ends the user did not touch keep their exact plain values', () => {
  const bindings = [{ path: 'oriel.depth', cc: 1, channel: 0, min: 0.123456789, curve: 'linear', valueMode: 'absolute', takeover: 'jump', enabled: true }];
  const rows = rowsFromBindings(bindings);
  assert.equal(rows[0].min, '12.3457');
  assert.equal(bindingsFromRows(rows)[0].min, 0.123456789);
  assert.ok(rowsMatch(rows, bindings));
  rows[0].min = '50';
  assert.equal(bindingsFromRows(rows)[0].min, 0.5);
  rows[0].path = 'oriel.wet';
  rows[0].min = '12.3457';
  assert.equal(bindingsFromRows(rows)[0].min, 0.123457, 'the same text on another parameter is read anew');
});

test('each field error is reported on the field it concerns', () => {
  const row = (fields) => ({ ...newRow(), ...fields });
  const cases = [
    [{ cc: '128' }, 'cc'], [{ cc: '12.5' }, 'cc'], [{ cc: '' }, 'cc'], [{ cc: '-1' }, 'cc'], [{ cc: '0x1' }, 'cc'],
    [{ path: 'oriel.nothing' }, 'path'],
    [{ path: 'oriel.rate', min: '0.05' }, 'min'], [{ path: 'oriel.rate', max: '21' }, 'max'],
    [{ path: 'oriel.depth', min: '101' }, 'min'], [{ path: 'oriel.depth', max: 'half' }, 'max'],
  ];
  for (const [fields, name] of cases) {
    const { errors, valid } = validateRows([row(fields)]);
    assert.deepEqual(Object.keys(errors[0]), [name], JSON.stringify(fields));
    assert.equal(valid, false);
  }
  assert.ok(validateRows([row({ cc: ' 7 ', path: 'oriel.depth', min: '100', max: '0' })]).valid, 'an inverted range is allowed');
});

test('a second enabled binding of the same parameter, CC and channel is refused', () => {
  const row = (fields) => ({ ...newRow(), path: 'oriel.rate', cc: '74', ...fields });
  const cases = [
    [{ channel: 0 }, { channel: 0 }, true],
    [{ channel: 0 }, { channel: 5 }, true],
    [{ channel: 4 }, { channel: 5 }, false],
    [{}, { path: 'oriel.wet' }, false],
    [{}, { enabled: false }, false],
    [{ enabled: false }, {}, false],
  ];
  for (const [first, second, refused] of cases) {
    const { errors } = validateRows([row(first), row(second)]);
    assert.equal(Boolean(errors[1].cc), refused, JSON.stringify([first, second]));
    assert.deepEqual(errors[0], {});
  }
});

test('new rows take the first CC not yet in use', () => {
  const rows = [];
  for (let i = 0; i < 3; i += 1) rows.push(newRow(rows));
  assert.deepEqual(rows.map((r) => r.cc), ['1', '2', '3']);
});
