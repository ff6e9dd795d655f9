// Types of ferolant.mjs: the extension side of the Ferolant native messaging host.

/** Where a failure comes from. */
export type FerolantErrorSource =
  /** The host's own error numbers (HOST_ERRORS), or any error of NATIVEVERSION/GETFILESIZE. */
  | 'host'
  /** The signing library's status, passed on by the host unchanged. */
  | 'library'
  /** The browser ended the port or refused the message; the message is the browser's own. */
  | 'browser'
  /** No answer within the call's time-out; the client's port is closed with it. */
  | 'timeout'
  /** A reply of an unexpected form, or a long result that a one-shot message cannot fetch. */
  | 'reply'
  /** Refused before anything was sent: a parameter, tab id, time-out or name out of range. */
  | 'input'
  /** The extension called disconnect() while calls were pending. */
  | 'client';

export class FerolantError extends Error {
  readonly name: 'FerolantError';
  readonly source: FerolantErrorSource;
  /** The method as sent to the host (e.g. "SIGNDETACHED"); unset for connect(). */
  readonly method: string | undefined;
  /** The reply's error number: set for the sources 'host' and 'library' only. */
  readonly errNo: number | undefined;
  /** The reply's error text: set for the sources 'host' and 'library' only. */
  readonly errMsg: string | undefined;
  /**
   * The data that came with a failed reply (INIT gives "ERR"), or, for a one-shot result
   * longer than one reply, its first block.
   */
  readonly data: string | undefined;
}

/** The error numbers the host gives by itself. */
export const HOST_ERRORS: Readonly<{
  UNKNOWN_METHOD: -31901;
  REQUEST_FAILED: -31905;
  INVALID_COMMUNICATION: -31909;
  FILE_NOT_PASSED: 5101;
  FILE_NOT_FOUND: 5102;
}>;

export interface Progress {
  /** Replies received so far for this call (1 for the first block). */
  blocks: number;
  /** UTF-16 code units received so far. */
  units: number;
}

export interface CallOptions {
  /** Sent as "tabID"; a whole number within signed 32 bits. Default 0. */
  tabId?: number;
  /**
   * Milliseconds to wait for the whole result, counted from when the request goes to the host
   * (not while it waits for earlier calls). Default 0: no limit, since the signing dialogs
   * wait for a person. On a client, a time-out closes the port (the host ends, and with it
   * any dialog it shows): a late answer could not be told from the next call's, so every
   * pending call fails too and a new connect() is needed.
   */
  timeoutMs?: number;
  /**
   * Called after each reply of the result, the last one included. An exception thrown here
   * fails the call.
   */
  onProgress?: (progress: Progress) => void;
}

/**
 * A connection to one host process (connectNative). Calls are sent one at a time, in the
 * order they were made, each only after the previous one has its whole result; the signing
 * library's settings (code page, hash algorithms) and its last signature stay for the life of
 * the connection. Every method resolves with the result's data, joined from all its blocks,
 * and rejects with a FerolantError.
 */
export interface FerolantClient {
  /** True once the port is gone: every further call fails with the reason. */
  readonly closed: boolean;

  /** Any method, with up to ten text parameters. */
  call(method: string, params?: string[], options?: CallOptions): Promise<string>;

  /** "OK"; fails (with data "ERR") when the library is not ready. */
  init(options?: CallOptions): Promise<string>;
  /** The signing library's about text. */
  about(options?: CallOptions): Promise<string>;
  /** The host's protocol version, "2". */
  nativeVersion(options?: CallOptions): Promise<string>;
  /** The signing library's file dialog; resolves with the chosen file's name. */
  getFileNameDialog(text1: string, text2: string, text3: string, text4: string, mode: number,
                    options?: CallOptions): Promise<string>;
  /** Sets the library's code page (e.g. 1250); resolves with "". */
  setCodePage(codePage: number, options?: CallOptions): Promise<string>;
  /** The library's code page in decimal ("0" before any was set). */
  getCodePage(options?: CallOptions): Promise<string>;
  /** A detached signature of the text, after a person confirms it. */
  signDetached(text: string, number: number, options?: CallOptions): Promise<string>;
  /** A detached signature of the file, after a person confirms it. */
  signFileDetached(path: string, number: number, options?: CallOptions): Promise<string>;
  /** Sets the signature's and the signing certificate's hash algorithm; resolves with "". */
  setHashAlgorithm(algorithm: number, options?: CallOptions): Promise<string>;
  /** The serial number behind the last signature made over this connection. */
  getLastSignerSerial(options?: CallOptions): Promise<string>;
  /** The file's contents as the library encodes them. */
  encodeFile(path: string, options?: CallOptions): Promise<string>;
  /** The file's size in bytes, in decimal. */
  getFileSize(path: string, options?: CallOptions): Promise<string>;

  /** Closes the port, which ends the host; pending calls fail with source 'client'. */
  disconnect(): void;
}

/**
 * Opens a port to the host. `defaults` apply to every call unless the call gives its own.
 * Throws a FerolantError for an empty name or options out of range; a host that cannot be
 * started shows as the first call failing with the browser's message (e.g. "Specified native
 * messaging host not found.").
 */
export function connect(hostName: string, defaults?: CallOptions): FerolantClient;

/**
 * One request through sendNativeMessage: the browser starts a host process for this message
 * alone and ends it after the reply. Nothing carries over between one-shot calls: each starts
 * with the library's initial state, so a code page or hash algorithm set by one send() is gone
 * by the next, and GETLASTCERTSENDERSIGNATURESN has no signature to speak of. Use connect()
 * for anything that needs settings.
 *
 * A result longer than one reply (over 450000 code units, or less for non-ASCII text) cannot
 * be completed, since the rest leaves with the host process: the call then fails with source
 * 'reply' and the first block in `data`. Long results need connect().
 *
 * The parameters are texts; a last argument that is an object holds the options
 * (`tabId`, `timeoutMs`). A time-out only stops the waiting: the browser still ends the host
 * once it answers.
 */
export function send(hostName: string, method: string, ...params: SendParams): Promise<string>;

/** The texts of a one-shot request, optionally followed by its options. */
export type SendParams = string[] | [...string[], Omit<CallOptions, 'onProgress'>];
