#!/usr/bin/env python3
"""Drives the real browser window under an X server of its own and times how it answers.

    window_ping.py [--screens] --step KIND:LABEL[:PATH] ... -- PROGRAM [ARGS...]

Run through bench/window.sh, which starts the private X server (DISPLAY) and gives the
program a private home and settings file. This starts PROGRAM, finds its window (title
"Tarvix", _NET_WM_PID of the process) and, all along, sends it _NET_WM_PING every PING_MS
milliseconds (default 20) as a window manager does: a window whose event loop runs sends each
ping straight back to the root window; the time until it does is how long a user's click would
have waited. Meanwhile it performs the steps in order, each as a user would:

    load:LABEL:PATH        click the path box, type PATH, press Return; wait for the load's end
    turn:LABEL             select every picture (a click in the first cell, Shift+Page Down), R
    auto:LABEL             click "Automatic", answer its question with Yes
    delete:LABEL           select every picture, Ctrl+Delete (answering a question with Yes)
    close:LABEL            close the window (WM_DELETE_WINDOW) and wait for the process to end
    close-load:LABEL:PATH  start a load of PATH, close the window CLOSE_AFTER_MS (default 1000)
                           after the load began, and wait for the process to end

The jobs are timed by the lines the window writes in its logging category tarvix.jobs
("begin load", "end load 1234 ms"). A question the window asks during a job (a modal dialog
of the window's) is answered with Y, then Return. With --screens the grid's area is sampled
every SCREEN_MS (default 100) during a load, for the time until it first changes, until most
of it changed and until most of it has its final look (the first screen of thumbnails as the
load leaves it), in tiles, leaving out those another window of the program (the progress
window) lay over meanwhile.

Prints one line "RESULT LABEL KEY VALUE" per figure on stdout; progress and failures on
stderr. Exits 1 when a step failed (its figures say "failed"), 2 on bad usage.
"""
import math
import os
import re
import select
import signal
import subprocess
import sys
import threading
import time
import zlib

try:
    from Xlib import X, XK, display, error, protocol
    from Xlib.ext import xtest
except ImportError:  # the figures below need none of it; main() says what is missing
    X = None


def env_ms(name, default):
    return float(os.environ.get(name, default)) / 1000.0


def env_xy(name, default):
    x, y = os.environ.get(name, default).split(",")
    return int(x), int(y)


PING_INTERVAL = env_ms("PING_MS", 20)
SCREEN_INTERVAL = env_ms("SCREEN_MS", 100)
CLOSE_AFTER = env_ms("CLOSE_AFTER_MS", 1000)
# Pings sent this long after a job's end still count for it: the window may go on working.
TAIL = env_ms("TAIL_MS", 500)
JOB_TIMEOUT = env_ms("JOB_TIMEOUT_MS", 900000)
START_TIMEOUT = env_ms("START_TIMEOUT_MS", 60000)
EXIT_TIMEOUT = env_ms("EXIT_TIMEOUT_MS", 120000)
SLOW = env_ms("SLOW_MS", 100)
# Places in the window as designed at 800 x 600, from its top-left corner.
PATH_XY = env_xy("PATH_XY", "280,72")
GRID_XY = env_xy("GRID_XY", "80,180")
AUTO_XY = env_xy("AUTO_XY", "114,28")
# The grid's area for --screens: from GRID_TOP below the window's top to STATUS_HEIGHT above its
# bottom, without the vertical scroll bar (SCROLLBAR_WIDTH at the right).
GRID_TOP = int(os.environ.get("GRID_TOP", 92))
STATUS_HEIGHT = int(os.environ.get("STATUS_HEIGHT", 26))
SCROLLBAR_WIDTH = int(os.environ.get("SCROLLBAR_WIDTH", 18))
TILES = (6, 4)
JOB_LINE = re.compile(r"tarvix\.jobs: (begin|end) (\w+)(?: (\d+) ms)?")


def say(text):
    sys.stderr.write("window_ping: %s\n" % text)
    sys.stderr.flush()


class StepFailed(Exception):
    pass


