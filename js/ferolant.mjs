// The extension side of the Ferolant native messaging host: one promise per operation, long
// results joined from their blocks, failures as FerolantError. Runs in a Chromium-family
// service worker or a Firefox background script; no dependencies.

const INT32_MIN = -0x80000000;
const INT32_MAX = 0x7fffffff;
const MAX_PARAMS = 10;

// The error numbers the host gives by itself; any other non-zero errNo is the signing
// library's status, passed on unchanged.
export const HOST_ERRORS = Object.freeze({
  UNKNOWN_METHOD: -31901,
  REQUEST_FAILED: -31905,
  INVALID_COMMUNICATION: -31909,
  FILE_NOT_PASSED: 5101,
  FILE_NOT_FOUND: 5102,
});

// Methods the host answers without the signing library, and the numbers it gives for any
// method: errors that are the host's own.
const HOST_METHODS = new Set(['NATIVEVERSION', 'GETFILESIZE', 'GETNEXTBLOCK']);
const HOST_NUMBERS = new Set([HOST_ERRORS.UNKNOWN_METHOD, HOST_ERRORS.REQUEST_FAILED,
                              HOST_ERRORS.INVALID_COMMUNICATION]);

export class FerolantError extends Error {
  constructor(message, { source, method, errNo, errMsg, data } = {}) {
    super(message);
    this.name = 'FerolantError';
    this.source = source;
    this.method = method;
    this.errNo = errNo;
    this.errMsg = errMsg;
    this.data = data;
  }
}

function inputError(method, what) {
  return new FerolantError(`${method}: ${what}`, { source: 'input', method });
}

function describe(value) {
  if (value === null) return 'null';
  if (Array.isArray(value)) return 'an array';
  return typeof value === 'string' ? JSON.stringify(value) : `${typeof value} ${String(value)}`;
}

function isInt32(value) {
  return Number.isInteger(value) && value >= INT32_MIN && value <= INT32_MAX;
}

// The host reads numbers as signed 32-bit and quietly takes anything else as 0, so a number
// it could not read is refused here rather than sent.
function numberParam(method, value, position) {
  if (!isInt32(value)) {
    throw inputError(method, `parameter ${position} must be a whole number within 32 bits ` +
                             `(${INT32_MIN}..${INT32_MAX}), not ${describe(value)}`);
  }
  return String(value);
}

function checkOptions(method, options) {
  const { tabId = 0, timeoutMs = 0, onProgress } = options;
  if (!isInt32(tabId)) {
    throw inputError(method, `the tab id must be a whole number within 32 bits ` +
                             `(${INT32_MIN}..${INT32_MAX}), not ${describe(tabId)}`);
  }
  if (typeof timeoutMs !== 'number' || !(timeoutMs >= 0 && timeoutMs <= INT32_MAX)) {
    throw inputError(method, `the time-out must be a number of milliseconds from 0 (none) to ` +
                             `${INT32_MAX}, not ${describe(timeoutMs)}`);
  }
  if (onProgress !== undefined && typeof onProgress !== 'function') {
    throw inputError(method, `onProgress must be a function, not ${describe(onProgress)}`);
  }
  return { tabId, timeoutMs, onProgress };
}

function buildRequest(method, params, tabId) {
  if (typeof method !== 'string' || method === '') {
    throw inputError(String(method),
                     `the method name must be a non-empty string, not ${describe(method)}`);
  }
  if (!Array.isArray(params)) {
    throw inputError(method, `the parameters must be an array of strings, not ${describe(params)}`);
  }
  if (params.length > MAX_PARAMS) {
    throw inputError(method,
                     `${params.length} parameters given; the host takes at most ${MAX_PARAMS}`);
  }
  const parametry = {};
  params.forEach((p, i) => {
    if (typeof p !== 'string') {
      throw inputError(method, `parameter ${i + 1} must be a string, not ${describe(p)}`);
    }
    parametry[`param${i + 1}`] = p;
  });
  return { metoda: method, parametry, tabID: tabId };
}

