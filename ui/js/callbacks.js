'use strict';
// Scripts the program runs in the page call these.

// The update banner: offered, downloading (bytes and rate), installing, or failed with a retry.
const Update = {
  samples: [],  // [time ms, bytes] of the last few seconds, for the rate

  size(bytes) {
    if (bytes < 1024 * 1024) return Math.round(bytes / 1024) + ' KB';
    return (bytes / (1024 * 1024)).toFixed(1) + ' MB';
  },

  rate(done) {
    const now = performance.now();
    Update.samples.push([now, done]);
    while (Update.samples.length > 2 && now - Update.samples[0][0] > 3000) Update.samples.shift();
    const [t0, d0] = Update.samples[0];
    return now - t0 >= 250 ? (done - d0) * 1000 / (now - t0) : null;
  },

  busy(running) {
    Dom.byId('update-install').disabled = running;
    Dom.byId('update-later').disabled = running;
  },
};

window.onUpdateAvailable = (version, current) => {
  Dom.byId('update-text').textContent =
    'Velotap ' + version + ' is available (this is ' + current + ').';
  Dom.byId('update-progress').hidden = true;
  Dom.byId('update-install').textContent = 'Update now';
  Update.busy(false);
  Dom.byId('update-install').disabled = !Bridge.has('startUpdate');
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
  const rate = Update.rate(done);
  Dom.text(Dom.byId('update-text'), 'Downloading the update: ' + Update.size(done) +
    (expected > 0 ? ' of ' + Update.size(expected) + ' (' +
      Math.floor(100 * Math.min(done, expected) / expected) + ' %)' : '') +
    (rate !== null ? ', ' + Update.size(rate) + '/s' : ''));
};

window.onUpdateInstalling = () => {
  Dom.byId('update-progress').hidden = true;
  Dom.byId('update-text').textContent =
    'Installing the update: the download is verified and Velotap will close now.';
  Update.busy(true);
};

Dom.byId('update-install').addEventListener('click', async () => {
  Update.busy(true);
  Update.samples = [];
  Dom.byId('update-text').textContent = 'Checking the update\u2026';
  // On success the program quits before this resolves; anything that comes back is a failure.
  const failure = await Bridge.call('startUpdate');
  if (failure) {
    Dom.byId('update-text').textContent = failure;
    Dom.byId('update-progress').hidden = true;
    Dom.byId('update-install').textContent = 'Retry';
    Update.busy(false);
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
