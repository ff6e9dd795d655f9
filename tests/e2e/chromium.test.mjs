// The host driven by a real Chromium through the test extension: every case goes through
// chrome.runtime.sendNativeMessage (a host process per message) and through connectNative
// (one process for many messages).
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { chromium } from 'playwright-core';

import {
  EXTENSION_DIR, EXTENSION_ID, HOST_NAME, HOST_PATH, SIGN_TEXT, hostPids, longRun, register,
  request, standinSignature, waitUntil,
} from './support.mjs';

const CHROMIUM = process.env.FEROLANT_CHROMIUM || '/usr/lib/chromium/chromium';
const CALL_MS = 60000;  // inside the extension; generous for a loaded machine

let context;
let worker;
let scratch;

// Runs fn(arg) in the extension's service worker.
const inWorker = (fn, arg) => worker.evaluate(fn, arg);

before(async () => {
  scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'ferolant-e2e-'));
  const userDataDir = path.join(scratch, 'profile');
  // An installed package's host is found through its system-wide manifest instead.
  if (process.env.FEROLANT_E2E_MANIFEST !== 'system') {
    register(['install', '--browser', 'chromium', '--user-data-dir', userDataDir]);
  }
  context = await chromium.launchPersistentContext(userDataDir, {
    executablePath: CHROMIUM,
    headless: true,
    ignoreDefaultArgs: ['--disable-extensions'],
    args: [
      '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--disable-extensions-except=${EXTENSION_DIR}`, `--load-extension=${EXTENSION_DIR}`,
    ],
  });
  worker = context.serviceWorkers()[0] ??
    await context.waitForEvent('serviceworker', { timeout: 60000 });
  await waitUntil(() => inWorker(() => typeof globalThis.e2e === 'object'), 30000);
});

after(async () => {
  await context?.close();
  if (scratch) fs.rmSync(scratch, { recursive: true, force: true });
});

test('the extension id follows from the key in its manifest', () => {
  assert.equal(new URL(worker.url()).host, EXTENSION_ID);
});

// The two ways an extension reaches a host. Each returns the decoded reply or throws with the
// browser's error text.
const channels = {
  sendNativeMessage: {
    async call(message) {
      const r = await inWorker(([h, m, ms]) => globalThis.e2e.sendOnce(h, m, ms),
                               [HOST_NAME, message, CALL_MS]);
      if (r.error) throw new Error(r.error);
      return r.reply;
    },
  },
  connectNative: {
    port: null,
    async call(message) {
      this.port ??= await inWorker((h) => globalThis.e2e.openPort(h), HOST_NAME);
      const r = await inWorker(([id, m, ms]) => globalThis.e2e.portCall(id, m, ms),
                               [this.port, message, CALL_MS]);
      if (r.error) throw new Error(r.error);
      return r.reply;
    },
  },
};

for (const [name, channel] of Object.entries(channels)) {
  describe(`through ${name}`, () => {
    after(async () => {
      if (channel.port) await inWorker((id) => globalThis.e2e.closePort(id), channel.port);
      channel.port = null;
    });

    test('NATIVEVERSION, in upper and lower case', async () => {
      assert.deepEqual(await channel.call(request('NATIVEVERSION', [], 3)), {
        metoda: 'NATIVEVERSION', result: { data: '2', hasNextPart: 0 }, errNo: 0, tabID: 3,
        errMsg: '',
      });
      const lower = await channel.call(request('nativeversion', [], 4));
      assert.equal(lower.metoda, 'nativeversion');
      assert.equal(lower.result.data, '2');
      assert.equal(lower.errNo, 0);
    });

    test('ABOUT and INIT', async () => {
      const about = await channel.call(request('ABOUT', [], 5));
      assert.equal(about.errNo, 0);
      assert.equal(about.result.data,
                   'Tavrin stand-in signing library 1.0 (deterministic test double)');
      const init = await channel.call(request('INIT', [], 6));
      assert.deepEqual([init.errNo, init.result.data, init.errMsg], [0, 'OK', '']);
    });

    test('SIGNDETACHED receives the text exactly as the extension sent it', async () => {
      const reply = await channel.call(request('SIGNDETACHED', [SIGN_TEXT, '7'], 8));
      assert.equal(reply.errNo, 0, reply.errMsg);
      assert.equal(reply.result.data, standinSignature(SIGN_TEXT, 7));
    });

    test('lone surrogates: one in a reply arrives as sent, one in a request becomes U+FFFD', async () => {
      // Five units of the stand-in's run end in the high half of a pair.
      const reply = await channel.call(request('SIGNDETACHED', ['x', '20000005'], 13));
      assert.equal(reply.result.data, longRun(5));
      assert.equal(reply.result.data.at(-1), '\ud83d');
      // Chromium writes a lone surrogate as an ASCII escape; the host hands parameters to the
      // library through UTF-8, which has no form for it.
      const lone = await channel.call(request('SIGNDETACHED', ['a\ud83d', '0'], 14));
      assert.equal(lone.result.data, standinSignature('a\ufffd', 0));
    });

    test('a wrong shape, an unknown method', async () => {
      const wrong = await channel.call({ metoda: 'INIT', parametry: [], tabID: 9 });
      assert.equal(wrong.errNo, -31909);
      assert.equal(wrong.errMsg, 'Invalid communication');
      assert.equal(wrong.metoda, '');
      const unknown = await channel.call(request('NOSUCHMETHOD', [], 10));
      assert.deepEqual([unknown.errNo, unknown.errMsg, unknown.metoda, unknown.result.data],
                       [-31901, 'Unknown method name', 'NOSUCHMETHOD', '']);
    });

    test('GETFILESIZE of a real file with a non-ASCII name', async () => {
      const file = path.join(scratch, `žluťoučký ${name}.bin`);
      fs.writeFileSync(file, Buffer.alloc(123457, 0x5a));
      const reply = await channel.call(request('GETFILESIZE', [`  ${file} `], 11));
      assert.deepEqual([reply.errNo, reply.result.data], [0, '123457']);
      const missing = await channel.call(request('GETFILESIZE', [`${file}.none`], 12));
      assert.deepEqual([missing.errNo, missing.errMsg], [5102, 'File not found']);
    });
  });
}

