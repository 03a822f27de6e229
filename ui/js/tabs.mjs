// Accessible tabs for the lower panels: arrow keys, Home and End move between
// tabs; the chosen tab is remembered for the next opening of the editor.
import { h, uid } from './dom.mjs';

const STORAGE_KEY = 'oriel.tab';

function remembered() {
  try { return window.localStorage.getItem(STORAGE_KEY); } catch { return null; }
}

function remember(name) {
  try { window.localStorage.setItem(STORAGE_KEY, name); } catch { /* storage may be off */ }
}

/** createTabs([{name, label, element}]) -> {list, panels, badge(name, text)} */
export function createTabs(items) {
  const tabs = items.map((item) => {
    const id = uid('tab');
    const panel = h('div', { class: 'tabpanel', role: 'tabpanel', id: `${id}-panel`, 'aria-labelledby': id, tabindex: 0 },
      item.element);
    const badge = h('span', { class: 'tab-badge', hidden: true });
    const tab = h('button', {
      type: 'button', role: 'tab', id, class: 'tab', 'aria-controls': panel.id, onclick: () => select(item.name, false),
    }, item.label, badge);
    return { ...item, tab, panel, badge };
  });

  function select(name, focus) {
    for (const t of tabs) {
      const on = t.name === name;
      t.tab.setAttribute('aria-selected', String(on));
      t.tab.tabIndex = on ? 0 : -1;
      t.panel.hidden = !on;
      if (on && focus) t.tab.focus();
    }
    remember(name);
  }

  const list = h('div', { class: 'tabs', role: 'tablist', 'aria-label': 'Panels' }, tabs.map((t) => t.tab));
  list.addEventListener('keydown', (e) => {
    const at = tabs.findIndex((t) => t.tab === document.activeElement);
    if (at < 0) return;
    const next = { ArrowRight: at + 1, ArrowLeft: at - 1, Home: 0, End: tabs.length - 1 }[e.key];
    if (next === undefined) return;
    e.preventDefault();
    select(tabs[(next + tabs.length) % tabs.length].name, true);
  });

  const first = tabs.some((t) => t.name === remembered()) ? remembered() : tabs[0].name;
  select(first, false);
  return {
    list,
    panels: tabs.map((t) => t.panel),
    /** A small count or mark on a tab ("" hides it). */
    badge(name, text, tone = '') {
      const t = tabs.find((x) => x.name === name);
      t.badge.textContent = text;
      t.badge.className = `tab-badge ${tone}`;
      t.badge.hidden = !text;
    },
  };
}
