#!/usr/bin/env python3
"""The desktop installer and uninstaller, end to end, for a user whose home is a temporary folder.

Packs the installer from the build with the demo portal's catalogue, installs from a folder whose
name holds "_" and Chinese, checks the menu entries with desktop-file-validate, starts the
installed program from its menu entry against the demo portal and sees the installer's partner id
arrive, reinstalls from an installer of another partner keeping a stored account, a downloaded
catalogue and every other settings line, then uninstalls once answering the questions in a
terminal (keeping the data) and once unattended removing it.
"""

import json
import os
import pty
import re
import shlex
import signal
import struct
import subprocess
import sys
import tempfile
import time
import urllib.request

SOURCE = os.environ.get("LUDORA_SOURCE_DIR", os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))))
BUILD = os.environ.get("LUDORA_BUILD_DIR", os.path.join(SOURCE, "build"))
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
# What the uninstaller keeps when told to keep the user data; the run may have made the last three.
USER_DATA = {"ludora.ini", "userdata", "defaultuser.dat", "history.db", "webdata"}


def user_data(name):
    # SQLite keeps its write-ahead log beside the history while a connection may still use it.
    return name in USER_DATA or name in ("history.db-wal", "history.db-shm")


PORTAL_PATHS = {"MiniSite": "mini/", "Base": "", "Brand": "brand/", "Home": "home.html",
                "Forum": "bbs/", "Community": "community/", "Search": "search",
                "Notice": "notice.html", "Stats": "s.php", "MiniHome": "mini/home.html",
                "AdStrip": "scripts/sb.php"}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message, flush=True)
    return condition


def run(args, env, **kw):
    return subprocess.run(args, env=env, capture_output=True, timeout=120, **kw)


def get_json(base, path):
    with urllib.request.urlopen(base + path, timeout=10) as reply:
        return json.loads(reply.read().decode("utf-8"))


def files_under(top):
    found = []
    for folder, _, names in os.walk(top):
        found += [os.path.relpath(os.path.join(folder, n), top) for n in names]
    return sorted(found)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


def desktop_entry(path):
    """The [Desktop Entry] group's keys."""
    values, group = {}, None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("["):
                group = line
            elif group == "[Desktop Entry]" and "=" in line:
                key, value = line.split("=", 1)
                values[key] = value
    return values


def install(installer, env):
    result = run(["sh", installer], env)
    check(result.returncode == 0, "installer %s failed: %s" % (installer, result.stderr.decode()))


