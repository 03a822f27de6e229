// The top bar's live parts: the preset chooser with its modified mark and the
// connection status.
import { h } from './dom.mjs';

export function createPresetView({ loadFactory, loadBank }) {
  const chooser = h('select', { id: 'preset', class: 'preset-select', 'aria-label': 'Preset' });
  const mark = h('span', { class: 'dirty-mark', hidden: true, title: 'Changed since the preset was loaded', text: 'modified' });
  const reload = h('button', {
    type: 'button', class: 'btn icon ghost', hidden: true, text: '\u21ba', 'aria-label': 'Reload the preset',
    title: 'Reload the preset, discarding the changes',
  });
  const element = h('div', { class: 'preset' }, chooser, mark, reload);
  let current = '';

  function request(value) {
    const [origin, ...rest] = value.split(':');
    const id = rest.join(':');
    if (origin === 'factory') loadFactory(id);
    else if (origin === 'bank') loadBank(id);
  }
  chooser.addEventListener('change', () => request(chooser.value));
  reload.addEventListener('click', () => current && request(current));

  return {
    element,
    update(state) {
      const { id, name, origin, dirty } = state.preset;
      current = id ? `${origin}:${id}` : '';
      const options = [];
      if (!id) options.push(h('option', { value: '', text: 'No preset', disabled: true }));
      options.push(h('optgroup', { label: 'Factory' }, state.factoryPresets.map((p) =>
        h('option', { value: `factory:${p.id}`, text: p.name }))));
      if (state.bank && state.bank.bankScoped) {
        options.push(h('optgroup', { label: 'Bank' }, state.bank.presets.map((p) =>
          h('option', { value: `bank:${p.id}`, text: p.name }))));
      }
      if (current && !options.some((o) => o.querySelector?.(`option[value="${CSS.escape(current)}"]`))) {
        options.push(h('option', { value: current, text: name }));
      }
      chooser.replaceChildren(...options);
      chooser.value = current;
      chooser.disabled = !state.connected;
      mark.hidden = !dirty || !id;
      reload.hidden = !dirty || !id;
      chooser.setAttribute('aria-description', dirty && id ? `${name}, modified` : name || 'no preset loaded');
    },
  };
}

const STATUS = {
  offline: ['Not connected', 'This page is the Oriel editor. It works inside the plug-in window (or from talvo-host ui); opened on its own it has no plug-in to talk to.'],
  connecting: ['Connecting…', ''],
  silent: ['No answer', 'The plug-in does not answer. Close and reopen the editor window.'],
  connected: ['Connected', ''],
};

/** The status pill and, when something is wrong, the banner that explains it. */
export function createStatusView(pill, banner) {
  return {
    show(kind) {
      const [label, explanation] = STATUS[kind];
      pill.textContent = label;
      pill.className = `status-pill ${kind}`;
      banner.textContent = explanation;
      banner.hidden = !explanation;
      document.documentElement.dataset.connection = kind;
    },
  };
}
