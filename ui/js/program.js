'use strict';
// The program panel: its settings, the capability report and the links.
const Program = {
  // Switches in display order: [setting key, label].
  SWITCHES: [
    ['alwaysOnTop', 'Always on top'],
    ['startMinimized', 'Start minimised'],
    ['launchOnStartup', 'Launch at log-in'],
    ['hotkeysEnabled', 'Global hotkeys'],
    ['hotkeyLock', 'Hotkey lock'],
    ['stopToolsWithMacro', 'Stop tools with macro'],
    ['disableAnimations', 'Disable animations'],
    ['showWarnings', 'Show warnings'],
  ],
  CAPABILITY_NAMES: {
    displayServer: 'Display server', xtest: 'XTest (sent input)', xinput2: 'XInput2 (capture)',
    xinput: 'XInput2 (capture)', hotkeys: 'Hotkeys', hotkeysGrabbed: 'Hotkeys',
    failedHotkeys: 'Hotkeys not grabbed', hotkeysFailed: 'Hotkeys not grabbed',
    realtime: 'Realtime scheduling', sendInput: 'SendInput', hooks: 'Input hooks',
  },
  startupNotes: '',

  init() {
    const box = Dom.byId('settings');
    for (const [key, label] of Program.SWITCHES) {
      const row = Dom.switchRow('set-' + key, label);
      const input = row.querySelector('input');
      input.addEventListener('change', () => {
        Bridge.call('setAppSetting', key, input.checked ? '1' : '0');
        if (key === 'disableAnimations') Program.animations(input.checked);
        if (key === 'showWarnings') Warnings.enabled = input.checked;
      });
      box.appendChild(row);
    }
    Dom.byId('settings').hidden = !Bridge.has('getAppSettings');
    Dom.byId('link-docs').addEventListener('click', () => Bridge.call('openLink', 'docs'));
    Dom.byId('link-community').addEventListener('click', () => Bridge.call('openLink', 'discord'));
    Dom.byId('link-docs').closest('.row').hidden = !Bridge.has('openLink');
  },

  show(appSettings) {
    for (const [key] of Program.SWITCHES) {
      Dom.checked(Dom.byId('set-' + key), !!appSettings[key]);
    }
    Program.animations(appSettings.disableAnimations);
  },

  animations(off) {
    Dom.cls(document.body, 'no-anim', !!off);
    if (Panels.sortable) Panels.sortable.option('animation', off ? 0 : 150);
  },

  // What works on this display, from the program's own probe where it has one; otherwise what
  // it reported at start-up.
  async showCapabilities() {
    const list = Dom.byId('capabilities');
    const note = Dom.byId('capsNote');
    const caps = await Bridge.call('getCapabilities');
    if (caps && typeof caps === 'object') {
      const rows = Object.entries(caps).map(([key, value]) => [Program.capabilityName(key),
                                                               Program.capabilityValue(value)]);
      const wanted = JSON.stringify(rows);
      if (list.dataset.shown !== wanted) {
        list.dataset.shown = wanted;
        list.textContent = '';
        for (const [name, [text, bad]] of rows) {
          const dt = document.createElement('dt');
          dt.textContent = name;
          const dd = document.createElement('dd');
          dd.textContent = text;
          if (bad) dd.className = 'bad';
          list.append(dt, dd);
        }
      }
      Dom.hidden(list, false);
      Dom.hidden(note, !Program.startupNotes);
      Dom.text(note, Program.startupNotes);
      return;
    }
    Dom.hidden(list, true);
    Dom.hidden(note, false);
    Dom.text(note, Program.startupNotes ||
                   'No problem was reported when Velotap started.');
  },

  capabilityName(key) {
    return Program.CAPABILITY_NAMES[key] ||
           key.replace(/([a-z])([A-Z])/g, '$1 $2').replace(/^./, c => c.toUpperCase());
  },

  // [text, whether it names something that does not work]
  capabilityValue(value) {
    if (value === true) return ['Available', false];
    if (value === false || value === null) return ['Not available', true];
    if (Array.isArray(value)) return value.length ? [value.join(', '), true] : ['None', false];
    if (typeof value === 'object') {
      return [Object.entries(value).map(([k, v]) =>
        Program.capabilityName(k) + ': ' + Program.capabilityValue(v)[0]).join('; '), false];
    }
    return [String(value), false];
  },
};
