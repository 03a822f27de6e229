// The support report: one JSON document with everything the page knows about
// the plug-in and its host, for a user to paste into a support request.
import { PARAMS, toPlain, formatValue } from './params.mjs';
import { writeCcMap } from './ccmap.mjs';

export const REPORT_FORMAT = 'talvo-editor-report/v1';

/**
 * The report for the editor state; `page` describes the page itself
 * ({createdAt, userAgent, viewport}), supplied by the caller so that this
 * module stays free of the browser.
 */
export function buildReport(state, page) {
  return {
    format: REPORT_FORMAT,
    createdAt: page.createdAt,
    page: {
      connected: state.connected,
      hellos: state.hellos,
      userAgent: page.userAgent,
      viewport: page.viewport,
      messages: { ...state.stats },
    },
    plugin: state.plugin,
    identity: state.identity,
    params: PARAMS.map((p) => {
      const plain = toPlain(p, state.params[p.path]);
      return { path: p.path, value: plain, normalized: state.params[p.path], text: formatValue(p, plain) };
    }),
    preset: {
      currentId: state.preset.id,
      currentName: state.preset.name,
      origin: state.preset.origin,
      dirty: state.preset.dirty,
      lastStateBytes: state.preset.lastStateBytes,
    },
    ccMap: state.ccMap.adopted ? writeCcMap(state.ccMap.bindings) : null,
    runtimeHealth: state.health,
    host: state.host,
    hostChanges: state.hostChanges,
    transport: state.transport,
    lifecycle: state.lifecycle,
    bank: state.bank,
    ...(state.lastState ? { state: state.lastState } : {}),
  };
}

/** The report as the text that is copied: indented for reading in a mail or a ticket. */
export function reportText(state, page) {
  return `${JSON.stringify(buildReport(state, page), null, 2)}\n`;
}
