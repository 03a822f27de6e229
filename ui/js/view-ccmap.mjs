// The CC map editor: one card per binding, errors beside the field they
// concern, MIDI learn from the controller's CC activity, and Save, which sends
// the whole map; the plug-in's answer ("talvo.ccMapChanged") becomes the new
// baseline.
import { h, field, setFieldError, select } from './dom.mjs';
import { PARAMS, paramByPath, toDisplay, displayUnit } from './params.mjs';
import {
  CURVES, VALUE_MODES, TAKEOVERS, MAX_BINDINGS, newRow, rowsFromBindings, validateRows,
  bindingsFromRows, rowsMatch, writeCcMap,
} from './ccmap.mjs';

const CHANNELS = [[0, 'Any'], ...Array.from({ length: 16 }, (_, i) => [i + 1, String(i + 1)])];

export function createCcMapView({ send }) {
  let baseline = [];
  let rows = [];
  let learning = null; // row key waiting for a CC
  let saving = false;
  let connected = false;
  let midiSeen = false; // Learn is offered once the plug-in reports controller activity
  const fields = new Map(); // `${rowKey}:${name}` -> field wrapper

  const list = h('div', { class: 'cc-list' });
  const notice = h('p', { class: 'notice', role: 'status' });
  const count = h('span', { class: 'muted' });
  const activity = h('span', { class: 'chip midi-chip', title: 'Last MIDI CC the plug-in saw', hidden: true });
  const addButton = h('button', { type: 'button', class: 'btn', onclick: add, text: 'Add binding' });
  const revertButton = h('button', { type: 'button', class: 'btn ghost', onclick: revert, text: 'Revert' });
  const saveButton = h('button', { type: 'button', class: 'btn primary', onclick: save, text: 'Save map' });
  const element = h('section', { class: 'panel-body cc-editor', 'aria-label': 'MIDI CC map' },
    h('div', { class: 'toolbar' },
      h('h2', { text: 'MIDI CC map' }), count, activity,
      h('div', { class: 'toolbar-actions' }, addButton, revertButton, saveButton)),
    notice, list);

  function say(text, tone = '') {
    notice.textContent = text;
    notice.className = `notice ${tone}`;
  }

  function refreshChecks() {
    const { errors, valid } = validateRows(rows);
    rows.forEach((row, i) => {
      for (const name of ['path', 'cc', 'min', 'max']) {
        const wrapper = fields.get(`${row.key}:${name}`);
        if (wrapper) setFieldError(wrapper, errors[i][name]);
      }
    });
    const clean = rowsMatch(rows, baseline);
    count.textContent = `${rows.length} of ${MAX_BINDINGS} bindings${clean ? '' : ' · unsaved changes'}`;
    addButton.disabled = !connected || rows.length >= MAX_BINDINGS;
    saveButton.disabled = !connected || !valid || clean || saving;
    revertButton.disabled = clean;
  }

  function input(row, name, attrs = {}) {
    const control = h('input', {
      id: `cc-${row.key}-${name}`, type: 'text', autocomplete: 'off', spellcheck: 'false', value: row[name], ...attrs,
    });
    control.addEventListener('input', () => {
      row[name] = control.value;
      refreshChecks();
    });
    return control;
  }

  function chooser(row, name, options, numeric = false) {
    const control = select(options, row[name], { id: `cc-${row.key}-${name}` });
    control.addEventListener('change', () => {
      row[name] = numeric ? Number(control.value) : control.value;
      if (name === 'path') render(); // range hints and units follow the parameter
      else refreshChecks();
    });
    return control;
  }

  function keep(row, name, wrapper) {
    fields.set(`${row.key}:${name}`, wrapper);
    return wrapper;
  }

  function card(row, index) {
    const param = paramByPath(row.path) || PARAMS[0];
    const unit = displayUnit(param);
    const lo = toDisplay(param, param.minimum);
    const hi = toDisplay(param, param.maximum);
    const enabled = h('input', { type: 'checkbox', id: `cc-${row.key}-enabled`, checked: row.enabled });
    enabled.addEventListener('change', () => {
      row.enabled = enabled.checked;
      refreshChecks();
    });
    const learn = midiSeen && h('button', {
      type: 'button', class: 'btn small', id: `cc-${row.key}-learn`, 'aria-pressed': String(learning === row.key),
      text: learning === row.key ? 'Move a control…' : 'Learn',
      title: 'Fill CC and channel from the next controller the plug-in sees',
      onclick: () => {
        learning = learning === row.key ? null : row.key;
        render();
      },
    });
    const remove = h('button', {
      type: 'button', class: 'btn icon danger', 'aria-label': `Remove binding ${index + 1}`, text: '×',
      onclick: () => {
        rows = rows.filter((r) => r !== row);
        render();
        (list.querySelector('.cc-card:last-child .btn.icon') || addButton).focus();
      },
    });
    return h('div', { class: `cc-card${row.enabled ? '' : ' off'}`, role: 'group', 'aria-label': `Binding ${index + 1}` },
      h('div', { class: 'cc-line' },
        h('label', { class: 'toggle', for: enabled.id }, enabled, h('span', { text: 'On' })),
        keep(row, 'path', field('Parameter', chooser(row, 'path', PARAMS.map((p) => [p.path, p.title])), 'grow')),
        keep(row, 'cc', field('CC', input(row, 'cc', { inputmode: 'numeric', size: 4 }), 'narrow cc-num')),
        field('Channel', chooser(row, 'channel', CHANNELS, true), 'narrow cc-num'),
        h('div', { class: 'cc-actions' }, learn, remove)),
      h('div', { class: 'cc-line' },
        keep(row, 'min', field(`Min${unit ? ` (${unit})` : ''}`, input(row, 'min', { placeholder: String(lo), inputmode: 'decimal' }), 'narrow')),
        keep(row, 'max', field(`Max${unit ? ` (${unit})` : ''}`, input(row, 'max', { placeholder: String(hi), inputmode: 'decimal' }), 'narrow')),
        field('Curve', chooser(row, 'curve', CURVES)),
        field('Value mode', chooser(row, 'valueMode', VALUE_MODES), 'grow'),
        field('Takeover', chooser(row, 'takeover', TAKEOVERS))));
  }

  function render() {
    const focused = document.activeElement && list.contains(document.activeElement) ? document.activeElement.id : '';
    fields.clear();
    if (rows.length === 0) {
      list.replaceChildren(h('p', { class: 'empty', text: 'No bindings. Add one to drive Rate, Depth or Mix from a knob or fader on your MIDI controller.' }));
    } else {
      list.replaceChildren(...rows.map(card));
    }
    if (focused) document.getElementById(focused)?.focus();
    refreshChecks();
  }

  function add() {
    rows = [...rows, newRow(rows)];
    render();
    document.getElementById(`cc-${rows[rows.length - 1].key}-path`)?.focus();
  }

  function revert() {
    rows = rowsFromBindings(baseline);
    learning = null;
    say('');
    render();
  }

  function save() {
    if (!validateRows(rows).valid) return;
    saving = true;
    send('talvo.setCcMap', { map: writeCcMap(bindingsFromRows(rows)) });
    say('Saving…');
    refreshChecks();
  }

  function adoptMap(bindings) {
    const wasClean = rowsMatch(rows, baseline);
    const matches = rowsMatch(rows, bindings);
    baseline = bindings;
    if (saving && matches) say('Saved. The plug-in now uses this map and keeps it in the project.', 'ok');
    else if (!wasClean && !matches) say('The plug-in\u2019s map changed while you were editing. Revert to see it, or save yours.', 'warn');
    if (wasClean || matches) {
      rows = rowsFromBindings(bindings);
      render();
    } else {
      refreshChecks();
    }
    saving = false;
  }

  function learnFrom(midi) {
    activity.hidden = false;
    if (!midiSeen) {
      midiSeen = true;
      render();
    }
    activity.textContent = `CC ${midi.cc} · ch ${midi.channel} · ${midi.value}`;
    activity.classList.remove('pulse');
    void activity.offsetWidth; // restart the highlight
    activity.classList.add('pulse');
    const row = rows.find((r) => r.key === learning);
    if (!row) return;
    row.cc = String(midi.cc);
    row.channel = midi.channel >= 1 && midi.channel <= 16 ? midi.channel : 0;
    learning = null;
    render();
  }

  render();
  return {
    element,
    update(state, topics) {
      connected = state.connected;
      if (topics.includes('all') || topics.includes('ccmap')) {
        if (topics.includes('all')) rows = rowsFromBindings(state.ccMap.bindings);
        adoptMap(state.ccMap.bindings);
      }
      if (topics.includes('midi') && state.midi) learnFrom(state.midi);
      refreshChecks();
    },
  };
}
