// The bank panel: load a sound pack from a folder path or a pinned HTTPS
// archive, see what the plug-in made of it (instrument, kits, bank presets or
// the error in words) and edit the sampler's pad overrides.
import { h, field, setFieldError } from './dom.mjs';
import { buildLoadRequest, bankErrorText } from './bank.mjs';
import { PAD_FIELDS, MAX_PADS, newPadRow, rowsFromPads, validatePadRows, padsFromRows } from './pads.mjs';

export function createBankView({ send }) {
  let connected = false;
  let source = 'user-folder';
  let waiting = false;
  let bank = null;

  const text = (id, attrs = {}) => h('input', { id, type: 'text', autocomplete: 'off', spellcheck: 'false', ...attrs });
  const folder = text('bank-folder', { placeholder: '/path/to/sound-pack' });
  const url = text('bank-url', { placeholder: 'https://example.com/pack.zip', inputmode: 'url' });
  const sha = text('bank-sha256', { placeholder: '64 hexadecimal digits', class: 'mono' });
  const instrument = text('bank-instrument', { placeholder: 'first instrument', list: 'bank-instruments' });
  const instruments = h('datalist', { id: 'bank-instruments' });
  const folderField = field('Folder', folder, 'grow');
  const urlField = field('Archive URL', url, 'grow');
  const shaField = field('SHA-256', sha, 'grow');
  const hosted = h('div', { class: 'form-row', hidden: true }, urlField, shaField);
  const local = h('div', { class: 'form-row' }, folderField);
  const sourceButtons = [['user-folder', 'Folder'], ['hosted', 'Hosted']].map(([value, label]) =>
    h('button', {
      type: 'button', class: 'segment', 'aria-pressed': String(value === source), text: label,
      onclick: () => chooseSource(value),
    }));
  const loadButton = h('button', { type: 'button', class: 'btn primary', text: 'Load bank' });
  const status = h('div', { class: 'bank-status', role: 'status' });
  const entries = h('div', { class: 'bank-entries' });
  const presets = h('div', { class: 'bank-presets' });

  function chooseSource(value) {
    source = value;
    sourceButtons.forEach((b, i) => b.setAttribute('aria-pressed', String((i === 0) === (value === 'user-folder'))));
    hosted.hidden = value !== 'hosted';
    local.hidden = value === 'hosted';
  }

  function load(overrides = {}) {
    const { message, errors } = buildLoadRequest({
      source, folder: folder.value, url: url.value, sha256: sha.value, instrument: instrument.value, ...overrides,
    });
    setFieldError(folderField, errors.folder);
    setFieldError(urlField, errors.url);
    setFieldError(shaField, errors.sha256);
    if (!message) {
      (errors.folder ? folder : errors.url ? url : sha).focus();
      return;
    }
    if (message.sha256) sha.value = message.sha256;
    waiting = true;
    send(message.type, message);
    showStatus(message.source === 'hosted' ? 'Downloading and checking the archive…' : 'Loading…', 'busy');
  }
  loadButton.addEventListener('click', () => load());
  for (const control of [folder, url, sha, instrument]) {
    control.addEventListener('keydown', (e) => {
      if (e.key === 'Enter') load();
    });
  }

  function showStatus(words, tone) {
    status.className = `bank-status ${tone}`;
    status.replaceChildren(h('span', { class: 'dot', 'aria-hidden': 'true' }), h('span', { text: words }));
  }

  // Pad overrides.
  let padRows = [];
  let padBaseline = '[]';
  const padFields = new Map();
  const padList = h('div', { class: 'pad-list' });
  const padCount = h('span', { class: 'muted' });
  const addPad = h('button', { type: 'button', class: 'btn', text: 'Add pad' });
  const revertPads = h('button', { type: 'button', class: 'btn ghost', text: 'Revert' });
  const applyPads = h('button', { type: 'button', class: 'btn primary', text: 'Apply overrides' });

  const padsJson = () => JSON.stringify(padRows.map((r) => [r.key, r.values]));
  function checkPads() {
    const { errors, valid } = validatePadRows(padRows);
    padRows.forEach((row, i) => {
      for (const name of ['key', ...PAD_FIELDS.map((f) => f.name)]) {
        const wrapper = padFields.get(`${row.rowKey}:${name}`);
        if (wrapper) setFieldError(wrapper, errors[i][name]);
      }
    });
    const clean = padsJson() === padBaseline;
    padCount.textContent = `${padRows.length} of ${MAX_PADS} pads${clean ? '' : ' · not applied'}`;
    addPad.disabled = !connected || padRows.length >= MAX_PADS;
    applyPads.disabled = !connected || !valid || clean;
    revertPads.disabled = clean;
  }

  function padCard(row, index) {
    const keyInput = text(`pad-${row.rowKey}-key`, { value: row.key, placeholder: 'zone id' });
    keyInput.addEventListener('input', () => {
      row.key = keyInput.value;
      checkPads();
    });
    padFields.set(`${row.rowKey}:key`, field('Pad', keyInput, 'grow'));
    const grid = PAD_FIELDS.map((f) => {
      const id = `pad-${row.rowKey}-${f.name}`;
      let control;
      if (f.toggle) {
        control = h('input', { id, type: 'checkbox', checked: row.values[f.name] === '1' });
        control.addEventListener('change', () => {
          row.values[f.name] = control.checked ? '1' : '';
          checkPads();
        });
      } else {
        control = text(id, { value: row.values[f.name], placeholder: String(f.unset), inputmode: 'decimal' });
        control.addEventListener('input', () => {
          row.values[f.name] = control.value;
          checkPads();
        });
      }
      const wrapper = field(`${f.label}${f.unit ? ` (${f.unit})` : ''}`, control, f.toggle ? 'check' : '');
      padFields.set(`${row.rowKey}:${f.name}`, wrapper);
      return wrapper;
    });
    const remove = h('button', {
      type: 'button', class: 'btn icon danger', 'aria-label': `Remove pad ${index + 1}`, text: '×',
      onclick: () => {
        padRows = padRows.filter((r) => r !== row);
        renderPads();
        addPad.focus();
      },
    });
    return h('div', { class: 'pad-card', role: 'group', 'aria-label': `Pad ${index + 1}` },
      h('div', { class: 'cc-line' }, padFields.get(`${row.rowKey}:key`), h('div', { class: 'cc-actions' }, remove)),
      h('div', { class: 'pad-grid' }, grid));
  }

  function renderPads() {
    padFields.clear();
    padList.replaceChildren(...(padRows.length ? padRows.map(padCard)
      : [h('p', { class: 'empty', text: 'No pad overrides. Add a pad by its zone id to change its tuning, level, envelope or filter.' })]));
    checkPads();
  }
  addPad.addEventListener('click', () => {
    padRows = [...padRows, newPadRow()];
    renderPads();
    document.getElementById(`pad-${padRows[padRows.length - 1].rowKey}-key`)?.focus();
  });
  revertPads.addEventListener('click', () => adoptPads(bank ? bank.pads : []));
  applyPads.addEventListener('click', () => {
    if (validatePadRows(padRows).valid) send('talvo.setPadOverrides', { pads: padsFromRows(padRows) });
  });
  function adoptPads(pads) {
    padRows = rowsFromPads(pads);
    padBaseline = padsJson();
    renderPads();
  }

  function renderBank() {
    if (!bank) return;
    const rt = bank.runtime;
    if (bank.error) showStatus(bankErrorText(bank.error.code, bank.error.requestedId), 'error');
    else if (rt && rt.instrument) showStatus(`Loaded \u201c${rt.instrument.name || rt.instrument.id}\u201d (${rt.instrument.list}) from ${rt.locator}`, 'ok');
    else if (rt) showStatus(`Loaded from ${rt.locator}`, 'ok');
    else if (!waiting) showStatus('No bank loaded.', '');
    const list = rt ? rt.positionings : [];
    instruments.replaceChildren(...list.map((p) => h('option', { value: p.id, text: p.name })));
    entries.replaceChildren(h('h3', { text: 'Instruments and kits' }), list.length
      ? h('ul', { class: 'entry-list' }, list.map((p) => h('li', {},
        h('span', { class: 'entry-name', text: p.name || p.id }), h('span', { class: 'muted', text: p.list }),
        rt.instrument && rt.instrument.id === p.id ? h('span', { class: 'chip ok', text: 'in use' })
          : h('button', {
            type: 'button', class: 'btn small', text: 'Use', 'aria-label': `Use ${p.name || p.id}`,
            onclick: () => {
              instrument.value = p.id;
              if (rt.source === 'hosted') load({ source: 'hosted', url: rt.locator, instrument: p.id });
              else load({ source: 'user-folder', folder: rt.locator, instrument: p.id });
            },
          }))))
      : h('p', { class: 'empty', text: 'Load a bank to choose among its instruments and kits.' }));
    presets.replaceChildren(h('h3', { text: 'Bank presets' }), bank.bankScoped
      ? h('ul', { class: 'entry-list' }, bank.presets.map((p) => h('li', {},
        h('span', { class: 'entry-name', text: p.name }),
        h('span', { class: 'muted', text: Object.entries(p.params).map(([k, v]) => `${k.replace(/^oriel\./, '')} ${Number(v.toPrecision(4))}`).join(', ') }),
        h('button', {
          type: 'button', class: 'btn small', text: 'Load', 'aria-label': `Load bank preset ${p.name}`,
          onclick: () => send('talvo.loadBankPreset', { id: p.id }),
        }))))
      : h('p', { class: 'empty', text: 'This bank brings no presets of its own.' }));
  }

  const element = h('section', { class: 'panel-body bank', 'aria-label': 'Sample bank' },
    h('div', { class: 'toolbar' }, h('h2', { text: 'Sample bank' }),
      h('div', { class: 'segmented', role: 'group', 'aria-label': 'Bank source' }, sourceButtons)),
    local, hosted,
    h('div', { class: 'form-row' }, field('Instrument or kit (optional)', instrument, 'grow'), instruments,
      h('div', { class: 'form-actions' }, loadButton)),
    status,
    h('div', { class: 'bank-columns' }, entries, presets),
    h('div', { class: 'toolbar' }, h('h2', { text: 'Pad overrides' }), padCount,
      h('div', { class: 'toolbar-actions' }, addPad, revertPads, applyPads)),
    padList);

  showStatus('No bank loaded.', '');
  renderPads();
  return {
    element,
    update(state, topics) {
      connected = state.connected;
      loadButton.disabled = !connected;
      if (topics.includes('bank') && state.bank) {
        if (state.bank.reason !== 'query' || !bank) waiting = false;
        bank = state.bank;
        const rt = bank.runtime;
        if (rt && !folder.value && !url.value) { // show where the loaded bank came from
          chooseSource(rt.source === 'hosted' ? 'hosted' : 'user-folder');
          (rt.source === 'hosted' ? url : folder).value = rt.locator;
          if (rt.instrument && !instrument.value) instrument.value = rt.instrument.id;
        }
        const incoming = JSON.stringify(rowsFromPads(bank.pads).map((r) => [r.key, r.values]));
        if (padsJson() === padBaseline || incoming === padsJson()) adoptPads(bank.pads);
        else padBaseline = incoming;
        renderBank();
      }
      if (topics.includes('folder') && state.folderPicked) {
        const picked = state.folderPicked;
        if (picked.path) {
          chooseSource('user-folder');
          folder.value = picked.path;
          load();
        } else if (picked.error) {
          showStatus(`No folder was picked: ${picked.error}. Type the folder\u2019s path instead.`, 'error');
        }
      }
      checkPads();
    },
  };
}
