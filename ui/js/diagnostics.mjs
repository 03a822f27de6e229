// Diagnostics documents: reading the lifecycle feed, transport frames, host
// facts and their changes, and the runtime health report, and turning them
// into the short labelled lines the diagnostics panel shows.

export const MAX_LIFECYCLE = 256;
export const MAX_HOST_CHANGES = 64;

const isObject = (x) => x !== null && typeof x === 'object' && !Array.isArray(x);
const finite = (x) => typeof x === 'number' && Number.isFinite(x);

/** A "talvo.lifecycle" message to its events (seq and kind required) and dropped count. */
export function readLifecycle(m) {
  if (!Array.isArray(m.events)) return null;
  const events = m.events.filter((e) => isObject(e) && finite(e.seq) && typeof e.kind === 'string')
    .map((e) => ({
      seq: e.seq,
      timeMs: finite(e.timeMs) ? e.timeMs : null,
      ...(finite(e.atFrame) ? { atFrame: e.atFrame } : {}),
      kind: e.kind,
      detail: isObject(e.detail) ? e.detail : {},
    }));
  return { events, dropped: finite(m.dropped) ? m.dropped : 0 };
}

/**
 * Events merged by sequence number: a replay and single events may overlap,
 * and each event is kept once, oldest first, at most MAX_LIFECYCLE of them.
 */
export function mergeLifecycle(events, incoming) {
  const bySeq = new Map(events.map((e) => [e.seq, e]));
  for (const e of incoming) bySeq.set(e.seq, e);
  return [...bySeq.values()].sort((a, b) => a.seq - b.seq).slice(-MAX_LIFECYCLE);
}

/** A "talvo.transport" message to its frame. */
export function readTransport(m) {
  return isObject(m.frame) && isObject(m.frame.state) ? m.frame : null;
}

/** A "talvo.hostChanged" message to its delta and optional event. */
export function readHostChanged(m) {
  if (!isObject(m.host)) return null;
  return { host: m.host, event: isObject(m.event) ? m.event : null };
}

/** Words for a lifecycle kind: "ccMapChanged" reads "CC map changed". */
export function kindWords(kind) {
  const words = kind.replace(/([A-Z])/g, ' $1').toLowerCase().replace(/^cc\b/, 'CC');
  return words.charAt(0).toUpperCase() + words.slice(1);
}

/** Milliseconds as "mm:ss.mmm" (hours prefixed when reached). */
export function formatClock(ms) {
  if (!finite(ms)) return '--:--.---';
  const total = Math.max(0, Math.round(ms));
  const h = Math.floor(total / 3600000);
  const m = Math.floor(total / 60000) % 60;
  const s = Math.floor(total / 1000) % 60;
  const pad = (x, n) => String(x).padStart(n, '0');
  return `${h ? `${h}:` : ''}${pad(m, 2)}:${pad(s, 2)}.${pad(total % 1000, 3)}`;
}

const valueText = (v) => (typeof v === 'string' ? v : JSON.stringify(v));

/** One lifecycle event as a line: time, words and "name value" details. */
export function describeEvent(e) {
  const details = Object.entries(e.detail).map(([k, v]) => `${k} ${valueText(v)}`);
  if (e.atFrame !== undefined) details.push(`frame ${e.atFrame}`);
  return { time: formatClock(e.timeMs), title: kindWords(e.kind), detail: details.join(' · ') };
}

export function formatRate(hz) {
  if (!finite(hz) || hz <= 0) return 'unknown';
  return `${Number((hz / 1000).toFixed(3))} kHz`;
}

function tailText(tail) {
  if (tail === 'infinite') return 'infinite';
  return finite(tail) ? `${tail} samples` : 'not reported';
}

function busText(bus) {
  if (!isObject(bus)) return '';
  const layout = bus.layout ? ` ${bus.layout}` : '';
  return `${bus.id} ${bus.direction} · ${bus.channels} ch${layout}${bus.active ? '' : ' (inactive)'}`;
}

