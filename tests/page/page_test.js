'use strict';
// The page's own logic in headless Chromium over the fake program.
const {test, before, after} = require('node:test');
const assert = require('node:assert/strict');
const {launch, openPage, calls} = require('./harness');

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

const PANELS = ['panel-ui', 'panel-profile', 'panel-spammer', 'panel-keyspam', 'panel-tracker'];

test('the structure the program and the panel start script rely on', async () => {
  const page = await openPage(browser, {holdFirstStatus: true});
  // Hidden until the first state is in.
  assert.equal(await page.evaluate(() => getComputedStyle(document.body).visibility), 'hidden');
  await page.evaluate(() => __fake.release());
  await page.waitForFunction(() => getComputedStyle(document.body).visibility === 'visible');
  const shape = await page.evaluate(() => ({
    panels: [...document.querySelectorAll('#dashboard > .panel')].map(p => p.id).sort(),
    headers: [...document.querySelectorAll('.panel')].every(p =>
      p.querySelector(':scope > .panel-header .panel-btn')),
    themeSelect: !!document.getElementById('theme-select'),
    functions: ['applyTheme', 'resizeHostWindow', 'refreshExpertList', 'onUpdateAvailable',
                'onUpdateProgress', 'onUpdateInstalling', 'onThemeDropInstalled',
                'onThemeFolderChanged', 'onProfileImported', 'onPendingMacroImport']
        .filter(name => typeof window[name] !== 'function'),
  }));
  assert.deepEqual(shape, {panels: PANELS.slice().sort(), headers: true, themeSelect: true,
                           functions: []});

  // What the panel start script does with one panel, then the size it asks for.
  await page.evaluate(() => {
    document.querySelectorAll('.panel').forEach(p => { p.style.display = 'none'; });
    document.getElementById('panel-keyspam').style.display = 'block';
    resizeHostWindow();
  });
  const [size] = await calls(page, 'resizeWindow');
  const bottom = await page.evaluate(() =>
    document.getElementById('panel-keyspam').getBoundingClientRect().bottom);
  const [width, height] = size.split(',').map(Number);
  assert.equal(width, 420);
  assert.ok(height >= bottom && height <= bottom + 16, size);
  assert.deepEqual(page.errors, []);
});

test('every page callback does what a user expects', async () => {
  const page = await openPage(browser, {
    extra: ['getCustomThemes', 'getSharedTheme', 'setTheme', 'startUpdate'],
    state: {themes: [{key: 'Paper', name: 'Paper', bgMain: '#fafafa', bgPanel: '#ffffff',
                      bgHeader: '#eeeeee', accent: '#2255cc', accentHover: '#3366dd',
                      text: '#111111', font: "'Consolas', 'Courier New', monospace",
                      hasSkin: false}]},
  });
  const text = sel => page.evaluate(s => document.querySelector(s).textContent, sel);
  const cases = [
    ['onUpdateAvailable("1.1.0", "1.0.1")', async () => {
      assert.match(await text('#update-text'), /1\.1\.0 is available/);
      assert.equal(await page.isVisible('#update-banner'), true);
    }],
    ['onUpdateProgress(512, 2048)', async () => {
      assert.equal(await page.evaluate(() => document.getElementById('update-progress').value),
                   512);
      assert.match(await text('#update-text'), /25 %/);
    }],
    ['onUpdateInstalling()', async () => {
      assert.match(await text('#update-text'), /Installing/);
      assert.equal(await page.isDisabled('#update-install'), true);
    }],
    [`onThemeDropInstalled(${JSON.stringify(JSON.stringify({
      appliedKey: 'Paper', rejects: [{name: 'Bad.vtptheme', reason: 'It is broken.'}]}))})`,
     async () => {
       await page.waitForFunction(() => currentThemeKey === 'Paper');
       const toasts = await text('#toasts');
       assert.match(toasts, /Bad\.vtptheme: It is broken\./);
       assert.match(toasts, /Theme "Paper" applied/);
     }],
    ['onThemeFolderChanged()', async () => {
      await page.waitForFunction(() => __fake.count('getCustomThemes') >= 3);
    }],
    ['onPendingMacroImport({outcome: "pending", pendingId: "ab", level: "danger", matches: ' +
         '[{severity: "danger", message: "Opens the Run box", atSec: 1}]})', async () => {
      await page.waitForFunction(() => document.getElementById('review').open);
      assert.match(await text('#reviewMatches'), /DangerOpens the Run boxat 1 s/);
      await page.keyboard.press('Escape');  // Escape refuses the import
      await page.waitForFunction(() => __fake.count('cancelMacroImport') === 1);
    }],
    ['onProfileImported()', async () => {
      await page.waitForFunction(() => __fake.count('getProfiles') >= 2);
    }],
    ['refreshExpertList()', async () => {
      await page.waitForFunction(() => __fake.count('getMacroEvents') >= 3);
    }],
    ['alert("That macro file could not be read.")', async () => {
      assert.equal(await text('#alert-text'), 'That macro file could not be read.');
    }],
  ];
  for (const [script, check] of cases) {
    // As the program runs them: guarded by a test that the callback exists.
    await page.evaluate(script);
    await check();
  }
  assert.deepEqual(page.errors, []);
});

