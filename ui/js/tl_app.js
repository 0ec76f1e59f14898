'use strict';
// The editor page: loads the current macro from the program, edits it on the timeline and hands
// it back. Requests carry a fresh nonce each; answers are polled until they come.
const TL = {
  model: new TimelineModel(),
  view: null,
  loadNonce: null,
  profile: '',
  dirty: false,
  busy: false,
  gone: false,
  saving: false,
  themeKey: null,
};

const $ = id => document.getElementById(id);

// A bound function of the editor window; undefined when it is missing or failed.
async function tlCall(name, ...args) {
  if (typeof window[name] !== 'function') return undefined;
  try {
    return await window[name](...args);
  } catch (error) {
    tlShow('Velotap could not do that (' + name + '): ' + (error && error.message || error),
           'danger');
    return undefined;
  }
}

// Asks `ask` every 50 ms until it answers something other than null, for up to `seconds`.
// Handing over a macro of a million events takes tens of seconds on a slow, busy machine.
const TL_ANSWER_SECONDS = 120;
async function tlPoll(ask, seconds) {
  const end = performance.now() + seconds * 1000;
  for (;;) {
    const answer = await ask();
    if (answer !== null && answer !== undefined) return answer;
    if (performance.now() > end || TL.gone) return null;
    await new Promise(resolve => setTimeout(resolve, 50));
  }
}

function tlShow(text, kind = '') {
  $('message-text').textContent = text;
  $('message').className = 'banner ' + kind;
  $('message').hidden = !text;
}

function markDirty(on) {
  if (TL.dirty === on) return;
  TL.dirty = on;
  $('dirty').hidden = !on;
  // Once the main program has gone the window must close when asked, edits or not.
  if (!TL.gone) tlCall('tlSetDirty', on ? '1' : '0');
}

function tlEdited() {
  markDirty(true);
  tlRefresh();
}

function tlRefresh() {
  const m = TL.model, v = TL.view;
  const editable = !TL.busy && !!TL.loadNonce;
  document.body.classList.toggle('locked', !editable);
  v.locked = !editable;
  $('tl-save').disabled = !editable || TL.gone || TL.saving || !TL.dirty;
  $('tl-undo').disabled = !editable || !m.canUndo;
  $('tl-redo').disabled = !editable || !m.canRedo;
  $('tl-delete').disabled = !editable || !m.selCount;
  $('tl-scale').disabled = !editable || m.selCount < 2;
  $('busy').hidden = !TL.busy;
  $('gone').hidden = !TL.gone;
  $('profile-name').textContent = TL.profile ? 'Profile: ' + TL.profile : 'Timeline Editor';
  $('macro-summary').textContent =
      m.count + ' events, ' + m.duration.toFixed(3) + ' s long.';
  const one = m.selCount === 1 ? m.selectedIndices()[0] : -1;
  $('sel-summary').textContent = m.selCount === 0 ? 'Nothing selected.'
      : m.selCount === 1 ? tlDescribe(one) : m.selCount + ' events selected.';
  $('sel-one').hidden = one < 0;
  $('sel-many').hidden = m.selCount < 2;
  if (one >= 0) {
    const ev = m.ev, positioned = ev.type[one] <= 2;
    tlFieldValue($('ev-time'), String(ev.time[one]));
    $('ev-x-row').hidden = $('ev-y-row').hidden = !positioned;
    tlFieldValue($('ev-x'), String(ev.x[one]));
    tlFieldValue($('ev-y'), String(ev.y[one]));
  }
  for (const id of ['ev-time', 'ev-x', 'ev-y', 'ev-shift']) $(id).disabled = !editable;
  v.redraw();
}

function tlFieldValue(input, value) {
  if (document.activeElement !== input) input.value = value;
}

const TL_BUTTONS = {0x0002: 'Left down', 0x0004: 'Left up', 0x0008: 'Right down',
                    0x0010: 'Right up', 0x0020: 'Middle down', 0x0040: 'Middle up',
                    0x0080: 'X button down', 0x0100: 'X button up'};

