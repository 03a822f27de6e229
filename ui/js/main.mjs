// Builds the editor and wires it to the bridge: messages from the host go
// through the editor state to the views; the views' edits go back as bridge
// messages.
import { h } from './dom.mjs';
import { PARAMS, toPlain, formatValue } from './params.mjs';
import { createEditorState, handleMessage, applyLocalEdit, applyLocalPreset, paramPlain } from './editor-state.mjs';
import { openBridge } from './bridge.mjs';
import { createKnob } from './knob.mjs';
import { createScope } from './scope.mjs';
import { createPresetView, createStatusView } from './view-header.mjs';
import { createCcMapView } from './view-ccmap.mjs';
import { createBankView } from './view-bank.mjs';
import { createDiagnosticsView } from './view-diagnostics.mjs';
import { createTabs } from './tabs.mjs';

const state = createEditorState();
let bridge = { connected: false, send: () => false, helloArrived() {} };
const send = (type, members) => bridge.send(type, members);

const scope = createScope();
const scopeCaption = h('p', { class: 'scope-caption' });
function drawScope() {
  const rate = paramPlain(state, 'oriel.rate');
  scope.draw(rate, paramPlain(state, 'oriel.depth'), paramPlain(state, 'oriel.wet'));
  scopeCaption.textContent = `One second · period ${(1000 / rate).toFixed(rate > 10 ? 1 : 0)} ms`;
}

const presetView = createPresetView({
  loadFactory(id) {
    const preset = state.factoryPresets.find((p) => p.id === id);
    if (!preset || !send('talvo.loadFactoryPreset', { id })) return;
    applyLocalPreset(state, id, preset.name, 'factory');
    presetView.update(state);
  },
  loadBank: (id) => send('talvo.loadBankPreset', { id }),
});

const knobs = PARAMS.map((param) => createKnob(param, {
  begin: () => send('talvo.beginEdit', { path: param.path }),
  change(plain) {
    applyLocalEdit(state, param.path, plain);
    send('talvo.setParam', { path: param.path, value: plain });
    drawScope();
    presetView.update(state);
  },
  end: () => send('talvo.endEdit', { path: param.path }),
}));

for (const knob of knobs) knob.setEnabled(false); // until the plug-in says hello

const ccView = createCcMapView({ send });
const bankView = createBankView({ send });
const diagnosticsView = createDiagnosticsView({ getState: () => state });
const tabs = createTabs([
  { name: 'midi', label: 'MIDI', element: ccView.element },
  { name: 'bank', label: 'Bank', element: bankView.element },
  { name: 'diagnostics', label: 'Diagnostics', element: diagnosticsView.element },
]);

const statusView = createStatusView(document.getElementById('status'), document.getElementById('banner'));
document.getElementById('preset-slot').replaceWith(presetView.element);
document.getElementById('hero').replaceChildren(
  h('div', { class: 'knobs' }, knobs.map((k) => k.element)),
  h('figure', { class: 'scope-card' }, scope.element, scopeCaption));
document.getElementById('panels').replaceChildren(tabs.list, ...tabs.panels);

function update(topics) {
  for (const [i, param] of PARAMS.entries()) knobs[i].show(state.params[param.path]);
  drawScope();
  presetView.update(state);
  ccView.update(state, topics);
  bankView.update(state, topics);
  diagnosticsView.update(state, topics);
  const status = state.health ? state.health.status : '';
  tabs.badge('diagnostics', status === 'failed' || status === 'degraded' ? '!' : '', status);
  tabs.badge('bank', state.bank && state.bank.error ? '!' : '', 'failed');
  tabs.badge('midi', state.ccMap.bindings.length ? String(state.ccMap.bindings.length) : '');
  document.title = state.plugin ? `${state.plugin.name} — ${PARAMS.map((p) =>
    formatValue(p, toPlain(p, state.params[p.path]))).join(' · ')}` : 'Oriel';
}

function receive(message) {
  const topics = handleMessage(state, message);
  if (topics.length === 0) return;
  if (topics.includes('all')) {
    bridge.helloArrived();
    statusView.show('connected');
    for (const knob of knobs) knob.setEnabled(true);
  }
  update(topics);
}

bridge = openBridge(window.talvoHost, {
  onMessage: receive,
  onSilence: () => state.connected || statusView.show('silent'),
});
statusView.show(bridge.connected ? 'connecting' : 'offline');
// Keys belong to the host unless one of the page's controls has focus; Escape
// leaves a text field so that the host's own shortcuts work again.
document.addEventListener('keydown', (e) => {
  if (e.key === 'Escape' && e.target.matches('input[type="text"], textarea')) e.target.blur();
});
window.addEventListener('pagehide', () => send('talvo.diag.unsubscribe'));
update(['all']);
