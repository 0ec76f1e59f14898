'use strict';
// Every call into the program goes through here. A function this window does not bind (a pop-out
// panel binds fewer) resolves to undefined; a rejected call is shown to the user in this one place
// and also resolves to undefined, so callers handle results only.
const Bridge = {
  has(name) {
    return typeof window[name] === 'function';
  },

  async call(name, ...args) {
    if (!Bridge.has(name)) return undefined;
    try {
      return await window[name](...args);
    } catch (error) {
      Notice.error('Velotap could not do that (' + name + '): ' +
                   (error && error.message ? error.message : String(error)));
      return undefined;
    }
  },
};

// Small DOM helpers that touch the document only when a value really changes, so an idle poll
// causes no style or layout work.
const Dom = {
  byId(id) {
    return document.getElementById(id);
  },
  text(el, value) {
    if (el.textContent !== value) el.textContent = value;
  },
  value(el, value) {
    if (el.value !== value && document.activeElement !== el) el.value = value;
  },
  checked(el, on) {
    if (el.checked !== on && document.activeElement !== el) el.checked = on;
  },
  hidden(el, hide) {
    if (el.hidden !== hide) el.hidden = hide;
  },
  disabled(el, off) {
    if (el.disabled !== off) el.disabled = off;
  },
  cls(el, name, on) {
    if (el.classList.contains(name) !== on) el.classList.toggle(name, on);
  },
  attr(el, name, value) {
    if (el.getAttribute(name) !== value) el.setAttribute(name, value);
  },
  // A row of `tag`: the label's text, then `html`.
  row(tag, label, html) {
    const row = document.createElement(tag);
    row.className = 'row';
    row.innerHTML = '<span></span>' + html;
    row.firstChild.textContent = label;
    return row;
  },
  // A switch labelled by its whole row, so the row's text is its name.
  switchRow(id, label) {
    const row = Dom.row('label', label, '<span class="switch"><input type="checkbox" ' +
                        'role="switch"><span></span></span>');
    row.querySelector('input').id = id;
    return row;
  },
  // Running states and other changes a screen reader should hear.
  announce(text) {
    Dom.byId('live').textContent = text;
  },
};
