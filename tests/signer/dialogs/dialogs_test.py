#!/usr/bin/env python3
"""The signer's dialogs through the host, answered with xdotool. Run by ./run, which provides
the display, the window manager and the keys:

    dialogs_test.py BUILD_DIR WORK_DIR SCREENSHOT_DIR
"""
import json
import os
import select
import shutil
import signal
import struct
import subprocess
import sys
import time

BUILD, WORK, SHOTS = sys.argv[1:4]
KEYS = os.path.join(WORK, "keys")
ORIGIN = "chrome-extension://knldjmfmopnpolahpmmgbagdohdnhkik/"
BROWSER = "Browser stand-in"
failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    if not condition:
        failures.append(what)


def run(*args, **kw):
    return subprocess.run(args, capture_output=True, text=True, **kw)


def xdotool(*args):
    return run("xdotool", *args).stdout.strip()


def active_title():
    return xdotool("getactivewindow", "getwindowname")


def wait_for_window(title, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = xdotool("search", "--name", "^" + title + "$")
        if found:
            return found.split()[0]
        time.sleep(0.1)
    return None


def wait_until_active(title, seconds=5):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if active_title() == title:
            return True
        time.sleep(0.1)
    return False


def screenshot(name):
    if SHOTS:
        os.makedirs(SHOTS, exist_ok=True)
        window = xdotool("getactivewindow")
        # The dialog with its frame, small: a PNG of a few tens of kilobytes.
        run("import", "-window", "root", "-crop", crop_of(window), "+repage",
            "-resize", "720x480>", "-colors", "128", "-strip", os.path.join(SHOTS, name + ".png"))


def crop_of(window):
    out = run("xwininfo", "-id", window).stdout
    values = {}
    for line in out.splitlines():
        line = line.strip()
        for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
            if line.startswith(key + ":"):
                values[key] = int(line.split(":")[1])
    x = max(values["Absolute upper-left X"] - 4, 0)
    y = max(values["Absolute upper-left Y"] - 24, 0)
    return "%dx%d+%d+%d" % (values["Width"] + 8, values["Height"] + 28, x, y)


def focus_browser():
    window = wait_for_window(BROWSER, 10)
    xdotool("windowactivate", "--sync", window)
    check(active_title() == BROWSER, "the browser stand-in has the focus before the request")


class Host:
    """The host beside the real signing library, spoken to as a browser does."""

    def __init__(self, env_changes=None, args=(ORIGIN,), as_nobody=False, sigchld_ignored=False):
        folder = os.path.join(WORK, "host")
        if not os.path.isdir(folder):
            os.makedirs(folder)
            shutil.copy(os.path.join(BUILD, "bin", "ferolant"), folder)
            for name in ("libtavrin.so", "libtavrin-dialog-guard.so"):
                if os.path.exists(os.path.join(BUILD, "bin", "signer", name)):
                    shutil.copy(os.path.join(BUILD, "bin", "signer", name), folder)
        env = dict(os.environ)
        env.update(HOME=os.path.join(WORK, "home"),
                   XDG_CONFIG_HOME=os.path.join(WORK, "config"),
                   SOFTHSM2_CONF=os.path.join(KEYS, "softhsm2.conf"))
        os.makedirs(env["HOME"], exist_ok=True)
        for name, value in (env_changes or {}).items():
            if value is None:
                env.pop(name, None)
            else:
                env[name] = value
        command = [os.path.join(folder, "ferolant"), *args]
        if as_nobody and os.geteuid() == 0:
            command = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", *command]
        # An ignored SIGCHLD survives exec, as a browser or a launcher may hand it down.
        ignore = (lambda: signal.signal(signal.SIGCHLD, signal.SIG_IGN)) if sigchld_ignored else None
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        env=env, preexec_fn=ignore)

    def send(self, method, *params):
        body = {"metoda": method, "parametry": {"param%d" % (i + 1): p for i, p in enumerate(params)},
                "tabID": 7}
        data = json.dumps(body, ensure_ascii=False).encode()
        self.process.stdin.write(struct.pack("<I", len(data)) + data)
        self.process.stdin.flush()

    def reply(self):
        if not select.select([self.process.stdout], [], [], 60)[0]:
            return {"errNo": None, "errMsg": "no reply within a minute", "data": ""}
        header = self.process.stdout.read(4)
        if len(header) < 4:
            return {"errNo": None, "errMsg": "no reply", "data": ""}
        value = json.loads(self.process.stdout.read(struct.unpack("<I", header)[0]))
        return {"errNo": value.get("errNo"), "errMsg": value.get("errMsg", ""),
                "data": (value.get("result") or {}).get("data", "")}

    def close(self):
        self.process.stdin.close()
        return self.process.wait(timeout=20)