function tlDescribe(i) {
  const ev = TL.model.ev, at = ev.time[i].toFixed(3) + ' s: ';
  switch (ev.type[i]) {
    case 0: return at + 'move to ' + ev.x[i] + ', ' + ev.y[i];
    case 1: return at + 'move by ' + ev.x[i] + ', ' + ev.y[i];
    case 2: return at + (TL_BUTTONS[ev.flags[i]] || 'button ' + ev.flags[i]) + ' at ' + ev.x[i] +
                   ', ' + ev.y[i];
    case 3: return at + TL.view.keyName(ev.vk[i]) + (ev.down[i] ? ' down' : ' up');
    case 4: return at + 'wheel ' + ev.wheel[i];
    default: return at + 'tool ' + ev.vk[i] + (ev.down[i] ? ' on' : ' off');
  }
}

// --- talking to the program --------------------------------------------------------------------
async function tlLoad() {
  const nonce = tlNonce();
  TL.loadNonce = null;
  $('status-text').textContent = 'Loading the macro…';
  tlRefresh();
  const stamps = TL.loadStamps = {requested: performance.now()};
  await tlCall('tlRequestLoad', nonce);
  let asks = 0;
  const text = await tlPoll(async () => {
    stamps.asked = performance.now();
    // A request can be lost while another process holds the program's command pipe; the
    // program answers a repeated nonce once only.
    if (++asks % 40 === 0) await tlCall('tlRequestLoad', nonce);
    return tlCall('tlReadLoad', nonce);
  }, TL_ANSWER_SECONDS);
  if (text === null) {
    $('status-text').textContent = 'Velotap did not send the macro. Is the main program running?';
    return false;
  }
  stamps.received = performance.now();
  let doc, events;
  try {
    ({doc, ev: events} = tlReadLoadDocument(text));
  } catch (error) {
    tlShow('The macro could not be read.', 'danger');
    return false;
  }
  if (doc.error) {
    TL.model.load([]);
    TL.profile = '';
    tlShow(doc.error, 'danger');
    $('status-text').textContent = 'Nothing loaded.';
    tlRefresh();
    return false;
  }
  TL.view.keyNames = doc.keys || {};
  TL.view.layoutVersion = -1;
  const reordered = TL.model.load(events);
  stamps.read = performance.now();
  TL.profile = doc.profile;
  TL.loadNonce = nonce;
  TL.dirty = true;  // so the next line tells the program
  markDirty(false);
  TL.view.fit();
  $('status-text').textContent = 'Loaded ' + TL.model.count + ' events from "' + doc.profile + '".';
  if (reordered) tlShow('Some events were out of time order; they are shown sorted by time.');
  tlRefresh();
  return true;
}

async function saveEdits() {
  if (!TL.loadNonce || TL.busy || TL.gone || TL.saving) return false;
  TL.saving = true;
  tlRefresh();
  try {
    const nonce = tlNonce(), version = TL.model.version;
    const sent = await tlCall('tlSave', TL.model.document(nonce, TL.loadNonce));
    if (!sent || !sent.ok) {
      tlShow(sent ? sent.message : 'Not saved.', 'danger');
      return false;
    }
    const result = await tlPoll(() => tlCall('tlReadResult', nonce), TL_ANSWER_SECONDS);
    if (!result) {
      tlShow('Velotap did not answer the save. Is the main program running?', 'danger');
      return false;
    }
    tlShow(result.message, result.ok ? 'ok' : 'danger');
    if (result.ok && TL.model.version === version) markDirty(false);
    return result.ok;
  } finally {
    TL.saving = false;
    tlRefresh();
  }
}

// A small modal question; resolves with the value of the button pressed (and the field's text).
function tlAsk(text, buttons, field) {
  const dialog = $('ask');
  $('ask-text').textContent = text;
  $('ask-field-row').hidden = !field;
  if (field) {
    $('ask-label').textContent = field.label;
    $('ask-field').value = field.value;
  }
  const menu = $('ask-buttons');
  menu.textContent = '';
  for (const [value, label] of buttons) {
    const b = document.createElement('button');
    b.className = 'btn small';
    b.value = value;
    b.textContent = label;
    b.id = 'ask-' + value;
    menu.append(b);
  }
  return new Promise(resolve => {
    dialog.onclose = () => resolve({button: dialog.returnValue, text: $('ask-field').value});
    dialog.returnValue = 'cancel';
    dialog.showModal();
    (field ? $('ask-field') : menu.firstChild).focus();
  });
}

