// Firefox cannot be driven from outside, so under Firefox the extension runs the cases by
// itself, through the same functions the Chromium driver calls (background.js). A second
// native host, the test's reporter, hands it its configuration and takes the results back;
// the test on the other side checks them.
import { e2e } from './background.js';

const REPORTER = 'ferolant.e2e_report';
const CALL_MS = 60000;

// FNV-1a 64 over UTF-16LE units: lets the test compare a megabyte-long result without the
// reporter having to carry it.
function fnvUnits(text) {
  let h = 0xcbf29ce484222325n;
  const eat = (b) => { h = ((h ^ BigInt(b)) * 0x100000001b3n) & 0xffffffffffffffffn; };
  for (let i = 0; i < text.length; i++) {
    const u = text.charCodeAt(i);
    eat(u & 255);
    eat(u >> 8);
  }
  return h.toString(16).padStart(16, '0');
}

async function runSuite(config) {
  // The signer's test: one signature through the real dialogs, which a person answers.
  if (config.signOnly) {
    return { sign: await e2e.send(config.host, 'SIGNDETACHED', [config.signText, '0'],
                                  { tabId: 3, timeoutMs: 180000 }) };
  }
  const results = {};
  const cases = [
    ['NATIVEVERSION', 'NATIVEVERSION', [], 3],
    ['nativeversion', 'nativeversion', [], 4],
    ['ABOUT', 'ABOUT', [], 5],
    ['INIT', 'INIT', [], 6],
    ['SIGNDETACHED', 'SIGNDETACHED', [config.signText, '7'], 8],
    ['lone in reply', 'SIGNDETACHED', ['x', '20000005'], 13],
    ['lone in request', 'SIGNDETACHED', ['a\ud83d', '0'], 14],
    ['unknown method', 'NOSUCHMETHOD', [], 10],
    ['GETFILESIZE', 'GETFILESIZE', [`  ${config.file} `], 11],
    ['GETFILESIZE missing', 'GETFILESIZE', [`${config.file}.none`], 12],
  ];
  const wrongShape = [{ metoda: 'INIT', parametry: [], tabID: 9 },
                      { metoda: 'NATIVEVERSION', parametry: {}, tabID: 10 }];

  for (const [name, method, params, tabId] of cases) {
    results[`sendNativeMessage ${name}`] =
      await e2e.send(config.host, method, params, { tabId, timeoutMs: CALL_MS });
  }
  results['sendNativeMessage wrong shape'] = await e2e.raw(config.host, wrongShape, false, CALL_MS);

  const client = e2e.open(config.host);
  for (const [name, method, params, tabId] of cases) {
    results[`connectNative ${name}`] =
      await e2e.call(client, 'call', [method, params], { tabId, timeoutMs: CALL_MS });
  }
  results['connectNative wrong shape'] = await e2e.raw(config.host, wrongShape, true, CALL_MS);

  const long = await e2e.long(client, 21000000, CALL_MS);
  results.long = long.error ? long : {
    value: { progress: long.value.progress, length: long.value.data.length,
             digest: fnvUnits(long.value.data) },
  };
  results['200 in order'] = await e2e.many(client, 200, CALL_MS);
  e2e.close(client);

  results['every operation'] = {
    value: await e2e.everyOperation(config.host, config.file, CALL_MS),
  };
  const missing = e2e.open('ferolant.none');
  results['not installed'] = {
    value: [await e2e.send('ferolant.none', 'ABOUT', [], {}), await e2e.call(missing, 'about', [])],
  };
  return results;
}

(async () => {
  let config;
  try {
    config = await browser.runtime.sendNativeMessage(REPORTER, { kind: 'config' });
  } catch (e) {
    return;  // not under the test: nothing to do
  }
  let results;
  try {
    results = await runSuite(config);
  } catch (e) {
    results = { suite: { error: { message: String(e && e.message) } } };
  }
  await browser.runtime.sendNativeMessage(REPORTER, { kind: 'report', results });
})();
