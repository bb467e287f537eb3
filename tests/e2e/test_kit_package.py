"""The kit as players get it: the Windows build installed and zipped by scripts/package.py,
the zip unpacked into a game folder, and both programs and vyro started from there under
Wine with the WebView2 SDK's own loader (no runtime in Wine: the pages stay empty)."""
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

sys.path.insert(0, os.path.join(harness.SOURCE_DIR, "scripts"))
import package  # noqa: E402

EXPECTED = [
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
