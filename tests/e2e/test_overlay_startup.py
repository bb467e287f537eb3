"""overlay_host start-up under Wine: its start line, the port wait, the files it empties,
the opt-out marker, and how the loop ends."""
import glob
import os
import shutil
import socket
import subprocess
import time
import unittest

import harness
from harness import wait_for, wintool

START_PREFIX = "started, build 2026-10-12 v11 keyboard layout kept across alt-tab, pid "
NO_REASON = "exit (the message loop ended - WM_QUIT from elsewhere, no reason recorded)"
OPT_OUT = "keys: no_keep_layout.txt - the keyboard layout is only noted, never asked back"


class StartUp(harness.OverlayTestCase):
    def quit_and_wait(self, process, pid):
        wait_for(lambda: self.host_windows(pid), "the host window")
        code, out = wintool("postquit", pid)
        self.assertEqual(code, 0, out)
        return process.wait()

    def test_start_line_with_no_arguments_then_quit_from_outside(self):
        process = self.start_overlay()
        pid = self.windows_pid()
        web = harness.to_windows_path(os.path.join(self.folder, "web"))
        self.assertEqual(self.log_messages()[0],
                         "%s%d, mode child, web %s" % (START_PREFIX, pid, web))
        self.assertEqual(self.quit_and_wait(process, pid), 0)
        log = self.log_messages()
        self.assertEqual(log[0], "%s%d, mode child, web %s" % (START_PREFIX, pid, web))
        self.assertEqual(log[-1], NO_REASON)
        self.assertEqual(sum(1 for m in log if m.startswith("exit (")), 1)

    def test_owned_mode_and_a_utf8_web_folder_in_the_start_line(self):
        port = harness.free_udp_port()
        process = self.start_overlay(["--web", "C:\\Spiele\\M\u00fcller \u2603", "--mode", "owned",
                                      "--port", str(port)])
        pid = self.windows_pid()
        with open(self.log_path, "rb") as f:
            first = f.read().split(b"\r\n")[0]
        self.assertTrue(first.endswith(
            b", mode owned, web C:\\Spiele\\M\xc3\xbcller \xe2\x98\x83"), first)
        self.assertEqual(self.quit_and_wait(process, pid), 0)

    def test_log_and_keys_file_are_emptied_at_start(self):
        folder = harness.new_program_folder("emptied")
        docs = os.path.join(folder, "docs")
        os.makedirs(docs)
        keys = os.path.join(docs, "vyr_keys.txt")
        with open(keys, "wb") as f:
            f.write(b"old notes\r\n")
        with open(os.path.join(folder, "vyr_overlay.log"), "wb") as f:
            f.write(b"[vyr-overlay] 01:02:03 an old line\r\n")
        process = self.start_overlay(["--doc", harness.to_windows_path(docs), "--port",
                                      str(harness.free_udp_port())], folder=folder)
        pid = self.windows_pid()
        wait_for(lambda: self.host_windows(pid), "the host window")
        self.assertEqual(os.path.getsize(keys), 0)
        self.assertTrue(self.log_messages()[0].startswith(START_PREFIX))
        self.assertNotIn(OPT_OUT, self.log_messages())
        self.assertEqual(self.quit_and_wait(process, pid), 0)

    def test_a_folder_named_no_keep_layout_counts_as_the_marker(self):
        folder = harness.new_program_folder("marker")
        os.makedirs(os.path.join(folder, "no_keep_layout.txt"))
        process = self.start_overlay(["--port", str(harness.free_udp_port())], folder=folder)
        pid = self.windows_pid()
        self.wait_for_line(lambda m: m == OPT_OUT, "the opt-out line")
        self.assertEqual(self.log_messages()[1], OPT_OUT)
        self.assertEqual(self.quit_and_wait(process, pid), 0)

    def test_log_in_a_missing_folder_loses_lines_and_runs_on(self):
        folder = harness.new_program_folder("nolog")
        missing = os.path.join(folder, "no", "such", "folder", "x.log")
        process = self.start_overlay(["--log", harness.to_windows_path(missing), "--port",
                                      str(harness.free_udp_port())], folder=folder)
        # No start line to read the pid from: find the host window of this process instead.
        def host():
            code, out = wintool("find", "VYROverlayHost")
            return [l for l in out.splitlines() if l] if code == 0 else None
        lines = wait_for(host, "the host window")
        self.assertTrue(process.running())
        pid = int(lines[0].split(" pid=")[1].split(" ")[0])
        code, out = wintool("postquit", pid)
        self.assertEqual(code, 0, out)
        self.assertEqual(process.wait(), 0)
        self.assertFalse(os.path.exists(os.path.dirname(missing)))
        self.assertEqual(sorted(os.listdir(folder)), ["WebView2Loader.dll", "overlay_host.exe"])


    def test_a_long_game_path_that_cannot_be_written_sends_log_and_files_to_the_user(self):
        # The program's path is longer than 260 characters, and neither its folder nor the page
        # files' folder takes new files, as under Program Files: chmod stops an ordinary user,
        # the immutable attribute root.
        game = os.path.join(harness.RUNS_DIR, "locked_game")
        subprocess.run(["chattr", "-R", "-i", game], stderr=subprocess.DEVNULL)
        shutil.rmtree(game, ignore_errors=True)
        folder = harness.new_program_folder(os.path.join("locked_game", *["sixty-" * 10] * 5))
        docs = os.path.join(folder, "..", "package", "Documents")
        os.makedirs(docs)
        for path in (folder, docs):
            os.chmod(path, 0o555)
            self.addCleanup(os.chmod, path, 0o755)
            if os.geteuid() == 0 and subprocess.run(["chattr", "+i", path]).returncode == 0:
                self.addCleanup(subprocess.run, ["chattr", "-i", path])
        try:
            open(os.path.join(docs, "probe"), "x").close()
            self.skipTest("nothing here stops this user from writing into a folder")
        except OSError:
            pass
        mine = glob.glob(harness.PREFIX + "/drive_c/users/*/AppData/Local")[0] + "/VYR/overlay"
        shutil.rmtree(mine, ignore_errors=True)
        process = self.start_overlay(["--port", str(harness.free_udp_port())], folder=folder)
        self.log_path = mine + "/vyr_overlay.log"
        pid = self.windows_pid()
        windows = "C:\\users\\%s\\AppData\\Local\\VYR\\overlay" % mine.split("/")[-5]
        self.assertEqual(self.log_messages()[0], "%s%d, mode child, web %s\\web; the game folder "
                         "is not writable - log %s\\vyr_overlay.log, page files in %s\\Documents"
                         % (START_PREFIX, pid, harness.to_windows_path(folder), windows, windows))
        self.assertTrue(os.path.exists(mine + "/Documents/vyr_keys.txt"))
        self.assertEqual(self.quit_and_wait(process, pid), 0)
        self.assertEqual(os.listdir(docs), [])


