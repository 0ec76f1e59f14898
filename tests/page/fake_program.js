'use strict';
// A faithful fake of the main window's bound functions, run in the page before its scripts. Like
// the program, it receives the arguments as one JSON array text, flattens it the same way, answers
// with JSON text that the bridge parses (an empty text resolves to undefined), and keeps the
// state the answers come from. window.__fake lets a test read the calls and change the state.
function fakeProgram(options) {
  const flatten = args => JSON.stringify(args).replace(/[[\]"]/g, '');
  const PANELS = ['panel-ui', 'panel-profile', 'panel-spammer', 'panel-keyspam', 'panel-tracker'];
  const fake = {
    calls: [],
    reject: {},  // name → message: that call's promise rejects
    hold: {},    // name → promise the answer waits for
    settings: {sh: 0, sm: 0, ss: 0, sms: 5, sbtn: 0, stype: 0, rptMode: 1, rptTimes: 10,
               locMode: 0, fixedX: 0, fixedY: 0, tmv: true, tclk: true, tscr: true, tkey: true,
               trel: false, tspd: 1, tloop: false, tloopMs: 500, ksh: 0, ksm: 0, kss: 0,
               ksms: 5, ksRptMode: 1, ksRptTimes: 10, holdAuto: false, holdKeySpam: false},
    app: {alwaysOnTop: false, launchOnStartup: false, startMinimized: false,
          hotkeysEnabled: true, hotkeyLock: true, stopToolsWithMacro: true,
          disableAnimations: false, showWarnings: true, seenWarnings: [], minimizedPanels: [],
          panelOrder: []},
    status: {state: 'Idle', count: 0, restore: [], hkRec: 'F8', hkPlay: 'F7', hkAuto: 'F6',
             hkKeySpam: 'F9', hkUnlock: 'F10', lockOn: true, unlocked: true,
             keySpamTargets: ['space'], keySpamChord: false, ksCap: -1, reassigning: '',
             panelHover: false, autoClicking: false, keySpamming: false, canUndoContinue: false},
    profiles: {current: 0, names: ['Default Tracking Profile'], cap: -1,
               defaultName: 'Default Tracking Profile'},
    events: [],
    timing: {click: {samples: 101, rate: 99.9, intervalMs: 10, medianErrorMs: 0.02,
                     p99ErrorMs: 0.31},
             keySpam: {samples: 0, rate: 0, intervalMs: 5, medianErrorMs: 0, p99ErrorMs: 0}},
    themes: [],
    sharedTheme: 'velotap',
    skins: {},    // key → piece name → base64
    fonts: {},    // key → base64
    imports: [],  // what the next importTheme dialogs choose: {error} or {theme}
    pendingAlert: '',
    count(name) {
      return fake.calls.filter(c => c[0] === name).length;
    },
  };
  for (const [key, value] of Object.entries(options.state || {})) {
    if (value && typeof value === 'object' && !Array.isArray(value)) Object.assign(fake[key], value);
    else fake[key] = value;
  }
  if (options.holdFirstStatus) {
    fake.hold.getTrackerStatus = new Promise(resolve => { fake.release = resolve; });
  }
  const handlers = {
    getSettings: () => fake.settings,
    getTrackerStatus: () => fake.status,
    getAppSettings: () => fake.app,
    getProfiles: () => fake.profiles,
    // Like the program: the rows asked for ("first,count"), else the whole list.
    getMacroEvents: args => {
      const [first, count] = args.split(',').map(Number);
      if (!(first >= 0 && count >= 0)) return fake.events;
      const from = Math.min(first, fake.events.length);
      return {total: fake.events.length, first: from,
              events: fake.events.slice(from, from + Math.min(count, 2000))};
    },
    getSendTiming: () => fake.timing,
    getPendingMacroImport: () => ({outcome: 'none'}),
    getPendingThemeAlert: () => {
      const text = fake.pendingAlert;
      fake.pendingAlert = '';
      return text;
    },
    getSharedTheme: () => fake.sharedTheme,
    getCustomThemes: () => fake.themes,
    setTheme: text => { fake.sharedTheme = text; },
    getSkinPiece: text => {
      const parts = text.split('|');
      return parts.length === 2 ? (fake.skins[parts[0]] || {})[parts[1]] || '' : '';
    },
    getSkinFont: text => fake.fonts[text] || '',
    importTheme: () => {
      const next = fake.imports.shift();
      if (!next) return undefined;  // cancelled
      if (next.error) return next.error;
      fake.themes = fake.themes.filter(t => t.key !== next.theme.key).concat([next.theme])
          .sort((a, b) => (a.key < b.key ? -1 : 1));
      fake.sharedTheme = next.theme.key;
      return undefined;
    },
    deleteTheme: text => {
      fake.themes = fake.themes.filter(t => t.key !== text);
      if (fake.sharedTheme === text) fake.sharedTheme = 'velotap';
    },
    setAppSetting: text => {
      const [key, value] = text.split(',');
      if (key.startsWith('min:') && PANELS.includes(key.slice(4))) {
        const set = new Set(fake.app.minimizedPanels);
        if (value === '1') set.add(key.slice(4));
        else set.delete(key.slice(4));
        fake.app.minimizedPanels = [...set].sort();
      } else if (key in fake.app) {
        fake.app[key] = value === '1';
      }
    },
    markWarningSeen: text => {
      if (text && !fake.app.seenWarnings.includes(text)) {
        fake.app.seenWarnings = [...fake.app.seenWarnings, text].sort();
      }
    },
    setPanelOrder: text => {
      const names = text.split(',').filter(Boolean);
      if (names.every(n => PANELS.includes(n)) && new Set(names).size === names.length) {
        fake.app.panelOrder = names;
      }
    },
    startSpammer: () => { fake.status.autoClicking = true; },
    stopSpammer: () => { fake.status.autoClicking = false; },
    startKeySpam: () => { fake.status.keySpamming = true; },
    stopKeySpam: () => { fake.status.keySpamming = false; },
    setKeySpamChordMode: text => { fake.status.keySpamChord = text === '1'; },
    startPlayback: () => { fake.status.state = 'Playing'; },
    updateSpammer: text => {
      const f = text.split(',').map(Number);
      ['sh', 'sm', 'ss', 'sms', 'sbtn', 'stype', 'rptMode', 'rptTimes', 'locMode']
          .forEach((k, i) => { fake.settings[k] = f[i]; });
    },
  };
  const bound = ['resizeWindow', 'updateSpammer', 'startSpammer', 'stopSpammer', 'updateKeySpam',
                 'startKeySpam', 'stopKeySpam', 'removeKeySpamTarget', 'setKeySpamChordMode',
                 'pickLocation', 'setHoldMode', 'getPendingThemeAlert', 'getAppSettings',
                 'markWarningSeen', 'setAppSetting', 'setPanelOrder', 'resetHotkeys', 'openLink',
                 'updateTracker', 'startRecording', 'stopRecording', 'continueRecording',
                 'undoContinueRecording', 'startPlayback', 'stopPlayback', 'optimizeMacro',
                 'getTrackerStatus', 'getMacroEvents', 'deleteEvent', 'updateEventTime',
                 'clearProfile', 'addProfile', 'deleteProfile', 'switchProfile', 'getProfiles',
                 'exportProfile', 'importProfile', 'confirmMacroImport', 'cancelMacroImport',
                 'getPendingMacroImport', 'getSettings', 'reassignKey', 'getSendTiming']
                    .concat(options.extra || []);
  for (const name of bound) {
    window[name] = (...args) => {
      fake.calls.push([name, flatten(args)]);
      return Promise.resolve(fake.hold[name]).then(() => {
        if (fake.reject[name]) throw new Error(fake.reject[name]);
        const result = handlers[name] ? handlers[name](flatten(args)) : undefined;
        // Through JSON text, as the program answers.
        return result === undefined ? undefined : JSON.parse(JSON.stringify(result));
      });
    };
  }
  window.__fake = fake;
}

module.exports = {fakeProgram};