test('panel order and collapsed panels are saved and restored', async () => {
  const page = await openPage(browser, {viewport: {width: 1280, height: 900}});
  const order = () => page.evaluate(() =>
    [...document.querySelectorAll('#dashboard > .panel')].map(p => p.id));
  const before = await order();
  // Drag the program panel's header onto the first panel.
  const from = await page.locator('#panel-ui .panel-header h2').boundingBox();
  const to = await page.locator(`#${before[0]} .panel-header h2`).boundingBox();
  await page.mouse.move(from.x + 5, from.y + 5);
  await page.mouse.down();
  for (let i = 1; i <= 10; ++i) {
    await page.mouse.move(from.x + 5 + (to.x - from.x) * i / 10, from.y + 5 + (to.y - from.y) * i / 10);
  }
  await page.mouse.up();
  const dragged = await order();
  assert.equal(dragged[0], 'panel-ui');
  assert.deepEqual((await calls(page, 'setPanelOrder')).at(-1), dragged.join(','));
  // Alt+Down on a header button moves the panel one place.
  await page.focus('#panel-ui .panel-btn.collapse');
  await page.keyboard.press('Alt+ArrowDown');
  assert.equal((await order())[1], 'panel-ui');
  await page.click('#panel-tracker .panel-btn.collapse');
  assert.deepEqual((await calls(page, 'setAppSetting')).at(-1), 'min:panel-tracker,1');

  // What was saved comes back on the next start.
  const app = await page.evaluate(() => __fake.app);
  const again = await openPage(browser, {state: {app}});
  assert.deepEqual(await again.evaluate(() =>
    [...document.querySelectorAll('#dashboard > .panel')].map(p => p.id)), app.panelOrder);
  assert.equal(await again.evaluate(() =>
    document.getElementById('panel-tracker').classList.contains('collapsed')), true);
  assert.equal(await again.isVisible('#panel-tracker .panel-body'), false);
  assert.equal(await again.getAttribute('#panel-tracker .collapse', 'aria-expanded'), 'false');
});

