'use strict';
// The click spammer and the key spammer panels, with the engine's timing meter.
const Tools = {
  CLICK_FIELDS: ['sh', 'sm', 'ss', 'sms', 'sbtn', 'stype', 'rptMode', 'rptTimes', 'locMode'],
  KEY_FIELDS: ['ksh', 'ksm', 'kss', 'ksms', 'ksRptMode', 'ksRptTimes'],
  SYSTEM_KEY: /ctrl|control|alt|super|hyper|meta|windows|\bwin\b/i,
  running: {click: false, keys: false},
  targets: [],
  // Bumped by every edit of a tool field, so a poll answer that left before the edit does not put
  // the old values back into the fields.
  edits: 0,

  // A pop-out panel's change reaches the program after the panel's next read of the settings
  // file, which still holds the old values: until the file shows what was sent (or a few seconds
  // passed, when the program took another value), the field keeps it.
  sending: {},
  stillSending(id, value) {
    const sent = Tools.sending[id];
    if (!sent) return false;
    if (value === sent.value || performance.now() - sent.at > 5000) {
      delete Tools.sending[id];
      return false;
    }
    return true;
  },

  // Every field goes as a decimal integer; an empty or odd entry counts as 0.
  values(ids) {
    return ids.map(id => parseInt(Dom.byId(id).value, 10) || 0);
  },
  // The interval as the engine computes it, in milliseconds.
  intervalMs([h, m, s, ms]) {
    return Math.ceil(Math.max(1, h * 3600000 + m * 60000 + s * 1000 + ms));
  },

  // The four interval fields and the meter's figures of both tools.
  build() {
    for (const group of document.querySelectorAll('[data-interval]')) {
      const units = [['h', 'hours'], ['m', 'minutes'], ['s', 'seconds'], ['ms', 'milliseconds']];
      group.dataset.interval.split(' ').forEach((id, i) => {
        const input = document.createElement('input');
        Object.assign(input, {type: 'number', id, min: '0'});
        input.setAttribute('aria-label', group.dataset.noun + ' interval ' + units[i][1]);
        const unit = document.createElement('span');
        unit.className = 'unit';
        unit.setAttribute('aria-hidden', 'true');
        unit.textContent = units[i][0];
        group.append(input, unit);
      });
    }
    for (const tool of ['click', 'key']) {
      Dom.byId(tool + 'Meter').innerHTML =
        ['Rate', 'Error median', 'p99'].map((label, i) => '<span>' + label + ' <output id="' +
          tool + ['Rate', 'Median', 'P99'][i] + '"></output></span>').join('');
    }
  },

  init() {
    for (const [ids, name] of [[Tools.CLICK_FIELDS, 'updateSpammer'],
                               [Tools.KEY_FIELDS, 'updateKeySpam']]) {
      for (const id of ids) {
        Dom.byId(id).addEventListener('change', async () => {
          ++Tools.edits;
          Main.watchSettings();
          const values = Tools.values(ids);
          if (Panels.isPanelWindow()) {
            const at = performance.now();
            ids.forEach((field, i) => { Tools.sending[field] = {value: values[i], at}; });
          }
          await Bridge.call(name, values.join(','));
          Main.refresh();
        });
      }
    }
    const onOff = (id, send) => Dom.byId(id).addEventListener('change', e =>
      send(e.target.checked ? '1' : '0'));
    onOff('holdAuto', v => Bridge.call('setHoldMode', 'auto,' + v));
    onOff('holdKeySpam', v => Bridge.call('setHoldMode', 'keyspam,' + v));
    onOff('keySpamChord', v => Bridge.call('setKeySpamChordMode', v));
    Dom.byId('addTarget').addEventListener('click', () => {
      Bridge.call('reassignKey', 'keyspamtarget');
      Main.soon();
    });
    Dom.byId('pickLocation').addEventListener('click', () => {
      Bridge.call('pickLocation');
      Main.watchSettings();
      Notice.toast('Click where the spammer should click. A right click cancels.');
    });
    Dom.byId('spammerToggle').addEventListener('click', Tools.toggleClick);
    Dom.byId('keySpamToggle').addEventListener('click', Tools.toggleKeys);
    Dom.hidden(Dom.byId('pickLocation'), !Bridge.has('pickLocation'));
  },

  async toggleClick() {
    const start = !Tools.running.click;
    if (start && Tools.intervalMs(Tools.values(Tools.CLICK_FIELDS)) < 10 &&
        !(await Warnings.confirm('clickIntervalUnder10ms'))) {
      return;
    }
    Tools.running.click = start;
    Tools.showRunning();
    await Bridge.call(start ? 'startSpammer' : 'stopSpammer');
    Main.soon();
  },

  async toggleKeys() {
    const start = !Tools.running.keys;
    if (start) {
      if (Tools.intervalMs(Tools.values(Tools.KEY_FIELDS)) < 10 &&
          !(await Warnings.confirm('keyIntervalUnder10ms'))) {
        return;
      }
      if (Dom.byId('keySpamChord').checked && Tools.targets.some(n => Tools.SYSTEM_KEY.test(n)) &&
          !(await Warnings.confirm('chordSystemModifier'))) {
        return;
      }
    }
    Tools.running.keys = start;
    Tools.showRunning();
    await Bridge.call(start ? 'startKeySpam' : 'stopKeySpam');
    Main.soon();
  },

  showSettings(s, editsBefore) {
    if (editsBefore === Tools.edits) {
      for (const id of Tools.CLICK_FIELDS.concat(Tools.KEY_FIELDS)) {
        if (s[id] === undefined || Tools.stillSending(id, s[id])) continue;
        Dom.value(Dom.byId(id), String(s[id]));
      }
    }
    Dom.disabled(Dom.byId('rptTimes'), s.rptMode !== 0);
    Dom.disabled(Dom.byId('ksRptTimes'), s.ksRptMode !== 0);
    Dom.text(Dom.byId('fixedPoint'), s.locMode === 1 ? '(' + s.fixedX + ', ' + s.fixedY + ')' : '');
    Dom.checked(Dom.byId('holdAuto'), !!s.holdAuto);
    Dom.checked(Dom.byId('holdKeySpam'), !!s.holdKeySpam);
  },

  showStatus(status) {
    const wasClicking = Tools.running.click, wasKeying = Tools.running.keys;
    Tools.running.click = !!status.autoClicking;
    Tools.running.keys = !!status.keySpamming;
    if (wasClicking !== Tools.running.click) {
      Dom.announce('Click spammer ' + (Tools.running.click ? 'running' : 'stopped'));
    }
    if (wasKeying !== Tools.running.keys) {
      Dom.announce('Key spammer ' + (Tools.running.keys ? 'running' : 'stopped'));
    }
    Dom.checked(Dom.byId('keySpamChord'), !!status.keySpamChord);
    Tools.showTargets(status.keySpamTargets || [], status.reassigning === 'keyspamtarget');
    Tools.showRunning();
  },

  showRunning() {
    const show = (on, state, button, badge) => {
      Dom.text(Dom.byId(state), on ? 'Running' : 'Stopped');
      Dom.cls(Dom.byId(state), 'on', on);
      Dom.text(Dom.byId(button), on ? 'Stop' : 'Start');
      Dom.cls(Dom.byId(button), 'running', on);
      Dom.hidden(Dom.byId(badge), !on);
    };
    show(Tools.running.click, 'clickState', 'spammerToggle', 'clickBadge');
    show(Tools.running.keys, 'keyState', 'keySpamToggle', 'keyBadge');
    if (!Tools.running.click) Dom.hidden(Dom.byId('clickMeter'), true);
    if (!Tools.running.keys) Dom.hidden(Dom.byId('keyMeter'), true);
  },

  showTargets(names, waiting) {
    Dom.text(Dom.byId('addTarget'), waiting ? 'Press a key\u2026' : 'Add key');
    if (names.join('\n') === Tools.targets.join('\n') && Dom.byId('targets').dataset.shown) return;
    Tools.targets = names.slice();
    const box = Dom.byId('targets');
    box.dataset.shown = '1';
    box.textContent = '';
    if (!names.length) {
      box.innerHTML = '<span class="empty">No keys yet</span>';
      return;
    }
    names.forEach((name, index) => {
      const chip = document.createElement('span');
      chip.className = 'target';
      chip.setAttribute('role', 'listitem');
      chip.textContent = name;
      const remove = document.createElement('button');
      remove.className = 'icon-btn';
      remove.textContent = '\u2715';
      remove.setAttribute('aria-label', 'Remove ' + name);
      remove.addEventListener('click', async () => {
        await Bridge.call('removeKeySpamTarget', index);
        Main.refresh();
      });
      chip.appendChild(remove);
      box.appendChild(chip);
    });
  },

  // The engine's figures of the last second: achieved rate and how far each interval strayed.
  showTiming(timing) {
    const show = (figures, on, meter, rate, median, p99) => {
      Dom.hidden(Dom.byId(meter), !on);
      if (!on) return;
      const has = figures && figures.samples >= 2;
      Dom.text(Dom.byId(rate), has ? figures.rate.toFixed(1) + ' /s' : '\u2026');
      Dom.text(Dom.byId(median), has ? figures.medianErrorMs.toFixed(2) + ' ms' : '\u2026');
      Dom.text(Dom.byId(p99), has ? figures.p99ErrorMs.toFixed(2) + ' ms' : '\u2026');
    };
    show(timing && timing.click, Tools.running.click, 'clickMeter', 'clickRate', 'clickMedian',
         'clickP99');
    show(timing && timing.keySpam, Tools.running.keys, 'keyMeter', 'keyRate', 'keyMedian',
         'keyP99');
  },
};
