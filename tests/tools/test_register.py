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
# What install writes for each further browser and kind of install, under HOME.
CHROMIUM_FLATPAK = ".var/app/org.chromium.Chromium"
OTHER_INSTALLS = {
    "vivaldi": [".config/vivaldi/NativeMessagingHosts/ferolant.host.json"],
    "opera": [".config/google-chrome/NativeMessagingHosts/ferolant.host.json"],
    "librewolf": [".librewolf/native-messaging-hosts/ferolant.host.json"],
    "firefox-snap": [FIREFOX_DIR + "/ferolant.host.json"],
    "firefox-flatpak": [FIREFOX_DIR + "/ferolant.host.json"],
    "chromium-flatpak": [CHROMIUM_FLATPAK + "/config/chromium/NativeMessagingHosts/ferolant.host.json",
                         CHROMIUM_FLATPAK + "/data/ferolant/ferolant.host"],
    "chrome-flatpak": [
        ".var/app/com.google.Chrome/config/google-chrome/NativeMessagingHosts/ferolant.host.json",
        ".var/app/com.google.Chrome/data/ferolant/ferolant.host"],
}
# Where a faked HOME shows each sandboxed browser as installed.
INSTALLED = {
    "firefox-snap": "snap/firefox",
    "firefox-flatpak": ".local/share/flatpak/app/org.mozilla.firefox",
    "chromium-flatpak": ".local/share/flatpak/app/org.chromium.Chromium",
    "chrome-flatpak": ".local/share/flatpak/app/com.google.Chrome",
}


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
        # Opera reads Chrome's manifest; Vivaldi and LibreWolf have their own.
        self.assertEqual(out.count(": OK"), 7, out)
        self.assertEqual(out.count("answers NATIVEVERSION with '2'"), 7, out)

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
            ("--browser", "safari"), ("--path", "build/bin/ferolant"),
            ("--user-data-dir", "profile"), ("--folder", "relative/folder"),
            ("--folder", "/abs", "--browser", "firefox"), ("--folder", "/abs", "--system"),
            ("--browser", "vivaldi", "--system"), ("--browser", "chromium-flatpak", "--system"),
            ("--browser", "firefox-snap", "--user-data-dir", "/abs"),
        ]
        for case in cases:
            rc, _, err = self.run_register("install", "--path", host, "--browser", "chrome",
                                           *case)
            self.assertEqual(rc, 2, case)
            self.assertTrue(err.startswith("ferolant-register: "), err)
        # A host that is not there is refused too: a manifest naming it could never work.
        rc, _, err = self.run_register("install", "--path", os.path.join(self.home, "none"))
        self.assertEqual(rc, 2)
        self.assertIn("not an executable file", err)
        self.assertEqual(self.all_files(), ["host"])


class OtherBrowsers(RegisterTest):
    @unittest.skipUnless(HOST, "needs FEROLANT_TEST_HOST")
    def test_each_browser_and_kind_of_install_gets_its_own_files(self):
        for browser, files in OTHER_INSTALLS.items():
            rc, _, err = self.run_register("install", "--path", HOST, "--browser", browser)
            self.assertEqual(rc, 0, err)
            self.assertEqual(self.all_files(), sorted(files), browser)
            if browser.endswith("-flatpak") and browser != "firefox-flatpak":
                # The sandbox starts the script it can see; the script starts the host outside.
                with open(os.path.join(self.home, files[0])) as f:
                    self.assertEqual(json.load(f)["path"], os.path.join(self.home, files[1]))
                rc, out, _ = self.run_register("check", "--browser", browser)
                self.assertIn("which starts outside the sandbox:\n" + " " * 17 + "path: " + HOST,
                              out)
            rc, _, _ = self.run_register("remove", "--browser", browser)
            self.assertEqual((rc, self.all_files()), (0, []), browser)
        folder = os.path.join(self.home, "elsewhere")
        for browser, member in (("chromium", "allowed_origins"), ("librewolf", "allowed_extensions")):
            rc, _, err = self.run_register("install", "--path", HOST, "--folder", folder,
                                           "--browser", browser)
            self.assertEqual(rc, 0, err)
            with open(os.path.join(folder, "ferolant.host.json")) as f:
                self.assertIn(member, json.load(f))
        rc, out, _ = self.run_register("check", "--folder", folder, "--browser", "librewolf")
        self.assertEqual(rc, 0, out)

    def fake_installed(self, *browsers):
        for browser in browsers:
            os.makedirs(os.path.join(self.home, INSTALLED[browser]))

    def fake_gdbus(self, body):
        """A gdbus on PATH that answers the permission store's Lookup as body says."""
        bin_dir = os.path.join(self.home, "bin")
        os.makedirs(bin_dir, exist_ok=True)
        path = os.path.join(bin_dir, "gdbus")
        with open(path, "w") as f:
            f.write("#!/bin/sh\n" + body + "\n")
        os.chmod(path, 0o755)
        self.env["PATH"] = bin_dir + os.pathsep + self.env["PATH"]

    @unittest.skipUnless(HOST, "needs FEROLANT_TEST_HOST")
    def test_check_finds_the_sandboxed_installs_and_says_what_they_need(self):
        self.fake_installed(*INSTALLED)
        rc, out, _ = self.run_register("check")
        for browser, where in INSTALLED.items():
            self.assertIn(f"installed: {browser:<16} {where.startswith('snap') and 'snap   ' or 'flatpak'} "
                          f"{os.path.join(self.home, where)}", out)
        # "all" writes for what is installed, sandboxed or not.
        rc, _, err = self.run_register("install", "--path", HOST)
        self.assertEqual(rc, 0, err)
        for browser in INSTALLED:
            for f in OTHER_INSTALLS[browser]:
                self.assertTrue(os.path.exists(os.path.join(self.home, f)), f)
        overrides = os.path.join(self.home, ".local/share/flatpak/overrides")
        cases = [
            # browser, gdbus's answer, flatpak override, expected exit code, expected texts
            ("chromium-flatpak", None, None, 1,
             ["will NOT start the host",
              "flatpak override --user --talk-name=org.freedesktop.Flatpak org.chromium.Chromium"]),
            ("chromium-flatpak", None, "[Session Bus Policy]\norg.freedesktop.Flatpak=talk\n", 0,
             ["may start programs outside it", "it will start the host"]),
            ("firefox-snap", "echo \"({'snap.firefox': ['yes']}, <byte 0x00>)\"", None, 0,
             ["the person allowed it: it will start the host"]),
            ("firefox-snap", "echo 'Error: GDBus.Error: No entry for ferolant.host' >&2; exit 1",
             None, 1, ["no one has allowed it yet",
                       "flatpak permission-set webextensions ferolant.host snap.firefox yes"]),
            ("firefox-flatpak", "echo \"({'org.mozilla.firefox': ['no']}, <byte 0x00>)\"", None, 1,
             ["the person said no",
              "flatpak permission-set webextensions ferolant.host org.mozilla.firefox yes"]),
            ("firefox-snap", "exit 1", None, 1, ["whether the person allowed it is unknown"]),
        ]
        path = self.env["PATH"]
        for browser, gdbus, override, code, texts in cases:
            self.env["PATH"] = path
            if gdbus:
                self.fake_gdbus(gdbus)
            if override:
                os.makedirs(overrides, exist_ok=True)
                with open(os.path.join(overrides, "org.chromium.Chromium"), "w") as f:
                    f.write(override)
            rc, out, _ = self.run_register("check", "--browser", browser)
            self.assertEqual(rc, code, (browser, out))
            for text in texts:
                self.assertIn(text, out, browser)


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
