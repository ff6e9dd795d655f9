// ferolant.mjs against a fake browser runtime: long results joined from their blocks, errors
// as FerolantError, a port that goes away, time-outs, and the checks made before sending.
import { afterEach, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';

import { connect, send } from '../../js/ferolant.mjs';
import { installFakeBrowser, removeFakeBrowser } from './fake_browser.mjs';

const HOST = 'ferolant.host';

afterEach(removeFakeBrowser);

// Resolves with the error a promise rejects with, failing when it resolves instead.
async function failure(promise) {
  let value;
  try {
    value = await promise;
  } catch (e) {
    return e;
  }
  return assert.fail(`resolved with ${JSON.stringify(value)}`);
}

describe('long results', () => {
  const cases = [
    { name: 'one block', data: 'abc', blocks: ['abc'] },
    { name: 'a surrogate pair split between two blocks', data: 'ab😀cd',
      blocks: ['ab\ud83d', '\ude00cd'] },
    { name: 'a lone high surrogate at the very end', data: 'xyz\ud83d', blocks: ['xyz', '\ud83d'] },
    { name: 'a length that is a whole number of blocks', data: 'abcdef', blocks: ['abc', 'def'] },
  ];
  for (const { name, data, blocks } of cases) {
    test(name, async () => {
      const log = installFakeBrowser({ answer: () => data, blockUnits: 3 });
      const progress = [];
      const client = connect(HOST, { tabId: 42 });
      const result = await client.signDetached('x', 7, { onProgress: (p) => progress.push(p) });
      assert.ok(result === data, `joined ${JSON.stringify(result)}`);
      let units = 0;
      assert.deepEqual(progress,
                       blocks.map((b, i) => ({ blocks: i + 1, units: (units += b.length) })));
      assert.deepEqual(log.posted, [
        { metoda: 'SIGNDETACHED', parametry: { param1: 'x', param2: '7' }, tabID: 42 },
        ...blocks.slice(1).map(() => ({ metoda: 'GETNEXTBLOCK', parametry: {}, tabID: 42 })),
      ]);
    });
  }

  test('calls made at once go one at a time: none drops the blocks of another', async () => {
    const log = installFakeBrowser({ answer: (method, [text]) => text.repeat(5) });
    const client = connect(HOST);
    const texts = ['čřá€😀ž', 'abc', '', 'xyz\ud83d'];
    const results = await Promise.all(texts.map((t) => client.call('ENCODEFILE', [t])));
    assert.deepEqual(results, texts.map((t) => t.repeat(5)));
    assert.equal(log.maxOutstanding, 1);
  });
});

describe('error replies', () => {
  const cases = [
    { call: (c) => c.signDetached('', 0), reply: { errNo: 2, errMsg: 'Nothing to sign' },
      expect: { method: 'SIGNDETACHED', source: 'library', errNo: 2, errMsg: 'Nothing to sign',
                data: '' } },
    { call: (c) => c.init(), reply: { errNo: 3, errMsg: 'Out of service', data: 'ERR' },
      expect: { method: 'INIT', source: 'library', errNo: 3, errMsg: 'Out of service',
                data: 'ERR' } },
    { call: (c) => c.call('NoSuchMethod'), reply: { errNo: -31901, errMsg: 'Unknown method name' },
      expect: { method: 'NoSuchMethod', source: 'host', errNo: -31901,
                errMsg: 'Unknown method name' } },
    { call: (c) => c.getFileSize('/none'), reply: { errNo: 5102, errMsg: 'File not found' },
      expect: { method: 'GETFILESIZE', source: 'host', errNo: 5102, errMsg: 'File not found' } },
  ];
  for (const { call, reply, expect } of cases) {
    test(`${expect.method} ${expect.errNo}, and the client goes on`, async () => {
      installFakeBrowser({
        answer: (method) => (method === 'NATIVEVERSION' ? '2' : { data: '', ...reply }),
      });
      const client = connect(HOST);
      const e = await failure(call(client));
      assert.equal(e.name, 'FerolantError');
      assert.match(e.message, new RegExp(`${expect.errMsg} \\(error ${expect.errNo} from`));
      assert.deepEqual({ method: e.method, source: e.source, errNo: e.errNo, errMsg: e.errMsg,
                         ...('data' in expect ? { data: e.data } : {}) }, expect);
      assert.equal(await client.nativeVersion(), '2');
    });
  }
});

describe('the host going away in the middle of a long result', () => {
  for (const flavour of ['chromium', 'firefox']) {
    test(`${flavour}: every pending call fails with the browser's own message`, async () => {
      const message = 'Error when communicating with the native messaging host.';
      installFakeBrowser({ flavour, answer: () => 'x'.repeat(40), repliesBeforeExit: 2,
                           exitMessage: message });
      const client = connect(HOST);
      const progress = [];
      const errors = await Promise.all([
        client.signDetached('long', 10000040, { onProgress: (p) => progress.push(p) }),
        client.about(),
      ].map(failure));
      assert.deepEqual(errors.map((e) => [e.message, e.source, e.method]),
                       [[message, 'browser', 'SIGNDETACHED'], [message, 'browser', 'ABOUT']]);
      assert.equal(progress.length, 2);
      assert.ok(client.closed);
      assert.equal((await failure(client.nativeVersion())).message, message);
    });
  }
});

describe('time-outs', () => {
  test('a call without an answer in time fails, and the port is closed with it', async () => {
    const log = installFakeBrowser({ answer: () => new Promise(() => {}) });
    const client = connect(HOST);
    const [e, queued] = await Promise.all(
      [client.signDetached('text', 0, { timeoutMs: 20 }), client.about()].map(failure));
    assert.deepEqual([e.source, e.method], ['timeout', 'SIGNDETACHED']);
    assert.match(e.message, /no answer within 20 ms/);
    assert.ok(log.disconnectedByExtension);
    assert.ok(client.closed);
    assert.deepEqual([queued.source, queued.method], ['timeout', 'ABOUT']);
    assert.match(queued.message, /closed after SIGNDETACHED got no answer within 20 ms/);
  });

  test('the time-out counts from sending, not while the call waits its turn', async () => {
    let personAnswers;
    installFakeBrowser({
      answer: (method) =>
        (method === 'SIGNDETACHED' ? new Promise((r) => { personAnswers = r; }) : 'OK'),
    });
    const client = connect(HOST);
    const dialog = client.signDetached('text', 0);
    const init = client.init({ timeoutMs: 300 });
    // Long enough for INIT's time-out to have run out, had it started with the call.
    await new Promise((r) => setTimeout(r, 400));
    personAnswers('signature');
    assert.deepEqual(await Promise.all([dialog, init]), ['signature', 'OK']);
  });
});

describe('checks before sending', () => {
  const refused = [
    [(c) => c.call('SIGNDETACHED', ['x', 7]), /parameter 2 must be a string, not number 7/],
    [(c) => c.call('SIGNDETACHED', [null]), /parameter 1 must be a string, not null/],
    [(c) => c.signDetached(undefined, 0), /parameter 1 must be a string, not undefined/],
    [(c) => c.call('ABOUT', Array(11).fill('p')), /11 parameters given; the host takes at most 10/],
    [(c) => c.call('', []), /method name must be a non-empty string/],
    [(c) => c.call('ABOUT', 'text'), /parameters must be an array of strings/],
    [(c) => c.signDetached('x', 2 ** 31), /parameter 2 must be a whole number within 32 bits/],
    [(c) => c.signDetached('x', '7'), /parameter 2 must be a whole number/],
    [(c) => c.setCodePage(1250.5), /parameter 1 must be a whole number/],
    [(c) => c.about({ tabId: 2 ** 31 }), /tab id must be a whole number within 32 bits/],
    [(c) => c.about({ tabId: -(2 ** 31) - 1 }), /tab id must be a whole number/],
    [(c) => c.about({ tabId: '7' }), /tab id must be a whole number/],
    [(c) => c.about({ timeoutMs: -1 }), /time-out must be a number of milliseconds/],
    [() => send(HOST, 'SIGNDETACHED', 'x', 7), /parameter 2 must be a string, not number 7/],
    [() => send(HOST, 'ABOUT', { tabId: 2 ** 32 }), /tab id must be a whole number/],
  ];
  for (const [call, message] of refused) {
    test(`refused: ${message.source}`, async () => {
      const log = installFakeBrowser();
      const e = await failure(call(connect(HOST)));
      assert.match(e.message, message);
      assert.equal(e.source, 'input');
      assert.deepEqual(log.posted, []);
    });
  }

  test('the limits themselves are accepted', async () => {
    const log = installFakeBrowser();
    const client = connect(HOST);
    await client.call('ABOUT', Array(10).fill('p'), { tabId: -(2 ** 31) });
    await client.signDetached('x', 2 ** 31 - 1, { tabId: 2 ** 31 - 1 });
    assert.deepEqual(log.posted.map((m) => [Object.keys(m.parametry).length, m.tabID]),
                     [[10, -(2 ** 31)], [2, 2 ** 31 - 1]]);
    assert.equal(log.posted[1].parametry.param2, '2147483647');
  });
});

describe('one-shot send', () => {
  for (const flavour of ['chromium', 'firefox']) {
    test(`${flavour}: a short result, a long one, an error reply, a host not found`, async () => {
      installFakeBrowser({
        flavour, blockUnits: 5,
        answer: (method, [p]) => (method === 'INIT' ? { errNo: 3, errMsg: 'Out' } : p),
      });
      assert.equal(await send(HOST, 'SIGNDETACHED', 'short', { tabId: 3 }), 'short');
      const long = await failure(send(HOST, 'SIGNDETACHED', 'longer than one block'));
      assert.deepEqual([long.source, long.data], ['reply', 'longe']);
      assert.match(long.message, /longer than one reply .* use connect\(\)/);
      assert.equal((await failure(send(HOST, 'INIT'))).errNo, 3);

      removeFakeBrowser();
      installFakeBrowser({ flavour, sendFailure: 'Specified native messaging host not found.' });
      const e = await failure(send(HOST, 'ABOUT'));
      assert.deepEqual([e.message, e.source],
                       ['Specified native messaging host not found.', 'browser']);
    });
  }
});

test('every method ferolant.d.ts declares on the client exists', () => {
  const types = fs.readFileSync(new URL('../../js/ferolant.d.ts', import.meta.url), 'utf8');
  const client = types.slice(types.indexOf('interface FerolantClient'));
  const names = [...client.slice(0, client.indexOf('\n}')).matchAll(/^ {2}(\w+)\(/gm)]
    .map((m) => m[1]);
  assert.ok(names.length >= 14, names.join());
  installFakeBrowser();
  const made = connect(HOST);
  assert.deepEqual(names.filter((name) => typeof made[name] !== 'function'), []);
});
