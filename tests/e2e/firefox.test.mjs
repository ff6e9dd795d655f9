// The host under Firefox ESR. Playwright cannot drive a stock Firefox, so the extension runs
// its cases itself (firefox-suite.js) and sends the results to a reporter host that this test
// registers beside the real one; the checks are made here.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import {
  FIREFOX, GECKO_ID, HOST_NAME, HOST_PATH, REGISTER, SIGN_TEXT, checkEveryOperation, fnvUnits,
  hostPids, longRun, standinSignature, waitUntil, writeProfile, writeReporter,
} from './support.mjs';
const REPORT_MS = 180000;  // browser start, the suite and a megabyte-long result, on a busy machine

let scratch;
let firefox;
let results;
let file;

before(async () => {
  scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'ferolant-e2e-firefox-'));
  const home = path.join(scratch, 'home');
  const profile = path.join(scratch, 'profile');
  fs.mkdirSync(home);
  fs.mkdirSync(profile);
  file = path.join(scratch, 'žluťoučký firefox.bin');
  fs.writeFileSync(file, Buffer.alloc(123457, 0x5a));
  const reportFile = path.join(scratch, 'report.json');
  const reporter = writeReporter(scratch, { host: HOST_NAME, signText: SIGN_TEXT, file },
                                 reportFile);

  const env = { ...process.env, HOME: home, MOZ_CRASHREPORTER_DISABLE: '1' };
  delete env.XDG_CONFIG_HOME;
  const register = (name, target) => execFileSync(REGISTER, [
    'install', '--browser', 'firefox', '--name', name, '--path', target,
    '--firefox-id', GECKO_ID], { env, stdio: ['ignore', 'ignore', 'inherit'] });
  register(HOST_NAME, HOST_PATH);
  register('ferolant.e2e_report', reporter);

  writeProfile(profile);

  firefox = spawn(FIREFOX, ['--headless', '--no-remote', '--profile', profile, 'about:blank'],
                  { env, stdio: 'ignore', detached: true });
  await waitUntil(() => fs.existsSync(reportFile) || firefox.exitCode !== null, REPORT_MS,
                  `no report from the extension within ${REPORT_MS / 1000} s`);
  assert.ok(fs.existsSync(reportFile), `Firefox ended (${firefox.exitCode}) without a report`);
  results = JSON.parse(fs.readFileSync(reportFile, 'utf8'));
});

after(async () => {
  if (firefox && firefox.exitCode === null) {
    const ended = new Promise((resolve) => firefox.once('exit', resolve));
    process.kill(-firefox.pid, 'SIGTERM');
    await Promise.race([ended, new Promise((r) => setTimeout(r, 15000))]);
    if (firefox.exitCode === null) process.kill(-firefox.pid, 'SIGKILL');
  }
  if (scratch) fs.rmSync(scratch, { recursive: true, force: true });
});

function value(name) {
  const r = results[name];
  assert.ok(r, `no result for ${name}`);
  assert.equal(r.error, undefined, `${name}: ${r.error?.message}`);
  return r.value;
}

// The fields of the module's error that a case ended with.
function failure(name) {
  const e = results[name]?.error;
  assert.ok(e, `${name} did not fail: ${JSON.stringify(results[name])}`);
  return { source: e.source, method: e.method, errNo: e.errNo, errMsg: e.errMsg };
}

for (const via of ['sendNativeMessage', 'connectNative']) {
  describe(`Firefox through ${via}`, () => {
    test('NATIVEVERSION, in upper and lower case', () => {
      assert.equal(value(`${via} NATIVEVERSION`), '2');
      assert.equal(value(`${via} nativeversion`), '2');
    });

    test('ABOUT and INIT', () => {
      assert.equal(value(`${via} ABOUT`),
                   'Tavrin stand-in signing library 1.0 (deterministic test double)');
      assert.equal(value(`${via} INIT`), 'OK');
    });

    test('SIGNDETACHED receives the text exactly as the extension sent it', () => {
      assert.equal(value(`${via} SIGNDETACHED`), standinSignature(SIGN_TEXT, 7));
    });

    test('lone surrogates: one in a reply arrives as sent, one in a request becomes U+FFFD', () => {
      assert.equal(value(`${via} lone in reply`), longRun(5));
      assert.equal(value(`${via} lone in request`), standinSignature('a\ufffd', 0));
    });

    test('a wrong shape, an unknown method', () => {
      const replies = value(`${via} wrong shape`);
      assert.deepEqual([replies[0].errNo, replies[0].errMsg, replies[0].metoda],
                       [-31909, 'Invalid communication', '']);
      if (via === 'connectNative') assert.equal(replies[1].result.data, '2');
      assert.deepEqual(failure(`${via} unknown method`), {
        source: 'host', method: 'NOSUCHMETHOD', errNo: -31901, errMsg: 'Unknown method name',
      });
    });

    test('GETFILESIZE of a real file with a non-ASCII name', () => {
      assert.equal(value(`${via} GETFILESIZE`), '123457');
      assert.deepEqual(failure(`${via} GETFILESIZE missing`), {
        source: 'host', method: 'GETFILESIZE', errNo: 5102, errMsg: 'File not found',
      });
    });
  });
}

describe('Firefox over one port', () => {
  test('1,000,000 non-ASCII units arrive whole across GETNEXTBLOCK', () => {
    const r = value('long');
    assert.ok(r.progress.length >= 3);
    assert.equal(r.progress.at(-1).units, 1000000);
    assert.equal(r.length, 1000000);
    assert.equal(r.digest, fnvUnits(longRun(1000000)));
  });

  test('200 requests made at once are answered in order', () => {
    const data = value('200 in order');
    assert.equal(data.length, 200);
    data.forEach((d, i) => assert.equal(d, standinSignature(`zpráva č. ${i}`, i)));
  });

  test('every operation through its own method', () => {
    checkEveryOperation(value('every operation'), file);
  });

  test('no host process is left once the port is closed', async () => {
    await waitUntil(() => hostPids().length === 0, 10000,
                    `host processes left: ${hostPids()}`);
  });
});

test('Firefox, a host that is not installed: the browser\'s own message, both ways', () => {
  const [viaSend, viaPort] = value('not installed');
  for (const { error } of [viaSend, viaPort]) {
    assert.deepEqual([error?.message, error?.source, error?.method],
                     ['No such native application ferolant.none', 'browser', 'ABOUT']);
  }
});