/** Host facts as labelled rows; only what the host document carries is shown. */
export function describeHost(host) {
  const rows = [['Host', host.hostName || 'unnamed host']];
  if (host.hostVersion) rows.push(['Version', host.hostVersion]);
  if (host.validatorHost) rows.push(['Validator', host.validatorHost]);
  rows.push(['Sample rate', formatRate(host.sampleRate)]);
  if (finite(host.internalSampleRate)) rows.push(['Kernel rate', `${formatRate(host.internalSampleRate)} (converted)`]);
  if (finite(host.maxBlockFrames)) rows.push(['Max block', `${host.maxBlockFrames} frames`]);
  if (finite(host.lastBlockFrames)) rows.push(['Last block', `${host.lastBlockFrames} frames`]);
  if (host.processMode) rows.push(['Mode', host.processMode]);
  if (finite(host.sampleSize)) rows.push(['Samples', `${host.sampleSize}-bit float`]);
  if (finite(host.latencySamples)) {
    const ms = finite(host.sampleRate) && host.sampleRate > 0
      ? ` (${(host.latencySamples / host.sampleRate * 1000).toFixed(2)} ms)` : '';
    rows.push(['Latency', `${host.latencySamples} samples${ms}`]);
  }
  if ('tailSamples' in host) rows.push(['Tail', tailText(host.tailSamples)]);
  if (Array.isArray(host.buses)) rows.push(['Buses', host.buses.map(busText).join('\n') || 'none']);
  if (typeof host.bypassed === 'boolean') rows.push(['Bypass', host.bypassed ? 'bypassed' : 'active']);
  return rows;
}

/** Musical position from quarter notes and the time signature: "bar 3, beat 2.50". */
export function musicalPosition(ppq, barPpq, numerator, denominator) {
  if (!finite(ppq) || !finite(denominator) || denominator <= 0 || !finite(numerator) || numerator <= 0) return '';
  const beatPpq = 4 / denominator;
  const bar = Math.floor(ppq / (beatPpq * numerator) + 1e-9) + 1;
  const start = finite(barPpq) ? barPpq : (bar - 1) * beatPpq * numerator;
  const beat = (ppq - start) / beatPpq + 1;
  return `bar ${bar}, beat ${beat.toFixed(2)}`;
}

/** A transport frame as labelled rows. */
export function describeTransport(frame) {
  const s = frame.state;
  const caps = isObject(frame.capabilities) ? frame.capabilities : {};
  const play = s.recording ? 'recording' : s.playing ? 'playing' : 'stopped';
  const sig = isObject(s.timeSignature) ? s.timeSignature : {};
  const rows = [
    ['State', `${play}${s.looping ? ', looping' : ''}`],
    ['Tempo', finite(s.tempo) ? `${Number(s.tempo.toFixed(3))} BPM${caps.tempo ? '' : ' (default)'}` : 'unknown'],
    ['Signature', `${sig.numerator}/${sig.denominator}${caps.timeSignature ? '' : ' (default)'}`],
  ];
  if (caps.position) rows.push(['Position', musicalPosition(s.ppqPosition, s.barPositionPpq, sig.numerator, sig.denominator)]);
  if (finite(s.loopStartPpq) && finite(s.loopEndPpq)) rows.push(['Loop', `${s.loopStartPpq} – ${s.loopEndPpq} q`]);
  rows.push(['Sample rate', formatRate(s.sampleRate)]);
  rows.push(['Source', frame.source || 'none']);
  return rows;
}

/** The health report's status and its records as short lines. */
export function describeHealth(report) {
  const records = Array.isArray(report.diagnostics) ? report.diagnostics.filter(isObject) : [];
  const counters = isObject(report.counters) ? report.counters : {};
  return {
    status: ['healthy', 'degraded', 'failed'].includes(report.status) ? report.status : 'unknown',
    lifecycle: typeof report.lifecycle === 'string' ? report.lifecycle : '',
    dropped: finite(counters['diagnostics.dropped']) ? counters['diagnostics.dropped'] : 0,
    records: records.map((r) => ({
      seq: r.sequence,
      severity: typeof r.severity === 'string' ? r.severity : 'error',
      title: `${r.code} · ${r.phase}`,
      message: typeof r.message === 'string' ? r.message : '',
      detail: isObject(r.context) && typeof r.context.detail === 'string' ? r.context.detail : '',
    })),
  };
}
