// How messages from the host change what the page knows, and what it ignores.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createEditorState, handleMessage, applyLocalEdit, paramPlain } from '../../ui/js/editor-state.mjs';
import { reportText, REPORT_FORMAT } from '../../ui/js/report.mjs';

// A hello as the controller writes it, with a CC map, a health report and host facts.
const HELLO = readFileSync(new URL('../data/ui/hello.json', import.meta.url), 'utf8');

function connected() {
  const state = createEditorState();
  assert.deepEqual(handleMessage(state, HELLO), ['all']);
  return state;
}

const event = (seq, kind, detail) => ({ seq, timeMs: seq, kind, ...(detail ? { detail } : {}) });

test('the hello fills the parameters, preset, map and diagnostics', () => {
  const state = connected();
  assert.equal(paramPlain(state, 'oriel.rate'), 5);
  assert.equal(state.params['oriel.depth'], 0.35);
  assert.deepEqual(state.ccMap.bindings.map((b) => b.cc), [1, 74, 11]);
  assert.deepEqual([state.preset.id, state.preset.origin, state.preset.dirty], ['default', 'factory', true]);
  assert.equal(state.health.status, 'degraded');
  assert.equal(state.host.sampleRate, 44100);
});

test('unknown and malformed messages change nothing and are counted', () => {
  const state = connected();
  const before = JSON.stringify({ ...state, stats: null });
  const cases = [
    [null, 'malformed'], [42, 'malformed'], ['{"type":', 'malformed'], [[], 'malformed'], [{}, 'malformed'],
    [{ type: 7 }, 'malformed'], [{ type: 'talvo.somethingNew', value: 1 }, 'ignored'], [{ type: 'toString' }, 'ignored'],
    [{ type: 'talvo.hello', params: 'all' }, 'malformed'],
    [{ type: 'talvo.paramChanged', path: 'oriel.rate', value: 'fast' }, 'malformed'],
    [{ type: 'talvo.paramChanged', path: 'oriel.gain', value: 1 }, 'malformed'],
    [{ type: 'talvo.ccMapChanged', map: 'none' }, 'malformed'],
    [{ type: 'talvo.midiCc', cc: 1, channel: 1 }, 'malformed'],
    [{ type: 'talvo.lifecycle', events: {} }, 'malformed'],
    [{ type: 'talvo.transport', frame: { state: null } }, 'malformed'],
    [{ type: 'talvo.hostChanged', host: 44100 }, 'malformed'],
    [{ type: 'talvo.runtimeDiagnostics', report: '{}' }, 'malformed'],
    [{ type: 'talvo.state', state: [] }, 'malformed'],
    [{ type: 'talvo.folderPicked' }, 'malformed'],
  ];
  for (const [message, kind] of cases) {
    const counted = state.stats[kind];
    assert.deepEqual(handleMessage(state, message), [], JSON.stringify(message));
    assert.equal(state.stats[kind], counted + 1, JSON.stringify(message));
  }
  assert.equal(JSON.stringify({ ...state, stats: null }), before);
});

test('host automation moves a parameter and updates the modified mark', () => {
  const state = connected();
  const changed = (path, value) => handleMessage(state, { type: 'talvo.paramChanged', path, value, normalized: value });
  changed('oriel.depth', 0.1);
  changed('oriel.wet', 1);
  assert.equal(state.preset.dirty, false, 'back at the preset\'s values');
  changed('oriel.wet', 0.5);
  assert.equal(state.preset.dirty, true);
  applyLocalEdit(state, 'oriel.wet', 1);
  assert.equal(state.preset.dirty, false, 'an edit in the page counts the same');
  handleMessage(state, { type: 'talvo.paramChanged', path: 'oriel.rate', value: 20 });
  assert.equal(state.params['oriel.rate'], 1, 'the plain value serves when normalized is missing');
});

test('the lifecycle feed keeps each event once, in order, and follows preset loads', () => {
  const state = connected();
  handleMessage(state, { type: 'talvo.lifecycle', events: [event(1, 'created'), event(2, 'presetLoaded', { id: 'warm', name: 'Warm', origin: 'bank' })] });
  handleMessage(state, { type: 'talvo.lifecycle', events: [event(3, 'editorOpened')] });
  handleMessage(state, { type: 'talvo.lifecycle', events: [event(1, 'created'), event(2, 'presetLoaded', { id: 'warm', origin: 'bank' }), event(3, 'editorOpened')], dropped: 4 });
  assert.deepEqual(state.lifecycle.events.map((e) => e.seq), [1, 2, 3]);
  assert.equal(state.lifecycle.dropped, 4);
  assert.deepEqual([state.preset.id, state.preset.origin], ['warm', 'bank']);
  handleMessage(state, { type: 'talvo.lifecycle', events: Array.from({ length: 300 }, (_, i) => event(i + 10, 'reset')) });
  assert.equal(state.lifecycle.events.length, 256);
  assert.equal(state.lifecycle.events[255].seq, 309);
});

test('host changes are merged into the host facts and listed', () => {
  const state = connected();
  handleMessage(state, { type: 'talvo.hostChanged', host: { sampleRate: 48000 }, event: { seq: 1, timeMs: 2, kind: 'sampleRateChanged' } });
  handleMessage(state, { type: 'talvo.hostChanged', host: { latencySamples: 0 } });
  assert.deepEqual([state.host.sampleRate, state.host.latencySamples, state.host.hostName], [48000, 0, 'talvo-host']);
  assert.equal(state.hostChanges.length, 2);
  handleMessage(state, HELLO);
  assert.deepEqual([state.host.sampleRate, state.hostChanges.length], [44100, 0], 'a new hello starts over');
});

test('the support report is one document with what the page knows', () => {
  const state = connected();
  handleMessage(state, { type: 'talvo.lifecycle', events: [event(1, 'created')] });
  handleMessage(state, { type: 'talvo.bogus' });
  const page = { createdAt: '2025-01-01T00:00:00.000Z', userAgent: 'test', viewport: { width: 720, height: 520 } };
  const report = JSON.parse(reportText(state, page));
  assert.equal(report.format, REPORT_FORMAT);
  assert.deepEqual(report.params.map((p) => p.text), ['5.00 Hz', '35.0 %', '60.0 %']);
  assert.equal(report.ccMap.bindings[1].curve, 'exp');
  assert.equal(report.runtimeHealth.diagnostics[0].code, 'runtime.diagnostics-overflow');
  assert.equal(report.lifecycle.events[0].kind, 'created');
  assert.deepEqual(report.page.messages, { received: 3, ignored: 1, malformed: 0 });
  assert.equal('state' in report, false);
  handleMessage(state, { type: 'talvo.state', state: { params: { 'oriel.rate': 2 } } });
  assert.deepEqual(JSON.parse(reportText(state, page)).state, { params: { 'oriel.rate': 2 } });
  assert.equal(paramPlain(state, 'oriel.rate'), 2);
});
