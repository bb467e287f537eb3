"""Lays out the kit from a built Windows tree and zips it.

    python3 scripts/package.py [--build build/windows] [--dist dist]
    python3 scripts/package.py --manifest KIT_FOLDER

The first gives dist/vyr-kit/ (the folder as players unpack it into the game folder) and
dist/vyr-kit.zip. The layout is checked before zipping: every file the programs expect is
there, each WebView2Loader.dll is the SDK's own, and nothing from the tests came along.
Both write launcher/game_files.json: the relative path, size and SHA-256 of every file below
launcher/game/, the game-side files that the kit's script installs into the game folder.
"""
import argparse
import filecmp
import hashlib
import json
import os
import shutil
import subprocess
import sys
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
KIT_NAME = "vyr-kit"

# Relative to the kit folder, with "/" as the zip writes them.
REQUIRED_FILES = [
    "launcher.exe",
    "WebView2Loader.dll",
    "launcher/actions.ps1",
    "launcher/game_files.json",
    "launcher/kit.json",
    "launcher/launcher.json",
    "launcher/web/index.html",
    "overlay/overlay_host.exe",
    "overlay/WebView2Loader.dll",
    "overlay/vyro.exe",
    "overlay/web/index.html",
]
REQUIRED_FOLDERS = ["package/Documents"]
LOADERS = ["WebView2Loader.dll", "overlay/WebView2Loader.dll"]
# Names that only the tests use; none may reach players.
TEST_ONLY = ("webview2_browser", "webview2_probe", "webview2_record", "standin", "wintool",
             "launcher_tool", "_unit_tests", "vyr_overlay.log", "launcher.log")
GAME_FILES = "launcher/game"
MANIFEST = "launcher/game_files.json"
# A fixed time for every zip entry, so the same files give the same zip.
ZIP_TIME = (2026, 1, 1, 0, 0, 0)


def install(build_dir, kit_dir):
    shutil.rmtree(kit_dir, ignore_errors=True)
    subprocess.run(["cmake", "--install", build_dir, "--prefix", kit_dir], check=True,
                   stdout=subprocess.DEVNULL)


def game_files(kit_dir):
    """The kit's game-side files: (path relative to launcher/game with "/", full path), sorted."""
    root = os.path.join(kit_dir, *GAME_FILES.split("/"))
    found = []
    for folder, dirs, files in os.walk(root):
        for name in files:
            path = os.path.join(folder, name)
            found.append((os.path.relpath(path, root).replace(os.sep, "/"), path))
    return sorted(found)


def write_manifest(kit_dir):
    """Writes launcher/game_files.json whole (a temporary file, then renamed)."""
    files = []
    for relative, path in game_files(kit_dir):
        with open(path, "rb") as f:
            data = f.read()
        files.append({"path": relative, "size": len(data),
                      "sha256": hashlib.sha256(data).hexdigest()})
    target = os.path.join(kit_dir, *MANIFEST.split("/"))
    temp = target + ".tmp"
    with open(temp, "w", encoding="ascii", newline="\n") as f:
        json.dump({"files": files}, f, indent=2)
        f.write("\n")
    os.replace(temp, target)
    return files


def kit_entries(kit_dir):
    """Every folder (ending in "/") and file below the kit folder, sorted."""
    entries = []
    for folder, dirs, files in os.walk(kit_dir):
        dirs.sort()
        relative = os.path.relpath(folder, kit_dir).replace(os.sep, "/")
        if relative != ".":
            entries.append(relative + "/")
        for name in sorted(files):
            entries.append((name if relative == "." else relative + "/" + name))
    return sorted(entries)


def check(build_dir, kit_dir):
    """The problems of a laid-out kit, as texts; empty when it is fine."""
    problems = []
    for name in REQUIRED_FILES:
        if not os.path.isfile(os.path.join(kit_dir, name)):
            problems.append("missing file " + name)
    for name in REQUIRED_FOLDERS:
        if not os.path.isdir(os.path.join(kit_dir, name)):
            problems.append("missing folder " + name)
    if not game_files(kit_dir):
        problems.append("no game-side files in " + GAME_FILES)
    with open(os.path.join(build_dir, "webview2_loader_path.txt")) as f:
        sdk_loader = f.read().strip()
    for name in LOADERS:
        path = os.path.join(kit_dir, name)
        if os.path.isfile(path) and not filecmp.cmp(path, sdk_loader, shallow=False):
            problems.append("%s is not the WebView2 SDK's loader %s" % (name, sdk_loader))
    for entry in kit_entries(kit_dir):
        if any(part in entry for part in TEST_ONLY):
            problems.append("test file in the kit: " + entry)
    return problems


def write_zip(kit_dir, zip_path):
    if os.path.exists(zip_path):
        os.remove(zip_path)
    with zipfile.ZipFile(zip_path, "w", zipfile.ZIP_DEFLATED) as archive:
        for entry in kit_entries(kit_dir):
            info = zipfile.ZipInfo(entry, ZIP_TIME)
            if entry.endswith("/"):
                info.external_attr = (0o40755 << 16) | 0x10  # a folder, also for Windows
                archive.writestr(info, b"")
            else:
                info.external_attr = 0o100644 << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(os.path.join(kit_dir, entry), "rb") as f:
                    archive.writestr(info, f.read())


def build_kit(build_dir, dist_dir):
    """Installs, checks and zips; returns (kit folder, zip path)."""
    kit_dir = os.path.join(dist_dir, KIT_NAME)
    zip_path = os.path.join(dist_dir, KIT_NAME + ".zip")
    os.makedirs(dist_dir, exist_ok=True)
    install(build_dir, kit_dir)
    write_manifest(kit_dir)
    problems = check(build_dir, kit_dir)
    if problems:
        raise SystemExit("package: the kit is not complete:\n  " + "\n  ".join(problems))
    write_zip(kit_dir, zip_path)
    return kit_dir, zip_path


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "windows"),
                        help="the built Windows tree (default build/windows)")
    parser.add_argument("--dist", default=os.path.join(ROOT, "dist"),
                        help="where the kit folder and zip go (default dist)")
    parser.add_argument("--manifest", metavar="KIT_FOLDER",
                        help="only write the game-side file manifest of a laid-out kit folder")
    args = parser.parse_args()
    if args.manifest:
        files = write_manifest(os.path.abspath(args.manifest))
        print("package: %s with %d files" % (MANIFEST, len(files)))
        return 0
    kit_dir, zip_path = build_kit(os.path.abspath(args.build), os.path.abspath(args.dist))
    with zipfile.ZipFile(zip_path) as archive:
        count = len(archive.namelist())
    print("package: kit folder %s" % kit_dir)
    print("package: zip %s (%d entries, %d bytes)" % (zip_path, count,
                                                       os.path.getsize(zip_path)))


if __name__ == "__main__":
    sys.exit(main())