describe('long results', () => {
  const expected = longRun(1000000);

  test('1,000,000 non-ASCII units over one port arrive whole, in frames the browser takes', async () => {
    const port = await inWorker((h) => globalThis.e2e.openPort(h), HOST_NAME);
    const r = await inWorker(([id, m, ms]) => globalThis.e2e.portFetchAll(id, m, ms),
                             [port, request('SIGNDETACHED', ['x', '21000000'], 20), CALL_MS]);
    await inWorker((id) => globalThis.e2e.closePort(id), port);
    assert.equal(r.error, undefined, r.error);
    assert.ok(r.parts.length >= 3, `${r.parts.length} replies`);
    assert.equal(r.parts.at(-1).hasNextPart, 0);
    assert.ok(r.parts.slice(0, -1).every((p) => p.hasNextPart === 1 && p.length > 0));
    assert.ok(r.parts.every((p) => p.errNo === 0));
    assert.equal(r.data.length, expected.length);
    assert.ok(r.data === expected, 'the joined blocks differ from the expected text');
  });

  test('through sendNativeMessage the first block arrives and announces the rest', async () => {
    const r = await channels.sendNativeMessage.call(request('SIGNDETACHED', ['x', '21000000'], 21));
    assert.equal(r.errNo, 0);
    assert.equal(r.result.hasNextPart, 1);
    assert.ok(r.result.data.length > 0);
    assert.ok(expected.startsWith(r.result.data));
  });
});

describe('one port, many requests', () => {
  test('200 requests sent at once are answered in order', async () => {
    const port = await inWorker((h) => globalThis.e2e.openPort(h), HOST_NAME);
    const messages = Array.from({ length: 200 }, (_, i) =>
      request('SIGNDETACHED', [`zpráva č. ${i}`, String(i)], i + 1));
    const r = await inWorker(([id, ms, ms2]) => globalThis.e2e.portCallMany(id, ms, ms2),
                             [port, messages, CALL_MS]);
    await inWorker((id) => globalThis.e2e.closePort(id), port);
    assert.equal(r.error, undefined, r.error);
    assert.equal(r.replies.length, 200);
    r.replies.forEach((reply, i) => {
      assert.equal(reply.tabID, i + 1);
      assert.equal(reply.result.data, standinSignature(`zpráva č. ${i}`, i));
    });
  });

  test('after port.disconnect() the host process is gone within 1 s', async () => {
    const before = new Set(hostPids());
    const port = await inWorker((h) => globalThis.e2e.openPort(h), HOST_NAME);
    const first = await inWorker(([id, m, ms]) => globalThis.e2e.portCall(id, m, ms),
                                 [port, request('NATIVEVERSION', [], 1), CALL_MS]);
    assert.equal(first.reply?.result.data, '2', first.error);
    const mine = hostPids().filter((pid) => !before.has(pid));
    assert.equal(mine.length, 1, `host processes started for the port: ${mine}`);
    await inWorker((id) => globalThis.e2e.closePort(id), port);
    const closedAt = Date.now();
    await waitUntil(() => !hostPids().includes(mine[0]), 1000,
                    `host ${mine[0]} still running 1 s after the port was closed`);
    console.log(`# host ended ${Date.now() - closedAt} ms after disconnect`);
  });
});