class PortWait(harness.OverlayTestCase):
    def test_port_held_for_about_a_second(self):
        port = harness.free_udp_port()
        holder = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        try:
            holder.bind(("127.0.0.1", port))
            process = self.start_overlay(["--port", str(port)])
            taken = "port %d is taken - waiting for it (up to 30 s)" % port
            self.wait_for_line(lambda m: m == taken, "the taken line")
            seen = time.monotonic()
            wait_for(lambda: time.monotonic() - seen >= 1.0, "one second")
        finally:
            holder.close()
        free = self.wait_for_line(lambda m: m.startswith("port %d free after " % port),
                                  "the free line")
        ms = int(free.split(" free after ")[1].split(" ms")[0])
        self.assertEqual(ms % 250, 0)
        self.assertGreaterEqual(ms, 1000)
        self.assertLessEqual(ms, 3000)
        pid = self.windows_pid()
        wait_for(lambda: self.host_windows(pid), "the host window")
        log = self.log_messages()
        self.assertEqual(log[1:3], [taken, free])
        self.assertEqual(sum(1 for m in log if "is taken" in m), 1)
        wintool("postquit", pid)
        self.assertEqual(process.wait(), 0)

    def test_port_held_throughout_gives_up_without_a_window(self):
        port = harness.free_udp_port()
        holder = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        try:
            holder.bind(("127.0.0.1", port))
            process = self.start_overlay(["--port", str(port)])
            self.windows_pid()
            # Watches for the host window from inside Wine for longer than the whole wait; it
            # ends early only when it sees one.
            watcher = harness.WinProcess(harness.WINTOOL_EXE, ["watch", "VYROverlayHost", "60000"])
            self.processes.append(watcher)
            self.assertEqual(process.wait(deadline=90), 0)
            self.assertTrue(watcher.running(), "a host window was created")
        finally:
            holder.close()
        log = self.log_messages()
        self.assertEqual(log[1:], [
            "port %d is taken - waiting for it (up to 30 s)" % port,
            "port %d still taken after 30 s - another overlay runs; exiting" % port,
            "exit (port %d taken)" % port,
        ])


if __name__ == "__main__":
    unittest.main()
