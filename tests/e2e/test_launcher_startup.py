"""launcher start-up under Wine: the start line and the emptied log, the kit folder choice,
launcher.json, the kit check with its message box, one instance at a time, the data folder
fallback, the window, and the program file's manifest and icon."""
import os
import shutil
import unittest

import harness
import launcher_harness as lh
import webview_standin
from harness import wait_for

# The real loader under Wine finds no WebView2 runtime and says so from the call itself: the
# launcher logs it, tells the player what to install and runs on with an empty window.
NO_RUNTIME = "CreateCoreWebView2EnvironmentWithOptions: 0x80070002"

MISSING_FILES = [
    "The launcher's files are missing (launcher\\web, launcher\\actions.ps1).\n\n"
    "Unzip the whole kit again, inside the game folder.",
]


class StartLineAndLog(lh.LauncherTestCase):
    def test_start_line_replaces_an_old_log_and_exit_ends_it(self):
        folder, kit = lh.new_kit("startline", settings=b'{"server":"vyr.example.net"}')
        data = os.path.join(kit, "launcher", "data")
        os.makedirs(data)
        log = os.path.join(data, "launcher.log")
        with open(log, "wb") as f:
            f.write(b"01:02:03.004 a line of an earlier run\r\n")
        process = self.start_launcher(folder)
        window = self.wait_for_window()[0]
        self.dismiss_runtime_boxes()
        start = lh.START_PREFIX + harness.to_windows_path(kit) + ", server vyr.example.net"
        self.wait_for_log(log, [start, NO_RUNTIME])
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)
        self.assertEqual(lh.log_messages(log), [start, NO_RUNTIME, "exit"])

    def test_files_sub_folder_is_the_kit_and_kit_option_wins(self):
        folder, kit = lh.new_kit("filessub", files_sub=True)
        process = self.start_launcher(folder)
        window = self.wait_for_window()[0]
        self.dismiss_runtime_boxes()
        log = os.path.join(kit, "launcher", "data", "launcher.log")
        self.wait_for_log(log, [lh.START_PREFIX + harness.to_windows_path(kit) + ", server ",
                                NO_RUNTIME])
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)

        # A relative --kit with a trailing separator, resolved against the current folder.
        other = os.path.join(folder, "other")
        shutil.copytree(os.path.join(kit, "launcher"), os.path.join(other, "launcher"))
        process = self.start_launcher(folder, ["--kit", "other\\"])
        window = self.wait_for_window()[0]
        self.dismiss_runtime_boxes()
        log = os.path.join(other, "launcher", "data", "launcher.log")
        self.wait_for_log(log, [lh.START_PREFIX + harness.to_windows_path(other) + ", server ",
                                NO_RUNTIME])
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)

    def test_settings_with_a_byte_order_mark_and_without_a_server(self):
        cases = [
            ("bom", b'\xef\xbb\xbf{ "server" : "h\\u00e9.example" }', ", server h\u00e9.example"),
            ("nokey", b'{"servers":"x","other":"server"}', ", server "),
            ("tabbed", b'{"server"\t:"x"}', ", server "),
        ]
        for name, settings, tail in cases:
            with self.subTest(name):
                folder, kit = lh.new_kit("settings_" + name, settings=settings)
                process = self.start_launcher(folder)
                window = self.wait_for_window()[0]
                self.dismiss_runtime_boxes()
                log = os.path.join(kit, "launcher", "data", "launcher.log")
                self.assertEqual(lh.log_messages(log)[0],
                                 lh.START_PREFIX + harness.to_windows_path(kit) + tail)
                self.assertEqual(self.close_and_wait(process, window["pid"]), 0)

    def test_unwritable_data_folder_falls_back_to_local_app_data(self):
        for local in lh.local_app_data_dirs():
            shutil.rmtree(os.path.join(local, "VYR"), ignore_errors=True)
        folder, kit = lh.new_kit("fallback")
        # A folder below a plain file can never be created or written.
        blocker = os.path.join(folder, "blocker")
        with open(blocker, "w") as f:
            f.write("not a folder\n")
        process = self.start_launcher(folder, ["--data", harness.to_windows_path(
            os.path.join(blocker, "data"))])
        window = self.wait_for_window()[0]
        self.dismiss_runtime_boxes()
        logs = [os.path.join(l, "VYR", "launcher", "launcher.log")
                for l in lh.local_app_data_dirs()]
        found = wait_for(lambda: [p for p in logs if os.path.exists(p)], "the fallback log")
        self.wait_for_log(found[0], [lh.START_PREFIX + harness.to_windows_path(kit) + ", server ",
                                     NO_RUNTIME])
        self.assertEqual(os.listdir(os.path.dirname(found[0])), ["launcher.log"])
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)
        self.assertEqual(lh.log_messages(found[0])[-1], "exit")
        shutil.rmtree(os.path.dirname(os.path.dirname(found[0])), ignore_errors=True)


