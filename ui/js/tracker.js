'use strict';
// The recorder, the player and the hotkeys.
const Tracker = {
  RECORD_SWITCHES: [['tmv', 'Record movement'], ['tclk', 'Record clicks'],
                    ['tscr', 'Record wheel'], ['tkey', 'Record keys'],
                    ['trel', 'Relative movement']],
  // [slot name for reassignKey, status key, label]
  HOTKEYS: [['rec', 'hkRec', 'Record'], ['play', 'hkPlay', 'Play'],
            ['auto', 'hkAuto', 'Click spammer'], ['keyspamhotkey', 'hkKeySpam', 'Key spammer'],
            ['unlock', 'hkUnlock', 'Unlock']],
  settings: null,
  state: 'Idle',

  init() {
    const box = Dom.byId('recSwitches');
    for (const [key, label] of Tracker.RECORD_SWITCHES) {
      const row = Dom.switchRow('rec-' + key, label);
      row.querySelector('input').addEventListener('change', Tracker.send);
      box.appendChild(row);
    }
    const rows = Dom.byId('hotkeyRows');
    for (const [slot, key, label] of Tracker.HOTKEYS) {
      const row = Dom.row('div', label, '<span class="fields"><span class="state"></span>' +
                                        '<button class="btn small">Change</button></span>');
      row.querySelector('.state').id = key;
      const button = row.querySelector('button');
      button.id = 'reassign-' + slot;
      button.setAttribute('aria-label', 'Change the ' + label + ' hotkey');
      button.addEventListener('click', () => {
        Bridge.call('reassignKey', slot);
        Main.soon();
      });
      rows.appendChild(row);
    }
    const action = (id, name) => Dom.byId(id).addEventListener('click', async () => {
      await Bridge.call(name);
      Main.soon();
    });
    action('recStart', 'startRecording');
    action('recStop', 'stopRecording');
    action('recContinue', 'continueRecording');
    action('recUndo', 'undoContinueRecording');
    action('playStop', 'stopPlayback');
    action('resetHotkeys', 'resetHotkeys');
    Dom.byId('playStart').addEventListener('click', async () => {
      if (Profiles.currentIsImported() && !(await Warnings.confirm('playImportedMacro'))) return;
      await Bridge.call('startPlayback');
      Main.soon();
    });
    for (const id of ['tspd', 'tloopMs', 'tloop']) {
      Dom.byId(id).addEventListener('change', Tracker.send);
    }
  },

  async send() {
    const s = Tracker.settings || await Bridge.call('getSettings') || {};
    const flags = Tracker.RECORD_SWITCHES.map(([key]) =>
      Dom.byId('rec-' + key).checked ? 'true' : 'false');
    // The player takes the speed and pause as given, so only sensible values leave the page.
    const speed = parseFloat(Dom.byId('tspd').value);
    const pause = parseInt(Dom.byId('tloopMs').value, 10);
    const loop = Dom.byId('tloop').checked;
    await Bridge.call('updateTracker',
                      flags.concat([String(speed > 0 && speed <= 100 ? speed : s.tspd),
                                    loop ? 'true' : 'false',
                                    String(pause >= 0 ? pause : s.tloopMs)]).join(','));
    Main.watchSettings();
    Main.refresh();
  },

  showSettings(settings) {
    Tracker.settings = settings;
    for (const [key] of Tracker.RECORD_SWITCHES) {
      Dom.checked(Dom.byId('rec-' + key), !!settings[key]);
    }
    if (settings.tspd !== undefined) Dom.value(Dom.byId('tspd'), String(settings.tspd));
    if (settings.tloopMs !== undefined) Dom.value(Dom.byId('tloopMs'), String(settings.tloopMs));
    Dom.checked(Dom.byId('tloop'), !!settings.tloop);
  },

  showStatus(status) {
    if (status.state !== Tracker.state) {
      Tracker.state = status.state;
      Dom.announce(status.state === 'Idle' ? 'Recorder and player idle' : status.state);
    }
    const state = Dom.byId('recState');
    Dom.text(state, status.state);
    Dom.cls(state, 'on', status.state !== 'Idle');
    Dom.text(Dom.byId('eventCount'), String(status.count));
    const badge = Dom.byId('trackerBadge');
    Dom.text(badge, status.state);
    Dom.hidden(badge, status.state === 'Idle');
    const playing = status.state === 'Playing';
    const recording = status.state === 'Recording';
    Dom.text(Dom.byId('playState'), playing ? 'Playing' : 'Stopped');
    Dom.cls(Dom.byId('playState'), 'on', playing);
    Dom.disabled(Dom.byId('playStart'), recording || status.count === 0);
    Dom.disabled(Dom.byId('recUndo'), !status.canUndoContinue);
    for (const [slot, key] of Tracker.HOTKEYS) {
      if (status[key] === undefined) continue;
      Dom.text(Dom.byId(key), status.reassigning === slot ? 'Press a key\u2026' : status[key]);
    }
    Dom.text(Dom.byId('lockState'),
             !status.lockOn ? 'Off' : status.unlocked ? 'Unlocked' : 'Locked');
  },
};
