// The browser's runtime as ferolant.mjs sees it, in Chromium's form (callbacks, reasons in
// runtime.lastError) or Firefox's (promises, reasons in port.error), with a scripted host
// behind it that answers the way the real one does: data longer than `blockUnits` goes out in
// blocks on GETNEXTBLOCK, and any other request drops what is left.
//
// `answer(method, params)` gives the data, or { errNo, errMsg, data }, or a promise of either
// (one that never settles is a host that never answers).

export function installFakeBrowser({
  flavour = 'chromium', answer = () => '', blockUnits = 4, repliesBeforeExit = Infinity,
  exitMessage = 'Native host has exited.', sendFailure,
} = {}) {
  const log = { posted: [], outstanding: 0, maxOutstanding: 0, disconnectedByExtension: false };
  const runtime = { lastError: undefined };

  const replyTo = async (state, message) => {
    let reply = { data: '', errNo: 0, errMsg: '' };
    if (message.metoda === 'GETNEXTBLOCK') {
      reply.data = state.pending;
    } else {
      const a = await answer(message.metoda, Object.values(message.parametry));
      reply = typeof a === 'string' ? { ...reply, data: a } : { ...reply, ...a };
    }
    state.pending = reply.data.slice(blockUnits);
    return {
      metoda: message.metoda,
      result: { data: reply.data.slice(0, blockUnits), hasNextPart: state.pending ? 1 : 0 },
      errNo: reply.errNo, tabID: message.tabID, errMsg: reply.errMsg,
    };
  };

  const listeners = (list) => ({ addListener: (f) => list.push(f) });

  runtime.connectNative = () => {
    const onMessage = [];
    const onDisconnect = [];
    const state = { pending: '', replies: 0, exited: false };
    const port = {
      onMessage: listeners(onMessage),
      onDisconnect: listeners(onDisconnect),
      postMessage(message) {
        if (state.exited) throw new Error('Attempting to use a disconnected port object');
        log.posted.push(structuredClone(message));
        log.maxOutstanding = Math.max(log.maxOutstanding, ++log.outstanding);
        replyTo(state, message).then((reply) => setImmediate(() => {
          if (state.exited || log.disconnectedByExtension) return;
          log.outstanding--;
          if (state.replies++ < repliesBeforeExit) {
            onMessage.forEach((f) => f(reply, port));
            return;
          }
          state.exited = true;
          if (flavour === 'firefox') port.error = new Error(exitMessage);
          else runtime.lastError = { message: exitMessage };
          onDisconnect.forEach((f) => f(port));
          runtime.lastError = undefined;
        }));
      },
      disconnect() {
        log.disconnectedByExtension = true;
      },
    };
    return port;
  };

  // A host process of its own per message: its first reply is all the extension gets.
  const sendOnce = async (message) => {
    log.posted.push(structuredClone(message));
    if (sendFailure) throw new Error(sendFailure);
    return replyTo({ pending: '' }, message);
  };
  if (flavour === 'firefox') {
    runtime.sendNativeMessage = (host, message) => sendOnce(message);
    globalThis.browser = { runtime };
  } else {
    runtime.sendNativeMessage = (host, message, callback) => {
      sendOnce(message).then(callback, (e) => {
        runtime.lastError = { message: e.message };
        callback(undefined);
        runtime.lastError = undefined;
      });
    };
    globalThis.chrome = { runtime };
  }
  return log;
}

export function removeFakeBrowser() {
  delete globalThis.chrome;
  delete globalThis.browser;
}