class HonestFailures(lh.LauncherTestCase):
    def test_only_a_missing_runtime_is_told_as_one_others_say_what_failed(self):
        cases = [  # E_ACCESSDENIED; HRESULT_FROM_WIN32(ERROR_INVALID_STATE): in use, other options
            ("denied", dict(create_result=0x80070005),
             "CreateCoreWebView2EnvironmentWithOptions: 0x80070005",
             "CreateCoreWebView2EnvironmentWithOptions failed with error 0x80070005 (access"),
            ("in_use", dict(environment_result=0x8007139F), "WebView2 environment failed: "
             "0x8007139f", "creating the WebView2 environment failed with error 0x8007139f (the"),
            ("missing", dict(environment_result=0x80070002),
             "WebView2 environment failed: 0x80070002", None),
        ]
        for name, options, line, told in cases:
            with self.subTest(name):
                folder, kit = lh.new_kit("honest_" + name)
                standin = webview_standin.StandIn(folder, **options)
                self.addCleanup(standin.close)
                process = self.start_launcher(folder, env=standin.env)
                window = self.wait_for_window()[0]
                if told is None:
                    self.dismiss_runtime_boxes()
                else:
                    texts = wait_for(lh.dialog_texts, "the failure's message box")
                    self.assertEqual(len(texts), 1, texts)
                    self.assertTrue(texts[0].startswith("VYR Ferrowake could not start the "
                                                        "Microsoft Edge WebView2 Runtime: " + told))
                    self.assertIn("Its data folder is " + harness.to_windows_path(
                        os.path.join(kit, "launcher", "data")) + ". ", texts[0])
                    self.assertEqual(lh.tool("press-ok", lh.CAPTION)[0], 0)
                log = os.path.join(kit, "launcher", "data", "launcher.log")
                self.assertEqual(lh.log_messages(log)[1:], [line])
                self.assertEqual(self.close_and_wait(process, window["pid"]), 0)

    def test_a_program_path_longer_than_260_characters_is_read_whole(self):
        folder, kit = lh.new_kit(os.path.join(*["a_folder_of_forty_characters_%04d_______" % i
                                                for i in range(7)]))
        process = self.start_launcher(folder)
        window = self.wait_for_window()[0]
        self.dismiss_runtime_boxes()
        self.wait_for_log(os.path.join(kit, "launcher", "data", "launcher.log"), [
            lh.START_PREFIX + harness.to_windows_path(kit) + ", server ", NO_RUNTIME])
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)


class KitCheck(lh.LauncherTestCase):
    def test_missing_or_folder_kit_files_give_a_message_box_and_exit_code_1(self):
        cases = [
            ("noindex", dict(index=False), None),
            ("noscript", dict(script=False), None),
            ("indexfolder", dict(index=False), "launcher/web/index.html"),
            ("scriptfolder", dict(script=False), "launcher/actions.ps1"),
        ]
        for name, layout, folder_in_place in cases:
            with self.subTest(name):
                folder, kit = lh.new_kit("kitcheck_" + name, **layout)
                if folder_in_place:
                    os.makedirs(os.path.join(kit, folder_in_place))
                process = self.start_launcher(folder)
                texts = wait_for(lh.dialog_texts, "the missing-files message box")
                self.assertEqual(texts, MISSING_FILES)
                # The start line is written before the check.
                log = os.path.join(kit, "launcher", "data", "launcher.log")
                self.assertEqual(lh.log_messages(log),
                                 [lh.START_PREFIX + harness.to_windows_path(kit) + ", server "])
                self.assertEqual(lh.launcher_windows(), [])
                code, out = lh.tool("press-ok", lh.CAPTION)
                self.assertEqual(code, 0, out)
                self.assertEqual(process.wait(), 1)
                self.assertEqual(len(lh.log_messages(log)), 1)