def verifies(signature_b64, content):
    sig = os.path.join(WORK, "signature.der")
    with open(sig, "wb") as f:
        f.write(__import__("base64").b64decode(signature_b64))
    data = os.path.join(WORK, "content")
    with open(data, "wb") as f:
        f.write(content)
    result = run("openssl", "cms", "-verify", "-binary", "-inform", "DER", "-in", sig,
                 "-content", data, "-CAfile", os.path.join(KEYS, "ca.pem"), "-out", "/dev/null")
    return result.returncode == 0


def serial_of(name):
    out = run("openssl", "x509", "-serial", "-noout", "-in", os.path.join(KEYS, name + ".pem"))
    return out.stdout.strip().split("=", 1)[1]


CHOOSE = "Ferolant – choose a certificate"
PIN = "Ferolant – PIN"


def wait_gone(title, seconds=5):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if not xdotool("search", "--name", "^" + title + "$"):
            return True
        time.sleep(0.1)
    return False


def answer(title, keys, typed=None, shot=None, click=False):
    """Waits for the dialog, checks it is in front (or, with `click`, brings it there as a
    person clicking it would), takes its picture, answers it."""
    window = wait_for_window(title)
    check(window is not None, "dialog '%s' appears" % title)
    if window is None:
        return
    if click:
        xdotool("windowactivate", "--sync", window)
    check(wait_until_active(title), "dialog '%s' is the active window" % title)
    # Active is not yet focused: GTK gives the entry its focus a moment after the window
    # manager activates the window, and keys sent before then are lost. Enter and clicks count
    # only half a second after the dialog appears or gets the focus.
    time.sleep(0.7)
    if shot:
        screenshot(shot)
    if typed is not None:
        xdotool("type", "--delay", "30", typed)
    for key in keys:
        xdotool("key", key)


