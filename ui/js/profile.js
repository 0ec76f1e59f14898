'use strict';
// Profiles, the event list of the current profile, and macro import and export.
const Profiles = {
  ROW: 26,
  // Rows fetched beyond each edge of the view, so a short scroll needs no new fetch.
  SLACK: 60,
  list: null,
  events: [],  // the rows held: events[i] is event eventsFirst + i
  eventsFirst: 0,
  eventsTotal: 0,
  eventsFetch: 0,
  eventsKey: '',
  // Profiles added by an import, also those handed over without the " (Imported)" suffix.
  imported: new Set(),

  init() {
    const select = Dom.byId('profileSelect');
    select.addEventListener('change', async () => {
      await Bridge.call('switchProfile', select.value);
      Profiles.changed();
    });
    Dom.byId('profileAdd').addEventListener('click', async () => {
      const input = Dom.byId('profileName');
      // The program splits arguments on commas and drops brackets and quotes.
      const name = input.value.replace(/[,[\]"]/g, ' ').trim();
      if (!name) return;
      await Bridge.call('addProfile', name);
      input.value = '';
      Profiles.changed();
    });
    Dom.byId('profileName').addEventListener('keydown', e => {
      if (e.key === 'Enter') Dom.byId('profileAdd').click();
    });
    const act = (id, name) => Dom.byId(id).addEventListener('click', async () => {
      await Bridge.call(name);
      Profiles.changed();
    });
    act('profileDelete', 'deleteProfile');
    act('profileClear', 'clearProfile');
    Dom.byId('profileExport').addEventListener('click', async () => {
      const failure = await Bridge.call('exportProfile');
      if (failure) Notice.error(failure);
    });
    Dom.byId('profileImport').addEventListener('click', async () =>
      Profiles.showImportOutcome(await Bridge.call('importProfile')));
    Dom.byId('optimize').addEventListener('click', async () => {
      await Bridge.call('optimizeMacro');
      Profiles.refreshEvents();
    });
    Dom.byId('openTimeline').hidden = !Bridge.has('openTimelineEditor');
    Dom.byId('openTimeline').addEventListener('click', () => Bridge.call('openTimelineEditor'));
    Dom.byId('events').addEventListener('scroll', () => Profiles.renderEvents(false));
    for (const id of ['profileSelect', 'profileClear', 'profileDelete', 'profileAdd',
                      'profileName', 'profileImport', 'profileExport']) {
      if (!Bridge.has('getProfiles')) Dom.byId(id).closest('.row').hidden = true;
    }
  },

  async refresh() {
    const list = await Bridge.call('getProfiles');
    if (!list) return;
    Profiles.list = list;
    const select = Dom.byId('profileSelect');
    const wanted = list.names.join('\n');
    if (select.dataset.names !== wanted) {
      select.dataset.names = wanted;
      select.textContent = '';
      list.names.forEach((name, index) => select.add(new Option(name, String(index))));
    }
    select.value = String(list.current);
    const isDefault = list.names[list.current] === list.defaultName;
    Dom.text(Dom.byId('profileDelete'), isDefault ? 'Reset' : 'Delete');
  },

  currentName() {
    return Profiles.list ? Profiles.list.names[Profiles.list.current] : '';
  },
  currentIsImported() {
    const name = Profiles.currentName();
    return !!name && (/ \(Imported\)( \(\d+\))?$/.test(name) || Profiles.imported.has(name));
  },

  // Everything a profile change touches: its tool settings and its macro.
  async changed() {
    await Profiles.refresh();
    await Profiles.refreshEvents();
    Main.watchSettings();
    Main.refresh();
  },

  // Only the rows around the view are fetched. A program that answers with the whole list (a
  // panel reading the program's mirror) is held whole.
  async refreshEvents() {
    const box = Dom.byId('events');
    const fetch = ++Profiles.eventsFetch;
    const first = Math.max(0, Math.floor(box.scrollTop / Profiles.ROW) - Profiles.SLACK);
    const count = Math.ceil(box.clientHeight / Profiles.ROW) + 2 * Profiles.SLACK;
    const reply = await Bridge.call('getMacroEvents', first + ',' + count);
    if (fetch !== Profiles.eventsFetch) return;  // a later fetch answers for the view
    const whole = Array.isArray(reply);
    const part = !whole && reply && Array.isArray(reply.events);
    Profiles.events = whole ? reply : part ? reply.events : [];
    Profiles.eventsFirst = part ? reply.first : 0;
    Profiles.eventsTotal = part ? reply.total : Profiles.events.length;
    Profiles.renderEvents(true);
  },

  showStatus(status) {
    const recording = status.state === 'Recording';
    for (const id of ['profileSelect', 'profileClear', 'profileDelete', 'profileAdd',
                      'profileImport']) {
      Dom.disabled(Dom.byId(id), recording);
    }
    const key = status.state + '/' + status.count + '/' + (Profiles.list ? Profiles.list.current : '');
    const a = document.activeElement;
    const editing = !!(a && a.closest && a.closest('#events'));
    if (key !== Profiles.eventsKey && !editing) {
      Profiles.eventsKey = key;
      Profiles.refreshEvents();
    }
  },

  // Only the rows in view exist, so a macro of a million events scrolls as easily as ten.
  renderEvents(force) {
    const box = Dom.byId('events');
    const spacer = box.firstElementChild;
    const total = Profiles.eventsTotal;
    const held = Profiles.eventsFirst + Profiles.events.length;
    spacer.style.height = (total * Profiles.ROW) + 'px';
    Dom.cls(box, 'none', total === 0);
    const first = Math.max(0, Math.floor(box.scrollTop / Profiles.ROW) - 5);
    const last = Math.min(total, first + Math.ceil(box.clientHeight / Profiles.ROW) + 10);
    if (!force && (first < Profiles.eventsFirst || last > held)) {
      Profiles.refreshEvents();
      return;
    }
    const range = first + ':' + last;
    if (!force && spacer.dataset.range === range) return;
    spacer.dataset.range = range;
    spacer.textContent = '';
    for (let i = Math.max(first, Profiles.eventsFirst); i < Math.min(last, held); ++i) {
      spacer.appendChild(Profiles.eventRow(Profiles.events[i - Profiles.eventsFirst]));
    }
    Dom.text(Dom.byId('eventsNote'), total ? total + ' events' : 'No events recorded yet');
  },

  eventRow(event) {
    const row = document.createElement('div');
    row.className = 'event';
    row.setAttribute('role', 'listitem');
    row.style.top = (event.id * Profiles.ROW) + 'px';
    row.innerHTML = '<span class="num"></span><input type="number" step="0.001" min="0">' +
                    '<span class="desc"></span><button class="icon-btn">\u2715</button>';
    row.querySelector('.num').textContent = String(event.id + 1);
    const time = row.querySelector('input');
    time.value = event.time.toFixed(3);
    time.setAttribute('aria-label', 'Time of event ' + (event.id + 1));
    time.addEventListener('change', async () => {
      const seconds = parseFloat(time.value);
      if (!(seconds >= 0)) {
        time.value = event.time.toFixed(3);
        return;
      }
      await Bridge.call('updateEventTime', event.id + ',' + seconds);
      time.blur();
      Profiles.refreshEvents();
    });
    row.querySelector('.desc').textContent = event.desc;
    const remove = row.querySelector('button');
    remove.setAttribute('aria-label', 'Delete event ' + (event.id + 1));
    remove.addEventListener('click', async () => {
      await Bridge.call('deleteEvent', String(event.id));
      Profiles.refreshEvents();
    });
    return row;
  },

  // The risk check's findings; the macro is added only when the user confirms.
  async review(pending) {
    Dom.byId('reviewLevel').textContent =
      'The risk check rated this macro "' + pending.level + '". It will only be added if you ' +
      'confirm. What it found:';
    const list = Dom.byId('reviewMatches');
    list.textContent = '';
    for (const match of pending.matches || []) {
      const item = document.createElement('li');
      item.innerHTML = '<span class="sev"></span><span class="msg"></span><span class="at"></span>';
      const severity = String(match.severity).toLowerCase();
      item.querySelector('.sev').textContent =
        severity === 'danger' ? 'Danger' : severity === 'caution' ? 'Caution' : match.severity;
      item.querySelector('.sev').classList.add(severity === 'danger' ? 'danger' : 'caution');
      item.querySelector('.msg').textContent = match.message;
      item.querySelector('.at').textContent = 'at ' + match.atSec + ' s';
      list.appendChild(item);
    }
    const dialog = Dom.byId('review');
    dialog.dataset.pendingId = pending.pendingId;
    if (dialog.open) return;  // a newer pending import replaces the one shown
    const result = await Modal.show(dialog, 'reviewCancel');
    const id = dialog.dataset.pendingId;
    await Bridge.call(result === 'go' ? 'confirmMacroImport' : 'cancelMacroImport', id);
  },

  showImportOutcome(result) {
    if (!result) return;
    if (result.outcome === 'error') Notice.alert(result.message);
    else if (result.outcome === 'pending') Profiles.review(result);
    else if (result.outcome === 'imported') Profiles.importedNow();
  },

  // After an import was added: it is the current profile now.
  async importedNow() {
    await Profiles.changed();
    const name = Profiles.currentName();
    if (name) {
      Profiles.imported.add(name);
      Notice.toast('Imported "' + name + '".');
    }
  },
};

// Kept as a global: it is what a profile change elsewhere calls.
function profileChanged() {
  return Profiles.changed();
}