class SingleInstance(lh.LauncherTestCase):
    def test_second_start_brings_the_first_forward_and_leaves_the_log_alone(self):
        folder, kit = lh.new_kit("second")
        first = self.start_launcher(folder)
        window = self.wait_for_window()[0]
        self.dismiss_runtime_boxes()
        log = os.path.join(kit, "launcher", "data", "launcher.log")
        self.wait_for_log(log, [lh.START_PREFIX + harness.to_windows_path(kit) + ", server ",
                                NO_RUNTIME])
        code, out = lh.tool("minimize", lh.WINDOW_CLASS)
        self.assertEqual(code, 0, out)
        wait_for(lambda: lh.launcher_windows()[0]["iconic"] == "1", "the window minimised")
        before = os.stat(log)
        with open(log, "rb") as f:
            content = f.read()

        second = self.start_launcher(folder)
        self.assertEqual(second.wait(), 0)
        restored = wait_for(lambda: (lambda w: w if w and w[0]["iconic"] == "0" else None)(
            lh.launcher_windows()), "the first window restored")
        self.assertEqual(len(restored), 1)
        self.assertEqual(restored[0]["pid"], window["pid"])
        self.assertEqual(restored[0]["foreground"], "1")
        with open(log, "rb") as f:
            self.assertEqual(f.read(), content)
        self.assertEqual(os.stat(log).st_mtime_ns, before.st_mtime_ns)
        self.assertTrue(first.running())
        self.assertEqual(self.close_and_wait(first, window["pid"]), 0)

    def test_sandbox_start_opens_a_second_window(self):
        folder, kit = lh.new_kit("sandbox")
        first = self.start_launcher(folder)
        window = self.wait_for_window()[0]
        self.dismiss_runtime_boxes()
        hosts = os.path.join(folder, "hosts")
        with open(hosts, "w") as f:
            f.write("127.0.0.1 localhost\n")
        data = os.path.join(folder, "sandbox-data")
        second = self.start_launcher(folder, ["--hosts", harness.to_windows_path(hosts),
                                              "--data", harness.to_windows_path(data)])
        windows = self.wait_for_window(2)
        self.dismiss_runtime_boxes()
        pids = sorted(w["pid"] for w in windows)
        self.assertEqual(len(set(pids)), 2)
        sandbox_log = os.path.join(data, "launcher.log")
        self.wait_for_log(sandbox_log, [lh.START_PREFIX + harness.to_windows_path(kit) +
                                        ", server  (scratch hosts file)", NO_RUNTIME])
        other = [p for p in pids if p != window["pid"]][0]
        self.assertEqual(self.close_and_wait(second, other), 0)
        self.assertEqual(self.close_and_wait(first, window["pid"]), 0)


class WindowAndProgramFile(lh.LauncherTestCase):
    def test_window_class_title_place_and_minimum_size(self):
        folder, kit = lh.new_kit("window")
        process = self.start_launcher(folder)
        window = self.wait_for_window()[0]
        self.dismiss_runtime_boxes()
        self.assertEqual(window["title"], "VYR Ferrowake")
        self.assertEqual(window["visible"], "1")
        x, y, w, h = (int(v) for v in window["rect"].split(","))
        # Xvfb's screen is 1280 x 800: the 1280 x 720 client plus frame does not fit, so the
        # window is 95% of the fitting size, centred.
        self.assertLessEqual(w, 1280)
        self.assertLessEqual(h, 800)
        self.assertLess(abs(x - (1280 - w) // 2), 2)
        self.assertEqual(window["mintrack"], "980,600")
        self.assertEqual(self.close_and_wait(process, window["pid"]), 0)

    def test_manifest_and_nine_icon_sizes(self):
        code, out = lh.tool("resources", harness.to_windows_path(lh.LAUNCHER_EXE))
        self.assertEqual(code, 0, out)
        manifest = out.split("manifest=", 1)[1]
        for needed in ['name="VYR.Ferrowake.Launcher"',
                       "<description>VYR Ferrowake Launcher</description>",
                       'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"',
                       'level="asInvoker"', ">PerMonitorV2<", ">true/pm<",
                       "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"]:
            self.assertIn(needed, manifest)
        icons = [l for l in out.splitlines() if l.startswith("icon=")]
        self.assertEqual(icons, ["icon=%dx%d bits=32" % (s, s)
                                 for s in (16, 20, 24, 32, 40, 48, 64, 128, 256)])


if __name__ == "__main__":
    unittest.main()