test('a risky action warns once, and never after "Don\'t show again"', async () => {
  const starts = (page, name) => page.evaluate(n => __fake.count(n), name);
  const cases = [
    // [what, fake state, button, warning key, call that the confirmation lets through]
    ['interval under 10 ms', {}, '#spammerToggle', 'clickIntervalUnder10ms', 'startSpammer'],
    ['chord with a system key',
     {settings: {ksms: 50}, status: {keySpamChord: true, keySpamTargets: ['Control_L', 'C']}},
     '#keySpamToggle', 'chordSystemModifier', 'startKeySpam'],
    ['an imported macro',
     {status: {count: 3}, profiles: {current: 1, names: ['Default Tracking Profile', 'Farm (Imported)']}},
     '#playStart', 'playImportedMacro', 'startPlayback'],
  ];
  for (const [what, state, button, key, call] of cases) {
    const page = await openPage(browser, {state});
    await page.click(button);
    await page.waitForFunction(() => document.getElementById('warning').open);
    await page.click('#warningCancel');
    assert.equal(await starts(page, call), 0, what);
    await page.click(button);
    await page.check('#warningNever');
    await page.click('#warningGo');
    await page.waitForFunction(n => __fake.count(n) === 1, call);
    assert.deepEqual(await calls(page, 'markWarningSeen'), [key], what);
    await page.evaluate(() => { __fake.status.autoClicking = __fake.status.keySpamming = false; });

    // Seen: the next start asks nothing; and nothing is asked while warnings are off.
    for (const app of [{seenWarnings: [key]}, {showWarnings: false}]) {
      const next = await openPage(browser, {state: Object.assign({app}, state)});
      await next.click(button);
      await next.waitForFunction(n => __fake.count(n) === 1, call);
      assert.equal(await next.evaluate(() => document.getElementById('warning').open), false);
    }
  }
});

test('a rejected call is shown to the user', async () => {
  const page = await openPage(browser, {state: {reject: {addProfile: 'Failed to parse binding result as JSON'}}});
  await page.fill('#profileName', 'Farm');
  await page.click('#profileAdd');
  await page.waitForSelector('.toast.error');
  assert.match(await page.textContent('#toasts'),
               /could not do that \(addProfile\): Failed to parse binding result as JSON/);
});

