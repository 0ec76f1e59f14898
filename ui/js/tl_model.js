'use strict';
// The edited macro: events kept in time order in columns of typed arrays (a macro may hold a
// million events), the selection, undo and redo by whole copies within a memory budget, and the
// document the program takes back.
const TL_TYPES = {absMove: 0, relMove: 1, button: 2, key: 3, wheel: 4, tool: 5};
const TL_MAX_TIME = 1000000;
const TL_UNDO_BUDGET = 256 * 1024 * 1024;  // bytes of copies kept for undo
const TL_BYTES_PER_EVENT = 8 + 1 + 4 + 4 + 4 + 2 + 1 + 4 + 1;

class TimelineColumns {
  constructor(n) {
    this.n = n;
    this.time = new Float64Array(n);
    this.type = new Uint8Array(n);
    this.x = new Int32Array(n);
    this.y = new Int32Array(n);
    this.flags = new Uint32Array(n);
    this.vk = new Uint16Array(n);
    this.down = new Uint8Array(n);
    this.wheel = new Int32Array(n);
  }

  static fromRows(rows) {
    const c = new TimelineColumns(rows.length);
    for (let i = 0; i < rows.length; i++) c.set(i, rows[i]);
    return c;
  }

  set(i, r) {
    this.type[i] = r[0]; this.time[i] = r[1]; this.x[i] = r[2]; this.y[i] = r[3];
    this.flags[i] = r[4]; this.vk[i] = r[5]; this.down[i] = r[6] ? 1 : 0; this.wheel[i] = r[7];
  }

  row(i) {
    return [this.type[i], this.time[i], this.x[i], this.y[i], this.flags[i], this.vk[i],
            this.down[i], this.wheel[i]];
  }

  copy() {
    return this.pick(null, this.n);
  }

  // The events at `order` (all, in place, when null), as a new store of `count` events.
  pick(order, count) {
    const c = new TimelineColumns(count);
    for (const k of ['time', 'type', 'x', 'y', 'flags', 'vk', 'down', 'wheel']) {
      if (!order) { c[k].set(this[k].subarray(0, count)); continue; }
      const from = this[k], to = c[k];
      for (let i = 0; i < count; i++) to[i] = from[order[i]];
    }
    return c;
  }
}

// The load document without an object per event: the events, which come last and hold only
// numbers, are read straight into columns and the rest by JSON.parse. A document not written as
// the program writes it is read by JSON.parse whole. {doc, ev}; throws as JSON.parse does.
function tlReadLoadDocument(text) {
  const at = text.lastIndexOf('"events":[');
  const ev = at > 0 ? tlScanEvents(text, at + 10) : null;
  if (!ev) {
    const doc = JSON.parse(text);
    if (!doc || typeof doc !== 'object') throw new SyntaxError('not a macro document');
    return {doc, ev: TimelineColumns.fromRows(Array.isArray(doc.events) ? doc.events : [])};
  }
  return {doc: JSON.parse(text.slice(0, at) + '"events":[]}'), ev};
}

const TL_TENS = Array.from({length: 23}, (_, k) => Math.pow(10, k));  // exact up to 1e22

// Rows of eight numbers from `p` to the closing "]}" that ends the text; null on anything else.
// Up to 15 significant digits scaled by at most 10^22 is one exact division or product, so
// correctly rounded as JSON.parse would; longer numbers go to parseFloat.
function tlScanEvents(text, p) {
  let n = 0;
  for (let q = text.indexOf('[', p); q >= 0; q = text.indexOf('[', q + 1)) n++;
  const ev = new TimelineColumns(n), row = new Float64Array(8), end = text.length;
  let i = 0, c = text.charCodeAt(p);
  if (c === 93) c = text.charCodeAt(++p);  // no events
  while (c === 91) {
    if (i >= n) return null;
    for (let k = 0; k < 8; k++) {
      const start = ++p;
      let m = 0, digits = 0, scale = 0, neg = false;
      c = text.charCodeAt(p);
      if (c === 45) { neg = true; c = text.charCodeAt(++p); }
      let from = p;
      while (c >= 48 && c <= 57) {
        if (m || c !== 48) digits++;
        m = m * 10 + (c - 48);
        c = text.charCodeAt(++p);
      }
      if (p === from) return null;
      if (c === 46) {
        c = text.charCodeAt(++p);
        from = p;
        while (c >= 48 && c <= 57) {
          if (m || c !== 48) digits++;
          m = m * 10 + (c - 48);
          scale++;
          c = text.charCodeAt(++p);
        }
        if (p === from) return null;
      }
      if (c === 101 || c === 69) {
        c = text.charCodeAt(++p);
        let eneg = false, e = 0;
        if (c === 45 || c === 43) { eneg = c === 45; c = text.charCodeAt(++p); }
        from = p;
        while (c >= 48 && c <= 57) { e = e * 10 + (c - 48); c = text.charCodeAt(++p); }
        if (p === from) return null;
        scale += eneg ? e : -e;
      }
      let v;
      if (digits > 15 || scale > 22 || scale < -22) v = parseFloat(text.slice(start, p));
      else v = (neg ? -1 : 1) * (scale >= 0 ? m / TL_TENS[scale] : m * TL_TENS[-scale]);
      if (c !== (k < 7 ? 44 : 93)) return null;
      row[k] = v;
    }
    ev.set(i++, row);
    c = text.charCodeAt(++p);
    if (c === 44) c = text.charCodeAt(++p);
    else if (c !== 93) return null;
    else { c = text.charCodeAt(++p); break; }
  }
  return i === n && p === end - 1 && c === 125 ? ev : null;
}

