"""Drives the real studio program from outside, the way a person and the service see it.

The studio runs as a child process with a profile of its own (XDG folders, settings.ini);
the test watches its GLib debug log, its window (xdotool: title, clicks, keys; GDK: pixels of
the screen), its web processes and its files, and talks to the stand-in service's admin
endpoint for plans, page reports and releases. Standard library only, plus PyGObject's GDK
(Debian's python3-gi) for reading pixels; run it with /usr/bin/python3 inside
scripts/with-service.sh under xvfb-run.
"""

import ctypes
import json
import os
import re
import shutil
import signal
import ssl
import subprocess
import time
import urllib.parse
import urllib.request


class Failure(Exception):
    """A check of a test case did not hold; the text says which and what was seen."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(probe, timeout, what, interval=0.1):
    """Polls probe until it returns something truthy; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Failure(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


def become_subreaper():
    """Processes our children leave behind become ours, so the studio that an update starts
    can be waited for and its exit code read."""
    PR_SET_CHILD_SUBREAPER = 36
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")


def proc_stat(pid):
    """(state, ppid, comm) of a process, or None when it is gone."""
    try:
        with open(f"/proc/{pid}/stat", encoding="utf-8", errors="replace") as f:
            text = f.read()
    except OSError:
        return None
    comm = text[text.index("(") + 1:text.rindex(")")]
    fields = text[text.rindex(")") + 2:].split()
    return fields[0], int(fields[1]), comm


def all_pids():
    return [int(n) for n in os.listdir("/proc") if n.isdigit()]


def cmdline(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return [a.decode("utf-8", "replace") for a in f.read().split(b"\0") if a]
    except OSError:
        return []


def peak_memory_kib(pid):
    """VmHWM, the peak resident set of a live process, in KiB."""
    try:
        with open(f"/proc/{pid}/status", encoding="utf-8") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def reap_orphans(keep=()):
    """Waits for exited processes that were left to us, except the ones named in keep."""
    me = os.getpid()
    for pid in all_pids():
        st = proc_stat(pid)
        if st and st[0] == "Z" and st[1] == me and pid not in keep:
            try:
                os.waitpid(pid, os.WNOHANG)
            except ChildProcessError:
                pass


def wait_pid_exit(pid, timeout):
    """Exit code of a child (also an adopted one); None when it did not end in time."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            done, status = os.waitpid(pid, os.WNOHANG)
        except ChildProcessError:
            return None
        if done == pid:
            return os.waitstatus_to_exitcode(status)
        time.sleep(0.05)
    return None


# ------------------------------------------------------------------------------------------
# The stand-in service


class Service:
    def __init__(self, host):
        self.host = host
        self.secret = os.environ["VANTIRO_DEVSERVICE_SECRET"]
        self.log_path = os.environ["VANTIRO_DEVSERVICE_LOG"]
        self.context = ssl.create_default_context(cafile=os.environ["VANTIRO_TEST_CA"])

    def _open(self, path, fields=None, admin=False, timeout=60):
        data = urllib.parse.urlencode(fields).encode() if fields is not None else None
        headers = {"X-Devservice-Secret": self.secret} if admin else {}
        request = urllib.request.Request(f"https://{self.host}{path}", data=data,
                                         headers=headers)
        with urllib.request.urlopen(request, context=self.context, timeout=timeout) as r:
            return r.read()

    def get(self, path):
        return self._open(path)

    def e2e(self, **fields):
        """Sets the plan, the start page or clears the reports; returns the reports."""
        if "plan" in fields and not isinstance(fields["plan"], str):
            fields["plan"] = json.dumps(fields["plan"])
        return json.loads(self._open("/_devservice/e2e", fields or {"read": "1"}, admin=True))

    def reports(self, token):
        return [r for r in self.e2e() if r.get("token") == token]

    def offer_release(self, path, version, mode):
        self._open("/_devservice/release", {"file": path, "version": version, "mode": mode},
                   admin=True)

    def clear_release(self):
        self._open("/_devservice/release", {"clear": "1"}, admin=True)

    def requests(self):
        """The requests the service logged so far, as "METHOD PATH STATUS" lines."""
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            return [line[len("devservice: "):].strip() for line in f
                    if re.match(r"devservice: [A-Z]+ /", line)]

    def sample(self, name):
        return json.loads(self.get(f"/api/fivem/samples/{name}"))


# ------------------------------------------------------------------------------------------
# Screen geometry of the chrome, in the window's pixels (scale 1, so DIPs), for a window that
# is neither maximised nor fullscreen: a 5-DIP frame inset, a 44-DIP title bar, a 28-DIP
# status bar and the compact 64-DIP rail.

INSET = 5


def content_rect(width, height, rail=64):
    return (INSET + rail, INSET + 44, width - INSET, height - INSET - 28)


def welcome_zones(width, height):
    left, top, right, bottom = INSET, INSET + 44, width - INSET, height - INSET
    cx, cy = (left + right) / 2, (top + bottom) / 2
    y0 = max(cy - 224, top + 16)
    hb = (min(right - left - 36, 436) - 64) / 2
    return {
        "discord": (cx - hb, y0 + 196, cx + hb, y0 + 242),
        "email": (cx - hb, y0 + 254, cx + hb, y0 + 298),
        "offline": (cx - hb, y0 + 334, cx + hb, y0 + 378),
    }


def offline_pill(width, height):
    """The status bar's "Offline · Sign in" pill of the English UI."""
    right, bottom = width - INSET, height - INSET
    status_top = bottom - 28
    return (right - 12 - 132, status_top + 3, right - 12, bottom - 3)


def crash_card(width, height):
    left, top, right, bottom = content_rect(width, height)
    cx, cy = (left + right) / 2, (top + bottom) / 2
    return {"tile": (cx - 34, cy - 102, cx + 34, cy - 34),
            "reload": (cx - 82, cy + 66, cx + 82, cy + 106)}


def centre(rect):
    return ((rect[0] + rect[2]) / 2, (rect[1] + rect[3]) / 2)


# ------------------------------------------------------------------------------------------
# The studio


def write_settings(path, values):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    lines = ["[settings]", "schema=1"] + [f"{k}={v}" for k, v in values.items()]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


class Profile:
    """A user of the studio: the folders it reads and writes, kept apart from the machine's."""

    def __init__(self, root):
        self.root = root
        self.data = os.path.join(root, "data")
        self.runtime = os.path.join(root, "run")
        self.home = os.path.join(root, "home")
        self.fivem = os.path.join(root, "fivem", "resources")
        for d in (self.data, self.home, self.fivem):
            os.makedirs(d, exist_ok=True)
        os.makedirs(self.runtime, mode=0o700, exist_ok=True)
        os.chmod(self.runtime, 0o700)
        self.settings_path = os.path.join(self.data, "Vantiro", "settings.ini")

    def settings(self, **values):
        base = {"language": "en", "reduce_motion": "on", "sidebar_expanded": "0",
                "fivem_resources_dir": self.fivem}
        base.update(values)
        write_settings(self.settings_path, base)

    def env(self):
        env = dict(os.environ)
        env.update(XDG_DATA_HOME=self.data, XDG_RUNTIME_DIR=self.runtime, HOME=self.home,
                   NO_AT_BRIDGE="1", G_MESSAGES_DEBUG="Vantiro", GDK_BACKEND="x11")
        return env


def xdotool(*args, check_rc=True):
    r = subprocess.run(["xdotool", *[str(a) for a in args]], capture_output=True, text=True,
                       timeout=30)
    if check_rc and r.returncode != 0:
        raise Failure(f"xdotool {' '.join(map(str, args))}: {r.stderr.strip()}")
    return r.stdout.strip()


class Screen:
    """Pixels of the X screen, through GDK."""

    def __init__(self):
        import gi
        gi.require_version("Gdk", "3.0")
        from gi.repository import Gdk
        self.Gdk = Gdk
        self.root = Gdk.get_default_root_window()

    def region(self, x, y, w, h):
        pb = self.Gdk.pixbuf_get_from_window(self.root, int(x), int(y), int(w), int(h))
        data, stride, n = pb.get_pixels(), pb.get_rowstride(), pb.get_n_channels()
        return [[tuple(data[r * stride + c * n:r * stride + c * n + 3]) for c in range(w)]
                for r in range(h)]

    def save(self, path):
        pb = self.Gdk.pixbuf_get_from_window(self.root, 0, 0, self.root.get_width(),
                                             self.root.get_height())
        pb.savev(path, "png", [], [])


def near(pixel, rgb, tolerance=12):
    return all(abs(a - b) <= tolerance for a, b in zip(pixel, rgb))


class Studio:
    """One run of the studio program."""

    def __init__(self, exe, profile, args, log_path, screen):
        self.exe = exe
        self.profile = profile
        self.args = list(args)
        self.log_path = log_path
        self.screen = screen
        self.proc = None
        self._window = None

    def start(self):
        self.log = open(self.log_path, "ab")
        self.proc = subprocess.Popen([self.exe, *self.args], env=self.profile.env(),
                                     stdin=subprocess.DEVNULL, stdout=self.log,
                                     stderr=subprocess.STDOUT, cwd=self.profile.root)
        self._window = None
        return self

    @property
    def pid(self):
        return self.proc.pid

    def alive(self):
        return self.proc.poll() is None

    # --- the debug log (GLib writes debug lines to standard output, the rest to standard
    # error; both go to one file)
    def log_text(self):
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def log_size(self):
        return os.path.getsize(self.log_path)

    def wait_log(self, pattern, timeout, since=0, what=None, while_alive=True):
        """Waits for a log line at or after character offset since (a match's end() is
        one); while_alive=False keeps waiting after this process ended
        (a process it started writes to the same log)."""
        rx = re.compile(pattern)

        def probe():
            m = rx.search(self.log_text(), since)
            if m is None and while_alive and not self.alive():
                raise Failure(f"the studio ended (code {self.proc.returncode}) before "
                              f"{what or pattern!r}")
            return m
        return wait_until(probe, timeout, what or f"log line {pattern!r}")

    def notices(self):
        return re.findall(r"notice \((success|failure)\): (.*)", self.log_text())

    # --- the window
    def window(self, timeout=60):
        if self._window is None:
            def probe():
                if not self.alive():
                    raise Failure(f"the studio ended (code {self.proc.returncode}) before "
                                  "showing its window")
                out = xdotool("search", "--all", "--onlyvisible", "--pid", self.pid, "--class",
                              "vantiro", check_rc=False)
                return out.split()[0] if out else None
            self._window = wait_until(probe, timeout, "the studio's window")
        return self._window

    def geometry(self):
        out = xdotool("getwindowgeometry", "--shell", self.window())
        g = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    def title(self):
        return xdotool("getwindowname", self.window(), check_rc=False)

    def wait_title(self, predicate, timeout, what):
        return wait_until(lambda: (lambda t: t if predicate(t) else None)(self.title()),
                          timeout, f"{what} (title now {self.title()!r})")

    def click(self, x, y):
        w = self.window()
        xdotool("mousemove", "--window", w, int(x), int(y))
        time.sleep(0.15)  # a hover first, as a hand would
        xdotool("click", 1)

    def park_mouse(self):
        """Moves the pointer where it hovers nothing, so hover colours are at rest."""
        xdotool("mousemove", "--window", self.window(), INSET + 30, 600)

    def focus(self):
        xdotool("windowfocus", "--sync", self.window(), check_rc=False)

    def key(self, *keys):
        xdotool("key", "--delay", 60, *keys)

    def type(self, text):
        xdotool("type", "--delay", 40, text)

    def pixels(self, rect):
        """The pixels of a window-relative rectangle."""
        x, y, _, _ = self.geometry()
        left, top, right, bottom = (int(v) for v in rect)
        return self.screen.region(x + left, y + top, right - left, bottom - top)

    def all_near(self, rect, rgb, tolerance=12):
        return all(near(p, rgb, tolerance) for row in self.pixels(rect) for p in row)

    # --- processes
    def web_processes(self):
        return [pid for pid in all_pids()
                if (st := proc_stat(pid)) and st[1] == self.pid and st[2].startswith("WebKitWeb")
                and st[0] != "Z"]

    def stop(self, timeout=60):
        """SIGTERM, as a session ending would send; returns the exit code (None: had to kill)."""
        if self.alive():
            self.proc.send_signal(signal.SIGTERM)
        try:
            code = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            code = None
        self.log.close()
        reap_orphans()
        return code


def tree_files(root):
    """Every file below root, as relative paths."""
    out = set()
    for folder, _, files in os.walk(root):
        for name in files:
            out.add(os.path.relpath(os.path.join(folder, name), root))
    return out


def copy_executable(src, dest):
    os.makedirs(os.path.dirname(dest), exist_ok=True)
    shutil.copy2(src, dest)
    os.chmod(dest, 0o755)