async function tlRevert() {
  if (TL.dirty) {
    const a = await tlAsk('Discard your edits and load the macro again?',
                          [['revert', 'Revert'], ['cancel', 'Cancel']]);
    if (a.button !== 'revert') return;
  }
  tlShow('');
  await tlLoad();
}

// --- edits from the toolbar and the keyboard ---------------------------------------------------
function tlEdit(done) {
  if (TL.view.locked) return;
  if (done) tlEdited();
}

// Where the pointer was at `t`, from the last positioned event before it.
function tlPositionAt(t) {
  const ev = TL.model.ev;
  for (let i = tlLowerBound(ev.time, ev.n, t, true) - 1; i >= 0; i--) {
    if (ev.type[i] === 0 || ev.type[i] === 2) return [ev.x[i], ev.y[i]];
  }
  return [0, 0];
}

function tlInsertClick() {
  const t = TL.view.playhead, [x, y] = tlPositionAt(t);
  tlEdit(TL.model.insert([[2, t, x, y, 0x0002, 0, 1, 0], [2, t + 0.05, x, y, 0x0004, 0, 0, 0]]));
}

async function tlInsertKey() {
  if (TL.view.locked) return;
  const field = $('ask-field');
  let vk = 0;
  const capture = e => {
    e.preventDefault();
    vk = e.keyCode;
    field.value = e.key.length === 1 ? e.key.toUpperCase() : e.key;
  };
  field.addEventListener('keydown', capture);
  const a = await tlAsk('Press the key to insert at ' + TL.view.playhead.toFixed(3) + ' s.',
                        [['insert', 'Insert'], ['cancel', 'Cancel']], {label: 'Key', value: ''});
  field.removeEventListener('keydown', capture);
  if (a.button !== 'insert' || !vk || vk > 255) return;
  const t = TL.view.playhead;
  if (!TL.view.keyNames[vk]) TL.view.keyNames[vk] = a.text;
  tlEdit(TL.model.insert([[3, t, 0, 0, 0, vk, 1, 0], [3, t + 0.05, 0, 0, 0, vk, 0, 0]]));
}

async function tlInsertWait() {
  if (TL.view.locked) return;
  const a = await tlAsk('Pause everything from ' + TL.view.playhead.toFixed(3) + ' s on by:',
                        [['insert', 'Insert'], ['cancel', 'Cancel']],
                        {label: 'Seconds', value: '0.5'});
  if (a.button === 'insert') tlEdit(TL.model.insertWait(TL.view.playhead, Number(a.text)));
}

async function tlScale() {
  if (TL.view.locked) return;
  const a = await tlAsk('Scale the timing of the ' + TL.model.selCount + ' selected events by:',
                        [['scale', 'Scale'], ['cancel', 'Cancel']],
                        {label: 'Factor (0.5 = twice as fast)', value: '1'});
  if (a.button === 'scale') tlEdit(TL.model.scaleSelected(Number(a.text)));
}

function tlKey(e) {
  if (e.target.closest('input, dialog')) return;
  const ctrl = e.ctrlKey || e.metaKey, k = e.key.toLowerCase(), v = TL.view, m = TL.model;
  let handled = true;
  if (ctrl && k === 'z' && !e.shiftKey) tlEdit(m.undo());
  else if (ctrl && (k === 'y' || (k === 'z' && e.shiftKey))) tlEdit(m.redo());
  else if (ctrl && k === 'a') { m.selectAll(); tlRefresh(); }
  else if (ctrl && k === 'c') m.copySelection();
  else if (ctrl && k === 'v') tlEdit(m.paste(v.playhead));
  else if (ctrl && k === 's') saveEdits();
  else if (e.key === 'Delete' || e.key === 'Backspace') tlEdit(m.deleteSelected());
  else if (e.key === 'Escape') { m.selectNone(); tlRefresh(); }
  else if (e.key === '+' || e.key === '=') v.zoomAt(v.xOf(v.playhead), 1.5);
  else if (e.key === '-' || e.key === '_') v.zoomAt(v.xOf(v.playhead), 1 / 1.5);
  else if (e.key === '0') v.fit();
  else if (e.key === 'ArrowLeft') v.panBy(-v.lanesW / 8);
  else if (e.key === 'ArrowRight') v.panBy(v.lanesW / 8);
  else handled = false;
  if (handled) e.preventDefault();
}

