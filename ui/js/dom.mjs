// Small helpers for building the page's elements without HTML strings, so no
// text from the host is ever parsed as markup.

const SVG_NS = 'http://www.w3.org/2000/svg';

function assign(el, attrs) {
  for (const [name, value] of Object.entries(attrs || {})) {
    if (value === undefined || value === null || value === false) continue;
    if (name.startsWith('on') && typeof value === 'function') el.addEventListener(name.slice(2), value);
    else if (name === 'text') el.textContent = value;
    else el.setAttribute(name, value === true ? '' : String(value));
  }
  return el;
}

function append(el, children) {
  for (const child of children.flat(Infinity)) {
    if (child === undefined || child === null || child === false) continue;
    el.append(typeof child === 'string' ? document.createTextNode(child) : child);
  }
  return el;
}

/** An HTML element: h('button', {class: 'x', onclick}, 'Label'). */
export function h(tag, attrs, ...children) {
  return append(assign(document.createElement(tag), attrs), children);
}

/** An SVG element, same form as h(). */
export function s(tag, attrs, ...children) {
  return append(assign(document.createElementNS(SVG_NS, tag), attrs), children);
}

/** Replaces an element's children. */
export function fill(el, ...children) {
  el.replaceChildren();
  return append(el, children);
}

let nextId = 1;
/** A page-unique id for label and description links. */
export function uid(prefix) {
  return `${prefix}-${nextId++}`;
}

/**
 * A labelled form field with room for its error; the error is shown with
 * setFieldError so that a field keeps its focus and caret while it is checked.
 */
export function field(labelText, control, extraClass = '') {
  if (!control.id) control.id = uid('f');
  const error = h('div', { class: 'field-error', id: `${control.id}-error`, role: 'alert' });
  const wrapper = h('div', { class: `field ${extraClass}` }, h('label', { for: control.id, text: labelText }),
    control, error);
  return wrapper;
}

/** Shows or clears a field's error: text, aria-invalid and aria-describedby. */
export function setFieldError(wrapper, message) {
  const control = wrapper.querySelector('input, select, textarea');
  const error = wrapper.querySelector('.field-error');
  error.textContent = message || '';
  wrapper.classList.toggle('invalid', Boolean(message));
  if (message) {
    control.setAttribute('aria-invalid', 'true');
    control.setAttribute('aria-describedby', error.id);
  } else {
    control.removeAttribute('aria-invalid');
    control.removeAttribute('aria-describedby');
  }
}

/** A <select> from [value, label] pairs. */
export function select(options, value, attrs = {}) {
  return h('select', attrs, options.map(([v, label]) =>
    h('option', { value: v, selected: String(v) === String(value), text: label })));
}
