// Native messaging helpers for the end-to-end tests. The test driver calls them in the
// extension's service worker (Chromium) or the extension runs them itself (Firefox).
//
// Every native call carries its own time-out: a host that never answers would otherwise leave
// the browser's call pending for ever and the test hanging with it.

const runtimeApi = (globalThis.browser ?? globalThis.chrome).runtime;
const DEFAULT_TIMEOUT_MS = 30000;

function withDeadline(promise, ms, what) {
  let timer;
  const expiry = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${what}: no answer within ${ms} ms`)), ms);
  });
  return Promise.race([promise, expiry]).finally(() => clearTimeout(timer));
}

function errorText(e) {
  return String(e && e.message !== undefined ? e.message : e);
}

// The parts of a reply a test looks at, without carrying megabytes of data around twice.
function summary(reply) {
  const result = reply && reply.result;
  return {
    metoda: reply && reply.metoda,
    tabID: reply && reply.tabID,
    errNo: reply && reply.errNo,
    errMsg: reply && reply.errMsg,
    hasNextPart: result && result.hasNextPart,
    length: result && typeof result.data === 'string' ? result.data.length : -1,
  };
}

// One message, one host process: the browser starts the host, sends, takes one reply.
async function sendOnce(host, message, ms = DEFAULT_TIMEOUT_MS) {
  try {
    return { reply: await withDeadline(runtimeApi.sendNativeMessage(host, message), ms,
                                       'sendNativeMessage') };
  } catch (e) {
    return { error: errorText(e) };
  }
}

// A port to one host process that lives until disconnect. Replies are matched to requests by
// order, which is what the host promises.
class NativePort {
  constructor(host) {
    this.inbox = [];
    this.waiters = [];
    this.closedWith = null;
    this.port = runtimeApi.connectNative(host);
    this.port.onMessage.addListener((m) => {
      const w = this.waiters.shift();
      if (w) w.resolve(m); else this.inbox.push(m);
    });
    this.port.onDisconnect.addListener((p) => {
      const last = globalThis.chrome && chrome.runtime.lastError;
      this.closedWith = (p && p.error && p.error.message) || (last && last.message) || 'disconnected';
      for (const w of this.waiters.splice(0)) w.reject(new Error(this.closedWith));
    });
  }

  next(ms) {
    if (this.inbox.length) return Promise.resolve(this.inbox.shift());
    if (this.closedWith) return Promise.reject(new Error(this.closedWith));
    return withDeadline(new Promise((resolve, reject) => this.waiters.push({ resolve, reject })),
                        ms, 'port');
  }

  async call(message, ms = DEFAULT_TIMEOUT_MS) {
    this.port.postMessage(message);
    return this.next(ms);
  }

  // Sends all messages at once, then collects as many replies.
  async callMany(messages, ms = DEFAULT_TIMEOUT_MS) {
    for (const m of messages) this.port.postMessage(m);
    const replies = [];
    for (let i = 0; i < messages.length; i++) replies.push(await this.next(ms));
    return replies;
  }

  // Sends the request, then GETNEXTBLOCK while the host says more is waiting.
  async fetchAll(message, ms = DEFAULT_TIMEOUT_MS) {
    const parts = [];
    let data = '';
    let reply = await this.call(message, ms);
    for (;;) {
      parts.push(summary(reply));
      data += reply.result.data;
      if (reply.result.hasNextPart !== 1) break;
      if (parts.length > 10000) throw new Error('the host never stops announcing blocks');
      reply = await this.call({ metoda: 'GETNEXTBLOCK', parametry: {}, tabID: reply.tabID }, ms);
    }
    return { parts, data };
  }

  disconnect() {
    this.port.disconnect();
  }
}

const ports = new Map();
let nextPortId = 1;

// Entry points for the driver: plain values in, plain values out, errors as { error }.
async function guarded(fn) {
  try {
    return await fn();
  } catch (e) {
    return { error: errorText(e) };
  }
}

globalThis.e2e = {
  sendOnce,
  summary,
  openPort(host) {
    const id = nextPortId++;
    ports.set(id, new NativePort(host));
    return id;
  },
  portCall(id, message, ms) {
    return guarded(async () => ({ reply: await ports.get(id).call(message, ms) }));
  },
  portCallMany(id, messages, ms) {
    return guarded(async () => ({ replies: await ports.get(id).callMany(messages, ms) }));
  },
  portFetchAll(id, message, ms) {
    return guarded(() => ports.get(id).fetchAll(message, ms));
  },
  portClosedWith(id) {
    return ports.get(id).closedWith;
  },
  closePort(id) {
    ports.get(id).disconnect();
    ports.delete(id);
  },
};