// The result of one reply, or the reply's failure as an exception.
function unpack(reply, method) {
  const result = reply && reply.result;
  if (!result || typeof reply.errNo !== 'number' || typeof result.data !== 'string' ||
      (result.hasNextPart !== 0 && result.hasNextPart !== 1)) {
    throw new FerolantError(`${method}: the host's reply is not of the expected form`,
                            { source: 'reply', method });
  }
  if (reply.errNo !== 0) {
    const fromHost = HOST_METHODS.has(method.toUpperCase()) || HOST_NUMBERS.has(reply.errNo);
    const source = fromHost ? 'host' : 'library';
    const by = fromHost ? 'the host' : 'the signing library';
    throw new FerolantError(
      `${method}: ${reply.errMsg || 'failed'} (error ${reply.errNo} from ${by})`,
      { source, method, errNo: reply.errNo, errMsg: reply.errMsg, data: result.data });
  }
  return result;
}

function extensionApi() {
  const api = globalThis.browser ?? globalThis.chrome;
  if (!api || !api.runtime) {
    throw new FerolantError('no extension runtime here: ferolant.mjs runs in an extension\'s ' +
                            'service worker or background script', { source: 'input' });
  }
  return api;
}

function checkHostName(hostName) {
  if (typeof hostName !== 'string' || hostName === '') {
    throw new FerolantError(`the host name must be a non-empty string, not ${describe(hostName)}`,
                            { source: 'input' });
  }
}

// Chromium reports why a port closed in runtime.lastError, Firefox in port.error.
function disconnectMessage(api, port) {
  const error = (port && port.error) || api.runtime.lastError;
  return (error && error.message) || 'The native messaging host closed the connection.';
}

function closedFailure({ message, source }, method) {
  return new FerolantError(message, { source, method });
}

class Client {
  #api;
  #port;
  #defaults;
  #tail = Promise.resolve();
  #waiter = null;
  #closedBy = null;

  constructor(api, port, defaults) {
    this.#api = api;
    this.#port = port;
    this.#defaults = defaults;
    port.onMessage.addListener((reply) => {
      const waiter = this.#waiter;
      this.#waiter = null;
      if (waiter) waiter.resolve(reply);
    });
    port.onDisconnect.addListener((p) => {
      this.#close({ message: disconnectMessage(this.#api, p), source: 'browser' });
    });
  }

  get closed() {
    return this.#closedBy !== null;
  }

