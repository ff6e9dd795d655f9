// The test extension's side of the browser tests: every exchange goes through ferolant.mjs,
// which the tests copy beside this file. The Chromium driver calls these functions in the
// service worker; under Firefox the extension runs them itself (firefox-suite.js).
import { connect, send } from './ferolant.mjs';

// What crosses over to the test: plain values, a failure as its fields.
async function outcome(promise) {
  try {
    return { value: await promise };
  } catch (e) {
    const { message, source, method, errNo, errMsg, data } = e;
    return { error: { message, source, method, errNo, errMsg, data } };
  }
}

const clients = new Map();
let nextClientId = 1;

// Every typed method once, in an order whose results the stand-in library fixes; see
// everyOperationExpected in support.mjs.
const EVERY_OPERATION = (file) => [
  ['getCodePage before any', 'getCodePage', []],
  ['getLastSignerSerial before any', 'getLastSignerSerial', []],
  ['init', 'init', []],
  ['about', 'about', []],
  ['nativeVersion', 'nativeVersion', []],
  ['setCodePage', 'setCodePage', [1250]],
  ['getCodePage', 'getCodePage', []],
  ['setHashAlgorithm', 'setHashAlgorithm', [2]],
  ['setHashAlgorithm refused', 'setHashAlgorithm', [9]],
  ['signDetached', 'signDetached', ['abc', 0]],
  ['getLastSignerSerial', 'getLastSignerSerial', []],
  ['signFileDetached', 'signFileDetached', [file, 3]],
  ['encodeFile', 'encodeFile', [file]],
  ['getFileSize', 'getFileSize', [file]],
  ['getFileNameDialog', 'getFileNameDialog', ['Title', 'b', '', '', 0]],
];

// Requests the module refuses to make, as a broken extension would send them: one through
// sendNativeMessage, or all over one port, answered in order.
async function raw(host, messages, overPort, ms) {
  const runtime = (globalThis.browser ?? globalThis.chrome).runtime;
  if (!overPort) return [await runtime.sendNativeMessage(host, messages[0])];
  const port = runtime.connectNative(host);
  const replies = [];
  try {
    await new Promise((resolve, reject) => {
      setTimeout(() => reject(new Error(`no answer within ${ms} ms`)), ms);
      port.onMessage.addListener((m) => {
        if (replies.push(m) === messages.length) resolve();
      });
      port.onDisconnect.addListener(() => reject(new Error('the host closed the port')));
      messages.forEach((m) => port.postMessage(m));
    });
  } finally {
    port.disconnect();
  }
  return replies;
}

export const e2e = {
  send: (host, method, params, options) => outcome(send(host, method, ...params, options)),
  open(host) {
    clients.set(nextClientId, connect(host));
    return nextClientId++;
  },
  // Calls one of the client's methods: e2e.call(id, 'signDetached', ['text', 7], options).
  call: (id, operation, args, options) => outcome(clients.get(id)[operation](...args, options)),
  async everyOperation(host, file, timeoutMs) {
    const client = connect(host, { timeoutMs });
    const results = {};
    for (const [name, operation, args] of EVERY_OPERATION(file)) {
      results[name] = await outcome(client[operation](...args));
    }
    client.disconnect();
    return results;
  },
  // A long result with the progress reported along the way.
  long(id, n, timeoutMs) {
    const progress = [];
    const onProgress = (p) => progress.push(p);
    return outcome(clients.get(id).signDetached('x', n, { timeoutMs, onProgress })
      .then((data) => ({ data, progress })));
  },
  // `count` signatures asked for at once, each with its own tab id.
  many(id, count, timeoutMs) {
    const client = clients.get(id);
    return outcome(Promise.all(Array.from({ length: count }, (_, i) =>
      client.signDetached(`zpráva č. ${i}`, i, { tabId: i + 1, timeoutMs }))));
  },
  raw: (host, messages, overPort, ms) => outcome(raw(host, messages, overPort, ms)),
  close(id) {
    clients.get(id).disconnect();
    clients.delete(id);
  },
};
globalThis.e2e = e2e;