test('the page polls only while it can be seen and changes only what changed', async () => {
  const page = await openPage(browser, {clock: true});
  const polls = () => page.evaluate(() => __fake.count('getTrackerStatus'));
  await page.evaluate(() => {
    window.__mutations = 0;
    new MutationObserver(list => { window.__mutations += list.length; })
        .observe(document.body, {subtree: true, childList: true, attributes: true,
                                 characterData: true});
  });
  let before = await polls();
  const settingsBefore = await page.evaluate(() => __fake.count('getSettings'));
  await page.clock.runFor(10000);
  const idle = (await polls()) - before;
  assert.ok(idle >= 8 && idle <= 11, `idle polls in 10 s: ${idle}`);
  // The settings only change by page actions: read now and then while nothing happens.
  assert.ok(await page.evaluate(() => __fake.count('getSettings')) - settingsBefore <= 3);
  assert.equal(await page.evaluate(() => window.__mutations), 0);

  // Hidden (minimised): no poll at all, unless pop-out panels read the files the poll refreshes.
  const hide = hidden => page.evaluate(h => {
    Object.defineProperty(document, 'visibilityState', {configurable: true, get: () =>
      h ? 'hidden' : 'visible'});
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
  await hide(true);
  before = await polls();
  await page.clock.runFor(10000);
  assert.equal((await polls()) - before, 0);
  await page.evaluate(() => { __fake.status.restore = ['panel-spammer']; });
  await hide(false);
  await hide(true);
  before = await polls();
  await page.clock.runFor(5000);
  assert.ok((await polls()) - before >= 4);

  // Running: quicker, and the meter shows the engine's figures.
  await page.evaluate(() => { __fake.status.restore = []; __fake.status.autoClicking = true; });
  await hide(false);
  await page.clock.runFor(1000);
  assert.equal(await page.isVisible('#clickMeter'), true);
  assert.equal(await page.textContent('#clickRate'), '99.9 /s');
  assert.equal(await page.textContent('#clickP99'), '0.31 ms');
  before = await polls();
  await page.clock.runFor(2000);
  assert.ok((await polls()) - before >= 7);
});

test('a long macro lists the rows in view, fetched as the list scrolls', async () => {
  const events = Array.from({length: 100000}, (_, id) => ({id, time: id / 1000, desc: 'Move'}));
  const page = await openPage(browser, {state: {events}});
  const numbers = () => page.evaluate(() =>
    [...document.querySelectorAll('#events .event .num')].map(n => Number(n.textContent)));
  await page.waitForFunction(() => document.getElementById('eventsNote').textContent ===
                             '100000 events');
  assert.equal((await numbers())[0], 1);
  await page.evaluate(() => { document.getElementById('events').scrollTop = 26 * 50000; });
  await page.waitForFunction(() => [...document.querySelectorAll('#events .event .num')]
      .some(n => n.textContent === '50001'));
  // Never the whole list: every fetch asked for a window.
  assert.ok((await calls(page, 'getMacroEvents')).every(args => /^\d+,\d+$/.test(args)));
  assert.ok((await numbers()).length < 100);
});

test('layout: one column, a grid when wide, never sideways scrolling', async () => {
  // 420 pixels at 100 %, 125 % and 150 % zoom, then a wide window.
  for (const [width, columns] of [[420, 1], [336, 1], [280, 1], [1280, 3]]) {
    const page = await openPage(browser, {viewport: {width, height: 700}});
    const layout = await page.evaluate(() => ({
      overflow: document.documentElement.scrollWidth - document.documentElement.clientWidth,
      columns: new Set([...document.querySelectorAll('.panel')].map(p =>
        Math.round(p.getBoundingClientRect().left))).size,
      // Panels in one column never overlap.
      overlap: [...document.querySelectorAll('.panel')].some((a, i, all) => all.some((b, j) => {
        const r = a.getBoundingClientRect(), s = b.getBoundingClientRect();
        return i !== j && r.left === s.left && r.top < s.bottom && s.top < r.bottom;
      })),
    }));
    assert.deepEqual(layout, {overflow: 0, columns, overlap: false}, `width ${width}`);
  }
});

test('accessible names, focus styles, and a light theme restyles everything', async () => {
  const page = await openPage(browser, {
    extra: ['getCustomThemes'],
    state: {themes: [{key: 'Paper', name: 'Paper', bgMain: '#fafafa', bgPanel: '#ffffff',
                      bgHeader: '#eeeeee', accent: '#2255cc', accentHover: '#3366dd',
                      text: '#111111', font: "'Segoe UI', Tahoma, Geneva, Verdana, sans-serif",
                      hasSkin: false}]},
  });
  const cdp = await page.context().newCDPSession(page);
  const {nodes} = await cdp.send('Accessibility.getFullAXTree');
  const controls = ['button', 'textbox', 'spinbutton', 'combobox', 'checkbox', 'switch',
                    'PopUpButton'];
  const unnamed = nodes.filter(n => !n.ignored && controls.includes(n.role && n.role.value) &&
                                    !(n.name && n.name.value && n.name.value.trim()));
  assert.deepEqual(unnamed.map(n => n.role.value), []);

  for (const selector of ['#spammerToggle', '#sms', '#sbtn', '#set-alwaysOnTop']) {
    await page.evaluate(s => document.querySelector(s).blur(), selector);
    await page.focus(selector);
    await page.keyboard.press('Shift+Tab');
    await page.keyboard.press('Tab');
    const outline = await page.evaluate(s => {
      const el = document.querySelector(s);
      const shown = el.type === 'checkbox' ? el.nextElementSibling : el;
      return getComputedStyle(shown).outlineStyle;
    }, selector);
    assert.notEqual(outline, 'none', selector);
  }
  // The switch works from the keyboard.
  await page.keyboard.press('Space');
  await page.waitForFunction(() => __fake.app.alwaysOnTop === true);

  const colours = () => page.evaluate(() => ['body', '.panel', '#sms', '#sbtn', '.panel-header']
      .map(s => getComputedStyle(document.querySelector(s)).backgroundColor));
  const dark = await colours();
  await page.selectOption('#theme-select', 'Paper');
  const light = await colours();
  light.forEach((colour, i) => assert.notEqual(colour, dark[i]));
  assert.equal(light[0], 'rgb(250, 250, 250)');
  assert.equal(await page.evaluate(() => getComputedStyle(document.querySelector('#sms')).color),
               'rgb(17, 17, 17)');
});

test('themes: the list with swatches, skins and fonts, import and delete', async () => {
  const fs = require('fs');
  const png = 'iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==';
  const font = fs.readFileSync('/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf').toString('base64');
  const theme = (key, name, bgMain, hasSkin) => ({key, name, bgMain, bgPanel: '#202020',
    bgHeader: '#303030', accent: '#4060f0', accentHover: '#5070ff', text: '#eeeeee',
    font: "'Consolas', 'Courier New', monospace", hasSkin});
  const page = await openPage(browser, {
    extra: ['getCustomThemes', 'getSharedTheme', 'setTheme', 'getSkinPiece', 'getSkinFont',
            'importTheme', 'deleteTheme'],
    state: {themes: [theme('Dark', 'Dark', '#101010', true), theme('Sand', 'Sand', '#d8c8a0', false)],
            skins: {Dark: {'panel': png, 'button.on': png, 'scroll-thumb': png}},
            fonts: {Dark: font},
            imports: [{error: 'That theme file failed validation.'},
                      {theme: theme('Mint', 'Mint', 'rgb(200, 240, 220)', false)}]},
  });
  const list = () => page.evaluate(() => [...document.querySelectorAll('#theme-list li')].map(li => [
    li.dataset.key, li.querySelector('.swatch').children.length,
    getComputedStyle(li.querySelector('.swatch span')).backgroundColor,
    li.getAttribute('aria-current'), !!li.querySelector('button')]));
  assert.deepEqual(await list(), [['velotap', 6, 'rgb(16, 20, 28)', 'true', false],
                                  ['Dark', 6, 'rgb(16, 16, 16)', 'false', true],
                                  ['Sand', 6, 'rgb(216, 200, 160)', 'false', true]]);

  // A skinned theme: its pieces become the images of their parts, its font the page's font.
  await page.selectOption('#theme-select', 'Dark');
  await page.waitForFunction(() => document.fonts.check('13px "VelotapSkin' +
                                                         Theme.skin.generation + '"'));
  const skinned = await page.evaluate(() => ({
    panel: getComputedStyle(document.querySelector('.panel')).backgroundImage,
    header: getComputedStyle(document.querySelector('.panel-header')).backgroundImage,
    hoverVar: getComputedStyle(document.documentElement).getPropertyValue('--skin-button-on'),
    scroll: document.documentElement.classList.contains('skin-scroll'),
    font: getComputedStyle(document.body).fontFamily,
  }));
  assert.match(skinned.panel, /^url\("blob:/);
  assert.equal(skinned.header, 'none');  // a piece the theme does not carry
  assert.match(skinned.hoverVar, /blob:/);
  assert.equal(skinned.scroll, true);
  assert.match(skinned.font, /^"?VelotapSkin\d+"?, Consolas/);
  assert.deepEqual(await calls(page, 'setTheme'), ['Dark']);

  // Another theme drops the skin; an unknown key falls back to the built-in look.
  await page.selectOption('#theme-select', 'Sand');
  assert.equal(await page.evaluate(() =>
    getComputedStyle(document.querySelector('.panel')).backgroundImage), 'none');
  await page.evaluate(() => applyTheme('Gone'));
  assert.equal(await page.evaluate(() => currentThemeKey), 'velotap');

  // Import: a failure is shown; a success is listed and applied.
  await page.click('#themeImport');
  await page.waitForFunction(() => /failed validation/.test(document.getElementById('toasts').textContent));
  await page.click('#themeImport');
  await page.waitForFunction(() => currentThemeKey === 'Mint');
  assert.equal(await page.evaluate(() => getComputedStyle(document.body).backgroundColor),
               'rgb(200, 240, 220)');

  // Delete asks first; deleting the current theme falls back to the built-in one.
  await page.click('#theme-list li[data-key="Mint"] button');
  await page.waitForFunction(() => document.getElementById('confirm').open);
  await page.keyboard.press('Escape');
  assert.deepEqual(await calls(page, 'deleteTheme'), []);
  await page.click('#theme-list li[data-key="Mint"] button');
  await page.click('#confirmGo');
  await page.waitForFunction(() => currentThemeKey === 'velotap' &&
                                   !document.querySelector('#theme-list li[data-key="Mint"]'));
  assert.deepEqual(await calls(page, 'deleteTheme'), ['Mint']);
  assert.deepEqual(page.errors, []);
});
