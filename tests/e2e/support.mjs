// What the browser tests share: where things are, the stand-in library's checkable results,
// and finding the host's processes.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const HERE = path.dirname(fileURLToPath(import.meta.url));
export const REPO = path.resolve(HERE, '..', '..');
export const EXTENSION_DIR = path.join(HERE, 'extension');
export const MODULE_PATH = path.join(REPO, 'js', 'ferolant.mjs');
export const HOST_NAME = 'ferolant.host';
export const HOST_PATH = path.resolve(process.env.FEROLANT_HOST || path.join(REPO, 'build', 'bin', 'ferolant'));

// Czech with every diacritic, an emoji (a surrogate pair), the characters an HTML-minded
// escaper touches, and U+2028, which JavaScript once refused raw in strings.
export const SIGN_TEXT = "Žluťoučký kůň úpěl ďábelské ódy 😀 <>&'/\u2028";

// The id a Chromium-family browser gives the extension: the first 32 hex digits of the SHA-256
// of the DER public key in "key", with 0-f written as a-p.
export const EXTENSION_ID = (() => {
  const manifest = JSON.parse(fs.readFileSync(path.join(EXTENSION_DIR, 'manifest.json'), 'utf8'));
  const digest = execFileSync('sha256sum', { input: Buffer.from(manifest.key, 'base64') })
    .toString().slice(0, 32);
  return [...digest].map((c) => String.fromCharCode(97 + parseInt(c, 16))).join('');
})();

// The test extension with the project's ferolant.mjs beside its scripts, in `dir`: an
// extension cannot load a script from outside its own folder.
export function stageExtension(dir) {
  fs.cpSync(EXTENSION_DIR, dir, { recursive: true });
  fs.copyFileSync(MODULE_PATH, path.join(dir, 'ferolant.mjs'));
  return dir;
}

// The stand-in library's detached signature of a text: FNV-1a 64 over the UTF-16LE units and
// the number's four bytes, then the unit count and the number.
export function standinSignature(text, n) {
  let h = 0xcbf29ce484222325n;
  const eat = (b) => { h = ((h ^ BigInt(b)) * 0x100000001b3n) & 0xffffffffffffffffn; };
  for (let i = 0; i < text.length; i++) {
    const u = text.charCodeAt(i);
    eat(u & 255);
    eat(u >> 8);
  }
  for (let i = 0; i < 4; i++) eat((n >>> (8 * i)) & 255);
  return `STANDIN-SIG:${h.toString(16).padStart(16, '0')}:${text.length}:${n}`;
}

// FNV-1a 64 over the UTF-16LE units of a text, as the Firefox suite reports long results.
export function fnvUnits(text) {
  let h = 0xcbf29ce484222325n;
  const eat = (b) => { h = ((h ^ BigInt(b)) * 0x100000001b3n) & 0xffffffffffffffffn; };
  for (let i = 0; i < text.length; i++) {
    const u = text.charCodeAt(i);
    eat(u & 255);
    eat(u >> 8);
  }
  return h.toString(16).padStart(16, '0');
}

// What e2e.everyOperation (extension/background.js) gets from the stand-in library for `file`,
// a file of 123457 bytes 0x5a: a value, or the fields of the failure.
export function everyOperationExpected(file) {
  const bytes = Buffer.alloc(123457, 0x5a);
  const library = (errNo, errMsg) => ({ source: 'library', errNo, errMsg });
  return {
    'getCodePage before any': { value: '0' },
    'getLastSignerSerial before any': { error: library(6, 'No signature has been made yet') },
    init: { value: 'OK' },
    about: { value: 'Tavrin stand-in signing library 1.0 (deterministic test double)' },
    nativeVersion: { value: '2' },
    setCodePage: { value: '' },
    getCodePage: { value: '1250' },
    setHashAlgorithm: { value: '' },
    'setHashAlgorithm refused': { error: library(7, 'Unsupported signature hash algorithm 9') },
    signDetached: { value: 'STANDIN-SIG:70c0fa9adb31c2ad:3:0' },
    getLastSignerSerial: { value: '70C0FA9ADB31C2AD' },
    signFileDetached: { pattern: /^STANDIN-FILESIG:[0-9a-f]{16}:123457:3$/ },
    encodeFile: { value: bytes.toString('base64') },
    getFileSize: { value: '123457' },
    getFileNameDialog: { value: 'mode=0;lengths=5,1,0,0;spaces2=0;text1=Title' },
  };
}

