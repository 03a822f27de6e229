// Bank requests, bank state documents and pad overrides as the page handles them.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { buildLoadRequest, readBankState, bankErrorText, readFolderPicked } from '../../ui/js/bank.mjs';
import { readPads, newPadRow, validatePadRows, padsFromRows } from '../../ui/js/pads.mjs';

const PIN = 'ab'.repeat(32);

test('a load request is built only from a usable folder or a pinned https archive', () => {
  const cases = [
    [{ source: 'user-folder', folder: ' /packs/kit ', instrument: ' drums ' },
      { type: 'talvo.loadBank', source: 'user-folder', instrument: 'drums', bankPath: '/packs/kit' }],
    [{ source: 'hosted', url: 'https://example.com/a.zip', sha256: PIN.toUpperCase() },
      { type: 'talvo.loadBank', source: 'hosted', instrument: '', url: 'https://example.com/a.zip', sha256: PIN }],
    [{ source: 'user-folder', folder: '  ' }, { folder: true }],
    [{ source: 'user-folder', folder: 'packs/kit' }, { folder: true }],
    [{ source: 'hosted', url: 'http://example.com/a.zip', sha256: PIN }, { url: true }],
    [{ source: 'hosted', url: 'example.com/a.zip', sha256: PIN.slice(1) }, { url: true, sha256: true }],
    [{ source: 'hosted', url: 'https://example.com/a.zip', sha256: `${PIN.slice(2)}zz` }, { sha256: true }],
  ];
  for (const [form, expected] of cases) {
    const { message, errors } = buildLoadRequest(form);
    if (expected.type) assert.deepEqual(message, expected, JSON.stringify(form));
    else assert.deepEqual(Object.keys(errors).sort(), Object.keys(expected).sort(), JSON.stringify(form));
  }
});

test('a bank state document is read with its runtime bank, presets and error', () => {
  const state = readBankState({
    type: 'talvo.bankState', reason: 'loadBank', stateVersion: 1, pads: { kick: { gain: 2 } }, banks: [],
    runtime: { source: 'user-folder', locator: '/packs/kit', instrument: { id: 'drums', name: 'Drums', list: 'kits' },
      positionings: [{ id: 'drums', name: 'Drums', list: 'kits' }, 5] },
    presets: { bankScoped: true, items: [{ id: 'p1', name: 'One', instrument: '', params: { 'oriel.wet': 0.5, x: 'y' } }, { name: 'no id' }] },
    error: { code: 'bank-malformed', requestedId: '/packs/kit' },
  });
  assert.equal(state.runtime.instrument.id, 'drums');
  assert.equal(state.runtime.positionings.length, 1);
  assert.deepEqual(state.presets, [{ id: 'p1', name: 'One', instrument: '', params: { 'oriel.wet': 0.5 } }]);
  assert.deepEqual(state.pads, [{ key: 'kick', values: { gain: 2 } }]);
  assert.match(bankErrorText(state.error.code, state.error.requestedId), /malformed/);
  const empty = readBankState({ type: 'talvo.bankState', pads: [], presets: 'x' });
  assert.deepEqual([empty.reason, empty.runtime, empty.pads, empty.bankScoped, empty.error], ['query', null, [], false, null]);
});

test('every bank error reads as a sentence naming what was asked for', () => {
  for (const code of ['bank-missing', 'bank-hash-mismatch', 'bank-malformed', 'bank-unsupported-codec',
    'bank-too-large', 'bank-instrument-unknown', 'bank-fetch-failed', 'missing', 'bank-new-code']) {
    const words = bankErrorText(code, 'piano');
    assert.match(words, /^[A-Z].*\u201cpiano\u201d.*\.$/, code);
    assert.doesNotMatch(words, /\{id\}/, code);
  }
  assert.match(bankErrorText('bank-new-code', ''), /bank-new-code/);
});

test('a picked folder, a refusal and a cancel are told apart', () => {
  const cases = [[{ ok: true, path: '/p' }, { path: '/p' }], [{ ok: false, error: 'none here' }, { error: 'none here' }],
    [{ ok: false, cancelled: true }, { cancelled: true }], [{ ok: 'yes' }, null]];
  for (const [message, picked] of cases) assert.deepEqual(readFolderPicked(message), picked, JSON.stringify(message));
});

test('pad maps keep only the values the plug-in accepts', () => {
  const cases = [
    [{ a: { transpose: 3.5 } }, []],
    [{ a: { gain: 5, pan: -1 } }, [{ key: 'a', values: { pan: -1 } }]],
    [{ a: { muted: true } }, []],
    [{ a: { muted: 1 } }, [{ key: 'a', values: { muted: 1 } }]],
    [{ a: { release: 0.0005 } }, []],
    [{ ['k'.repeat(161)]: { gain: 1 } }, []],
    [{ ['é'.repeat(81)]: { gain: 1 } }, []],
    [{ ['k'.repeat(160)]: { gain: 1 } }, [{ key: 'k'.repeat(160), values: { gain: 1 } }]],
    [{ a: 3, b: { pan: 0.5, unknown: 1 } }, [{ key: 'b', values: { pan: 0.5 } }]],
  ];
  for (const [map, pads] of cases) assert.deepEqual(readPads(map), pads, JSON.stringify(map).slice(0, 60));
  assert.equal(readPads([]), null);
});

test('pad rows are checked field by field before they are sent', () => {
  const row = (key, values) => newPadRow(key, values);
  const cases = [
    [[row('kick', { transpose: 2.5 })], 0, 'transpose'],
    [[row('kick', { gain: 4.5 })], 0, 'gain'],
    [[row('kick', { filterHz: '1e3' })], 0, 'filterHz'],
    [[row('', { gain: 1 })], 0, 'key'],
    [[row('kick', {})], 0, 'key'],
    [[row('kick', { gain: 1 }), row('kick', { pan: 0 })], 1, 'key'],
  ];
  for (const [rows, index, name] of cases) {
    const { errors, valid } = validatePadRows(rows);
    assert.deepEqual(Object.keys(errors[index]), [name], JSON.stringify(rows[index].values));
    assert.equal(valid, false);
  }
  const rows = [row('__proto__', { gain: 0.5, reverse: 1 })];
  assert.ok(validatePadRows(rows).valid);
  assert.equal(JSON.stringify(padsFromRows(rows)), '{"__proto__":{"gain":0.5,"reverse":1}}');
});