// Indices 0..n-1 ordered by time, equal times keeping their order.
function tlTimeOrder(time, n) {
  const order = new Uint32Array(n);
  for (let i = 0; i < n; i++) order[i] = i;
  let sorted = true;
  for (let i = 1; i < n && sorted; i++) sorted = time[i - 1] <= time[i];
  if (sorted) return null;
  return order.sort((a, b) => (time[a] - time[b]) || (a - b));
}

// First index whose time is >= t (or > t when `after`).
function tlLowerBound(time, n, t, after) {
  let lo = 0, hi = n;
  while (lo < hi) {
    const mid = (lo + hi) >>> 1;
    if (after ? time[mid] <= t : time[mid] < t) lo = mid + 1; else hi = mid;
  }
  return lo;
}

function tlRound(t) {
  return Math.round(Math.min(TL_MAX_TIME, Math.max(0, t)) * 1e6) / 1e6;
}

class TimelineModel {
  constructor() {
    this.ev = new TimelineColumns(0);
    this.sel = new Uint8Array(0);
    this.selCount = 0;
    this.undoStack = [];
    this.redoStack = [];
    this.clipboard = null;
    this.version = 0;  // grows with every change of the events
    this.onChange = () => {};
  }

  // Takes the loaded events (rows, or columns as tlReadLoadDocument gives them); true when they
  // had to be put in time order.
  load(rows) {
    let ev = rows instanceof TimelineColumns ? rows : TimelineColumns.fromRows(rows);
    const order = tlTimeOrder(ev.time, ev.n);
    if (order) ev = ev.pick(order, ev.n);
    this.ev = ev;
    this.sel = new Uint8Array(ev.n);
    this.selCount = 0;
    this.undoStack = [];
    this.redoStack = [];
    this.changed();
    return !!order;
  }

  get count() { return this.ev.n; }
  get duration() { return this.ev.n ? this.ev.time[this.ev.n - 1] : 0; }

  changed() {
    this.version++;
    this.onChange();
  }

  // --- selection -------------------------------------------------------------------------------
  selectNone() {
    this.sel.fill(0);
    this.selCount = 0;
  }
  select(i, on = true) {
    if (i < 0 || i >= this.ev.n || !!this.sel[i] === on) return;
    this.sel[i] = on ? 1 : 0;
    this.selCount += on ? 1 : -1;
  }
  selectAll() {
    this.sel.fill(1);
    this.selCount = this.ev.n;
  }
  // Events with time in [t0, t1] whose lane passes `laneTest` (none: every lane).
  selectRange(t0, t1, laneTest, add) {
    if (!add) this.selectNone();
    const ev = this.ev;
    const end = tlLowerBound(ev.time, ev.n, t1, true);
    for (let i = tlLowerBound(ev.time, ev.n, t0, false); i < end; i++) {
      if (!laneTest || laneTest(i)) this.select(i);
    }
  }
  selectedIndices() {
    const out = new Uint32Array(this.selCount);
    for (let i = 0, k = 0; i < this.ev.n && k < out.length; i++) if (this.sel[i]) out[k++] = i;
    return out;
  }

  // --- undo ------------------------------------------------------------------------------------
  remember() {
    const bytes = Math.max(1, this.ev.n) * TL_BYTES_PER_EVENT;
    const depth = Math.max(1, Math.floor(TL_UNDO_BUDGET / bytes));
    this.undoStack.push({ev: this.ev.copy(), sel: this.sel.slice(), selCount: this.selCount});
    while (this.undoStack.length > depth) this.undoStack.shift();
    this.redoStack = [];
  }
  restore(from, to) {
    const state = from.pop();
    if (!state) return false;
    to.push({ev: this.ev, sel: this.sel, selCount: this.selCount});
    this.ev = state.ev;
    this.sel = state.sel;
    this.selCount = state.selCount;
    this.changed();
    return true;
  }
  undo() { return this.restore(this.undoStack, this.redoStack); }
  redo() { return this.restore(this.redoStack, this.undoStack); }
  get canUndo() { return this.undoStack.length > 0; }
  get canRedo() { return this.redoStack.length > 0; }

  // Replaces the events by `ev` (selection `sel`), putting them in time order again.
  commit(ev, sel) {
    const order = tlTimeOrder(ev.time, ev.n);
    if (order) {
      ev = ev.pick(order, ev.n);
      const s = new Uint8Array(ev.n);
      for (let i = 0; i < ev.n; i++) s[i] = sel[order[i]];
      sel = s;
    }
    this.ev = ev;
    this.sel = sel;
    this.selCount = sel.reduce((a, b) => a + b, 0);
    this.changed();
  }