// Checks everyOperation's results against everyOperationExpected.
export function checkEveryOperation(results, file) {
  for (const [name, want] of Object.entries(everyOperationExpected(file))) {
    const got = results[name];
    if (want.pattern) {
      assert.match(got.value ?? JSON.stringify(got), want.pattern, name);
    } else if (want.error) {
      assert.deepEqual({ source: got.error?.source, errNo: got.error?.errNo,
                         errMsg: got.error?.errMsg }, want.error, name);
    } else {
      assert.deepEqual(got, want, name);
    }
  }
}

// The stand-in's non-ASCII long run (SIGNDETACHED with 20000000 + length).
export function longRun(length) {
  const pattern = [0x010d, 0x0159, 0x00e1, 0x20ac, 0xd83d, 0xde00, 0x017e];
  const units = new Uint16Array(length);
  for (let i = 0; i < length; i++) units[i] = pattern[i % 7];
  let text = '';
  for (let i = 0; i < length; i += 8192) {
    text += String.fromCharCode(...units.subarray(i, i + 8192));
  }
  return text;
}

// The project's registration program.
export const REGISTER = path.resolve(
  process.env.FEROLANT_REGISTER || path.join(REPO, 'build', 'bin', 'ferolant-register'));

// Writes the host manifest with the project's registration program.
export function register(args, options = {}) {
  execFileSync(REGISTER, [...args, '--name', HOST_NAME, '--path', HOST_PATH],
               { stdio: ['ignore', 'ignore', 'inherit'], ...options });
}

// Pids of running processes whose executable is the host under test.
export function hostPids() {
  const target = fs.realpathSync(HOST_PATH);
  const pids = [];
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      if (fs.readlinkSync(`/proc/${entry}/exe`) === target) pids.push(Number(entry));
    } catch {
      // gone meanwhile, or not ours to look at
    }
  }
  return pids;
}

export async function waitUntil(condition, ms, message = 'condition not met') {
  const deadline = Date.now() + ms;
  for (;;) {
    if (await condition()) return;
    if (Date.now() > deadline) throw new Error(message);
    await new Promise((r) => setTimeout(r, 20));
  }
}

export const FIREFOX = process.env.FEROLANT_FIREFOX || 'firefox-esr';
export const GECKO_ID = 'e2e@ferolant.test';

// A native host that gives the extension its configuration and writes its report to a file.
export function writeReporter(dir, config, reportFile, goFile = null) {
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
    import os, time
    # The test says when the extension may start, once the browser's window is in front.
    while ${JSON.stringify(goFile ?? '')} and not os.path.exists(${JSON.stringify(goFile ?? '')}):
        time.sleep(0.1)
    reply = json.loads(${JSON.stringify(JSON.stringify(config))})
body = json.dumps(reply).encode()
sys.stdout.buffer.write(struct.pack('<I', len(body)) + body)
sys.stdout.buffer.flush()
`, { mode: 0o755 });
  return script;
}

// A profile that loads the test extension as Firefox wants it (a gecko id, background scripts
// as a module instead of a service worker, packed with ferolant.mjs as
// <profile>/extensions/<id>.xpi) and asks nothing at its first start.
export function writeProfile(profile) {
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
  const manifest = JSON.parse(fs.readFileSync(path.join(EXTENSION_DIR, 'manifest.json'), 'utf8'));
  delete manifest.key;
  manifest.background = { scripts: ['firefox-suite.js'], type: 'module' };
  manifest.browser_specific_settings = { gecko: { id: GECKO_ID } };
  const xpi = path.join(profile, 'extensions', `${GECKO_ID}.xpi`);
  fs.mkdirSync(path.dirname(xpi), { recursive: true });
  execFileSync('python3', ['-c', `
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('manifest.json', sys.argv[2])
    for name in ('background.js', 'firefox-suite.js'):
        z.write(sys.argv[3] + '/' + name, name)
    z.write(sys.argv[4], 'ferolant.mjs')
`, xpi, JSON.stringify(manifest), EXTENSION_DIR, MODULE_PATH]);
}
