'use strict';
// Scripts the program runs in the page call these.

window.onUpdateAvailable = (version, current) => {
  Dom.byId('update-text').textContent =
    'Velotap ' + version + ' is available (this is ' + current + ').';
  Dom.byId('update-progress').hidden = true;
  Dom.byId('update-install').disabled = !Bridge.has('startUpdate');
  Dom.byId('update-later').disabled = false;
  Dom.byId('update-banner').hidden = false;
};

window.onUpdateProgress = (done, expected) => {
  const bar = Dom.byId('update-progress');
  bar.hidden = false;
  if (expected > 0) {
    bar.max = expected;
    bar.value = Math.min(done, expected);
  } else {
    bar.removeAttribute('value');  // size unknown: an indeterminate bar
  }
  Dom.text(Dom.byId('update-text'), expected > 0
    ? 'Downloading the update: ' + Math.floor(100 * Math.min(done, expected) / expected) + ' %'
    : 'Downloading the update\u2026');
};

window.onUpdateInstalling = () => {
  Dom.byId('update-text').textContent = 'Installing the update. Velotap will close and restart.';
  Dom.byId('update-install').disabled = true;
  Dom.byId('update-later').disabled = true;
};

Dom.byId('update-install').addEventListener('click', async () => {
  Dom.byId('update-install').disabled = true;
  Dom.byId('update-text').textContent = 'Downloading the update\u2026';
  // On success the program quits before this resolves; anything that comes back is a failure.
  const failure = await Bridge.call('startUpdate');
  if (failure) {
    Dom.byId('update-text').textContent = failure;
    Dom.byId('update-progress').hidden = true;
    Dom.byId('update-install').disabled = false;
  }
});
Dom.byId('update-later').addEventListener('click', () => {
  Dom.byId('update-banner').hidden = true;
});

// The result of theme files dropped on the window or handed over: the object or its JSON text.
window.onThemeDropInstalled = result => {
  let r = result;
  if (typeof r === 'string') {
    try {
      r = JSON.parse(r);
    } catch (e) {
      return;
    }
  }
  if (!r || typeof r !== 'object') return;
  for (const reject of r.rejects || []) Notice.error(reject.name + ': ' + reject.reason);
  if (r.appliedKey) {
    Theme.list = null;
    Theme.loadList().then(() => {
      applyTheme(r.appliedKey);
      const record = (Theme.list || []).find(t => t.key === r.appliedKey);
      Notice.toast('Theme "' + (record ? record.name : r.appliedKey) + '" applied.');
    });
  }
};

window.onThemeFolderChanged = () => Theme.refresh();

window.onProfileImported = () => Profiles.importedNow();

window.onPendingMacroImport = pending => {
  if (pending && pending.outcome === 'pending') Profiles.review(pending);
};

// After the timeline editor's edits were applied.
function refreshExpertList() {
  return Profiles.refreshEvents();
}

// A handed-over macro that cannot be imported is reported with alert(): shown in the page instead
// of a blocking native dialog.
window.alert = text => Notice.alert(text);
