// A rotary control for one parameter: drag (vertical or horizontal), wheel,
// keyboard, double-click to the default and typed values. Every change is
// reported between a gesture's start and end, so the host sees one edit per
// drag, wheel movement, key press or typed value.
import { h, s, uid } from './dom.mjs';
import {
  normalize, toPlain, formatValue, formatNumber, parseValue, stepValue, displayUnit,
} from './params.mjs';

const SWEEP = 135; // degrees either side of straight up
const DRAG_PIXELS = 200; // a full sweep; Shift makes it ten times finer
const WHEEL_PIXELS = 100; // one step per notch of a usual mouse wheel
const WHEEL_IDLE_MS = 400;

function point(r, degrees) {
  const a = (degrees * Math.PI) / 180;
  return `${(60 + r * Math.sin(a)).toFixed(2)} ${(60 - r * Math.cos(a)).toFixed(2)}`;
}

function arc(r, from, to) {
  if (to - from < 0.01) return '';
  return `M ${point(r, from)} A ${r} ${r} 0 ${to - from > 180 ? 1 : 0} 1 ${point(r, to)}`;
}

const angleOf = (n) => -SWEEP + 2 * SWEEP * n;

/**
 * createKnob(param, {begin, change(plain), end}) -> {element, show(normalized), setEnabled(bool)}.
 */
