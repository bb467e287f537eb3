"""Lays out the kit from a built Windows tree and zips it.

    python3 scripts/package.py [--build build/windows] [--dist dist]
                               [--sign-pfx FILE --sign-password-env VAR [--timestamp-url URL]]
    python3 scripts/package.py --manifest KIT_FOLDER

The first gives dist/vyr-kit/ (the folder as players unpack it into the game folder) and the
zip named after kit.json, e.g. dist/vyr-ferrowake-kit-1.0.zip, with its SHA-256 beside it
(dist/vyr-ferrowake-kit-1.0.zip.sha256, as sha256sum writes it). The layout is checked before
zipping: every file the programs expect is there, each WebView2Loader.dll is the SDK's own,
and nothing from the tests came along. With a certificate, the programs and actions.ps1 are
signed with Authenticode (osslsigncode) before zipping. It also builds dist/vyr-checks.zip:
the unit test programs, the script's Pester suite and run-checks.ps1, for a Windows PC.
Both write launcher/game_files.json: the relative path, size and SHA-256 of every file below
launcher/game/, the game-side files that the kit's script installs into the game folder.
"""
import argparse
import filecmp
import glob
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
KIT_NAME = "vyr-kit"

# Relative to the kit folder, with "/" as the zip writes them.
REQUIRED_FILES = [
    "launcher.exe",
    "JOIN - double click me.bat",
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
JOIN_BAT = "JOIN - double click me.bat"
REQUIRED_FOLDERS = ["package/Documents"]
LOADERS = ["WebView2Loader.dll", "overlay/WebView2Loader.dll"]
# Names that only the tests use; none may reach players.
TEST_ONLY = ("webview2_browser", "webview2_probe", "webview2_record", "standin", "wintool",
             "launcher_tool", "_unit_tests", "vyr_overlay.log", "launcher.log")
GAME_FILES = "launcher/game"
MANIFEST = "launcher/game_files.json"
# A fixed time for every zip entry, so the same files give the same zip.
ZIP_TIME = (2026, 1, 1, 0, 0, 0)
# What Authenticode signs: Windows checks these when they are started (SmartScreen, Smart App
# Control, the execution policy for the script).
SIGNED = ["launcher.exe", "overlay/overlay_host.exe", "overlay/vyro.exe", "launcher/actions.ps1"]
CHECKS_ZIP = "vyr-checks.zip"
# The check kit: unit test programs, the Pester suite with what it reads, Pester itself.
CHECKS_SCRIPT = "scripts/run-checks.ps1"
CHECKS_SOURCES = ["kit", "tests/script"]
# Build-machine only: the 5.1 check reads reference assemblies the check kit does not carry.
CHECKS_LEFT_OUT = ("tests/script/run.sh", "tests/script/ps51.Tests.ps1")


def zip_name(kit_json):
    """<slug of name>-<version>.zip from a kit.json."""
    with open(kit_json, encoding="utf-8-sig") as f:
        kit = json.load(f)
    slug = re.sub(r"[^a-z0-9]+", "-", str(kit["name"]).lower()).strip("-")
    version = re.sub(r"[^A-Za-z0-9._-]+", "-", str(kit["version"])).strip("-")
    if not slug or not version:
        raise SystemExit("package: kit.json needs a name and a version to name the zip")
    return "%s-%s.zip" % (slug, version)


def zip_path(root, dist_dir=None):
    """The kit's zip for the checkout at root: in dist_dir (default root/dist), named by
    root/kit/launcher/kit.json."""
    return os.path.join(dist_dir or os.path.join(root, "dist"),
                        zip_name(os.path.join(root, "kit", "launcher", "kit.json")))


def install(build_dir, kit_dir):
    shutil.rmtree(kit_dir, ignore_errors=True)
    subprocess.run(["cmake", "--install", build_dir, "--prefix", kit_dir], check=True,
                   stdout=subprocess.DEVNULL)
    # Installs the kit without the launcher, where the WebView2 Runtime is missing.
    shutil.copy2(os.path.join(ROOT, "kit", JOIN_BAT), os.path.join(kit_dir, JOIN_BAT))


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
    """The zip written whole: a temporary name beside it, then renamed."""
    temp = zip_path + ".tmp"
    with zipfile.ZipFile(temp, "w", zipfile.ZIP_DEFLATED) as archive:
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
    os.replace(temp, zip_path)


def write_sha256(path):
    """path + ".sha256" in sha256sum's format, written whole."""
    with open(path, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    temp = path + ".sha256.tmp"
    with open(temp, "w", encoding="ascii", newline="\n") as f:
        f.write("%s  %s\n" % (digest, os.path.basename(path)))
    os.replace(temp, path + ".sha256")
    return path + ".sha256"


def sign(paths, pfx, password, timestamp_url=None, description="VYR kit"):
    """Signs each file in place with Authenticode (SHA-256) through osslsigncode; the password
    goes through a private file, never the command line."""
    with tempfile.TemporaryDirectory() as temp:
        secret = os.path.join(temp, "password")
        with open(os.open(secret, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600), "w") as f:
            f.write(password)
        for path in paths:
            signed = os.path.join(temp, os.path.basename(path))
            command = ["osslsigncode", "sign", "-pkcs12", pfx, "-readpass", secret, "-h", "sha256",
                       "-n", description, "-in", path, "-out", signed]
            if timestamp_url:
                command[2:2] = ["-ts", timestamp_url]
            done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            if done.returncode != 0:
                hint = ""
                if b"Unrecognized file type" in done.stdout:
                    hint = "(osslsigncode signs scripts from 2.8 on; Debian 12 has it in backports)\n"
                raise SystemExit("package: signing %s failed:\n%s%s" % (
                    path, done.stdout.decode("utf-8", "replace"), hint))
            shutil.copymode(path, signed)
            os.replace(signed, path)


def build_kit(build_dir, dist_dir, signer=None):
    """Installs, checks, signs (signer: (pfx, password, timestamp URL or None)) and zips;
    returns (kit folder, zip path)."""
    kit_dir = os.path.join(dist_dir, KIT_NAME)
    os.makedirs(dist_dir, exist_ok=True)
    install(build_dir, kit_dir)
    write_manifest(kit_dir)
    problems = check(build_dir, kit_dir)
    if problems:
        raise SystemExit("package: the kit is not complete:\n  " + "\n  ".join(problems))
    kit_json = os.path.join(kit_dir, "launcher", "kit.json")
    if signer:
        with open(kit_json, encoding="utf-8-sig") as f:
            kit = json.load(f)
        sign([os.path.join(kit_dir, *name.split("/")) for name in SIGNED], *signer,
             description=str(kit.get("title") or kit["name"]))
    path = os.path.join(dist_dir, zip_name(kit_json))
    write_zip(kit_dir, path)
    write_sha256(path)
    return kit_dir, path


def checks_entries(build_dir):
    """(name in the zip, file) of the check kit, sorted by name."""
    entries = [("run-checks.ps1", os.path.join(ROOT, *CHECKS_SCRIPT.split("/")))]
    for program in sorted(glob.glob(os.path.join(build_dir, "tests", "*_unit_tests.exe"))):
        entries.append(("unit/" + os.path.basename(program), program))
    pester = sorted(glob.glob(os.path.join(ROOT, "build", "deps", "nuget", "pester", "5.*",
                                           "tools", "Pester.psd1")))
    if not pester or len(entries) == 1:
        raise SystemExit("package: the check kit needs the Windows build's unit tests and Pester "
                         "(cmake --build --preset windows; bash scripts/setup.sh)")
    for source, prefix in [(os.path.dirname(pester[-1]), "pester")] + [
            (os.path.join(ROOT, *folder.split("/")), folder) for folder in CHECKS_SOURCES]:
        for folder, dirs, files in os.walk(source):
            for name in files:
                path = os.path.join(folder, name)
                entry = prefix + "/" + os.path.relpath(path, source).replace(os.sep, "/")
                if entry not in CHECKS_LEFT_OUT:
                    entries.append((entry, path))
    return sorted(entries)


def build_checks(build_dir, dist_dir, signer=None):
    """dist/vyr-checks.zip (unit test programs signed too when there is a certificate)."""
    path = os.path.join(dist_dir, CHECKS_ZIP)
    os.makedirs(dist_dir, exist_ok=True)
    entries = checks_entries(build_dir)
    with tempfile.TemporaryDirectory() as temp:
        if signer:
            copies = []
            for i, (entry, source) in enumerate(entries):
                if entry.endswith(".exe"):
                    copies.append(os.path.join(temp, os.path.basename(entry)))
                    shutil.copyfile(source, copies[-1])
                    entries[i] = (entry, copies[-1])
            sign(copies, *signer)
        temp_zip = path + ".tmp"
        with zipfile.ZipFile(temp_zip, "w", zipfile.ZIP_DEFLATED) as archive:
            for entry, source in entries:
                info = zipfile.ZipInfo(entry, ZIP_TIME)
                info.external_attr = 0o100644 << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(source, "rb") as f:
                    archive.writestr(info, f.read())
        os.replace(temp_zip, path)
    return path


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "windows"),
                        help="the built Windows tree (default build/windows)")
    parser.add_argument("--dist", default=os.path.join(ROOT, "dist"),
                        help="where the kit folder and zip go (default dist)")
    parser.add_argument("--manifest", metavar="KIT_FOLDER",
                        help="only write the game-side file manifest of a laid-out kit folder")
    parser.add_argument("--sign-pfx", metavar="FILE",
                        help="sign the programs and actions.ps1 with this PKCS#12 certificate")
    parser.add_argument("--sign-password-env", metavar="VAR",
                        help="the environment variable that holds the certificate's password")
    parser.add_argument("--timestamp-url", metavar="URL",
                        help="an RFC 3161 time-stamping server (off by default: it needs the "
                             "network); a time-stamped signature stays valid after the "
                             "certificate expires")
    args = parser.parse_args()
    if args.manifest:
        files = write_manifest(os.path.abspath(args.manifest))
        print("package: %s with %d files" % (MANIFEST, len(files)))
        return 0
    signer = None
    if args.sign_pfx:
        if not args.sign_password_env or args.sign_password_env not in os.environ:
            parser.error("--sign-pfx needs --sign-password-env naming a variable that is set")
        if not os.path.isfile(args.sign_pfx):
            parser.error("no certificate file %s" % args.sign_pfx)
        signer = (os.path.abspath(args.sign_pfx), os.environ[args.sign_password_env],
                  args.timestamp_url)
    elif args.sign_password_env or args.timestamp_url:
        parser.error("--sign-password-env and --timestamp-url go with --sign-pfx")
    build_dir, dist_dir = os.path.abspath(args.build), os.path.abspath(args.dist)
    kit_dir, zip_file = build_kit(build_dir, dist_dir, signer)
    checks = build_checks(build_dir, dist_dir, signer)
    with zipfile.ZipFile(zip_file) as archive:
        count = len(archive.namelist())
    print("package: kit folder %s" % kit_dir)
    print("package: zip %s (%d entries, %d bytes)%s" % (zip_file, count, os.path.getsize(zip_file),
                                                         ", signed" if signer else ""))
    print("package: SHA-256 in %s.sha256" % zip_file)
    print("package: checks %s (%d bytes)" % (checks, os.path.getsize(checks)))


if __name__ == "__main__":
    sys.exit(main())