  // --- edits (each one step of undo) -----------------------------------------------------------
  deleteSelected() {
    if (!this.selCount) return false;
    this.remember();
    const keep = new Uint32Array(this.ev.n - this.selCount);
    for (let i = 0, k = 0; i < this.ev.n; i++) if (!this.sel[i]) keep[k++] = i;
    this.commit(this.ev.pick(keep, keep.length), new Uint8Array(keep.length));
    return true;
  }

  // Moves the selection by dt seconds (never before 0).
  moveSelected(dt) {
    if (!this.selCount || !dt) return false;
    let least = Infinity;
    for (let i = 0; i < this.ev.n; i++) if (this.sel[i]) least = Math.min(least, this.ev.time[i]);
    dt = Math.max(dt, -least);
    if (!dt) return false;
    this.remember();
    const ev = this.ev.copy();
    for (let i = 0; i < ev.n; i++) if (this.sel[i]) ev.time[i] = tlRound(ev.time[i] + dt);
    this.commit(ev, this.sel.slice());
    return true;
  }

  setTime(i, t) {
    if (i < 0 || i >= this.ev.n || !Number.isFinite(t)) return false;
    this.remember();
    const ev = this.ev.copy();
    ev.time[i] = tlRound(t);
    const sel = new Uint8Array(ev.n);
    sel[i] = 1;
    this.commit(ev, sel);
    return true;
  }

  setValue(i, field, v) {
    if (i < 0 || i >= this.ev.n || !Number.isInteger(v)) return false;
    this.remember();
    const ev = this.ev.copy();
    ev[field][i] = v;
    this.commit(ev, this.sel.slice());
    return true;
  }

  // Scales the selection's timing by `factor` around its first event; later events keep their
  // distance from the selection's end.
  scaleSelected(factor) {
    if (this.selCount < 2 || !(factor > 0) || !Number.isFinite(factor)) return false;
    const idx = this.selectedIndices();
    const ev0 = this.ev;
    const start = ev0.time[idx[0]], end = ev0.time[idx[idx.length - 1]];
    const shift = (end - start) * (factor - 1);
    this.remember();
    const ev = ev0.copy();
    for (let i = idx[idx.length - 1] + 1; i < ev.n; i++) ev.time[i] = tlRound(ev.time[i] + shift);
    for (const i of idx) ev.time[i] = tlRound(start + (ev0.time[i] - start) * factor);
    this.commit(ev, this.sel.slice());
    return true;
  }

  // Inserts rows (each [type,time,...]); they become the selection.
  insert(rows) {
    if (!rows.length) return false;
    this.remember();
    const n = this.ev.n, ev = new TimelineColumns(n + rows.length);
    for (const k of ['time', 'type', 'x', 'y', 'flags', 'vk', 'down', 'wheel'])
      ev[k].set(this.ev[k]);
    rows.forEach((r, j) => ev.set(n + j, [r[0], tlRound(r[1])].concat(r.slice(2))));
    const sel = new Uint8Array(ev.n);
    sel.fill(1, n);
    this.commit(ev, sel);
    return true;
  }

  // A pause of `seconds` at time t: every event at or after t moves later.
  insertWait(t, seconds) {
    if (!(seconds > 0)) return false;
    const from = tlLowerBound(this.ev.time, this.ev.n, t, false);
    if (from >= this.ev.n) return false;
    this.remember();
    const ev = this.ev.copy();
    for (let i = from; i < ev.n; i++) ev.time[i] = tlRound(ev.time[i] + seconds);
    this.commit(ev, this.sel.slice());
    return true;
  }

  copySelection() {
    if (!this.selCount) return false;
    const idx = this.selectedIndices();
    const t0 = this.ev.time[idx[0]];
    this.clipboard = Array.from(idx, i => {
      const r = this.ev.row(i);
      r[1] -= t0;
      return r;
    });
    return true;
  }

  paste(at) {
    if (!this.clipboard) return false;
    return this.insert(this.clipboard.map(r => [r[0], at + r[1]].concat(r.slice(2))));
  }

  // The document the program validates and applies: exactly nonce, loadNonce and the events.
  document(nonce, loadNonce) {
    const events = new Array(this.ev.n);
    for (let i = 0; i < this.ev.n; i++) events[i] = this.ev.row(i);
    return {nonce, loadNonce, events};
  }
}

// A fresh nonce: 32 hexadecimal digits.
function tlNonce() {
  const bytes = new Uint8Array(16);
  crypto.getRandomValues(bytes);
  return Array.from(bytes, b => b.toString(16).padStart(2, '0')).join('');
}

if (typeof module !== 'undefined') {
  module.exports = {TimelineModel, TimelineColumns, tlLowerBound, tlNonce, tlReadLoadDocument,
                    TL_TYPES};
}