export function createKnob(param, { begin, change, end }) {
  const labelId = uid('knob-label');
  let normalized = normalize(param, param.defaultPlain);
  let enabled = false;
  let gesture = null; // 'drag' | 'wheel' | 'key' | 'type' while the user holds the value
  let begun = false;
  let wheelTimer = 0;
  let wheelRest = 0;

  const valueArc = s('path', { class: 'knob-value-arc' });
  const pointer = s('line', { class: 'knob-pointer', x1: 60, y1: 60, x2: 60, y2: 22 });
  const defaultAngle = angleOf(normalize(param, param.defaultPlain));
  const svg = s('svg', { viewBox: '0 0 120 120', 'aria-hidden': 'true', focusable: 'false' },
    s('circle', { class: 'knob-halo', cx: 60, cy: 60, r: 57 }),
    s('path', { class: 'knob-track', d: arc(50, -SWEEP, SWEEP) }),
    valueArc,
    s('line', { class: 'knob-default', x1: 0, y1: 0, x2: 0, y2: 0, ...ends(defaultAngle) }),
    s('circle', { class: 'knob-cap', cx: 60, cy: 60, r: 40 }),
    s('circle', { class: 'knob-cap-rim', cx: 60, cy: 60, r: 40 }),
    pointer);
  const dial = h('div', {
    class: 'knob-dial', role: 'slider', tabindex: 0, 'aria-labelledby': labelId,
    'aria-valuemin': param.minimum, 'aria-valuemax': param.maximum, 'aria-orientation': 'vertical',
    title: `${param.title}: drag, scroll or use the arrow keys; Shift for fine steps; double-click for the default`,
  }, svg);
  const readout = h('button', {
    class: 'knob-readout', type: 'button', 'aria-label': `Type a value for ${param.title}`,
  });
  const readoutBox = h('div', { class: 'knob-readout-box' }, readout);
  const element = h('div', { class: 'knob', 'data-path': param.path },
    h('div', { class: 'knob-label', id: labelId, text: param.title }), dial, readoutBox);

  function ends(angle) {
    const [x1, y1] = point(53, angle).split(' ');
    const [x2, y2] = point(58, angle).split(' ');
    return { x1, y1, x2, y2 };
  }

  function draw() {
    const angle = angleOf(normalized);
    valueArc.setAttribute('d', arc(50, -SWEEP, angle));
    const [x2, y2] = point(32, angle).split(' ');
    pointer.setAttribute('x2', x2);
    pointer.setAttribute('y2', y2);
    const plain = toPlain(param, normalized);
    const text = formatValue(param, plain);
    dial.setAttribute('aria-valuenow', String(plain));
    dial.setAttribute('aria-valuetext', text);
    readout.textContent = text;
  }

  function setPlain(plain) {
    const next = normalize(param, plain);
    if (next === normalized) return;
    if (!begun) {
      begun = true;
      begin();
    }
    normalized = next;
    draw();
    change(toPlain(param, next));
  }

  function finish() {
    gesture = null;
    if (begun) {
      begun = false;
      end();
    }
  }

  function nudge(steps, fine) {
    setPlain(stepValue(param, toPlain(param, normalized), steps, fine));
  }

  // Drag: relative movement, so pressing or releasing Shift mid-drag never jumps.
  let last = null;
  dial.addEventListener('pointerdown', (e) => {
    if (!enabled || e.button !== 0) return;
    e.preventDefault();
    dial.setPointerCapture(e.pointerId);
    gesture = 'drag';
    last = [e.clientX, e.clientY];
    element.classList.add('active');
  });
  dial.addEventListener('pointermove', (e) => {
    if (gesture !== 'drag') return;
    const moved = e.clientX - last[0] - (e.clientY - last[1]);
    last = [e.clientX, e.clientY];
    const n = Math.min(1, Math.max(0, normalized + moved / (DRAG_PIXELS * (e.shiftKey ? 10 : 1))));
    setPlain(toPlain(param, n));
  });
  const stopDrag = () => {
    if (gesture !== 'drag') return;
    element.classList.remove('active');
    finish();
  };
  dial.addEventListener('pointerup', stopDrag);
  dial.addEventListener('pointercancel', stopDrag);
  dial.addEventListener('lostpointercapture', stopDrag);
  dial.addEventListener('dblclick', () => {
    if (!enabled) return;
    setPlain(param.defaultPlain);
    finish();
  });

  dial.addEventListener('wheel', (e) => {
    if (!enabled || (gesture && gesture !== 'wheel')) return;
    e.preventDefault();
    gesture = 'wheel';
    const scale = e.deltaMode === 1 ? 40 : e.deltaMode === 2 ? 800 : 1;
    wheelRest -= (e.deltaY || e.deltaX) * scale; // Shift turns the wheel sideways in some browsers
    const steps = Math.trunc(wheelRest / WHEEL_PIXELS);
    if (steps) {
      wheelRest -= steps * WHEEL_PIXELS;
      nudge(steps, e.shiftKey);
    }
    clearTimeout(wheelTimer);
    wheelTimer = setTimeout(() => {
      wheelRest = 0;
      if (gesture === 'wheel') finish();
    }, WHEEL_IDLE_MS);
  }, { passive: false });

  const KEYS = {
    ArrowUp: 1, ArrowRight: 1, ArrowDown: -1, ArrowLeft: -1, PageUp: 10, PageDown: -10,
  };
  dial.addEventListener('keydown', (e) => {
    if (!enabled || (gesture && gesture !== 'key') || e.altKey || e.ctrlKey || e.metaKey) return;
    if (e.key === 'Enter') {
      e.preventDefault();
      startTyping();
      return;
    }
    let target = null;
    if (e.key in KEYS) target = stepValue(param, toPlain(param, normalized), KEYS[e.key], e.shiftKey);
    else if (e.key === 'Home') target = param.minimum;
    else if (e.key === 'End') target = param.maximum;
    else if (e.key === 'Delete' || e.key === 'Backspace') target = param.defaultPlain;
    if (target === null) return;
    e.preventDefault();
    gesture = 'key';
    setPlain(target);
  });
  dial.addEventListener('keyup', () => {
    if (gesture === 'key') finish();
  });
  dial.addEventListener('blur', () => {
    if (gesture === 'key' || gesture === 'wheel') finish();
  });

  // Typed values: the readout turns into a text field in the value's display units.
  function startTyping() {
    if (!enabled || gesture) return;
    gesture = 'type';
    const input = h('input', {
      class: 'knob-input', type: 'text', inputmode: 'decimal', spellcheck: 'false', autocomplete: 'off',
      'aria-label': `${param.title} in ${displayUnit(param) || 'units'}`,
      value: formatNumber(param, toPlain(param, normalized)),
    });
    readoutBox.replaceChildren(input);
    input.focus();
    input.select();
    let done = false;
    const close = (commit, refocus) => {
      if (done) return;
      done = true;
      const plain = commit ? parseValue(param, input.value) : null;
      if (commit && plain === null) {
        done = false;
        input.setAttribute('aria-invalid', 'true');
        input.classList.add('invalid');
        return;
      }
      gesture = null;
      readoutBox.replaceChildren(readout);
      if (plain !== null) {
        setPlain(plain);
        finish();
      }
      draw();
      if (refocus) dial.focus();
    };
    input.addEventListener('keydown', (e) => {
      if (e.key === 'Enter') { e.preventDefault(); close(true, true); }
      if (e.key === 'Escape') { e.preventDefault(); close(false, true); }
      e.stopPropagation();
    });
    input.addEventListener('input', () => input.classList.remove('invalid'));
    input.addEventListener('blur', () => close(parseValue(param, input.value) !== null, false));
  }
  readout.addEventListener('click', () => startTyping());

  draw();
  return {
    element,
    /** Moves the control to a value from the host, unless the user holds it. */
    show(next) {
      if (gesture || next === normalized) return;
      normalized = next;
      draw();
    },
    setEnabled(on) {
      enabled = on;
      element.classList.toggle('disabled', !on);
      dial.setAttribute('aria-disabled', String(!on));
      readout.disabled = !on;
    },
  };
}