def start_portal(catalogue):
    portal = subprocess.Popen([sys.executable, os.path.join(SOURCE, "tools/portal/portal.py"),
                               "--port", "0", "--write-catalogue", catalogue],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    port = re.search(rb"http://127\.0\.0\.1:(\d+)/", portal.stdout.readline()).group(1)
    return portal, "http://127.0.0.1:%s/" % port.decode()


def wait_for(what, probe, seconds=120):
    """Polls probe until it answers; a missing answer fails the test, never its speed."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        answer = probe()
        if answer:
            return answer
        time.sleep(0.5)
    check(False, "never saw " + what)
    return None


def stop(process):
    try:
        os.killpg(process.pid, signal.SIGTERM)
        process.wait(15)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
    except ProcessLookupError:
        pass


def uninstall_in_terminal(script, env, answers):
    """Runs the uninstaller with a terminal, typing the answers to its questions."""
    master, slave = pty.openpty()
    process = subprocess.Popen([script], env=env, stdin=slave, stdout=slave, stderr=slave,
                               start_new_session=True)
    os.close(slave)
    os.write(master, answers)
    output = b""
    while True:
        try:
            chunk = os.read(master, 4096)
        except OSError:
            break
        if not chunk:
            break
        output += chunk
    os.close(master)
    process.wait(120)
    check(process.returncode == 0, "uninstaller failed: " + output.decode(errors="replace"))
    return output


def lifecycle(tmp, env, base, catalogue):
    home, data_home = env["HOME"], env["XDG_DATA_HOME"]
    downloads = os.path.join(tmp, "下载_文件")
    os.makedirs(downloads)
    made = run([os.path.join(SOURCE, "scripts/make-installer.sh"), "--build-dir", BUILD,
                "--output-dir", downloads, "--partner", "2046", "--catalogue", catalogue], env)
    installer = os.path.join(downloads, "ludora-setup_2046.run")
    if not check(made.returncode == 0 and os.path.isfile(installer),
                 "make-installer failed: " + made.stderr.decode()):
        return

    # First installation.
    install(installer, env)
    program = os.path.join(data_home, "ludora", "program")
    apps = os.path.join(data_home, "applications")
    ini = os.path.join(program, "ludora.ini")
    games = os.path.join(program, "games.xml")
    for name in ("ludora", "skin/default.skin", "uninstall.sh", "games.xml"):
        check(os.path.isfile(os.path.join(program, name)), name + " not installed")
    entries = [os.path.join(apps, n) for n in ("ludora.desktop", "ludora-uninstall.desktop")]
    for entry in entries:
        valid = run(["desktop-file-validate", entry], env)
        check(valid.returncode == 0 and not valid.stdout.strip(),
              "%s is not a valid desktop entry: %s" % (entry, valid.stdout.decode()))
    entry = desktop_entry(entries[0])
    exe = shlex.split(entry.get("Exec", ""))
    check(exe == [os.path.join(program, "ludora")], "menu entry runs %r" % exe)
    check(entry.get("Icon") == "ludora" and "Game" in entry.get("Categories", "").split(";"),
          "menu entry icon or category: %r" % entry)
    for size in ICON_SIZES:
        icon = os.path.join(data_home, "icons/hicolor/%dx%d/apps/ludora.png" % (size, size))
        check(os.path.isfile(icon) and png_size(icon) == (size, size),
              "icon %d missing or not %dx%d" % (size, size, size))
    setup_line = b"setup=" + installer.encode("gbk") + b"\r\n"
    check(open(ini, "rb").read() == b"[General]\r\n" + setup_line,
          "settings file after the first installation: %r" % open(ini, "rb").read())

    # The installed program, started as the menu does, tells the portal its partner id.
    with open(ini, "ab") as f:
        f.write("; 玩家的设置\r\naskClose=0\r\nLastRun=2000-01-01\r\n\r\n[Window]\r\nState=0\r\n"
                "\r\n[Portal]\r\n".encode("gbk"))
        for key, path in PORTAL_PATHS.items():
            f.write(("%s=%s%s\r\n" % (key, base, path)).encode("gbk"))
    app = subprocess.Popen(exe, env=env, cwd=tmp, start_new_session=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def partner_seen():
        queries = [r.get("query", "") for r in get_json(base, "api/requests")]
        queries += [s.get("query", "") for s in get_json(base, "api/stats")]
        return any(re.search(r"(^|&)(pid|c)=kel_2046(&|$)", q) for q in queries)
    wait_for("the partner id kel_2046 at the portal", partner_seen)
    stop(app)

    # A stored account, a catalogue downloaded since, and a pending update left by the program's
    # self-update.
    os.makedirs(os.path.join(program, "userdata"), exist_ok=True)
    account = os.path.join(program, "userdata", "玩家.dat")
    with open(account, "wb") as f:
        f.write(b"\x93stored account\x00")
    with open(games, "wb") as f:
        f.write(b"a newer catalogue")
    with open(os.path.join(program, "ludora_"), "wb") as f:
        f.write(b"an older program")
    settings_before = open(ini, "rb").read()

    # Reinstalling from another partner's installer.
    other = os.path.join(tmp, "ludora-setup_3077.run")
    os.link(installer, other)
    install(other, env)
    check(open(account, "rb").read() == b"\x93stored account\x00", "account lost on reinstall")
    check(open(games, "rb").read() == b"a newer catalogue", "reinstall replaced the catalogue")
    check(not os.path.exists(os.path.join(program, "ludora_")),
          "a pending update would replace the installed program")
    check(open(ini, "rb").read() == settings_before.replace(
        setup_line, b"setup=" + other.encode("gbk") + b"\r\n"),
        "reinstall changed the settings file beyond setup: %r" % open(ini, "rb").read())

    # The autostart entry the settings window writes for the installed program.
    autostart = os.path.join(home, ".config/autostart/ludora.desktop")
    os.makedirs(os.path.dirname(autostart))
    with open(autostart, "w") as f:
        f.write("[Desktop Entry]\nType=Application\nName=Ludora\nExec=%s\n"
                "X-GNOME-Autostart-enabled=true\n" % exe[0])

    # Uninstalling from a terminal: yes to the uninstall, no to removing the user data. The
    # uninstaller finds the installation from its own place, whatever XDG_DATA_HOME says.
    get_json(base, "api/stats/clear")
    uninstall_env = {k: v for k, v in env.items() if k != "XDG_DATA_HOME"}
    uninstall_in_terminal(os.path.join(program, "uninstall.sh"), uninstall_env, b"y\nn\n")
    reports = [s for s in get_json(base, "api/stats") if s.get("t") == "3"]
    check([r.get("c") for r in reports] == ["kel_3077"], "uninstall reports received: %r" % reports)
    check(not os.path.exists(autostart), "autostart entry left")
    left = files_under(data_home)
    check(all(f.startswith("ludora/program/") and user_data(f.split("/")[2]) for f in left)
          and "ludora/program/userdata/玩家.dat" in left and "ludora/program/ludora.ini" in left,
          "after uninstalling and keeping the data: %r" % left)

    # The kept data is found by the next installation; removing it leaves nothing.
    install(installer, env)
    check(open(account, "rb").read() == b"\x93stored account\x00",
          "account lost after uninstall and reinstall")
    removed = run([os.path.join(program, "uninstall.sh"), "--remove-data"], env,
                  stdin=subprocess.DEVNULL)
    check(removed.returncode == 0, "unattended uninstall failed: " + removed.stderr.decode())
    check(files_under(data_home) == [] and not os.path.exists(os.path.join(data_home, "ludora")),
          "after uninstalling with the data: %r" % files_under(data_home))
    reports = [s.get("c") for s in get_json(base, "api/stats") if s.get("t") == "3"]
    check(reports == ["kel_3077", "kel_2046"], "uninstall reports: %r" % reports)


def main():
    tmp = tempfile.TemporaryDirectory(prefix="ludora-install-")
    home = os.path.join(tmp.name, "home")
    runtime = os.path.join(tmp.name, "run")
    for folder in (home, runtime):
        os.makedirs(folder)
    os.chmod(runtime, 0o700)
    env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
    env.update(HOME=home, XDG_DATA_HOME=os.path.join(home, "data"), XDG_RUNTIME_DIR=runtime,
               LUDORA_RUNTIME_DIR=runtime)
    catalogue = os.path.join(tmp.name, "games.xml")
    portal, base = start_portal(catalogue)
    try:
        lifecycle(tmp.name, env, base, catalogue)
    finally:
        portal.terminate()
        portal.wait()
    if failures:
        print("%d check(s) failed" % len(failures))
        sys.exit(1)
    print("installer end to end: all checks passed")


if __name__ == "__main__":
    main()