// --- theme ------------------------------------------------------------------------------------
const TL_THEME_VARS = [['bgMain', '--bg-main'], ['bgPanel', '--bg-panel'],
                       ['bgHeader', '--bg-header'], ['accent', '--accent'],
                       ['accentHover', '--accent-hover'], ['text', '--text'], ['font', '--font']];

async function tlFollowTheme() {
  const key = await tlCall('getSharedTheme');
  if (typeof key !== 'string' || key === TL.themeKey) return;
  TL.themeKey = key;
  const list = key === 'velotap' ? [] : (await tlCall('getCustomThemes')) || [];
  const record = Array.isArray(list) ? list.find(t => t.key === key) : null;
  const style = document.documentElement.style;
  for (const [field, variable] of TL_THEME_VARS) {
    if (record && record[field]) style.setProperty(variable, record[field]);
    else style.removeProperty(variable);
  }
  TL.view.redraw();
}

// --- what the program calls ---------------------------------------------------------------------
window.onTimelineAutomation = (busy, sequence) => {
  TL.busy = !!busy;
  tlRefresh();
  tlCall('tlAckAutomation', String(sequence));
};

window.onTimelineCloseRequested = async () => {
  if ($('ask').open) return;
  const canSave = !TL.busy && !TL.gone && !!TL.loadNonce;
  const buttons = (canSave ? [['save', 'Save']] : []).concat([['discard', 'Discard'],
                                                              ['cancel', 'Cancel']]);
  const a = await tlAsk('The macro of "' + TL.profile + '" has unsaved edits. Save them before ' +
                        'closing?', buttons);
  if (a.button === 'discard' || (a.button === 'save' && await saveEdits())) tlCall('tlCloseWindow', '');
};

window.onTimelineMasterGone = () => {
  TL.gone = true;
  tlRefresh();
};

// --- start ------------------------------------------------------------------------------------
function tlStart() {
  TL.view = new TimelineView(TL.model, $('lanes'), $('minimap'));
  TL.view.attach();
  TL.view.onSelect = tlRefresh;
  TL.view.onEdit = tlEdited;
  $('tl-save').onclick = saveEdits;
  $('tl-revert').onclick = tlRevert;
  $('tl-undo').onclick = () => tlEdit(TL.model.undo());
  $('tl-redo').onclick = () => tlEdit(TL.model.redo());
  $('tl-delete').onclick = () => tlEdit(TL.model.deleteSelected());
  $('tl-insert-click').onclick = tlInsertClick;
  $('tl-insert-key').onclick = tlInsertKey;
  $('tl-insert-wait').onclick = tlInsertWait;
  $('tl-scale').onclick = tlScale;
  $('tl-snap').onchange = e => { TL.view.snap = e.target.checked; };
  $('tl-zoom-in').onclick = () => TL.view.zoomAt(TL.view.xOf(TL.view.playhead), 1.5);
  $('tl-zoom-out').onclick = () => TL.view.zoomAt(TL.view.xOf(TL.view.playhead), 1 / 1.5);
  $('tl-fit').onclick = () => TL.view.fit();
  $('message-close').onclick = () => tlShow('');
  $('ev-time').onchange = e => {
    const i = TL.model.selectedIndices()[0];
    tlEdit(TL.model.setTime(i, Number(e.target.value)));
  };
  for (const field of ['x', 'y']) {
    $('ev-' + field).onchange = e => {
      const i = TL.model.selectedIndices()[0];
      tlEdit(TL.model.setValue(i, field, Number(e.target.value)));
    };
  }
  $('ev-shift-apply').onclick = () => tlEdit(TL.model.moveSelected(Number($('ev-shift').value)));
  document.addEventListener('keydown', tlKey);
  tlCall('tlGetAutomation').then(busy => { TL.busy = !!busy; tlRefresh(); });
  tlFollowTheme();
  setInterval(tlFollowTheme, 2000);
  tlLoad();
}

window.tlApp = TL;
tlStart();
