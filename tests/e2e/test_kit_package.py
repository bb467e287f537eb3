"""The kit as players get it: the Windows build installed and zipped by scripts/package.py,
the zip unpacked into a game folder, and both programs and vyro started from there under
Wine with the WebView2 SDK's own loader (no runtime in Wine: the pages stay empty). Also the
check kit (its unit tests under Wine, its Pester part in PowerShell 7) and a signed kit."""
import glob
import hashlib
import json
import os
import shutil
import subprocess
import sys
import unittest
import zipfile

import harness
import launcher_harness
from harness import wait_for
from launcher_standins import pwsh_command

sys.path.insert(0, os.path.join(harness.SOURCE_DIR, "scripts"))
import package  # noqa: E402

EXPECTED = [
    "JOIN - double click me.bat",
    "WebView2Loader.dll",
    "launcher.exe",
    "launcher/",
    "launcher/actions.ps1",
    "launcher/game/",
    "launcher/game/package/",
    "launcher/game/package/config/",
    "launcher/game/package/config/user_scripts.ini",
    "launcher/game/package/config/vyr_overlay.ini",
    "launcher/game/package/script/",
    "launcher/game/package/script/vyr_overlay.lua",
    "launcher/game_files.json",
    "launcher/kit.json",
    "launcher/launcher.json",
    "launcher/web/",
    "launcher/web/index.html",
    "overlay/",
    "overlay/WebView2Loader.dll",
    "overlay/overlay_host.exe",
    "overlay/vyro.exe",
    "overlay/web/",
    "overlay/web/index.html",
    "package/",
    "package/Documents/",
]


