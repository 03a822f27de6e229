// The diagnostics panel: runtime health and its records, host facts and their
// changes, transport, identity, the lifecycle feed, and the support report.
import { h } from './dom.mjs';
import {
  describeEvent, describeHost, describeTransport, describeHealth, formatClock, kindWords,
} from './diagnostics.mjs';
import { reportText } from './report.mjs';

function rowsTable(rows) {
  return h('dl', { class: 'facts' }, rows.map(([label, value]) => [h('dt', { text: label }), h('dd', { text: value })]));
}

function card(title, ...body) {
  const content = h('div', { class: 'card-body' }, ...body);
  return { element: h('section', { class: 'card' }, h('h3', { text: title }), content), content };
}

/** Copies text with whatever the browser allows; false when nothing worked. */
async function copyText(text) {
  try {
    if (navigator.clipboard && window.isSecureContext) {
      await navigator.clipboard.writeText(text);
      return true;
    }
  } catch { /* fall back to a selection */ }
  const area = h('textarea', { class: 'offscreen', readonly: true, 'aria-hidden': 'true' });
  area.value = text;
  document.body.append(area);
  area.select();
  let done = false;
  try { done = document.execCommand('copy'); } catch { done = false; }
  area.remove();
  return done;
}

export function createDiagnosticsView({ getState }) {
  const health = card('Runtime health');
  const host = card('Host');
  const transport = card('Transport');
  const identity = card('Plug-in');
  const changes = card('Host changes');
  const lifecycle = card('Lifecycle');
  lifecycle.element.classList.add('wide');
  const feed = h('ol', { class: 'feed', 'aria-live': 'off' });
  lifecycle.content.append(feed);

  const copyStatus = h('span', { class: 'muted', role: 'status' });
  const fallback = h('div', { class: 'report-fallback', hidden: true });
  const copyButton = h('button', {
    type: 'button', class: 'btn primary', text: 'Copy report',
    title: 'Copy one JSON document about the plug-in, its host and this session for a support request',
    onclick: async () => {
      const report = reportText(getState(), {
        createdAt: new Date().toISOString(),
        userAgent: navigator.userAgent,
        viewport: { width: window.innerWidth, height: window.innerHeight },
      });
      if (await copyText(report)) {
        fallback.hidden = true;
        copyStatus.textContent = `Report copied (${report.length} characters). Paste it into your support request.`;
        return;
      }
      // No clipboard here: show the report selected, for the user's own copy command.
      const area = h('textarea', { class: 'report-text mono', readonly: true, 'aria-label': 'Support report', rows: 10 });
      area.value = report;
      fallback.replaceChildren(h('p', { text: 'This window cannot reach the clipboard. The report is selected below: copy it with your copy shortcut.' }), area);
      fallback.hidden = false;
      area.focus();
      area.select();
      copyStatus.textContent = '';
    },
  });

  const element = h('section', { class: 'panel-body diagnostics', 'aria-label': 'Diagnostics' },
    h('div', { class: 'toolbar' }, h('h2', { text: 'Diagnostics' }), copyStatus,
      h('div', { class: 'toolbar-actions' }, copyButton)),
    fallback,
    h('div', { class: 'cards' }, health.element, host.element, transport.element, identity.element,
      changes.element, lifecycle.element));

  function renderHealth(state) {
    if (!state.health) {
      health.content.replaceChildren(h('p', { class: 'empty', text: 'No report from the audio processor yet.' }));
      return;
    }
    const d = describeHealth(state.health);
    health.content.replaceChildren(
      h('p', {}, h('span', { class: `badge ${d.status}`, text: d.status }),
        d.lifecycle ? h('span', { class: 'muted', text: ` engine ${d.lifecycle}` }) : null,
        d.dropped ? h('span', { class: 'muted', text: ` · ${d.dropped} records dropped` }) : null),
      d.records.length
        ? h('ol', { class: 'records' }, d.records.map((r) => h('li', { class: r.severity },
          h('div', { class: 'record-title' }, h('span', { class: `sev ${r.severity}`, text: r.severity }), ` #${r.seq} ${r.title}`),
          h('div', { text: r.message }), r.detail ? h('div', { class: 'muted', text: r.detail }) : null)))
        : h('p', { class: 'muted', text: 'No diagnostic records.' }));
  }

  function renderHost(state) {
    host.content.replaceChildren(state.host ? rowsTable(describeHost(state.host))
      : h('p', { class: 'empty', text: 'The host has not configured processing yet.' }));
    changes.content.replaceChildren(state.hostChanges.length
      ? h('ol', { class: 'feed' }, [...state.hostChanges].reverse().map((c) => h('li', {},
        h('span', { class: 'time', text: c.event ? formatClock(c.event.timeMs) : '' }),
        h('span', { class: 'kind', text: c.event && typeof c.event.kind === 'string' ? kindWords(c.event.kind) : 'Changed' }),
        h('span', { class: 'muted', text: Object.entries(c.host).map(([k, v]) => `${k} ${typeof v === 'object' ? '…' : v}`).join(' · ') }))))
      : h('p', { class: 'empty', text: 'No changes since the editor opened.' }));
  }

  function renderTransport(state) {
    transport.content.replaceChildren(state.transport ? rowsTable(describeTransport(state.transport))
      : h('p', { class: 'empty', text: 'No transport report yet.' }));
  }

  function renderIdentity(state) {
    const id = state.identity || {};
    const plugin = state.plugin || {};
    const ui = id.ui || {};
    const rows = [
      ['Name', `${plugin.name || id.name || 'Oriel'} ${plugin.version || id.version || ''}`.trim()],
      ['Vendor', plugin.vendor || id.vendor || ''],
      ['Module', plugin.id || id.moduleId || ''],
      ['Format', id.target || ''],
    ];
    if (ui.buildTime) rows.push(['UI built', ui.buildTime]);
    if (ui.sourceRevision) rows.push(['UI revision', ui.sourceRevision.slice(0, 12)]);
    if (ui.sha256) rows.push(['UI SHA-256', `${ui.sha256.slice(0, 16)}…`]);
    const s = state.stats;
    rows.push(['Messages', `${s.received} received, ${s.ignored} unknown, ${s.malformed} malformed`]);
    identity.content.replaceChildren(rowsTable(rows.filter(([, v]) => v !== '')));
  }

  function renderLifecycle(state) {
    const { events, dropped } = state.lifecycle;
    feed.replaceChildren(...[...events].reverse().map((e) => {
      const d = describeEvent(e);
      return h('li', {}, h('span', { class: 'time', text: d.time }), h('span', { class: 'kind', text: d.title }),
        h('span', { class: 'muted', text: d.detail }));
    }));
    if (!events.length) feed.replaceChildren(h('li', { class: 'empty', text: 'No lifecycle events yet.' }));
    if (dropped) feed.append(h('li', { class: 'muted', text: `${dropped} older events were dropped by the plug-in.` }));
  }

  return {
    element,
    update(state, topics) {
      const all = topics.includes('all');
      if (all || topics.includes('health')) renderHealth(state);
      if (all || topics.includes('host')) renderHost(state);
      if (all || topics.includes('transport')) renderTransport(state);
      if (all || topics.includes('lifecycle')) renderLifecycle(state);
      renderIdentity(state);
    },
  };
}
