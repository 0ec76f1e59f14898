'use strict';
// Headless Chromium (Debian's) showing the page from the build's ui folder over the fake program.
const fs = require('fs');
const os = require('os');
const path = require('path');
const {chromium} = require('playwright-core');
const {fakeProgram} = require('./fake_program');

const UI = process.env.VELOTAP_UI;
const FLAGS = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
               '--disable-background-networking', '--disable-component-update', '--disable-sync'];

async function launch() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'velotap-page-'));
  const context = await chromium.launchPersistentContext(dir, {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true, args: FLAGS,
    viewport: {width: 420, height: 560},
  });
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(dir, {recursive: true, force: true});
    },
  };
}

// A fresh page over a fresh fake; resolves once the page shows its first state (unless the fake
// holds it back).
async function openPage(browser, options = {}) {
  const page = await browser.context.newPage();
  page.errors = [];
  page.on('pageerror', error => page.errors.push(String(error)));
  if (options.viewport) await page.setViewportSize(options.viewport);
  if (options.clock) await page.clock.install();
  await page.addInitScript(fakeProgram, options);
  await page.goto('file://' + path.join(UI, 'index.html'));
  if (!options.holdFirstStatus) {
    await page.waitForFunction(() => !document.body.classList.contains('booting'));
  }
  return page;
}

const calls = (page, name) =>
  page.evaluate(n => __fake.calls.filter(c => c[0] === n).map(c => c[1]), name);

module.exports = {launch, openPage, calls};
