"""Runs dist/overlay/overlay_host.exe under Wine on a virtual display for a few seconds,
takes a screenshot, ends it and says where everything is."""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
os.environ.setdefault("VYR_E2E_DIR", os.path.join(ROOT, "build", "demo"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness  # noqa: E402


def main():
    exe = os.path.join(ROOT, "dist", "overlay", "overlay_host.exe")
    log = os.path.join(harness.STATE_DIR, "vyr_overlay.log")
    shot = os.path.join(harness.STATE_DIR, "screenshot.png")
    harness.setup()
    process = None
    try:
        if os.path.exists(log):
            os.remove(log)
        process = harness.WinProcess(exe, ["--log", harness.to_windows_path(log), "--port",
                                           str(harness.free_udp_port())])
        harness.wait_for(lambda: harness.read_log_lines(log), "the start line")
        start = harness.messages(harness.read_log_lines(log))[0]
        pid = int(start.split(", pid ")[1].split(",")[0])
        harness.wait_for(lambda: harness.wintool("find", "VYROverlayHost")[0] == 0,
                         "the host window")
        env = harness.wine_env()
        subprocess.run(["import", "-window", "root", "-display", env["DISPLAY"], shot],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        harness.wintool("postquit", pid)
        code = process.wait()
    finally:
        if process:
            process.kill()
        harness.cleanup()
    print()
    print("overlay_host ran under Wine and ended with exit code %d." % code)
    print("  program:    %s" % exe)
    print("  log:        %s" % log)
    print("  screenshot: %s" % shot)
    print()
    for line in harness.read_log_lines(log):
        print("  " + line)


if __name__ == "__main__":
    main()
