'use strict';
// Start-up and the status poll. The poll runs only while the page can be seen (and, while it is
// hidden, only as long as pop-out panels read the files it refreshes); it is quicker while
// something runs, and renders only what changed.
const Main = {
  IDLE_MS: 1000,
  BUSY_MS: 250,
  timer: 0,
  inFlight: null,
  again: false,
  status: null,
  hotkeys: '',
  ticks: 0,
  // Until then the tool settings are read on every poll: a page action or a pick may change them.
  watchSettingsUntil: 0,

  async start() {
    Tools.build();
    Tools.init();
    Tracker.init();
    Profiles.init();
    Program.init();
    const app = await Bridge.call('getAppSettings');
    if (app) {
      Panels.apply(app);
      Warnings.apply(app);
      Program.show(app);
    }
    if (Bridge.has('getCustomThemes')) await Theme.loadList();
    if (Bridge.has('getSharedTheme')) applyTheme(await Bridge.call('getSharedTheme'));
    await Profiles.refresh();
    await Profiles.refreshEvents();
    const alertText = await Bridge.call('getPendingThemeAlert');
    if (alertText) {
      Program.startupNotes = alertText;
      Notice.alert(alertText);
    }
    await Main.refresh();
    await Program.showCapabilities();
    document.body.classList.remove('booting');
    Panels.refit();
    document.addEventListener('visibilitychange', () => {
      clearTimeout(Main.timer);
      Main.timer = 0;
      if (document.visibilityState === 'visible') {
        Main.watchSettings();
        Main.refresh();
      } else {
        Main.schedule();
      }
    });
    // A macro handed over on the command line may be waiting for review.
    const pending = await Bridge.call('getPendingMacroImport');
    if (pending && pending.outcome === 'pending') Profiles.review(pending);
  },

  refresh() {
    if (Main.inFlight) {
      Main.again = true;
      return Main.inFlight;
    }
    clearTimeout(Main.timer);
    Main.timer = 0;
    Main.inFlight = Main.poll().finally(() => {
      Main.inFlight = null;
      if (Main.again) {
        Main.again = false;
        Main.refresh();
      } else {
        Main.schedule();
      }
    });
    return Main.inFlight;
  },

  // After a request: the engine acts on it a moment later.
  soon() {
    Main.watchSettings();
    setTimeout(Main.refresh, 60);
  },

  watchSettings() {
    Main.watchSettingsUntil = performance.now() + 30000;
  },

  // The settings change by page actions and picks, and only now and then from elsewhere (a
  // pop-out panel, a profile switch by another process); the status changes with the hotkeys.
  async poll() {
    const edits = Tools.edits;
    const s = Main.status;
    const busy = Tools.running.click || Tools.running.keys || (s && s.state !== 'Idle');
    const settings = Main.ticks++ % 5 === 0 || busy || performance.now() < Main.watchSettingsUntil
      ? await Bridge.call('getSettings') : null;
    if (settings) {
      Tools.showSettings(settings, edits);
      Tracker.showSettings(settings);
    }
    const status = await Bridge.call('getTrackerStatus');
    if (status) {
      Main.status = status;
      Tools.showStatus(status);
      Tracker.showStatus(status);
      Profiles.showStatus(status);
      Panels.showPopped(status.restore || []);
      const hotkeys = Tracker.HOTKEYS.map(([, key]) => status[key]).join('\n');
      if (hotkeys !== Main.hotkeys) {
        // A changed hotkey may have been refused by the system.
        if (Main.hotkeys) Program.showCapabilities();
        Main.hotkeys = hotkeys;
      }
    }
    const running = Tools.running.click || Tools.running.keys;
    Tools.showTiming(running ? await Bridge.call('getSendTiming') : null);
  },

  schedule() {
    if (Main.timer || Main.inFlight) return;
    const s = Main.status;
    let delay = 0;
    if (document.visibilityState === 'visible') {
      const busy = Tools.running.click || Tools.running.keys ||
                   (s && (s.state !== 'Idle' || s.reassigning));
      delay = busy ? Main.BUSY_MS : Main.IDLE_MS;
    } else if (s && s.restore && s.restore.length) {
      delay = Main.IDLE_MS;
    }
    if (delay) Main.timer = setTimeout(Main.refresh, delay);
  },
};

Main.start().catch(error => Notice.error('The page did not start completely: ' + error))
    .finally(() => document.body.classList.remove('booting'));
