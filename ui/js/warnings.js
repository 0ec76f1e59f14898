'use strict';
// Risky actions ask once per warning key and page session while "showWarnings" is on; "Don't show
// again" stores the key with markWarningSeen so it never asks again.
const Warnings = {
  TEXT: {
    clickIntervalUnder10ms: 'The click interval is under 10 ms, so Velotap will click more than 100 ' +
        'times a second. Some programs and games take that as abuse, and a fast run can ' +
        'be hard to stop with the mouse: use the click spammer hotkey.',
    keyIntervalUnder10ms: 'The key interval is under 10 ms, so Velotap will press keys more than ' +
        '100 times a second. Make sure the right window has the focus, and stop it with the key ' +
        'spammer hotkey.',
    chordSystemModifier: 'This chord holds a system key (Ctrl, Alt or the Windows/Super key). ' +
        'Pressed together with other keys it can trigger shortcuts of the desktop and of other ' +
        'programs.',
    playImportedMacro: 'This macro was imported from a file. Playing it sends its keys and ' +
        'clicks to whatever window has the focus. Play it only if you trust where it came from.',
  },
  enabled: true,
  seen: new Set(),
  thisSession: new Set(),

  apply(appSettings) {
    Warnings.enabled = appSettings.showWarnings !== false;
    Warnings.seen = new Set(appSettings.seenWarnings || []);
  },

  // Resolves true when the action may go ahead.
  async confirm(key) {
    if (!Warnings.enabled || Warnings.seen.has(key) || Warnings.thisSession.has(key)) return true;
    Dom.byId('warningText').textContent = Warnings.TEXT[key];
    Dom.byId('warningNever').checked = false;
    const dialog = Dom.byId('warning');
    dialog.dataset.key = key;
    const result = await Modal.show(dialog, 'warningCancel');
    if (result !== 'go') return false;
    Warnings.thisSession.add(key);
    if (Dom.byId('warningNever').checked) {
      Warnings.seen.add(key);
      await Bridge.call('markWarningSeen', key);
    }
    return true;
  },
};
