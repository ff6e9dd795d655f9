"""ferolant-register, run against a scratch HOME: what it writes, what it refuses to write, and
what its check mode says about broken installations."""

import json
import os
import stat
import subprocess
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
# The build passes the program's path.
REGISTER = os.environ.get("FEROLANT_REGISTER", "")
# A host that answers NATIVEVERSION; the build passes the fake host's path.
HOST = os.environ.get("FEROLANT_TEST_HOST", "")

CHROMIUM_DIRS = {
    "chrome": ".config/google-chrome/NativeMessagingHosts",
    "chromium": ".config/chromium/NativeMessagingHosts",
    "edge": ".config/microsoft-edge/NativeMessagingHosts",
    "brave": ".config/BraveSoftware/Brave-Browser/NativeMessagingHosts",
}
FIREFOX_DIR = ".mozilla/native-messaging-hosts"


class RegisterTest(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.home = self.scratch.name
        self.env = dict(os.environ, HOME=self.home)
        self.env.pop("XDG_CONFIG_HOME", None)

    def tearDown(self):
        self.scratch.cleanup()

    def run_register(self, *args, env=None):
        p = subprocess.run([REGISTER, *args], env=env or self.env,
                           capture_output=True, text=True, timeout=120)
        return p.returncode, p.stdout, p.stderr

    def manifest_path(self, browser, name="ferolant.host"):
        folder = FIREFOX_DIR if browser == "firefox" else CHROMIUM_DIRS[browser]
        return os.path.join(self.home, folder, name + ".json")

    def all_files(self):
        return sorted(os.path.relpath(os.path.join(d, f), self.home)
                      for d, _, files in os.walk(self.home) for f in files)

    def write_manifest(self, browser, manifest):
        path = self.manifest_path(browser)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(manifest if isinstance(manifest, str) else json.dumps(manifest))
        return path

    def script(self, name, body):
        path = os.path.join(self.home, name)
        with open(path, "w") as f:
            f.write("#!/bin/sh\n" + body + "\n")
        os.chmod(path, 0o755)
        return path


class InstallAndRemove(RegisterTest):
    @unittest.skipUnless(HOST, "needs FEROLANT_TEST_HOST")
    def test_writes_each_browsers_own_manifest_then_removes_them(self):
        rc, out, err = self.run_register(
            "install", "--path", HOST, "--name", "cz.example_1.host",
            "--extension-id", "abcdefghijklmnopabcdefghijklmnop",
            "--extension-id", "chrome-extension://pppppppppppppppppppppppppppppppp/",
            "--firefox-id", "signer@example.org")
        self.assertEqual(rc, 0, err)
        for browser in CHROMIUM_DIRS:
            with open(self.manifest_path(browser, "cz.example_1.host")) as f:
                m = json.load(f)
            self.assertEqual(m["name"], "cz.example_1.host")
            self.assertEqual(m["type"], "stdio")
            self.assertEqual(m["path"], os.path.abspath(HOST))
            self.assertEqual(m["allowed_origins"], [
                "chrome-extension://abcdefghijklmnopabcdefghijklmnop/",
                "chrome-extension://pppppppppppppppppppppppppppppppp/"])
            self.assertNotIn("allowed_extensions", m)
            self.assertTrue(m["description"])
        with open(self.manifest_path("firefox", "cz.example_1.host")) as f:
            m = json.load(f)
        self.assertEqual(m["allowed_extensions"], ["signer@example.org"])
        self.assertNotIn("allowed_origins", m)
        mode = os.stat(self.manifest_path("firefox", "cz.example_1.host")).st_mode
        self.assertEqual(stat.S_IMODE(mode), 0o644)

        rc, out, _ = self.run_register("check", "--name", "cz.example_1.host")
        self.assertEqual(rc, 0, out)
        self.assertEqual(out.count(": OK"), 5, out)
        self.assertEqual(out.count("answers NATIVEVERSION with '2'"), 5, out)

        rc, out, _ = self.run_register("remove", "--name", "cz.example_1.host")
        self.assertEqual(rc, 0)
        self.assertEqual(self.all_files(), [])
        rc, out, _ = self.run_register("check", "--name", "cz.example_1.host")
        self.assertEqual(rc, 1)
        self.assertIn("run ferolant-register install", out)

    @unittest.skipUnless(HOST, "needs FEROLANT_TEST_HOST")
    def test_follows_the_configuration_home_and_a_chosen_profile(self):
        config = os.path.join(self.home, "elsewhere")
        env = dict(self.env, XDG_CONFIG_HOME=config)
        rc, _, err = self.run_register("install", "--path", HOST, "--browser", "chrome", env=env)
        self.assertEqual(rc, 0, err)
        self.assertEqual(self.all_files(),
                         ["elsewhere/google-chrome/NativeMessagingHosts/ferolant.host.json"])

        profile = os.path.join(self.home, "profile")
        rc, _, err = self.run_register("install", "--path", HOST, "--user-data-dir", profile,
                                       "--browser", "chromium")
        self.assertEqual(rc, 0, err)
        self.assertIn("profile/NativeMessagingHosts/ferolant.host.json", self.all_files())
        rc, out, _ = self.run_register("check", "--user-data-dir", profile,
                                       "--browser", "chromium")
        self.assertEqual(rc, 0, out)

    def test_refuses_bad_names_before_writing_anything(self):
        host = self.script("host", "exit 0")
        cases = [
            ("--name", "Ferolant.Host"), ("--name", "a..b"), ("--name", ".a"),
            ("--name", "a."), ("--name", "a b"), ("--name", "a/../b"), ("--name", ""),
            ("--extension-id", "ABCDEFGHIJKLMNOPABCDEFGHIJKLMNOP"),
            ("--extension-id", "abcdefghijklmnopabcdefghijklmnoq"),
            ("--extension-id", "chrome-extension://abcdefghijklmnopabcdefghijklmnop"),
            ("--extension-id", "chrome-extension://*/"),
            ("--firefox-id", "no at sign"), ("--firefox-id", 'x@y"z'),
            ("--browser", "opera"), ("--path", "build/bin/ferolant"),
            ("--user-data-dir", "profile"),
        ]
        for option, value in cases:
            rc, _, err = self.run_register("install", "--path", host, "--browser", "chrome",
                                           option, value)
            self.assertEqual(rc, 2, (option, value))
            self.assertTrue(err.startswith("ferolant-register: "), err)
        # A host that is not there is refused too: a manifest naming it could never work.
        rc, _, err = self.run_register("install", "--path", os.path.join(self.home, "none"))
        self.assertEqual(rc, 2)
        self.assertIn("not an executable file", err)
        self.assertEqual(self.all_files(), ["host"])


class Check(RegisterTest):
    def check(self, browser):
        rc, out, _ = self.run_register("check", "--browser", browser)
        return rc, out

    def test_names_the_reason_a_browser_would_not_find_the_host(self):
        not_executable = os.path.join(self.home, "plain")
        open(not_executable, "w").close()
        good = {"name": "ferolant.host", "type": "stdio", "description": "x",
                "allowed_origins": ["chrome-extension://abcdefghijklmnopabcdefghijklmnop/"]}
        cases = [
            ("{not json", "does not parse as JSON"),
            ("[1]", "is not a JSON object"),
            (dict(good, path="/bin/true", name="other.host"),
             "\"name\" is 'other.host', but the file is for 'ferolant.host'"),
            (dict(good, path="/bin/true", type="socket"), "must be \"stdio\""),
            (dict(good, path="bin/ferolant"), "is not absolute"),
            ({k: v for k, v in good.items()}, "\"path\" is missing"),
            (dict(good, path=os.path.join(self.home, "gone")), "does not exist"),
            (dict(good, path=self.home), "is not a file"),
            (dict(good, path=not_executable), "is not executable"),
            (dict(good, path="/bin/true", allowed_origins=["chrome-extension://x/"]),
             "has entries other than chrome-extension://"),
            (dict(good, path="/bin/true", allowed_origins=[]), "missing or empty"),
            (dict(good, path=self.script("dies", "echo 'libtavrin.so: not found' >&2; exit 3")),
             "host started but did not answer (exit code 3): libtavrin.so: not found"),
            (dict(good, path=self.script("chatty", r"printf '\002\000\000\000{}'")),
             "answered with something that is not a reply"),
        ]
        for manifest, reason in cases:
            self.write_manifest("chrome", manifest)
            rc, out = self.check("chrome")
            self.assertEqual(rc, 1, out)
            self.assertIn("BROKEN", out)
            self.assertIn(reason, out)

    def test_checks_firefox_ids_in_their_own_member(self):
        self.write_manifest("firefox", {
            "name": "ferolant.host", "type": "stdio", "path": "/bin/true",
            "allowed_origins": ["chrome-extension://abcdefghijklmnopabcdefghijklmnop/"]})
        rc, out = self.check("firefox")
        self.assertEqual(rc, 1)
        self.assertIn("\"allowed_extensions\" is missing or empty", out)


if __name__ == "__main__":
    unittest.main()