def ping_figures(pings, evaluated):
    """The figures of PINGS, (sent, answered or None) pairs: one unanswered at EVALUATED counts
    with its age then, so that a window that never answers cannot look quick."""
    latencies = []
    unanswered = 0
    slowest_sent = None
    for sent, answered in pings:
        if answered is None or answered > evaluated:
            unanswered += 1
            latency = max(0.0, evaluated - sent)
        else:
            latency = answered - sent
        if not latencies or latency > max(latencies):
            slowest_sent = sent
        latencies.append(latency)
    latencies.sort()
    if not latencies:
        return {"pings": 0}
    p99 = latencies[min(len(latencies) - 1, int(0.99 * len(latencies)))]
    return {
        "pings": len(latencies),
        "unanswered": unanswered,
        "ping_max_ms": "%.1f" % (latencies[-1] * 1000),
        # When the slowest was sent, from the first ping of the span: where to look for its cause.
        "ping_max_after_ms": "%.0f" % ((slowest_sent - pings[0][0]) * 1000),
        "ping_p99_ms": "%.1f" % (p99 * 1000),
        "ping_median_ms": "%.1f" % (latencies[len(latencies) // 2] * 1000),
        "ping_over_%d" % round(SLOW * 1000): sum(1 for x in latencies if x > SLOW),
    }


def screen_figures(frames, covered, since, pressed):
    """From FRAMES, (time, tile checksums) pairs, the last taken after the load: the first change
    after the press; when 90 % of the tiles changed; when 90 % and all of them took their final
    look for good. Tiles in COVERED (another window lay over them) are left out."""
    frames = [f for f in frames if f[0] >= since]
    if len(frames) < 2:
        return {}
    start, final = frames[0][1], frames[-1][1]

    def after(t):
        return "%.0f" % (max(0.0, t - pressed) * 1000)

    result = {"tiles_covered": "%d/%d" % (len(set(covered)), len(final))}
    for t, frame in frames:
        if frame != start:
            result["first_change_ms"] = after(t)
            break
    open_tiles = [i for i in range(len(final)) if i not in covered]
    if not open_tiles:
        return result
    # Filled: most of the grid shows something else than before the press, whatever its order.
    need = math.ceil(0.9 * len(open_tiles))
    for t, frame in frames:
        if sum(1 for i in open_tiles if frame[i] != start[i]) >= need:
            result["screen_filled_ms"] = after(t)
            break
    done = []
    for i in open_tiles:
        settled = frames[0][0]
        for t, frame in frames:
            if frame[i] != final[i]:
                settled = None
            elif settled is None:
                settled = t
        done.append(settled)
    done.sort()
    result["first_screen_ms"] = after(done[need - 1])
    result["whole_screen_ms"] = after(done[-1])
    return result


class JobLog(threading.Thread):
    """Reads the program's standard error, stamping every line as it arrives."""

    def __init__(self, stream, copy):
        super().__init__(daemon=True)
        self.stream = stream
        self.copy = copy
        self.cond = threading.Condition()
        self.events = []  # (time, "begin"|"end", job, ms or None)
        self.last = time.monotonic()

    def run(self):
        for raw in iter(self.stream.readline, b""):
            now = time.monotonic()
            line = raw.decode("utf-8", "replace")
            if self.copy:
                self.copy.write("%.3f %s" % (now, line))
                self.copy.flush()
            match = JOB_LINE.search(line)
            if match:
                with self.cond:
                    ms = int(match.group(3)) if match.group(3) else None
                    self.events.append((now, match.group(1), match.group(2), ms))
                    self.last = now
                    self.cond.notify_all()
        with self.cond:
            self.cond.notify_all()

    def find(self, kind, job, after):
        with self.cond:
            for event in self.events:
                if event[0] >= after and event[1] == kind and (job is None or event[2] == job):
                    return event
        return None

    def open_jobs(self):
        with self.cond:
            count = {}
            for _, kind, job, _ in self.events:
                count[job] = count.get(job, 0) + (1 if kind == "begin" else -1)
            return sum(1 for c in count.values() if c > 0), self.last


class Pinger(threading.Thread):
    """Pings the window from a connection of its own and notes the top-level windows mapped."""

    def __init__(self):
        super().__init__(daemon=True)
        self.d = display.Display()
        self.d.set_error_handler(lambda *args: None)  # a ping to a window just destroyed
        self.root = self.d.screen().root
        # Qt sends the answer to the root window with StructureNotify | SubstructureRedirect
        # (older versions SubstructureNotify); selecting either notify mask receives it without
        # taking a window manager's redirection.
        self.root.change_attributes(event_mask=X.StructureNotifyMask | X.SubstructureNotifyMask)
        self.d.sync()
        self.PING = self.d.intern_atom("_NET_WM_PING")
        self.PROTOCOLS = self.d.intern_atom("WM_PROTOCOLS")
        self.lock = threading.Lock()
        self.target = None
        self.stop = False
        self.counter = 0
        self.outstanding = {}  # timestamp -> record
        self.records = []  # [send time, answer time or None]
        self.mapped = {}  # window id -> time mapped
        self.gone = set()

    def set_target(self, window):
        with self.lock:
            self.target = window

    def run(self):
        next_ping = time.monotonic()
        fd = self.d.fileno()
        while not self.stop:
            timeout = max(0.0, next_ping - time.monotonic())
            if not self.d.pending_events():
                select.select([fd], [], [], timeout)
            while self.d.pending_events():
                self.handle(self.d.next_event())
            now = time.monotonic()
            if now >= next_ping:
                self.ping(now)
                next_ping += PING_INTERVAL
                if next_ping < now:  # never a burst after a stall of this thread
                    next_ping = now + PING_INTERVAL

    def ping(self, now):
        with self.lock:
            target = self.target
        if target is None or target in self.gone:
            return
        self.counter += 1
        stamp = self.counter & 0xFFFFFFFF
        record = [now, None]
        with self.lock:
            self.outstanding[stamp] = record
            self.records.append(record)
        message = protocol.event.ClientMessage(
            window=target, client_type=self.PROTOCOLS, data=(32, [self.PING, stamp, target, 0, 0]))
        self.d.send_event(target, message, event_mask=0, propagate=False)
        self.d.flush()

    def handle(self, ev):
        now = time.monotonic()
        if ev.type == X.ClientMessage and ev.window == self.root:
            fmt, data = ev.data
            if fmt == 32 and data[0] == self.PING:
                with self.lock:
                    record = self.outstanding.pop(data[1], None)
                    if record is not None:
                        record[1] = now
        elif ev.type == X.MapNotify and not ev.override:
            with self.lock:
                self.mapped[ev.window.id] = now
        elif ev.type in (X.UnmapNotify, X.DestroyNotify):
            with self.lock:
                self.mapped.pop(ev.window.id, None)
                if ev.type == X.DestroyNotify:
                    self.gone.add(ev.window.id)

    def stats(self, begin, end, evaluated):
        with self.lock:
            chosen = [(r[0], r[1]) for r in self.records if begin <= r[0] <= end]
        return ping_figures(chosen, evaluated)

    def answered_lately(self, span):
        """Whether every ping of the last SPAN seconds older than SLOW was answered in time."""
        now = time.monotonic()
        with self.lock:
            recent = [r for r in self.records if now - span <= r[0] <= now - SLOW]
        return bool(recent) and all(r[1] is not None and r[1] - r[0] <= SLOW for r in recent)


class Screens(threading.Thread):
    """Samples the grid's area of the window, tile by tile, while enabled."""

    def __init__(self, window, width, height, pinger):
        super().__init__(daemon=True)
        self.d = display.Display()
        self.d.set_error_handler(lambda *args: None)
        self.window = self.d.create_resource_object("window", window)
        self.pinger = pinger
        self.area = (2, GRID_TOP, width - SCROLLBAR_WIDTH - 2, height - STATUS_HEIGHT - GRID_TOP)
        self.frames = []
        self.covered = set()  # tiles another window of the program lay over
        self.enabled = threading.Event()
        self.stop = False

    def tile_rect(self, i):
        x, y, w, h = self.area
        columns, rows = TILES
        row, column = divmod(i, columns)
        return (x + column * w // columns, y + row * h // rows, x + (column + 1) * w // columns,
                y + (row + 1) * h // rows)

    def note_covers(self):
        with self.pinger.lock:
            others = [wid for wid in self.pinger.mapped if wid != self.window.id]
        for wid in others:
            other = self.d.create_resource_object("window", wid)
            try:
                geometry = other.get_geometry()
                at = other.translate_coords(self.window, 0, 0)
            except error.XError:
                continue
            # The main window's origin in the other's coordinates: the other's is its negation.
            left, top = -at.x, -at.y
            right, bottom = left + geometry.width + 2 * geometry.border_width, top + geometry.height + 2 * geometry.border_width
            for i in range(TILES[0] * TILES[1]):
                x0, y0, x1, y1 = self.tile_rect(i)
                if x0 < right and left < x1 and y0 < bottom and top < y1:
                    self.covered.add(i)

    def grab(self):
        x, y, w, h = self.area
        try:
            image = self.window.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF)
        except (error.XError, error.ConnectionClosedError):
            return None
        data = image.data
        stride = len(data) // h if h else 0
        columns, rows = TILES
        tiles = []
        for row in range(rows):
            for column in range(columns):
                left = column * w // columns * 4
                right = (column + 1) * w // columns * 4
                crc = 0
                for line in range(row * h // rows, (row + 1) * h // rows):
                    start = line * stride
                    crc = zlib.crc32(data[start + left:start + right], crc)
                tiles.append(crc)
        return tuple(tiles)

    def run(self):
        while not self.stop:
            if not self.enabled.wait(0.2):
                continue
            now = time.monotonic()
            frame = self.grab()
            if frame is not None:
                self.frames.append((now, frame))
                self.note_covers()
            time.sleep(max(0.0, SCREEN_INTERVAL - (time.monotonic() - now)))

    def figures(self, pressed):
        return screen_figures(self.frames, self.covered, pressed - SCREEN_INTERVAL, pressed)


class Window:
    def __init__(self, program, screens, log_path):
        self.d = display.Display()
        self.d.set_error_handler(lambda *args: None)
        if not self.d.query_extension("XTEST").present:
            raise StepFailed("the X server has no XTEST extension")
        self.root = self.d.screen().root
        self.atom = lambda name: self.d.intern_atom(name)
        self.pinger = Pinger()
        self.pinger.start()
        env = dict(os.environ)
        env["QT_LOGGING_RULES"] = "tarvix.jobs.info=true"
        env["QT_MESSAGE_PATTERN"] = "%{category}: %{message}"
        env["QT_QPA_PLATFORM"] = "xcb"
        self.copy = open(log_path, "w") if log_path else None
        self.proc = subprocess.Popen(program, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.PIPE)
        self.exit_status = None
        self.rusage = None
        self.log = JobLog(self.proc.stderr, self.copy)
        self.log.start()
        self.window = self.find_window()
        self.pinger.set_target(self.window.id)
        geometry = self.window.get_geometry()
        self.width, self.height = geometry.width, geometry.height
        self.screens = None
        if screens:
            self.screens = Screens(self.window.id, self.width, self.height, self.pinger)
            self.screens.start()
        self.questions = 0
        self.folder = None

    # --- the process ---
    def alive(self):
        if self.exit_status is not None:
            return False
        pid, status, usage = os.wait4(self.proc.pid, os.WNOHANG)
        if pid == 0:
            return True
        self.exit_status, self.rusage = status, usage
        return False

    def peak_rss_kb(self):
        try:
            with open("/proc/%d/status" % self.proc.pid) as status:
                for line in status:
                    if line.startswith("VmHWM:"):
                        return int(line.split()[1])
        except OSError:
            pass
        return None

    def cpu_seconds(self):
        """User and system time of the window's process so far (all its threads)."""
        try:
            with open("/proc/%d/stat" % self.proc.pid) as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
        except (OSError, IndexError, ValueError):
            return None

    def find_window(self):
        name_atom, pid_atom = self.atom("_NET_WM_NAME"), self.atom("_NET_WM_PID")
        deadline = time.monotonic() + START_TIMEOUT
        while time.monotonic() < deadline:
            if not self.alive():
                raise StepFailed("the program ended before it showed its window (status %s)" % self.exit_status)
            for child in self.root.query_tree().children:
                try:
                    pid = child.get_full_property(pid_atom, X.AnyPropertyType)
                    if not pid or pid.value[0] != self.proc.pid:
                        continue
                    if child.get_attributes().map_state != X.IsViewable:
                        continue
                    title = child.get_full_property(name_atom, 0)
                    title = title.value.decode("utf-8", "replace") if title else child.get_wm_name()
                    if title == "Tarvix":
                        return child
                except error.XError:
                    continue
            time.sleep(0.05)
        raise StepFailed("no visible window titled Tarvix within %.0f s" % START_TIMEOUT)

    # --- input, as a user's ---
    def focus(self, window):
        window.set_input_focus(X.RevertToParent, X.CurrentTime)
        self.d.sync()

    def click(self, x, y, window=None):
        window = window or self.window
        origin = window.translate_coords(self.root, 0, 0)
        # translate_coords gives the root's origin in the window: the window's is its negation.
        xtest.fake_input(self.d, X.MotionNotify, x=x - origin.x, y=y - origin.y)
        self.d.sync()
        time.sleep(0.05)
        xtest.fake_input(self.d, X.ButtonPress, 1)
        xtest.fake_input(self.d, X.ButtonRelease, 1)
        self.d.sync()
        return time.monotonic()

    def keycode(self, keysym):
        code = self.d.keysym_to_keycode(keysym)
        if not code:
            raise StepFailed("no key for keysym %#x" % keysym)
        shifted = self.d.keycode_to_keysym(code, 0) != keysym
        return code, shifted

    def key(self, name, *modifiers):
        """Presses NAME (an X keysym name) with MODIFIERS held; returns the time of the press."""
        held = [self.keycode(XK.string_to_keysym(m))[0] for m in modifiers]
        keysym = XK.string_to_keysym(name)
        if not keysym and len(name) == 1:
            keysym = ord(name)
        code, shifted = self.keycode(keysym)
        if shifted and "Shift_L" not in modifiers:
            held.append(self.keycode(XK.string_to_keysym("Shift_L"))[0])
        for m in held:
            xtest.fake_input(self.d, X.KeyPress, m)
        xtest.fake_input(self.d, X.KeyPress, code)
        self.d.flush()
        pressed = time.monotonic()
        xtest.fake_input(self.d, X.KeyRelease, code)
        for m in reversed(held):
            xtest.fake_input(self.d, X.KeyRelease, m)
        self.d.sync()
        return pressed

    def type_text(self, text):
        for char in text:
            self.key(char)
            time.sleep(0.005)

    def send_close(self):
        message = protocol.event.ClientMessage(
            window=self.window, client_type=self.atom("WM_PROTOCOLS"),
            data=(32, [self.atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
        self.window.send_event(message, event_mask=0)
        self.d.flush()
        return time.monotonic()

    # --- waiting ---
    def question(self, since):
        """A modal dialog of the window's mapped after SINCE, or None. The progress window is
        not modal; a message box is, and Qt marks it so for the window manager."""
        with self.pinger.lock:
            fresh = [w for w, t in self.pinger.mapped.items() if t >= since and w != self.window.id]
        modal = self.atom("_NET_WM_STATE_MODAL")
        for wid in fresh:
            window = self.d.create_resource_object("window", wid)
            try:
                if window.get_wm_transient_for() is None:
                    continue
                state = window.get_full_property(self.atom("_NET_WM_STATE"), X.AnyPropertyType)
                if state and modal in state.value:
                    return window
            except error.XError:
                continue
        return None

    def answer(self, window):
        self.questions += 1
        self.focus(window)
        answered = self.key("y")
        deadline = time.monotonic() + 1.0
        while time.monotonic() < deadline:
            with self.pinger.lock:
                if window.id not in self.pinger.mapped:
                    break
            time.sleep(0.02)
        else:
            answered = self.key("Return")
        self.focus(self.window)
        return answered

    def wait_event(self, kind, job, after, timeout, answer_questions=True):
        """Waits for the job line; answers the window's questions meanwhile."""
        deadline = time.monotonic() + timeout
        answered_at = None
        asked_since = after
        while time.monotonic() < deadline:
            event = self.log.find(kind, job, after)
            if event:
                return event, answered_at
            if not self.alive():
                raise StepFailed("the program ended (status %s) while waiting for '%s %s'" % (self.exit_status, kind, job))
            if answer_questions:
                window = self.question(asked_since)
                if window is not None:
                    asked_since = time.monotonic()
                    say("answering a question of the window with Yes")
                    answered_at = self.answer(window)
            time.sleep(0.01)
        raise StepFailed("no '%s %s' line within %.0f s" % (kind, job, timeout))

    def settle(self, timeout=120.0, quiet=1.0):
        """Waits until no job runs, none began for QUIET seconds and the pings are answered."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            running, last = self.log.open_jobs()
            if not running and time.monotonic() - last >= quiet and self.pinger.answered_lately(quiet):
                return
            if not self.alive():
                raise StepFailed("the program ended (status %s)" % self.exit_status)
            time.sleep(0.05)
        raise StepFailed("the window did not become idle within %.0f s" % timeout)

    def wait_exit(self, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if not self.alive():
                return time.monotonic()
            time.sleep(0.005)
        return None

    def shutdown(self):
        if self.alive():
            self.send_close()
            if self.wait_exit(10) is None:
                self.proc.kill()
                self.wait_exit(5)
        self.pinger.stop = True
        if self.screens:
            self.screens.stop = True
        if self.copy:
            self.copy.close()


def emit(label, key, value):
    print("RESULT %s %s %s" % (label, key, value), flush=True)


def emit_job(w, label, job, pressed, event, answered=None, cpu_before=None):
    """The figures of one job: its own time, the user's, the processor time it took (from the press
    to a moment after its end) and the pings meanwhile."""
    end_time, _, _, ms = event
    cpu_after = w.cpu_seconds()
    if cpu_before is not None and cpu_after is not None:
        emit(label, "cpu_ms", "%.0f" % ((cpu_after - cpu_before) * 1000))
    begin = w.log.find("begin", job, pressed - 0.001)
    emit(label, "job_ms", ms if ms is not None else "?")
    emit(label, "press_to_end_ms", "%.0f" % ((end_time - pressed) * 1000))
    if begin:
        emit(label, "press_to_begin_ms", "%.0f" % ((begin[0] - pressed) * 1000))
    if answered is not None:
        emit(label, "answer_to_end_ms", "%.0f" % ((end_time - answered) * 1000))
    # Every ping sent from the press to a moment after the end; the late ones by their age then.
    time.sleep(TAIL + 2 * SLOW)
    for key, value in w.pinger.stats(pressed, end_time + TAIL, time.monotonic()).items():
        emit(label, key, value)


def select_all(w):
    """Every picture of the folder last loaded: the first cell, then Shift+Page Down to the last row
    and Shift+End to its end (with Ctrl, the grid's keys move the current cell only)."""
    w.focus(w.window)
    w.click(*GRID_XY)
    w.key("Home", "Control_L")
    time.sleep(0.2)
    w.click(*GRID_XY)
    time.sleep(0.2)
    files = len(os.listdir(w.folder)) if w.folder else 0
    for _ in range(files // 3 + 2):  # a page is at least a row, a row at least a picture
        w.key("Page_Down", "Shift_L")
    w.key("End", "Shift_L")
    time.sleep(0.3)


def start_load(w, path):
    """Types the path into the path box and presses Return; on a busy machine the focus or a key
    can go astray, so a load that did not begin is typed once more, from the click on."""
    for attempt, wait in enumerate((10.0, 20.0)):
        if attempt:
            say("no load began after Return; typing the path again")
        w.focus(w.window)
        w.click(*PATH_XY)
        time.sleep(0.2 + 0.3 * attempt)
        w.key("a", "Control_L")
        # As a user types it, without a closing slash (with one, the path box's completion lists
        # the folder itself as it is typed); the folders given here have no sibling their name
        # begins.
        w.type_text(path.rstrip("/"))
        time.sleep(0.5 + 0.5 * attempt)
        pressed = w.key("Return")
        try:
            w.wait_event("begin", "load", pressed, wait, answer_questions=False)
            return pressed
        except StepFailed:
            pass
    raise StepFailed("no load began after Return in the path box (is it at PATH_XY=%d,%d?)" % PATH_XY)


def step_load(w, label, path):
    w.settle()
    if w.screens:
        w.screens.frames.clear()
        w.screens.covered.clear()
        w.screens.enabled.set()
        time.sleep(2 * SCREEN_INTERVAL)
    pressed = start_load(w, path)
    w.folder = path
    event, _ = w.wait_event("end", "load", pressed, JOB_TIMEOUT)
    emit_job(w, label, "load", pressed, event)
    if w.screens:
        time.sleep(0.5)
        w.screens.enabled.clear()
        time.sleep(2 * SCREEN_INTERVAL)
        for key, value in w.screens.figures(pressed).items():
            emit(label, key, value)
    emit(label, "peak_rss_kb", w.peak_rss_kb())


def step_turn(w, label):
    w.settle()
    select_all(w)
    cpu = w.cpu_seconds()
    pressed = w.key("r")
    event, answered = w.wait_event("end", "turn", pressed, JOB_TIMEOUT)
    emit_job(w, label, "turn", pressed, event, answered, cpu)


def step_auto(w, label):
    w.settle()
    w.focus(w.window)
    cpu = w.cpu_seconds()
    pressed = w.click(*AUTO_XY)
    try:
        w.wait_event("begin", "automatic", pressed, 10.0, answer_questions=False)
    except StepFailed:
        raise StepFailed("no correction began after a click on Automatic (is it at AUTO_XY=%d,%d?)" % AUTO_XY)
    event, answered = w.wait_event("end", "automatic", pressed, JOB_TIMEOUT)
    emit_job(w, label, "automatic", pressed, event, answered, cpu)


def step_delete(w, label):
    w.settle()
    select_all(w)
    pressed = w.key("Delete", "Control_L")
    event, answered = w.wait_event("end", "delete", pressed, JOB_TIMEOUT)
    emit_job(w, label, "delete", pressed, event, answered)


def step_close(w, label, path=None):
    w.settle()
    if path is not None:
        pressed = start_load(w, path)
        begun = w.log.find("begin", "load", pressed)
        time.sleep(max(0.0, begun[0] + CLOSE_AFTER - time.monotonic()))
    emit(label, "peak_rss_kb", w.peak_rss_kb())
    closed = w.send_close()
    ended = w.wait_exit(EXIT_TIMEOUT)
    evaluated = ended if ended is not None else time.monotonic()
    if ended is None:
        emit(label, "exit_ms", "none within %.0f s" % EXIT_TIMEOUT)
    else:
        emit(label, "exit_ms", "%.0f" % ((ended - closed) * 1000))
        emit(label, "rusage_maxrss_kb", w.rusage.ru_maxrss)
        emit(label, "exit_status", w.exit_status)
    if path is not None:
        # The load's end line, also written when the close cancels it: how long the load went on.
        end = w.log.find("end", "load", begun[0])
        emit(label, "load_end_after_close_ms", "%.0f" % ((end[0] - closed) * 1000) if end else "none")
    for key, value in w.pinger.stats(closed, evaluated, evaluated).items():
        emit(label, key, value)
    if ended is None:
        raise StepFailed("the process did not end within %.0f s of the close" % EXIT_TIMEOUT)


STEPS = {"load": step_load, "turn": step_turn, "auto": step_auto, "delete": step_delete, "close": step_close,
         "close-load": step_close}


def main(argv):
    if X is None:
        sys.stderr.write("window_ping.py needs python3-xlib (tools/bench_deps.sh installs it)\n")
        return 2
    # A timeout's TERM still closes the window and ends the program: the finally below runs.
    signal.signal(signal.SIGTERM, lambda *args: sys.exit(143))
    screens = False
    steps = []
    log_path = None
    i = 0
    while i < len(argv) and argv[i] != "--":
        if argv[i] == "--screens":
            screens = True
        elif argv[i] == "--step" and i + 1 < len(argv):
            i += 1
            kind, _, rest = argv[i].partition(":")
            label, _, path = rest.partition(":")
            if kind not in STEPS or not label or ((kind in ("load", "close-load")) != bool(path)):
                sys.stderr.write("bad step %r\n" % argv[i])
                return 2
            steps.append((kind, label, path or None))
        elif argv[i] == "--log" and i + 1 < len(argv):
            i += 1
            log_path = argv[i]
        else:
            sys.stderr.write(__doc__)
            return 2
        i += 1
    program = argv[i + 1:]
    if not program or not steps:
        sys.stderr.write(__doc__)
        return 2
    w = None
    failed = False
    try:
        w = Window(program, screens, log_path)
        emit("window", "size", "%dx%d" % (w.width, w.height))
        for kind, label, path in steps:
            say("%s %s" % (kind, label))
            try:
                if kind in ("load",):
                    step_load(w, label, path)
                elif kind == "close-load":
                    step_close(w, label, path)
                else:
                    STEPS[kind](w, label)
            except StepFailed as failure:
                emit(label, "failed", str(failure).replace("\n", " "))
                say("%s failed: %s" % (label, failure))
                failed = True
                break
        if w.questions:
            emit("window", "questions_answered", w.questions)
    except StepFailed as failure:
        emit("window", "failed", str(failure))
        say(str(failure))
        failed = True
    finally:
        if w is not None:
            w.shutdown()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
