// Real browsers signing for real: the test extension in Chromium and in Firefox ESR, shown on
// the X display of tests/signer/dialogs/run, calls SIGNDETACHED through the host beside the
// real signing library and a SoftHSM2 token; the test answers the signer's dialogs with xdotool
// as a person would, and the extension's result verifies with openssl cms.
//
//   FEROLANT_HOST=<host beside libtavrin.so> FEROLANT_TEST_KEYS=<keys> node signer-dialogs.mjs
import { execFileSync, spawn } from 'node:child_process';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';

import { chromium } from 'playwright-core';

import {
  FIREFOX, GECKO_ID, HOST_NAME, REGISTER, register, stageExtension, waitUntil, writeProfile, writeReporter,
} from './support.mjs';

const CHROMIUM = process.env.FEROLANT_CHROMIUM || '/usr/lib/chromium/chromium';
const KEYS = process.env.FEROLANT_TEST_KEYS;
const TEXT = 'Objednávka č. 2026/118 podepsaná v Chromiu 🙂';

const xdotool = (...args) => {
  try {
    return execFileSync('xdotool', args, { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }).trim();
  } catch {
    return '';
  }
};
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// The arguments of the program that shows a window: what the dialog says.
function shownBy(window) {
  const pid = xdotool('getwindowpid', window);
  return pid ? fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8').split('\0').join(' ') : '';
}

// Waits for the dialog, checks that it is in front of the browser and, when asked, that it
// names the extension; then answers it.
async function answer(title, typed, requester) {
  await waitUntil(() => xdotool('search', '--name', `^${title}$`) !== '', 60000);
  await waitUntil(() => xdotool('getactivewindow', 'getwindowname') === title, 10000);
  if (requester) {
    const shown = shownBy(xdotool('getactivewindow'));
    assert.ok(shown.includes(requester), `the dialog does not name ${requester}: ${shown}`);
  }
  // Enter counts only half a second after the dialog appears or gets the focus.
  await sleep(700);
  if (typed) xdotool('type', '--delay', '30', typed);
  xdotool('key', 'Return');
}

// The extension's reply holds a signature of text that openssl cms accepts.
function verify(r, text, scratch) {
  assert.equal(r?.error, undefined, JSON.stringify(r?.error));
  const signature = path.join(scratch, 'signature.der');
  const content = path.join(scratch, 'content');
  fs.writeFileSync(signature, Buffer.from(r.value, 'base64'));
  fs.writeFileSync(content, text);
  execFileSync('openssl', ['cms', '-verify', '-binary', '-inform', 'DER', '-in', signature,
    '-content', content, '-CAfile', path.join(KEYS, 'ca.pem'), '-out', '/dev/null'],
  { stdio: ['ignore', 'ignore', 'pipe'] });
}

test('SIGNDETACHED from the extension, PIN typed into the real dialog, verifies', async () => {
  const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'ferolant-signer-e2e-'));
  const userDataDir = path.join(scratch, 'profile');
  const extension = stageExtension(path.join(scratch, 'extension'));
  register(['install', '--browser', 'chromium', '--user-data-dir', userDataDir]);
  const context = await chromium.launchPersistentContext(userDataDir, {
    executablePath: CHROMIUM,
    headless: false,  // a real window on the display, which the dialog must come in front of
    ignoreDefaultArgs: ['--disable-extensions'],
    env: { ...process.env },
    args: [
      '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--disable-extensions-except=${extension}`, `--load-extension=${extension}`,
    ],
  });
  try {
    const worker = context.serviceWorkers()[0] ??
      await context.waitForEvent('serviceworker', { timeout: 60000 });
    await waitUntil(() => worker.evaluate(() => typeof globalThis.e2e === 'object'), 30000);
    const page = await context.newPage();
    await page.goto('about:blank');
    await page.bringToFront();

    const reply = worker.evaluate(
      ([h, t]) => globalThis.e2e.send(h, 'SIGNDETACHED', [t, '0'], { tabId: 3, timeoutMs: 180000 }),
      [HOST_NAME, TEXT]);
    await answer('Ferolant – choose a certificate');
    await answer('Ferolant – PIN', '1234', 'chrome-extension://');
    verify(await reply, TEXT, scratch);
  } finally {
    await context.close();
    await sleep(100);
    fs.rmSync(scratch, { recursive: true, force: true });
  }
});

// Firefox starts the host with the manifest's path and the extension's id, which the dialog
// names. Firefox cannot be driven from outside: the extension signs by itself once the test,
// through the reporter host, says the browser's window is in front.
test('Firefox ESR: SIGNDETACHED through the real dialogs, naming the extension, verifies',
  { skip: !fs.existsSync(`/usr/bin/${FIREFOX}`) && !path.isAbsolute(FIREFOX) && 'no Firefox ESR' },
  async () => {
    const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'ferolant-signer-firefox-'));
    const profile = path.join(scratch, 'profile');
    fs.mkdirSync(profile);
    const go = path.join(scratch, 'go');
    const reportFile = path.join(scratch, 'report.json');
    const reporter = writeReporter(scratch, { host: HOST_NAME, signText: TEXT, signOnly: true },
                                   reportFile, go);
    for (const [name, host] of [[HOST_NAME, process.env.FEROLANT_HOST], ['ferolant.e2e_report', reporter]]) {
      execFileSync(REGISTER, ['install', '--browser', 'firefox', '--name', name, '--path', host,
                              '--firefox-id', GECKO_ID], { stdio: ['ignore', 'ignore', 'inherit'] });
    }
    writeProfile(profile);
    const firefox = spawn(FIREFOX, ['--no-remote', '--profile', profile, 'about:blank'],
                          { env: { ...process.env, MOZ_CRASHREPORTER_DISABLE: '1' },
                            stdio: 'ignore', detached: true });
    try {
      let window = '';
      await waitUntil(() => (window = xdotool('search', '--onlyvisible', '--class', 'firefox')
        .split('\n')[0]) !== '', 90000, 'no Firefox window');
      await waitUntil(() => {
        xdotool('windowactivate', window);
        return xdotool('getactivewindow') === window;
      }, 30000, 'the Firefox window does not come in front');
      fs.writeFileSync(go, '');
      await answer('Ferolant – choose a certificate');
      await answer('Ferolant – PIN', '1234', GECKO_ID);
      await waitUntil(() => fs.existsSync(reportFile), 60000, 'no report from the extension');
      verify(JSON.parse(fs.readFileSync(reportFile, 'utf8')).sign, TEXT, scratch);
    } finally {
      try { process.kill(-firefox.pid, 'SIGTERM'); } catch { /* ended */ }
      await sleep(500);
      try { process.kill(-firefox.pid, 'SIGKILL'); } catch { /* ended */ }
      fs.rmSync(scratch, { recursive: true, force: true });
    }
  });
