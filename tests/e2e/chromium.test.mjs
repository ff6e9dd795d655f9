// The host driven by a real Chromium through the test extension and ferolant.mjs: every case
// goes through send() (sendNativeMessage: a host process per message) and through a client
// of connect() (connectNative: one process for many messages).
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { chromium } from 'playwright-core';

import {
  EXTENSION_ID, HOST_NAME, HOST_PATH, SIGN_TEXT, checkEveryOperation, hostPids, longRun,
  register, stageExtension, standinSignature, waitUntil,
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
  const extension = stageExtension(path.join(scratch, 'extension'));
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
      `--disable-extensions-except=${extension}`, `--load-extension=${extension}`,
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

// The two ways an extension reaches a host. Each resolves with the result's data or rejects
// with the fields of the module's error.
const channels = {
  sendNativeMessage: {
    overPort: false,
    async call(method, params, tabId) {
      return unwrap(await inWorker(([h, m, p, o]) => globalThis.e2e.send(h, m, p, o),
                                   [HOST_NAME, method, params, { tabId, timeoutMs: CALL_MS }]));
    },
  },
  connectNative: {
    overPort: true,
    client: null,
    async call(method, params, tabId) {
      this.client ??= await inWorker((h) => globalThis.e2e.open(h), HOST_NAME);
      return unwrap(await inWorker(([id, m, p, o]) => globalThis.e2e.call(id, 'call', [m, p], o),
                                   [this.client, method, params, { tabId, timeoutMs: CALL_MS }]));
    },
  },
};

function unwrap({ value, error }) {
  if (error) throw Object.assign(new Error(error.message), error);
  return value;
}

// The fields of the module's error that a call rejects with.
async function failure(promise) {
  const e = await promise.then((v) => assert.fail(`resolved with ${v}`), (error) => error);
  return { source: e.source, method: e.method, errNo: e.errNo, errMsg: e.errMsg };
}

for (const [name, channel] of Object.entries(channels)) {
  describe(`through ${name}`, () => {
    after(async () => {
      if (channel.client) await inWorker((id) => globalThis.e2e.close(id), channel.client);
      channel.client = null;
    });

    test('NATIVEVERSION, in upper and lower case', async () => {
      assert.equal(await channel.call('NATIVEVERSION', [], 3), '2');
      assert.equal(await channel.call('nativeversion', [], 4), '2');
    });

    test('ABOUT and INIT', async () => {
      assert.equal(await channel.call('ABOUT', [], 5),
                   'Tavrin stand-in signing library 1.0 (deterministic test double)');
      assert.equal(await channel.call('INIT', [], 6), 'OK');
    });

    test('SIGNDETACHED receives the text exactly as the extension sent it', async () => {
      assert.equal(await channel.call('SIGNDETACHED', [SIGN_TEXT, '7'], 8),
                   standinSignature(SIGN_TEXT, 7));
    });

    test('lone surrogates: one in a reply arrives as sent, one in a request becomes U+FFFD', async () => {
      // Five units of the stand-in's run end in the high half of a pair.
      const data = await channel.call('SIGNDETACHED', ['x', '20000005'], 13);
      assert.equal(data, longRun(5));
      assert.equal(data.at(-1), '\ud83d');
      // Chromium writes a lone surrogate as an ASCII escape; the host hands parameters to the
      // library through UTF-8, which has no form for it.
      assert.equal(await channel.call('SIGNDETACHED', ['a\ud83d', '0'], 14),
                   standinSignature('a\ufffd', 0));
    });

    test('a wrong shape, an unknown method', async () => {
      // The module makes no request of the wrong shape, so this one goes out as it is, followed
      // over a port by a good one that must still be answered.
      const wrong = { metoda: 'INIT', parametry: [], tabID: 9 };
      const good = { metoda: 'NATIVEVERSION', parametry: {}, tabID: 10 };
      const replies = unwrap(await inWorker(([h, m, p, ms]) => globalThis.e2e.raw(h, m, p, ms),
                                            [HOST_NAME, [wrong, good], channel.overPort, CALL_MS]));
      assert.deepEqual([replies[0].errNo, replies[0].errMsg, replies[0].metoda],
                       [-31909, 'Invalid communication', '']);
      if (channel.overPort) assert.equal(replies[1].result.data, '2');
      assert.deepEqual(await failure(channel.call('NOSUCHMETHOD', [], 10)), {
        source: 'host', method: 'NOSUCHMETHOD', errNo: -31901, errMsg: 'Unknown method name',
      });
    });

    test('GETFILESIZE of a real file with a non-ASCII name', async () => {
      const file = path.join(scratch, `žluťoučký ${name}.bin`);
      fs.writeFileSync(file, Buffer.alloc(123457, 0x5a));
      assert.equal(await channel.call('GETFILESIZE', [`  ${file} `], 11), '123457');
      assert.deepEqual(await failure(channel.call('GETFILESIZE', [`${file}.none`], 12)), {
        source: 'host', method: 'GETFILESIZE', errNo: 5102, errMsg: 'File not found',
      });
    });
  });
}

test('every operation through its own method, over one port', async () => {
  const file = path.join(scratch, 'every operation.bin');
  fs.writeFileSync(file, Buffer.alloc(123457, 0x5a));
  checkEveryOperation(await inWorker(([h, f, ms]) => globalThis.e2e.everyOperation(h, f, ms),
                                     [HOST_NAME, file, CALL_MS]), file);
});

test('a host that is not installed: the browser\'s own message, both ways', async () => {
  const viaSend = await inWorker((h) => globalThis.e2e.send(h, 'ABOUT', [], {}), 'ferolant.none');
  const client = await inWorker((h) => globalThis.e2e.open(h), 'ferolant.none');
  const viaPort = await inWorker((id) => globalThis.e2e.call(id, 'about', []), client);
  for (const { error } of [viaSend, viaPort]) {
    assert.deepEqual([error?.message, error?.source, error?.method],
                     ['Specified native messaging host not found.', 'browser', 'ABOUT']);
  }
});

describe('long results', () => {
  const expected = longRun(1000000);

  test('1,000,000 non-ASCII units over one port arrive whole, in frames the browser takes', async () => {
    const client = await inWorker((h) => globalThis.e2e.open(h), HOST_NAME);
    const r = unwrap(await inWorker(([id, n, ms]) => globalThis.e2e.long(id, n, ms),
                                    [client, 21000000, CALL_MS]));
    await inWorker((id) => globalThis.e2e.close(id), client);
    assert.ok(r.progress.length >= 3, `${r.progress.length} blocks`);
    r.progress.forEach((p, i) => {
      assert.equal(p.blocks, i + 1);
      assert.ok(p.units > (i ? r.progress[i - 1].units : 0), 'an empty block');
    });
    assert.equal(r.progress.at(-1).units, expected.length);
    assert.equal(r.data.length, expected.length);
    assert.ok(r.data === expected, 'the joined blocks differ from the expected text');
  });

  test('through sendNativeMessage the first block arrives, saying the rest is lost', async () => {
    const { error } = await inWorker(
      ([h, ms]) => globalThis.e2e.send(h, 'SIGNDETACHED', ['x', '21000000'], { timeoutMs: ms }),
      [HOST_NAME, CALL_MS]);
    assert.equal(error?.source, 'reply');
    assert.match(error.message, /longer than one reply/);
    assert.ok(error.data.length > 0);
    assert.ok(expected.startsWith(error.data));
  });
});

describe('one port, many requests', () => {
  test('200 requests made at once are answered in order', async () => {
    const client = await inWorker((h) => globalThis.e2e.open(h), HOST_NAME);
    const data = unwrap(await inWorker(([id, n, ms]) => globalThis.e2e.many(id, n, ms),
                                       [client, 200, CALL_MS]));
    await inWorker((id) => globalThis.e2e.close(id), client);
    assert.equal(data.length, 200);
    data.forEach((d, i) => assert.equal(d, standinSignature(`zpráva č. ${i}`, i)));
  });

  test('after disconnect() the host process is gone within 1 s', async () => {
    const before = new Set(hostPids());
    const client = await inWorker((h) => globalThis.e2e.open(h), HOST_NAME);
    const first = await inWorker(
      ([id, ms]) => globalThis.e2e.call(id, 'nativeVersion', [], { timeoutMs: ms }),
      [client, CALL_MS]);
    assert.equal(first.value, '2', first.error?.message);
    const mine = hostPids().filter((pid) => !before.has(pid));
    assert.equal(mine.length, 1, `host processes started for the port: ${mine}`);
    await inWorker((id) => globalThis.e2e.close(id), client);
    const closedAt = Date.now();
    await waitUntil(() => !hostPids().includes(mine[0]), 1000,
                    `host ${mine[0]} still running 1 s after the port was closed`);
    console.log(`# host ended ${Date.now() - closedAt} ms after disconnect`);
  });
});
