// Firefox cannot be driven from outside, so under Firefox the extension runs the cases by
// itself. A second native host, the test's reporter, hands it its configuration and takes the
// results back; the test on the other side checks them.

const REPORTER = 'ferolant.e2e_report';

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

function request(metoda, params, tabID) {
  const parametry = {};
  params.forEach((p, i) => { parametry[`param${i + 1}`] = p; });
  return { metoda, parametry, tabID };
}

async function runSuite(config) {
  const results = {};
  const record = async (name, fn) => {
    try {
      results[name] = { value: await fn() };
    } catch (e) {
      results[name] = { error: errorText(e) };
    }
  };
  const cases = (call) => [
    ['NATIVEVERSION', () => call(request('NATIVEVERSION', [], 3))],
    ['nativeversion', () => call(request('nativeversion', [], 4))],
    ['ABOUT', () => call(request('ABOUT', [], 5))],
    ['INIT', () => call(request('INIT', [], 6))],
    ['SIGNDETACHED', () => call(request('SIGNDETACHED', [config.signText, '7'], 8))],
    ['lone in reply', () => call(request('SIGNDETACHED', ['x', '20000005'], 13))],
    ['lone in request', () => call(request('SIGNDETACHED', ['a\ud83d', '0'], 14))],
    ['wrong shape', () => call({ metoda: 'INIT', parametry: [], tabID: 9 })],
    ['unknown method', () => call(request('NOSUCHMETHOD', [], 10))],
    ['GETFILESIZE', () => call(request('GETFILESIZE', [`  ${config.file} `], 11))],
  ];

  const once = async (m) => {
    const r = await e2e.sendOnce(config.host, m, 60000);
    if (r.error) throw new Error(r.error);
    return r.reply;
  };
  for (const [name, fn] of cases(once)) await record(`sendNativeMessage ${name}`, fn);

  const port = new NativePort(config.host);
  for (const [name, fn] of cases((m) => port.call(m, 60000))) {
    await record(`connectNative ${name}`, fn);
  }
  await record('long', async () => {
    const { parts, data } = await port.fetchAll(request('SIGNDETACHED', ['x', '21000000'], 20),
                                                60000);
    return { parts, length: data.length, digest: fnvUnits(data) };
  });
  await record('200 in order', async () => {
    const messages = Array.from({ length: 200 }, (_, i) =>
      request('SIGNDETACHED', [`zpráva č. ${i}`, String(i)], i + 1));
    const replies = await port.callMany(messages, 60000);
    return replies.map((r) => [r.tabID, r.result.data]);
  });
  port.disconnect();
  return results;
}

(async () => {
  let config;
  try {
    config = await runtimeApi.sendNativeMessage(REPORTER, { kind: 'config' });
  } catch (e) {
    return;  // not under the test: nothing to do
  }
  let results;
  try {
    results = await runSuite(config);
  } catch (e) {
    results = { suite: { error: errorText(e) } };
  }
  await runtimeApi.sendNativeMessage(REPORTER, { kind: 'report', results });
})();