def main():
    browser = subprocess.Popen(["xmessage", "-geometry", "900x700+0+0", "-title", BROWSER,
                                "The browser would be here."])
    text = "Objednávka č. 2026/118: 12 žlutých tužek 🙂\nDodání do pátku."
    expected = text.encode()
    host = Host()

    # 1. Two certificates (in the token's order): the second one is chosen, then its PIN given.
    focus_browser()
    host.send("SIGNDETACHED", text, "0")
    answer(CHOOSE, ["ctrl+a"], shot="choose-certificate")
    xdotool("type", "--delay", "20", "2")
    xdotool("key", "Return")
    answer(PIN, ["Return"], typed="1234", shot="pin")
    r = host.reply()
    check(r["errNo"] == 0, "signature with the second key: %s %s" % (r["errNo"], r["errMsg"]))
    check(r["errNo"] == 0 and verifies(r["data"], expected), "openssl cms -verify accepts it")
    host.send("GETLASTCERTSENDERSIGNATURESN")
    second = host.reply()["data"]
    check(second in (serial_of("ec"), serial_of("rsa")), "one of the token's certificates made it")

    # 2. A wrong PIN, then the right one on the next request; the EC key is preselected now.
    focus_browser()
    host.send("SIGNDETACHED", text, "0")
    answer(CHOOSE, ["Return"])
    answer(PIN, ["Return"], typed="0000")
    r = host.reply()
    check(r["errNo"] == 13, "wrong PIN answered with its status: %s %s" % (r["errNo"], r["errMsg"]))
    focus_browser()
    host.send("SIGNDETACHED", text, "0")
    answer(CHOOSE, ["Return"])
    answer(PIN, ["Return"], typed="1234", shot="pin-after-wrong")
    r = host.reply()
    check(r["errNo"] == 0 and verifies(r["data"], expected), "right PIN next time: signature verifies")
    host.send("GETLASTCERTSENDERSIGNATURESN")
    check(host.reply()["data"] == second, "the preselected certificate was the last chosen")
    focus_browser()
    host.send("SIGNDETACHED", text, "0")
    answer(CHOOSE, ["ctrl+a"])
    xdotool("type", "--delay", "30", "1")
    time.sleep(0.2)
    xdotool("key", "Return")
    answer(PIN, ["Return"], typed="1234")
    r = host.reply()
    host.send("GETLASTCERTSENDERSIGNATURESN")
    check(r["errNo"] == 0 and host.reply()["data"] not in ("", second),
          "the first certificate, chosen by its number, is the other one")

    # 3. Escape cancels.
    focus_browser()
    host.send("SIGNDETACHED", text, "0")
    answer(CHOOSE, ["Escape"])
    r = host.reply()
    check(r["errNo"] == 4, "Escape gives the cancel status: %s %s" % (r["errNo"], r["errMsg"]))
    focus_browser()
    host.send("SIGNDETACHED", text, "0")
    answer(CHOOSE, ["Return"])
    answer(PIN, ["Escape"])
    r = host.reply()
    check(r["errNo"] == 4, "Escape at the PIN gives the cancel status: %s" % r["errNo"])

    # 4. The file chooser: one file in mode 0, two in mode 2 (names separated by line feeds).
    files = os.path.join(WORK, "files")
    os.makedirs(files, exist_ok=True)
    for name in ("smlouva.txt", "příloha.txt", "obrázek.png"):
        open(os.path.join(files, name), "w").close()
    focus_browser()
    host.send("GETFILENAMEDLG", "Vyberte smlouvu", "smlouva.txt", "Texty|*.txt", files, "0")
    answer("Ferolant – file for the page: “Vyberte smlouvu”", ["Return"], shot="file-chooser")
    r = host.reply()
    check(r["errNo"] == 0 and r["data"] == os.path.join(files, "smlouva.txt"),
          "mode 0 gives the chosen file: %s %r" % (r["errNo"], r["data"]))
    focus_browser()
    host.send("GETFILENAMEDLG", "Přílohy", "", "Texty|*.txt", files, "2")
    answer("Ferolant – file for the page: “Přílohy”", ["ctrl+a", "Return"], shot="file-chooser-several")
    r = host.reply()
    chosen = sorted(r["data"].split("\n"))
    check(r["errNo"] == 0 and chosen == sorted(os.path.join(files, n)
                                               for n in ("smlouva.txt", "příloha.txt")),
          "mode 2 gives both text files: %s %r" % (r["errNo"], r["data"]))
    focus_browser()
    host.send("GETFILENAMEDLG", "", "", "", files, "0")
    answer("Ferolant – choose a file", ["Escape"])
    r = host.reply()
    check(r["errNo"] == 4, "a cancelled file chooser has its own status: %s" % r["errNo"])

    # 4b. ENCODEFILE reads a file chosen in this process's file dialog at once; any other file
    # only after a dialog that names it, where Cancel is the default.
    other = os.path.join(files, "obrázek.png")
    with open(other, "wb") as f:
        f.write(b"\x89PNG not chosen")
    read_title = "Ferolant – give a file to the page"
    for what, path, keys, errno in (
            ("a chosen file, with no dialog", os.path.join(files, "smlouva.txt"), None, 0),
            ("a file not chosen, Enter at the dialog", other, ["Return"], 4),
            ("a file not chosen, given in the dialog", other, ["Tab", "Return"], 0)):
        focus_browser()
        host.send("ENCODEFILE", path)
        if keys:
            # The host brings dialogs forward for signatures and the file chooser only.
            answer(read_title, keys, shot="give-file" if errno == 0 else None, click=True)
        r = host.reply()
        check(r["errNo"] == errno, "ENCODEFILE of %s: %s %s" % (what, r["errNo"], r["errMsg"]))
    check(host.close() == 0, "the host ends cleanly")

    # 4c. Fail closed: SIGCHLD ignored by whatever started the host. Escape at the PIN still
    # cancels, and a display that is not there still means no window, not a yes.
    for what, changes, keys, errno in (
            ("Escape at the PIN", {}, ["Escape"], 4),
            ("a display with no server", {"DISPLAY": ":99"}, None, 17)):
        orphan = Host(changes, sigchld_ignored=True)
        focus_browser()
        orphan.send("SIGNDETACHED", text, "0")
        if keys:
            answer(CHOOSE, ["Return"])
            answer(PIN, keys)
        r = orphan.reply()
        check(r["errNo"] == errno and r["data"] == "",
              "SIGCHLD ignored, %s: %s %s" % (what, r["errNo"], r["errMsg"]))
        orphan.close()

    # 4d. The file signed is the file shown: rewritten while its dialog is open, the signature
    # still covers what was there when the dialog appeared. An empty PIN is a Cancel.
    host = Host()
    paper = os.path.join(files, "paper.txt")
    with open(paper, "wb") as f:
        f.write(b"Pay 10 EUR to Alice.")
    focus_browser()
    host.send("SIGNFILEDETACHED", paper, "0")
    answer(CHOOSE, ["Return"])
    wait_for_window(PIN)
    with open(paper, "wb") as f:
        f.write(b"I also transfer my house to Mallory, for 10 EUR")
    answer(PIN, ["Return"], typed="1234", shot="pin-file")
    r = host.reply()
    check(r["errNo"] == 0 and verifies(r["data"], b"Pay 10 EUR to Alice.")
          and not verifies(r["data"], open(paper, "rb").read()),
          "a file rewritten during its dialog: the signature covers the bytes shown: %s %s"
          % (r["errNo"], r["errMsg"]))
    focus_browser()
    host.send("SIGNDETACHED", text, "0")
    answer(CHOOSE, ["Return"])
    answer(PIN, ["Return"])
    r = host.reply()
    check(r["errNo"] == 4, "an empty PIN is a Cancel: %s %s" % (r["errNo"], r["errMsg"]))
    host.close()

    # 4e. A dialog never outlives the host: the browser going away (its pipe closed) or the host
    # told to end closes the window, and the host ends.
    for what, end in (("the browser goes away", lambda h: h.process.stdin.close()),
                      ("the host is told to end", lambda h: h.process.terminate())):
        host = Host()
        host.send("SIGNDETACHED", text, "0")
        wait_for_window(CHOOSE)
        end(host)
        check(wait_gone(CHOOSE), what + ": the dialog closes")
        try:
            host.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            host.process.kill()
            check(False, what + ": the host ends")

    # 5. A token that is already logged in: a confirmation with Sign and Cancel, no PIN.
    softhsm = open(os.path.join(KEYS, "softhsm-module")).read().strip()
    logged_in = Host({"XDG_CONFIG_HOME": os.path.join(WORK, "config-logged-in"),
                      "FEROLANT_TEST_REAL_MODULE": softhsm}, as_nobody=True)
    focus_browser()
    logged_in.send("SIGNDETACHED", text, "0")
    answer(CHOOSE, ["Return"])
    answer("Ferolant – confirm the signature", ["Tab", "Return"], shot="confirm")
    r = logged_in.reply()
    check(r["errNo"] == 0 and verifies(r["data"], expected),
          "a logged-in token signs after the confirmation: %s %s" % (r["errNo"], r["errMsg"]))
    focus_browser()
    logged_in.send("SIGNDETACHED", text, "0")
    answer(CHOOSE, ["Return"])
    answer("Ferolant – confirm the signature", ["Escape"])
    r = logged_in.reply()
    check(r["errNo"] == 4, "Escape at the confirmation cancels: %s" % r["errNo"])
    # No Enter-through: Enter as the confirmation appears does not count, and later Enter takes
    # the default button, which is Cancel.
    focus_browser()
    logged_in.send("SIGNDETACHED", text, "0")
    answer(CHOOSE, ["Return"])
    confirm = "Ferolant – confirm the signature"
    wait_for_window(confirm)
    wait_until_active(confirm, 5)
    for _ in range(2):
        time.sleep(0.1)
        xdotool("key", "Return")
    check(xdotool("search", "--name", "^" + confirm + "$") != "",
          "Enter as the confirmation appears does not answer it")
    answer(confirm, ["Return"])
    r = logged_in.reply()
    check(r["errNo"] == 4, "Enter at the confirmation takes Cancel: %s" % r["errNo"])
    check(logged_in.close() == 0, "the host ends cleanly")

    # 6. No display: a clear status at once, and no signature.
    quiet = Host({"DISPLAY": None, "WAYLAND_DISPLAY": None})
    started = time.monotonic()
    quiet.send("SIGNDETACHED", text, "0")
    r = quiet.reply()
    took = time.monotonic() - started
    print("      no display answered in %.3f s: %s %s" % (took, r["errNo"], r["errMsg"]))
    check(r["errNo"] == 17 and r["data"] == "", "no display: status 17 and no signature")
    check(took < 5, "no display: the answer does not wait for anything")
    quiet.close()

    browser.terminate()
    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