class KitPackage(launcher_harness.LauncherTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.dist = os.path.join(harness.STATE_DIR, "dist")
        cls.kit, cls.zip = package.build_kit(harness.WINDOWS_BUILD, cls.dist)

    def unpack(self, name):
        game = os.path.join(harness.RUNS_DIR, "kit", name)
        shutil.rmtree(game, ignore_errors=True)
        os.makedirs(os.path.join(game, "package", "patch_npk"))
        with zipfile.ZipFile(self.zip) as archive:
            archive.extractall(game)
        return game

    def test_zip_holds_the_layout_and_nothing_from_the_tests(self):
        with zipfile.ZipFile(self.zip) as archive:
            names = archive.namelist()
        self.assertEqual(names, sorted(names))
        # The pages may bring more files; everything else is exactly this.
        self.assertEqual([n for n in names if not n.startswith(("launcher/web/", "overlay/web/"))
                          or n in EXPECTED], EXPECTED)
        self.assertEqual(package.check(harness.WINDOWS_BUILD, self.kit), [])
        sdk_loader = open(os.path.join(harness.WINDOWS_BUILD,
                                       "webview2_loader_path.txt")).read().strip()
        for loader in ("WebView2Loader.dll", "overlay/WebView2Loader.dll"):
            with open(os.path.join(self.kit, loader), "rb") as a, open(sdk_loader, "rb") as b:
                self.assertEqual(a.read(), b.read(), loader)
        with open(os.path.join(self.kit, "launcher", "launcher.json"), "rb") as f:
            self.assertIn(b'"server": "updates.vyr.example"', f.read())
        # The manifest the script installs by: each game-side file with its size and SHA-256.
        with open(os.path.join(self.kit, "launcher", "game_files.json"), "rb") as f:
            manifest = json.loads(f.read())
        game = os.path.join(harness.SOURCE_DIR, "kit", "game")
        expected = []
        for relative in sorted(n[len("launcher/game/"):] for n in EXPECTED
                               if n.startswith("launcher/game/") and not n.endswith("/")):
            with open(os.path.join(game, *relative.split("/")), "rb") as f:
                data = f.read()
            expected.append({"path": relative, "size": len(data),
                             "sha256": hashlib.sha256(data).hexdigest()})
        self.assertEqual(manifest, {"files": expected})
        # The same files give the same zip.
        first = open(self.zip, "rb").read()
        package.write_zip(self.kit, self.zip)
        self.assertEqual(open(self.zip, "rb").read(), first)
        # Named after kit.json, with its SHA-256 beside it as sha256sum writes it.
        self.assertEqual(self.zip, package.zip_path(harness.SOURCE_DIR, self.dist))
        kit_json = os.path.join(self.dist, "kit.json")
        with open(kit_json, "w") as f:
            json.dump({"name": " My Kit: \u00dcber!! ", "version": "2.0"}, f)
        self.assertEqual(package.zip_name(kit_json), "my-kit-ber-2.0.zip")
        self.assertEqual(subprocess.run(["sha256sum", "--check", "--quiet", self.zip + ".sha256"],
                                        cwd=self.dist).returncode, 0)

    def test_check_kit_runs_its_unit_tests_under_wine_and_pester_in_powershell_7(self):
        folder = os.path.join(harness.RUNS_DIR, "kit", "checks")
        shutil.rmtree(folder, ignore_errors=True)
        with zipfile.ZipFile(package.build_checks(harness.WINDOWS_BUILD, self.dist)) as archive:
            self.assertFalse([n for n in archive.namelist() if n.endswith("ps51.Tests.ps1")])
            archive.extractall(folder)
        # One Pester test keeps it short; the whole suite runs in tests/script/run.sh.
        done = subprocess.run(pwsh_command() + [
            "-NoProfile", "-NonInteractive", "-File", os.path.join(folder, "run-checks.ps1"),
            "-PesterFilter", "keeps to Windows PowerShell 5.1"], env=harness.wine_env(),
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
            timeout=300)
        out = done.stdout.decode("utf-8", "replace")
        self.assertEqual(done.returncode, 0, out)
        programs = len(glob.glob(os.path.join(harness.WINDOWS_BUILD, "tests", "*_unit_tests.exe")))
        self.assertRegex(out.splitlines()[-1], r"^checks: PASS - unit test programs: %d of %d "
                         r"passed; Pester: 1 passed, 0 failed, 0 skipped; PowerShell 7\." % (
                             programs, programs))

    def test_signed_kit_verifies(self):
        folder = os.path.join(harness.RUNS_DIR, "kit", "signed")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        key, cert, pfx = (os.path.join(folder, n) for n in ("key.pem", "cert.pem", "cert.pfx"))
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=VYR test signer", "-keyout", key, "-out", cert,
                        "-addext", "extendedKeyUsage=codeSigning"], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", pfx,
                        "-passout", "env:VYR_TEST_PFX_PASSWORD"], check=True,
                       env=dict(os.environ, VYR_TEST_PFX_PASSWORD="pass word"))
        dist = os.path.join(folder, "dist")
        subprocess.run([sys.executable, os.path.join(harness.SOURCE_DIR, "scripts", "package.py"),
                        "--build", harness.WINDOWS_BUILD, "--dist", dist, "--sign-pfx", pfx,
                        "--sign-password-env", "VYR_TEST_PFX_PASSWORD"], check=True,
                       env=dict(os.environ, VYR_TEST_PFX_PASSWORD="pass word"),
                       stdout=subprocess.DEVNULL)
        unpacked = os.path.join(folder, "unpacked")
        with zipfile.ZipFile(package.zip_path(harness.SOURCE_DIR, dist)) as archive:
            archive.extractall(unpacked)
        with zipfile.ZipFile(os.path.join(dist, package.CHECKS_ZIP)) as archive:
            archive.extract("unit/vyro_unit_tests.exe", unpacked)
        for name in package.SIGNED + ["unit/vyro_unit_tests.exe"]:
            done = subprocess.run(["osslsigncode", "verify", "-in", os.path.join(unpacked, name),
                                   "-CAfile", cert], stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT)
            self.assertEqual(done.returncode, 0, done.stdout)
            self.assertIn(b"Signature verification: ok", done.stdout, name)
        # The script keeps its text; the signature is a comment block after it.
        with open(os.path.join(harness.SOURCE_DIR, "kit", "launcher", "actions.ps1"), "rb") as f:
            script = f.read()
        with open(os.path.join(unpacked, "launcher", "actions.ps1"), "rb") as f:
            signed = f.read()
        self.assertTrue(signed.startswith(script))
        self.assertIn(b"# SIG # Begin signature block", signed[len(script):])

    def test_programs_start_from_the_unpacked_kit(self):
        game = self.unpack("start")
        overlay = os.path.join(game, "overlay")
        documents = os.path.join(game, "package", "Documents")
        process = harness.WinProcess(os.path.join(overlay, "overlay_host.exe"),
                                     ["--port", str(harness.free_udp_port())])
        self.processes.append(process)
        log = os.path.join(overlay, "vyr_overlay.log")
        start = wait_for(lambda: next((m for m in harness.messages(harness.read_log_lines(log))
                                       if m.startswith("started, ")), None), "the start line")
        self.assertTrue(start.endswith(", mode child, web %s\\web"
                                       % harness.to_windows_path(overlay)), start)
        # The keys file is emptied in the default documents folder: the game's package folder.
        wait_for(lambda: os.path.exists(os.path.join(documents, "vyr_keys.txt")),
                 "vyr_keys.txt in package\\Documents")
        wait_for(lambda: "CreateCoreWebView2EnvironmentWithOptions: 0x80070002" in
                 harness.messages(harness.read_log_lines(log)), "the real loader's answer")

        hosts = os.path.join(game, "scratch_hosts")
        open(hosts, "w").close()
        launcher = self.start_launcher(game, ["--hosts", harness.to_windows_path(hosts)])
        self.wait_for_window()
        launcher_log = os.path.join(game, "launcher", "data", "launcher.log")
        self.assertEqual(launcher_harness.log_messages(launcher_log)[0],
                         launcher_harness.START_PREFIX + harness.to_windows_path(game)
                         + ", server updates.vyr.example (scratch hosts file)")
        self.assertTrue(launcher.running())

        done = subprocess.run(["wine", os.path.join(overlay, "vyro.exe"), "--help"],
                              env=harness.wine_env(), stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60)
        self.assertEqual(done.returncode, 0)
        self.assertTrue(done.stdout.startswith(b"usage: vyro "))


if __name__ == "__main__":
    unittest.main()
