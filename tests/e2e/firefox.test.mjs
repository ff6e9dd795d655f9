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
  EXTENSION_DIR, HOST_NAME, HOST_PATH, REGISTER, SIGN_TEXT, fnvUnits, hostPids, longRun,
  standinSignature, waitUntil,
} from './support.mjs';

const FIREFOX = process.env.FEROLANT_FIREFOX || 'firefox-esr';
const GECKO_ID = 'e2e@ferolant.test';
const REPORT_MS = 180000;  // browser start, the suite and a megabyte-long result, on a busy machine

let scratch;
let firefox;
let results;
let file;

// A native host that gives the extension its configuration and writes its report to a file.
function writeReporter(dir, config, reportFile) {
  const script = path.join(dir, 'reporter.py');
  fs.writeFileSync(script, `#!/usr/bin/env python3
import json, struct, sys
header = sys.stdin.buffer.read(4)
message = json.loads(sys.stdin.buffer.read(struct.unpack('<I', header)[0]))
if message.get('kind') == 'report':
    with open(${JSON.stringify(reportFile)} + '.part', 'w') as f:
        json.dump(message['results'], f)
    import os
    os.replace(${JSON.stringify(reportFile)} + '.part', ${JSON.stringify(reportFile)})
    reply = {'ok': True}
else:
    reply = json.loads(${JSON.stringify(JSON.stringify(config))})
body = json.dumps(reply).encode()
sys.stdout.buffer.write(struct.pack('<I', len(body)) + body)
sys.stdout.buffer.flush()
`, { mode: 0o755 });
  return script;
}

// The test extension as Firefox wants it: a gecko id, background scripts instead of a
// service worker, packed as <profile>/extensions/<id>.xpi.
function writeXpi(profile) {
  const manifest = JSON.parse(fs.readFileSync(path.join(EXTENSION_DIR, 'manifest.json'), 'utf8'));
  delete manifest.key;
  manifest.manifest_version = 2;
  manifest.background = { scripts: ['background.js', 'firefox-suite.js'] };
  manifest.browser_specific_settings = { gecko: { id: GECKO_ID } };
  const xpi = path.join(profile, 'extensions', `${GECKO_ID}.xpi`);
  fs.mkdirSync(path.dirname(xpi), { recursive: true });
  execFileSync('python3', ['-c', `
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('manifest.json', sys.argv[2])
    for name in ('background.js', 'firefox-suite.js'):
        z.write(sys.argv[3] + '/' + name, name)
`, xpi, JSON.stringify(manifest), EXTENSION_DIR]);
}

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

  fs.writeFileSync(path.join(profile, 'user.js'), [
    'user_pref("xpinstall.signatures.required", false);',
    'user_pref("extensions.autoDisableScopes", 0);',
    'user_pref("extensions.enabledScopes", 15);',
    'user_pref("browser.shell.checkDefaultBrowser", false);',
    'user_pref("datareporting.policy.dataSubmissionEnabled", false);',
    'user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);',
    'user_pref("browser.startup.homepage_override.mstone", "ignore");',
    'user_pref("app.update.auto", false);',
    'user_pref("network.dns.disableIPv6", true);',
  ].join('\n') + '\n');
  writeXpi(profile);

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
  assert.equal(r.error, undefined, `${name}: ${r.error}`);
  return r.value;
}

for (const via of ['sendNativeMessage', 'connectNative']) {
  describe(`Firefox through ${via}`, () => {
    test('NATIVEVERSION, in upper and lower case', () => {
      assert.deepEqual(value(`${via} NATIVEVERSION`), {
        metoda: 'NATIVEVERSION', result: { data: '2', hasNextPart: 0 }, errNo: 0, tabID: 3,
        errMsg: '',
      });
      const lower = value(`${via} nativeversion`);
      assert.deepEqual([lower.metoda, lower.result.data], ['nativeversion', '2']);
    });

    test('ABOUT and INIT', () => {
      assert.equal(value(`${via} ABOUT`).result.data,
                   'Tavrin stand-in signing library 1.0 (deterministic test double)');
      assert.equal(value(`${via} INIT`).result.data, 'OK');
    });

    test('SIGNDETACHED receives the text exactly as the extension sent it', () => {
      const r = value(`${via} SIGNDETACHED`);
      assert.equal(r.errNo, 0, r.errMsg);
      assert.equal(r.result.data, standinSignature(SIGN_TEXT, 7));
    });

    test('lone surrogates: one in a reply arrives as sent, one in a request becomes U+FFFD', () => {
      assert.equal(value(`${via} lone in reply`).result.data, longRun(5));
      assert.equal(value(`${via} lone in request`).result.data, standinSignature('a\ufffd', 0));
    });

    test('a wrong shape, an unknown method', () => {
      assert.deepEqual([value(`${via} wrong shape`).errNo, value(`${via} wrong shape`).errMsg],
                       [-31909, 'Invalid communication']);
      assert.deepEqual([value(`${via} unknown method`).errNo,
                        value(`${via} unknown method`).errMsg], [-31901, 'Unknown method name']);
    });

    test('GETFILESIZE of a real file with a non-ASCII name', () => {
      const r = value(`${via} GETFILESIZE`);
      assert.deepEqual([r.errNo, r.result.data], [0, '123457']);
    });
  });
}

describe('Firefox over one port', () => {
  test('1,000,000 non-ASCII units arrive whole across GETNEXTBLOCK', () => {
    const r = value('long');
    assert.ok(r.parts.length >= 3);
    assert.equal(r.parts.at(-1).hasNextPart, 0);
    assert.equal(r.length, 1000000);
    assert.equal(r.digest, fnvUnits(longRun(1000000)));
  });

  test('200 requests sent at once are answered in order', () => {
    const replies = value('200 in order');
    assert.equal(replies.length, 200);
    replies.forEach(([tab, data], i) => {
      assert.equal(tab, i + 1);
      assert.equal(data, standinSignature(`zpráva č. ${i}`, i));
    });
  });

  test('no host process is left once the port is closed', async () => {
    await waitUntil(() => hostPids().length === 0, 10000,
                    `host processes left: ${hostPids()}`);
  });
});