  call(method, params = [], options = {}) {
    let request;
    let settings;
    try {
      settings = checkOptions(method, { ...this.#defaults, ...options });
      request = buildRequest(method, params, settings.tabId);
    } catch (e) {
      return Promise.reject(e);
    }
    const run = this.#tail.then(() => this.#exchange(request, settings));
    this.#tail = run.catch(() => {});
    return run;
  }

  disconnect() {
    if (this.#close({ message: 'The extension closed the connection.', source: 'client' })) {
      this.#port.disconnect();
    }
  }

  async #exchange(request, { timeoutMs, onProgress }) {
    const method = request.metoda;
    let timer;
    if (timeoutMs > 0) {
      timer = setTimeout(() => {
        const closed = this.#close(
          { message: `${method}: no answer within ${timeoutMs} ms`, source: 'timeout' },
          { message: `The connection was closed after ${method} got no answer within ` +
                     `${timeoutMs} ms.`, source: 'timeout' });
        if (closed) this.#port.disconnect();
      }, timeoutMs);
    }
    try {
      const blocks = [];
      let units = 0;
      let result = unpack(await this.#roundTrip(request, method), method);
      for (;;) {
        blocks.push(result.data);
        units += result.data.length;
        if (onProgress) onProgress({ blocks: blocks.length, units });
        // Plain concatenation: a block may end inside a surrogate pair, and only the joined
        // text is whole.
        if (result.hasNextPart === 0) return blocks.join('');
        if (result.data === '') {
          throw new FerolantError(
            `${method}: the host announced more data but sent an empty block`,
            { source: 'reply', method });
        }
        const next = { metoda: 'GETNEXTBLOCK', parametry: {}, tabID: request.tabID };
        result = unpack(await this.#roundTrip(next, method), method);
      }
    } finally {
      clearTimeout(timer);
    }
  }

  #roundTrip(message, method) {
    if (this.#closedBy) return Promise.reject(closedFailure(this.#closedBy, method));
    return new Promise((resolve, reject) => {
      this.#waiter = { resolve, reject, method };
      try {
        this.#port.postMessage(message);
      } catch (e) {
        this.#close({ message: e.message, source: 'browser' });
      }
    });
  }

  // Ends the client: the call waiting for a reply fails with `reason`, every later one with
  // `later`. Returns whether this call was the one that closed it.
  #close(reason, later = reason) {
    if (this.#closedBy) return false;
    this.#closedBy = later;
    const waiter = this.#waiter;
    this.#waiter = null;
    if (waiter) waiter.reject(closedFailure(reason, waiter.method));
    return true;
  }
}

// One method per operation: the host's method name and the kinds of its parameters.
const OPERATIONS = {
  init: ['INIT'],
  about: ['ABOUT'],
  nativeVersion: ['NATIVEVERSION'],
  getFileNameDialog: ['GETFILENAMEDLG', 'text', 'text', 'text', 'text', 'number'],
  setCodePage: ['SETCFGCODEPAGENUMBER', 'number'],
  getCodePage: ['GETCFGCODEPAGENUMBER'],
  signDetached: ['SIGNDETACHED', 'text', 'number'],
  signFileDetached: ['SIGNFILEDETACHED', 'text', 'number'],
  setHashAlgorithm: ['SETCFGSIGNATUREHASHALGORITHMNUMBER', 'number'],
  getLastSignerSerial: ['GETLASTCERTSENDERSIGNATURESN'],
  encodeFile: ['ENCODEFILE', 'text'],
  getFileSize: ['GETFILESIZE', 'text'],
};

for (const [name, [method, ...kinds]] of Object.entries(OPERATIONS)) {
  Object.defineProperty(Client.prototype, name, {
    value: async function operation(...args) {
      const params = kinds.map((kind, i) =>
        kind === 'number' ? numberParam(method, args[i], i + 1) : args[i]);
      return this.call(method, params, args[kinds.length] ?? {});
    },
  });
}

export function connect(hostName, defaults = {}) {
  checkHostName(hostName);
  const api = extensionApi();
  checkOptions('connect', defaults);
  let port;
  try {
    port = api.runtime.connectNative(hostName);
  } catch (e) {
    throw new FerolantError(e.message, { source: 'browser' });
  }
  return new Client(api, port, { ...defaults });
}

function isOptions(value) {
  return typeof value === 'object' && value !== null && !Array.isArray(value);
}

async function sendNative(api, hostName, message) {
  if (api === globalThis.browser) return api.runtime.sendNativeMessage(hostName, message);
  return new Promise((resolve, reject) => {
    api.runtime.sendNativeMessage(hostName, message, (reply) => {
      const error = api.runtime.lastError;
      if (error) reject(error); else resolve(reply);
    });
  });
}

// One request to a host process of its own, which the browser starts for this message and
// ends after the reply. Nothing survives between one-shot calls: a code page or hash
// algorithm set by one is gone for the next, and there is no last signature. A result longer
// than one reply cannot be finished (the rest ends with the process), so it fails with the
// first block in `data`: long results need connect().
export async function send(hostName, method, ...params) {
  const options = isOptions(params.at(-1)) ? params.pop() : {};
  checkHostName(hostName);
  const { tabId, timeoutMs } = checkOptions(method, options);
  const request = buildRequest(method, params, tabId);
  const api = extensionApi();
  let timer;
  const expiry = new Promise((_, reject) => {
    if (timeoutMs > 0) {
      timer = setTimeout(() => reject(new FerolantError(
        `${method}: no answer within ${timeoutMs} ms`, { source: 'timeout', method })), timeoutMs);
    }
  });
  let reply;
  try {
    reply = await Promise.race([
      sendNative(api, hostName, request).catch((e) => {
        throw new FerolantError(String(e && e.message !== undefined ? e.message : e),
                                { source: 'browser', method });
      }),
      expiry,
    ]);
  } finally {
    clearTimeout(timer);
  }
  const result = unpack(reply, method);
  if (result.hasNextPart === 1) {
    throw new FerolantError(
      `${method}: the result is longer than one reply (${result.data.length} units came) and ` +
      'the rest went with the host process; use connect() for long results',
      { source: 'reply', method, data: result.data });
  }
  return result.data;
}
