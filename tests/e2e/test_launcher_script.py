"""The real launcher runs the kit's real script: the stand-in powershell.exe hands it to real
PowerShell 7 on the Linux side (its real mode), while the shell start, the pipes and the
polling stay Wine's. A kit unpacked into a stand-in game folder, in sandbox mode; the page is
the stand-in WebView2 runtime."""
import json
import os
import shutil
import sys

import harness
import launcher_harness as lh
import launcher_standins
from test_launcher_actions import ScriptTestCase, json_path

sys.path.insert(0, os.path.join(harness.SOURCE_DIR, "scripts"))
import package  # noqa: E402

HOSTS = "127.0.0.1 localhost\r\n::1 localhost\r\n"


def literal(text):
    """A PowerShell single-quoted literal, as the launcher writes one."""
    return "'" + text.replace("'", "''") + "'"


def snapshot(folder):
    """The game's side of the folder: every file and folder below package/ and vyr_launcher/
    with its bytes, but the run folder the last result is read from."""
    found = {}
    for base, dirs, files in os.walk(folder):
        relative = os.path.relpath(base, folder).replace(os.sep, "/")
        if not relative.startswith(("package", "vyr_launcher/")) or relative.startswith(
                "vyr_launcher/run"):
            continue
        found[relative + "/"] = None
        for name in files:
            with open(os.path.join(base, name), "rb") as f:
                found[relative + "/" + name] = f.read()
    return found


class RealScriptTestCase(ScriptTestCase):
    """A launcher whose kit's script runs in real PowerShell 7 (no tests of its own)."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.runner = launcher_standins.PwshRunner()

    @classmethod
    def tearDownClass(cls):
        try:
            cls.runner.close()
        finally:
            super().tearDownClass()

    def unpack_kit(self):
        """The kit's launcher files (script, settings, game-side files and their manifest by
        scripts/package.py) in the launcher's kit folder, which is also the game folder."""
        source = os.path.join(harness.SOURCE_DIR, "kit")
        launcher = os.path.join(self.kit, "launcher")
        for name in ("actions.ps1", "kit.json"):
            shutil.copy2(os.path.join(source, "launcher", name), launcher)
        shutil.copytree(os.path.join(source, "game"), os.path.join(launcher, "game"))
        package.write_manifest(self.kit)
        os.makedirs(os.path.join(self.kit, "package", "patch_npk"))
        os.makedirs(os.path.join(self.kit, "package", "config"))
        with open(os.path.join(self.kit, "package", "config", "user_scripts.ini"), "wb") as f:
            f.write(b"[scripts]\r\n")


class RealScript(RealScriptTestCase):
    def status(self):
        reply = json.loads(self.request('{"cmd":"status"}')[0])
        self.assertEqual(reply["type"], "status")
        self.assertTrue(reply["raw"].endswith("}\r\n"), reply)
        return json.loads(reply["raw"])

    def act(self, action):
        """The action's log lines and its done message, as the page gets them."""
        self.mark = len(self.page.entries())
        self.assertEqual(self.page.post_json('{"cmd":"act","action":"%s","game":"%s"}' % (
            action, json_path(self.kit))), 1)
        posts = harness.wait_for(
            lambda: (lambda p: p if p and json.loads(p[-1])["type"] == "done" else None)(
                [m for m in self.posted()]), "the done of %s" % action, deadline=120)
        messages = [json.loads(p) for p in posts]
        return [m["line"] for m in messages if m["type"] == "log"], messages[-1]

    def test_status_install_and_uninstall_in_real_powershell(self):
        hosts = os.path.join(harness.RUNS_DIR, "launcher", "real script hosts")
        os.makedirs(os.path.dirname(hosts), exist_ok=True)
        with open(hosts, "wb") as f:
            f.write(HOSTS.encode())
        self.start("real script \u00e9 [1]", ["--hosts", harness.to_windows_path(hosts)])
        self.unpack_kit()
        before = snapshot(self.kit)
        self.powershell.run_real(self.kit, self.runner)

        # Without --game the script looks at the folder the kit was unpacked into; the path
        # comes back whole, so the output was UTF-8 all the way.
        status = self.status()
        self.assertEqual((status["ok"], status["installed"], status["gameFound"]),
                         (True, False, True), status)
        self.assertEqual(status["game"], self.kit)
        self.assertEqual(status["hostsFile"], hosts)
        # The launcher's command line, its Wine paths as Linux paths.
        run = self.runner.runs[-1]
        # A kit path with brackets: the script is loaded from its literal path with -Command,
        # as -File would take the path for a wildcard pattern in Windows PowerShell 5.1.
        self.assertEqual(run["argv"], [
            "-NoProfile", "-NonInteractive", "-ExecutionPolicy", "Bypass", "-WindowStyle",
            "Hidden", "-Command",
            "try { $vyrKitScript = [scriptblock]::Create([IO.File]::ReadAllText(%s, "
            "[Text.Encoding]::Default)) } catch { exit 1 }; & $vyrKitScript -Action 'status' "
            "-Kit %s -HostsFile %s; exit $LASTEXITCODE"
            % (literal(os.path.join(self.kit, "launcher", "actions.ps1")), literal(self.kit),
               literal(hosts))])
        self.assertEqual(run["cwd"].rstrip("/"), self.folder)

        with open(os.path.join(harness.SOURCE_DIR, "kit", "launcher", "kit.json"), "rb") as f:
            self.assertEqual(status["kitTitle"], json.load(f)["title"])

        # The plan first, then each step counted, as the page counts them.
        lines, done = self.act("install")
        self.assertEqual(lines[0].split(":")[0], "install")
        self.assertRegex(lines[1], r"^plan: 5 steps, [1-9]\d* bytes to write$")
        self.assertIn("step 1/5: placed package/config/user_scripts.ini (the game's own is kept in "
                      "vyr_launcher/backup)", lines)
        self.assertEqual(lines[-1], "install: done")
        self.assertEqual((done["action"], done["exit"]), ("install", 0))
        result = json.loads(done["raw"])
        self.assertTrue(result["ok"], result)
        self.assertEqual((result["plannedSteps"], result["restored"]), (5, []))
        self.assertTrue(self.powershell.calls(self.kit)[-1]["argv"][-1].endswith(
            " -Game %s; exit $LASTEXITCODE" % literal(harness.to_windows_path(self.kit))))
        status = self.status()
        self.assertEqual((status["installed"], status["hostsRedirected"], status["changedFiles"]),
                         (True, True, []), status)
        with open(hosts, "rb") as f:
            self.assertIn(b"\r\n203.0.113.7 news.cindergale.example\r\n", f.read())

        lines, done = self.act("uninstall")
        self.assertEqual((lines[-1], done["exit"]), ("uninstall: done", 0))
        self.assertEqual(snapshot(self.kit), before)
        with open(hosts, "rb") as f:
            self.assertEqual(f.read(), HOSTS.encode())
        self.assertEqual([r["exit"] for r in self.runner.runs], [0, 0, 0, 0])


if __name__ == "__main__":
    import unittest
    unittest.main()
