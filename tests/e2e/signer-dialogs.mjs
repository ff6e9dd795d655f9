// A real browser signing for real: the test extension in Chromium, shown on the X display of
// tests/signer/dialogs/run, calls SIGNDETACHED through the host beside the real signing library
// and a SoftHSM2 token; the test answers the signer's dialogs with xdotool as a person would,
// and the extension's result verifies with openssl cms.
//
//   FEROLANT_HOST=<host beside libtavrin.so> FEROLANT_TEST_KEYS=<keys> node signer-dialogs.mjs
import { execFileSync } from 'node:child_process';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';

import { chromium } from 'playwright-core';

import { HOST_NAME, register, stageExtension, waitUntil } from './support.mjs';

const CHROMIUM = process.env.FEROLANT_CHROMIUM || '/usr/lib/chromium/chromium';
const KEYS = process.env.FEROLANT_TEST_KEYS;
const TEXT = 'Objednávka č. 2026/118 podepsaná v Chromiu 🙂';

const xdotool = (...args) => {
  try {
    return execFileSync('xdotool', args, { encoding: 'utf8' }).trim();
  } catch {
    return '';
  }
};
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Waits for the dialog, checks that it is in front of the browser, and answers it.
async function answer(title, typed) {
  await waitUntil(() => xdotool('search', '--name', `^${title}$`) !== '', 60000);
  await waitUntil(() => xdotool('getactivewindow', 'getwindowname') === title, 10000);
  // Enter counts only half a second after the dialog appears or gets the focus.
  await sleep(700);
  if (typed) xdotool('type', '--delay', '30', typed);
  xdotool('key', 'Return');
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
    await answer('Ferolant – PIN', '1234');
    const r = await reply;
    assert.equal(r.error, undefined, JSON.stringify(r.error));

    const signature = path.join(scratch, 'signature.der');
    const content = path.join(scratch, 'content');
    fs.writeFileSync(signature, Buffer.from(r.value, 'base64'));
    fs.writeFileSync(content, TEXT);
    execFileSync('openssl', ['cms', '-verify', '-binary', '-inform', 'DER', '-in', signature,
      '-content', content, '-CAfile', path.join(KEYS, 'ca.pem'), '-out', '/dev/null'],
    { stdio: ['ignore', 'ignore', 'pipe'] });
  } finally {
    await context.close();
    await sleep(100);
    fs.rmSync(scratch, { recursive: true, force: true });
  }
});
