#!/usr/bin/env python3
"""The design program as a user meets it: a real X server (Xvfb) with a window
manager (openbox), the program started on a copy of the sample with folders of its
own, driven by xdotool.

  road.py BIN_DIR SAMPLE OUT_DIR            three starts beside a starting window manager, then
                                            the road: draw, letter, 欢迎光临 in the 简体中文 slot chosen
                                            in the text bar, save, cut, import, select all,
                                            print preview and back, exit with the save question
  road.py BIN_DIR SAMPLE OUT_DIR --random N [--seed S]
                                            Scan on the scanner library's test backend
                                            and Escape, twice, then N random actions
                                            (the list is kept), then File > Exit
  road.py BIN_DIR SAMPLE OUT_DIR --replay FILE
                                            the actions of an earlier random run again
  road.py BIN_DIR SAMPLE OUT_DIR --pinyin   Chinese typed through fcitx5's pinyin (exit 77
                                            when fcitx5 is not installed)

Every step waits for its condition with a bounded poll; a failed step names itself
and leaves a picture of the screen in OUT_DIR. Any sanitizer report fails the run.
"""
import argparse
import os
import random
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

STEP_TIMEOUT = 10.0
SCREEN = (1600, 1000)
# The screen's device pixel ratio (--scale): the program's logical pixels are this
# many of the screen's, which xdotool and the pictures count in.
SCALE = 1


class Failed(Exception):
    pass


def poll(what, cond, timeout=STEP_TIMEOUT):
    end = time.monotonic() + timeout
    delay = 0.02
    while True:
        v = cond()
        if v:
            return v
        if time.monotonic() > end:
            raise Failed(f"{what} (not within {timeout:.0f} s)")
        time.sleep(delay)
        delay = min(delay * 1.5, 0.25)


# ---- pictures

class Xwd:
    """An XWD dump of a 24/32-bit TrueColor screen or window."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        h = struct.unpack(">25I", data[:100])
        header_size, _, fmt, _, self.width, self.height = h[0:6]
        self.order = "little" if h[7] == 0 else "big"
        bpp, self.bpl = h[11], h[12]
        self.masks = h[14:17]
        if fmt != 2 or bpp not in (24, 32):
            raise ValueError(f"unexpected XWD format {fmt}/{bpp}")
        self.pix = data[header_size + 12 * h[19]:]
        self.shifts = [(m & -m).bit_length() - 1 for m in self.masks]
        self.step = bpp // 8

    def pixel(self, x, y):
        at = y * self.bpl + x * self.step
        v = int.from_bytes(self.pix[at:at + self.step], self.order)
        return tuple(((v & self.masks[i]) >> self.shifts[i]) & 0xFF for i in range(3))


def xwd_to_png(xwd, png):
    """An XWD dump of a 24/32-bit TrueColor screen as a PNG."""
    d = Xwd(xwd)
    width, height = d.width, d.height
    rows = []
    for y in range(height):
        row = bytearray(b"\0")
        for x in range(width):
            row += bytes(d.pixel(x, y))
        rows.append(bytes(row))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(png, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(b"".join(rows), 6)))
        f.write(chunk(b"IEND", b""))


# ---- the document file

def object_kinds(path):
    """The kinds of the objects in a design file's object block: u8 2, u32 its length,
    records (u8 kind, u32 length with this head, ...), u8 254."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 48 or not data.startswith(b"CVF98"):
        raise Failed(f"{path} is no design file")
    at = struct.unpack("<8I", data[16:48])[5]
    if at == 0:
        return []
    if at + 5 > len(data) or data[at] != 2:
        raise Failed(f"{path}: bad object block")
    end = min(len(data), at + struct.unpack("<I", data[at + 1:at + 5])[0])
    kinds = []
    at += 5
    while at + 5 <= end and data[at] != 254:
        length = struct.unpack("<I", data[at + 1:at + 5])[0]
        if length < 5:
            raise Failed(f"{path}: bad record")
        kinds.append(data[at])
        at += length
    return kinds


def object_count(path):
    return len(object_kinds(path))


# ---- the desktop

class Desktop:
    def __init__(self, out):
        self.out = out
        self.procs = []
        self.env = None
        self.display = None

    def start(self, work, wm=True):
        r, w = os.pipe()
        log = open(os.path.join(self.out, "xvfb.log"), "w")
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(w,), stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        os.close(w)
        self.procs.append(xvfb)
        got = b""
        end = time.monotonic() + STEP_TIMEOUT
        while not got.endswith(b"\n"):
            left = end - time.monotonic()
            if left <= 0 or not select.select([r], [], [], left)[0]:
                raise Failed("start the X server")
            part = os.read(r, 16)
            if not part:
                raise Failed("start the X server (it ended)")
            got += part
        os.close(r)
        self.display = ":" + got.decode().strip()
        home = os.path.join(work, "home")
        runtime = os.path.join(work, "runtime")
        for d in (home, runtime):
            os.makedirs(d, mode=0o700, exist_ok=True)
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "DISPLAY": self.display,
            "HOME": home,
            "XDG_CONFIG_HOME": os.path.join(home, ".config"),
            "XDG_RUNTIME_DIR": runtime,
            "LANG": "C.UTF-8",
            "NO_AT_BRIDGE": "1",
            "QT_ACCESSIBILITY": "0",
        }
        if "FONTCONFIG_FILE" in os.environ:
            self.env["FONTCONFIG_FILE"] = os.environ["FONTCONFIG_FILE"]
        if wm:
            self.start_wm()
            self.wait_wm()

    def start_wm(self):
        wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.out, "openbox.log"), "w"))
        self.procs.append(wm)

    def wait_wm(self):
        poll("the window manager runs", lambda: "window id" in self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                                                                        check=False))

    def run(self, cmd, check=True, stdin=None):
        try:
            p = subprocess.run(cmd, env=self.env, input=stdin, capture_output=True, text=True,
                               timeout=STEP_TIMEOUT * 3)
        except subprocess.TimeoutExpired:
            raise Failed(f"{' '.join(cmd[:3])} did not return")
        if check and p.returncode != 0:
            raise Failed(f"{' '.join(cmd[:3])}: {p.stderr.strip()}")
        return p.stdout

    def xdo(self, *args):
        return self.run(["xdotool", *map(str, args)])

    def script(self, lines):
        """Runs xdotool commands, one a line, in one process."""
        if lines:
            self.run(["xdotool", "-"], stdin="\n".join(lines) + "\n")

    def windows(self, name):
        out = self.run(["xdotool", "search", "--onlyvisible", "--name", name], check=False)
        return [int(w) for w in out.split()]

    def windows_of_class(self, cls):
        """Also the windows without a caption, whose names a name search misses."""
        out = self.run(["xdotool", "search", "--onlyvisible", "--class", cls], check=False)
        return [int(w) for w in out.split()]

    def title(self, wid):
        return self.run(["xdotool", "getwindowname", str(wid)], check=False).strip()

    def viewable(self, wid):
        return "IsViewable" in self.run(["xwininfo", "-id", str(wid)], check=False)

    def geometry(self, wid):
        g = {}
        for line in self.run(["xdotool", "getwindowgeometry", "--shell", str(wid)]).split():
            k, _, v = line.partition("=")
            g[k] = int(v)
        return g["X"], g["Y"], g["WIDTH"], g["HEIGHT"]

    def work_area(self):
        """The root window's work area: x, y, width, height."""
        out = self.run(["xprop", "-root", "_NET_WORKAREA"], check=False)
        nums = [int(v) for v in out.partition("=")[2].replace(",", " ").split()[:4]]
        return tuple(nums) if len(nums) == 4 else (0, 0) + SCREEN

    def placement(self, wid):
        """The window's client on the screen: x, y, width, height."""
        info = {}
        for line in self.run(["xwininfo", "-id", str(wid)]).splitlines():
            k, _, v = line.strip().partition(":")
            info[k] = v.strip()
        return (int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"]), int(info["Width"]),
                int(info["Height"]))

    def window_pixels(self, wid):
        xwd = os.path.join(self.out, f"window-{wid}.xwd")
        subprocess.run(["xwd", "-id", str(wid), "-silent", "-out", xwd], env=self.env, timeout=STEP_TIMEOUT, check=True)
        try:
            return Xwd(xwd)
        finally:
            os.remove(xwd)

    def screenshot(self, name):
        if not self.display:
            return None
        xwd = os.path.join(self.out, name + ".xwd")
        png = os.path.join(self.out, name + ".png")
        try:
            subprocess.run(["xwd", "-root", "-silent", "-out", xwd], env=self.env, timeout=STEP_TIMEOUT, check=True)
            xwd_to_png(xwd, png)
            os.remove(xwd)
            return png
        except Exception as e:  # the picture is a help, not the verdict
            print(f"(no picture: {e})", file=sys.stderr)
            return None

    def stop(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()


# ---- the program

class Program:
    def __init__(self, desk, bin_dir, work, sample, lsan, folder=None, before_start=None):
        self.desk = desk
        self.work = work
        self.folder = folder or os.path.join(work, "bin")
        # A program folder of its own: the program writes its settings there.
        os.makedirs(self.folder, exist_ok=bool(folder))
        for name in os.listdir(bin_dir) if not folder else []:
            src = os.path.join(bin_dir, name)
            if name.endswith("_tests") or name.startswith("fuzz_") or name.startswith("bench_"):
                continue
            dst = os.path.join(self.folder, name)
            if os.path.isdir(src):
                shutil.copytree(src, dst)
            else:
                shutil.copy2(src, dst)
        palette = os.path.join(os.path.dirname(os.path.abspath(bin_dir)), "PALETTE")
        if os.path.isdir(palette):
            shutil.copytree(palette, os.path.join(work, "PALETTE"))
        self.doc = os.path.join(work, "sign.t98")
        shutil.copy2(sample, self.doc)
        self.plt = os.path.join(work, "cut.plt")
        self.logs = os.path.join(work, "sanitizer")
        os.makedirs(self.logs)
        env = dict(desk.env)
        env.update({
            "QT_QPA_PLATFORM": "xcb",
            "QT_SCALE_FACTOR": str(SCALE),
            "TINDREL_PROFILE_DIR": os.path.join(work, "profile"),
            "TINDREL_DRIVE_ROOT": work,
            "SANE_CONFIG_DIR": self.scanner_settings(work),
            "ASAN_OPTIONS": f"detect_leaks=1:abort_on_error=1:log_path={self.logs}/asan",
            "UBSAN_OPTIONS": f"print_stacktrace=1:halt_on_error=1:log_path={self.logs}/ubsan",
            "LSAN_OPTIONS": f"suppressions={lsan}:print_suppressions=0",
        })
        self.out = open(os.path.join(work, "program.log"), "w")
        exe = os.path.join(self.folder, "Tindrel")
        if before_start:
            before_start()
        self.proc = subprocess.Popen([exe, self.doc], env=env, cwd=work, stdin=subprocess.DEVNULL, stdout=self.out,
                                     stderr=subprocess.STDOUT)
        self.main = None

    @staticmethod
    def scanner_settings(work):
        """The scanner library's settings: its "test" backend and no other, so that
        no real scanner is looked for."""
        folder = os.path.join(work, "sane")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "dll.conf"), "w") as f:
            f.write("test\n")
        with open(os.path.join(folder, "test.conf"), "w") as f:
            f.write("number_of_devices 1\n")
        return folder

    def reports(self):
        found = []
        for name in sorted(os.listdir(self.logs)):
            with open(os.path.join(self.logs, name), errors="replace") as f:
                found.append(f.read())
        return found

    def check_alive(self, step):
        rep = self.reports()
        if rep:
            raise Failed(f"{step}: sanitizer report\n" + rep[0][:4000])
        if self.proc.poll() is not None:
            raise Failed(f"{step}: the program ended (code {self.proc.returncode})")

    def wait_main(self):
        def find():
            self.check_alive("start")
            ids = self.desk.windows("^Tindrel")
            return ids[0] if ids else None

        self.main = poll("the main window shows", find, timeout=STEP_TIMEOUT * 6)
        return self.main

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


# ---- the road

def fills_work_area(desk, wid):
    """A maximised main window spans the work area below its title bar, and the
    program draws all of it (no black band where nothing is drawn)."""
    ax, ay, aw, ah = desk.work_area()
    x, y, w, h = desk.placement(wid)
    if x != ax or w != aw or y + h != ay + ah or not ay <= y <= ay + 60:
        return f"the main window is {w}x{h}+{x}+{y}, the work area {aw}x{ah}+{ax}+{ay}"
    shot = desk.window_pixels(wid)
    for cx in (w // 4, w // 2, w - 20):
        column = [shot.pixel(cx, cy) for cy in range(h // 4, h * 3 // 4, 8)]
        if all(p == (0, 0, 0) for p in column):
            return f"the main window is black at x = {cx}"
    return None


def expect_fills_work_area(desk, wid, what):
    last = []

    def fills():
        last[:] = [fills_work_area(desk, wid)]
        return last[0] is None
    try:
        poll(what, fills)
    except Failed as e:
        raise Failed(f"{e}: {last[0]}")


SHADOW, PAPER = (128, 128, 128), (255, 255, 255)


def shows_whole_page(desk, wid):
    """The page's right and bottom shadow strips (5 grey pixels) show whole, with the
    view's white beyond them: the page's edges are inside the view, clear of its
    scroll bars."""
    shot = desk.window_pixels(wid)
    w, h = shot.width, shot.height

    def strip(at):
        # Five shadow pixels after something else, then the view's white.
        for i in range(1, len(at) - 6):
            if at[i - 1] != SHADOW and all(p == SHADOW for p in at[i:i + 5 * SCALE]) and at[i + 5 * SCALE] == PAPER:
                return True
        return False

    row = [shot.pixel(x, h // 2) for x in range(w)]
    if not strip(row):
        return "no right shadow of the page in the middle row"
    column = [shot.pixel(w // 3, y) for y in range(h)]
    if not strip(column):
        return "no bottom shadow of the page in the column at a third"
    return None


def expect_whole_page(desk, wid):
    last = []

    def whole():
        last[:] = [shows_whole_page(desk, wid)]
        return last[0] is None
    try:
        poll("the page shows whole with its shadow", whole)
    except Failed as e:
        raise Failed(f"{e}: {last[0]}")


def main_area(desk, wid):
    x, y, w, h = desk.geometry(wid)
    return w, h


def activate(desk, wid):
    desk.run(["xdotool", "windowactivate", "--sync", str(wid)], check=False)


def keys(desk, wid, *names):
    desk.script([f"key --clearmodifiers {n}" for n in names])


def drag(wid, x0, y0, x1, y1):
    lines = [f"mousemove --window {wid} {x0} {y0}", "mousedown 1"]
    for i in range(1, 5):
        lines.append(f"mousemove --window {wid} {x0 + (x1 - x0) * i // 4} {y0 + (y1 - y0) * i // 4}")
    lines.append("mouseup 1")
    return lines


# The drawing tools' bar along the left edge: two columns of buttons, 22 pixels a row,
# from the top of the main window's client area.
TOOLS = {"select": (0, 0), "text": (1, 0), "library": (0, 1), "node": (1, 1), "line": (0, 2), "rectangle": (1, 2),
         "circle": (0, 3), "polygon": (1, 3), "polyline": (0, 4), "bezier": (1, 4), "star": (0, 5),
         "go": (0, 4)}  # the output area's single column: select, set, area, clear, GO
TOOL_X0, TOOL_DX, TOOL_Y0, TOOL_DY = 11, 23, 51, 22


def tool(wid, name):
    col, row = TOOLS[name]
    x, y = (TOOL_X0 + TOOL_DX * col) * SCALE, (TOOL_Y0 + TOOL_DY * row) * SCALE
    return [f"mousemove --window {wid} {x} {y}", "click 1"]


def file_dialog(desk, prog, title, path):
    dlg = poll(f"the \"{title}\" dialog shows", lambda: (prog.check_alive(title) or desk.windows("^" + title + "$")))[0]
    activate(desk, dlg)
    desk.script(["key --clearmodifiers ctrl+a", f"type --delay 5 '{path}'", "key --clearmodifiers Return"])
    poll(f"the \"{title}\" dialog closes", lambda: (prog.check_alive(title) or not desk.windows("^" + title + "$")))


def screen_cover(desk):
    """A window of the program as large as the screen (the screen grab's)."""
    for wid in desk.windows_of_class("^Tindrel$"):
        try:
            x, y, w, h = desk.placement(wid)
        except Failed:
            continue
        if w >= SCREEN[0] - 1 and h >= SCREEN[1] - 1:
            return wid
    return None


def ini_value(path, section, key):
    current = None
    try:
        with open(path, errors="replace") as f:
            for line in f:
                line = line.strip()
                if line.startswith("["):
                    current = line.strip("[]")
                elif current == section and line.partition("=")[0].strip() == key:
                    return line.partition("=")[2].strip()
    except OSError:
        pass
    return None


def carve_origin(desk, prog):
    """Output > Carve Out, "Origin...": the port "File" asks for its file, a click in
    the middle of the work area picture puts the origin there, "Set" stores it."""
    step = "carve out"
    main = prog.main
    activate(desk, main)
    keys(desk, main, "alt+o", "f")
    carve = poll("the \"Cave Out\" dialog shows", lambda: (prog.check_alive(step) or desk.windows("^Cave Out$")))[0]
    activate(desk, carve)
    desk.script([f"mousemove --window {carve} 365 110", "click 1"])
    file_dialog(desk, prog, "Save As", os.path.join(prog.work, "origin.plt"))
    origin = poll("the origin dialog shows", lambda: (prog.check_alive(step) or desk.windows("^Origin Setting$")))[0]
    activate(desk, origin)
    # The picture spans 11..249 x 11..169 of the dialog for 300 x 200 mm.
    desk.script([f"mousemove --window {origin} 130 90", "click 1", f"mousemove --window {origin} 336 152", "click 1"])
    poll("the origin dialog closes", lambda: (prog.check_alive(step) or not desk.windows("^Origin Setting$")))
    carves = os.path.join(prog.folder, "Carves.INI")
    poll("the origin is stored", lambda: ini_value(carves, "HPGL-ENGRAVER", "OriginX") == "150.00" and
         ini_value(carves, "HPGL-ENGRAVER", "OriginY") == "100.00")
    activate(desk, carve)
    desk.script([f"mousemove --window {carve} 365 50", "click 1"])
    poll("the \"Cave Out\" dialog closes", lambda: (prog.check_alive(step) or not desk.windows("^Cave Out$")))
    idle(prog)


def menu_strip(desk, wid):
    """The pixels of the window's top rows, where its menu bar lies."""
    img = desk.window_pixels(wid)
    return tuple(img.pixel(x, y) for y in range(2, min(img.height, 20), 3) for x in range(0, img.width, 5))


def select_all_after_tool_click(desk, prog, main, saved):
    """A tool-bar click leaves the keys to the design: Ctrl+A and Delete empty it, Undo
    brings it back (seen in the saved file)."""
    step = "tool-bar click, then Ctrl+A"
    n = object_count(saved)
    activate(desk, main)
    for name in ("rectangle", "select"):
        desk.script(tool(main, name))
        idle(prog)
    keys(desk, main, "ctrl+a", "Delete")
    idle(prog)
    keys(desk, main, "alt+f", "s")
    poll("Ctrl+A and Delete empty the design", lambda: prog.check_alive(step) or object_count(saved) == 0)
    keys(desk, main, "ctrl+z")
    idle(prog)
    keys(desk, main, "alt+f", "s")
    poll("Undo brings the design back", lambda: prog.check_alive(step) or object_count(saved) == n)


def preview_and_back(desk, prog, main):
    """File > Print Preview, then Escape: the design comes back with its menu bar."""
    step = "print preview, then Escape"
    activate(desk, main)
    idle(prog)
    before = menu_strip(desk, main)
    keys(desk, main, "alt+f", "v")
    poll("the preview stands in for the design", lambda: prog.check_alive(step) or menu_strip(desk, main) != before)
    idle(prog)
    keys(desk, main, "Escape")
    poll("the design comes back with its menu bar",
         lambda: prog.check_alive(step) or menu_strip(desk, main) == before)
    idle(prog)


def expect_clean_end(prog):
    """The program ends by itself with code 0; its end includes the leak check of
    the sanitizer build."""
    poll("the program ends", lambda: prog.proc.poll() is not None, timeout=STEP_TIMEOUT * 3)
    rep = prog.reports()
    if rep:
        raise Failed("sanitizer report\n" + rep[0][:4000])
    if prog.proc.returncode != 0:
        raise Failed(f"the program ended with code {prog.proc.returncode}")


def exit_with_save_question(desk, prog, main, saved, at):
    """A new rectangle, then File > Exit: the save question; Cancel keeps the program,
    Exit again and Yes writes the file, which then holds the rectangle."""
    step = "exit asks to save"
    n = object_count(saved)
    activate(desk, main)
    x, y = at
    desk.script(tool(main, "rectangle") + drag(main, x, y, x + 90, y + 50))
    idle(prog)
    for answer in ("Escape", "Return"):
        activate(desk, main)
        keys(desk, main, "alt+f", "x")
        box = poll("the save question shows", lambda: prog.check_alive(step) or desk.windows("^Tindrel$"))[0]
        activate(desk, box)
        keys(desk, box, answer)
        if answer == "Return":
            break
        poll("Cancel closes the question", lambda: prog.check_alive(step) or not desk.windows("^Tindrel$"))
        idle(prog)
        if not desk.viewable(main):
            raise Failed("Cancel ended the program")
        if object_count(saved) != n:
            raise Failed("Cancel wrote the file")
        step = "exit: Yes saves"
    expect_clean_end(prog)
    if object_count(saved) != n + 1:
        raise Failed(f"the saved file holds {object_count(saved)} objects, not {n} + 1")


def start_beside_window_manager(bin_dir, sample, out, lsan, starts=3):
    """The window manager started in the same instant as the program, as a desktop's
    autostart does: the main window shows every time."""
    folder = None
    works = []
    try:
        for i in range(starts):
            step = f"start beside the window manager ({i + 1} of {starts})"
            works.append(tempfile.mkdtemp(prefix="start-", dir=out))
            desk = Desktop(out)
            prog = None
            try:
                desk.start(works[-1], wm=False)
                prog = Program(desk, bin_dir, works[-1], sample, lsan, folder=folder, before_start=desk.start_wm)
                folder = prog.folder
                prog.wait_main()
                desk.wait_wm()
            except Failed as e:
                desk.screenshot(f"start-{i + 1}-failed")
                raise Failed(f"step \"{step}\": {e}")
            finally:
                if prog:
                    prog.stop()
                desk.stop()
    finally:
        for w in works:
            shutil.rmtree(w, ignore_errors=True)


def road(desk, prog, out, short=False):
    step = "start"
    shots = os.environ.get("ROAD_PICTURES")  # a picture after each step, to see the road

    def done(name):
        if shots:
            desk.screenshot("road-" + name.replace(" ", "-"))

    try:
        main = prog.wait_main()
        idle(prog)
        expect_fills_work_area(desk, main, "the main window fills the work area")
        step = "the page shows whole"
        expect_whole_page(desk, main)
        activate(desk, main)
        base = object_count(prog.doc)
        w, h = main_area(desk, main)
        cx, cy = w // 2, h // 2

        # Each input is taken in full (the program settles) before the next one.
        def steps(*parts):
            for lines in parts:
                desk.script(lines)
                idle(prog)

        step = "draw a rectangle"
        k = SCALE
        steps(tool(main, "rectangle"), drag(main, cx - 150 * k, cy - 80 * k, cx + 50 * k, cy + 20 * k))

        done(step)
        step = "letter SALE"
        steps(tool(main, "text"), [f"mousemove --window {main} {cx - 120 * k} {cy + 90 * k}", "click 1"],
              ["type --delay 20 SALE"], tool(main, "select"))

        done(step)
        if not short:
            step = "choose 简体中文 in the text bar, type 欢迎光临"
            # Above the arrow, clear of the other objects.
            chinese_in_the_bar(desk, prog, main, (cx - 500, cy - 200))

        done(step)
        step = "save as"
        saved = os.path.join(prog.work, "saved.t98")
        keys(desk, main, "alt+f", "a")
        file_dialog(desk, prog, "Save As", saved)
        poll("the file is written", lambda: os.path.exists(saved) and os.path.getsize(saved) > 0)
        poll("the title names the file", lambda: "saved.t98" in desk.title(main))
        n = object_count(saved)
        made = 2 if short else 3
        if n != base + made:
            raise Failed(f"the saved file holds {n} objects, not {base} + {made}")
        if not short:
            expect_gb_text(saved, "欢迎光临")

        done(step)
        if short:
            exit_program(desk, prog, main)
            return
        step = "carve out: set the origin"
        carve_origin(desk, prog)

        done(step)
        step = "screen grab: Escape"
        activate(desk, main)
        keys(desk, main, "alt+o", "s")
        poll("the main window hides for the grab", lambda: (prog.check_alive(step) or not desk.viewable(main)))
        poll("the grab covers the screen", lambda: (prog.check_alive(step) or screen_cover(desk)))
        keys(desk, main, "Escape")
        poll("the grab ends", lambda: (prog.check_alive(step) or not screen_cover(desk)))
        poll("the main window comes back", lambda: desk.viewable(main))
        idle(prog)

        done(step)
        step = "cut out"
        steps(["key --clearmodifiers alt+o", "key --clearmodifiers d"], drag(main, cx - 500, cy - 280, cx + 500, cy + 300),
              tool(main, "go"))
        cut = poll("the cut window shows", lambda: (prog.check_alive(step) or desk.windows("^CutOut")))[0]
        poll("the main window hides", lambda: not desk.viewable(main))
        activate(desk, cut)
        # The cutter bar's Output button; the port "File" asks for the file.
        desk.script([f"mousemove --window {cut} 842 15", "click 1"])
        file_dialog(desk, prog, "Save As", prog.plt)
        poll("the cut file holds HPGL", lambda: (prog.check_alive(step) or
                                                 (os.path.exists(prog.plt) and b"PD" in open(prog.plt, "rb").read())))

        idle(prog)  # the job ends
        done(step)
        step = "exit the cut window"
        desk.script([f"mousemove --window {cut} 887 15", "click 1"])
        poll("the cut window closes", lambda: (prog.check_alive(step) or not desk.windows("^CutOut")))
        poll("the main window comes back", lambda: desk.viewable(main))
        poll("the main title names the document", lambda: "saved.t98" in desk.title(main))
        expect_fills_work_area(desk, main, "the main window fills the work area again")

        done(step)
        step = "import the cut file"
        activate(desk, main)
        keys(desk, main, "alt+f", "i")
        file_dialog(desk, prog, "File Importing...", prog.plt)
        idle(prog)
        activate(desk, main)
        keys(desk, main, "alt+f", "s")
        poll("the import is saved", lambda: (prog.check_alive(step) or object_count(saved) > n))

        done(step)
        step = "tool-bar click, then Ctrl+A"
        select_all_after_tool_click(desk, prog, main, saved)

        done(step)
        step = "print preview, then Escape"
        preview_and_back(desk, prog, main)

        done(step)
        step = "exit"
        exit_with_save_question(desk, prog, main, saved, (cx + 150, cy - 250))
    except Failed as e:
        raise Failed(f"step \"{step}\": {e}")


# ---- typing Chinese through an input method

def pinyin_missing():
    """What the pinyin step lacks (fcitx5 with its pinyin and its Qt 6 module, a
    D-Bus daemon for a private session); empty when it can run."""
    lacks = [t for t in ("fcitx5", "fcitx5-remote", "dbus-daemon") if not shutil.which(t)]
    if not any(os.path.exists(os.path.join(d, "fcitx5/addon/pinyin.conf")) for d in ("/usr/share", "/usr/local/share")):
        lacks.append("fcitx5 pinyin")
    plugin = "platforminputcontexts/libfcitx5platforminputcontextplugin.so"
    roots = ["/usr/lib/x86_64-linux-gnu/qt6/plugins", "/usr/lib/qt6/plugins", "/usr/lib64/qt6/plugins"]
    if not any(os.path.exists(os.path.join(r, plugin)) for r in roots):
        lacks.append("fcitx5's Qt 6 module")
    return lacks


def start_pinyin(desk, work):
    """A private session bus and fcitx5 on it with pinyin after the US keyboard
    (Ctrl+Space switches); the program started after it composes through it."""
    conf = os.path.join(desk.env["XDG_CONFIG_HOME"], "fcitx5")
    os.makedirs(conf, exist_ok=True)
    with open(os.path.join(conf, "profile"), "w") as f:
        f.write("[Groups/0]\nName=Default\nDefault Layout=us\nDefaultIM=pinyin\n\n"
                "[Groups/0/Items/0]\nName=keyboard-us\nLayout=\n\n"
                "[Groups/0/Items/1]\nName=pinyin\nLayout=\n\n[GroupOrder]\n0=Default\n")
    bus = os.path.join(work, "bus")
    dbus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--nopidfile", f"--address=unix:path={bus}"],
                            env=desk.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=open(os.path.join(desk.out, "dbus.log"), "w"))
    desk.procs.append(dbus)
    poll("the session bus runs", lambda: os.path.exists(bus))
    desk.env.update({"DBUS_SESSION_BUS_ADDRESS": f"unix:path={bus}", "QT_IM_MODULE": "fcitx",
                     "XMODIFIERS": "@im=fcitx"})
    fcitx = subprocess.Popen(["fcitx5", "--disable=wayland,waylandim,kimpanel,notificationitem,clipboard"],
                             env=desk.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=open(os.path.join(desk.out, "fcitx5.log"), "w"))
    desk.procs.append(fcitx)
    # Its state (0 while no program has the keyboard) once it answers.
    poll("the input method runs", lambda: desk.run(["fcitx5-remote"], check=False).strip().isdigit(),
         timeout=STEP_TIMEOUT * 3)


def ink_box(before, after, x0, y0, x1, y1):
    """The box of the pixels that changed between two pictures of a window; None
    when none did."""
    xs, ys = [], []
    for y in range(max(0, y0), min(after.height, y1)):
        for x in range(max(0, x0), min(after.width, x1)):
            if before.pixel(x, y) != after.pixel(x, y):
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs) + 1, max(ys) + 1) if xs else None


def gb_chars(path):
    """The double-byte codes of the characters of the GB slot (134) in a design file."""
    return [code for code, _ in gb_faces(path)]


def gb_faces(path):
    """The characters of the GB slot (134) in a design file with the names of their
    faces: the record's font (u16 at +69) in its source's name list (40 bytes a
    name) of the document's font table; None for a font the table lacks."""
    with open(path, "rb") as f:
        data = f.read()
    lists = {}
    try:  # a file being written may end early
        table = struct.unpack_from("<I", data, 24)[0]  # directory entry 2
        size = struct.unpack_from("<I", data, table)[0]
        for k in range(size // 14):
            length, lang, kind, width, at = struct.unpack_from("<IBBII", data, table + 4 + 14 * k)
            if width:
                lists[(lang, kind)] = [data[at + i:at + i + width].split(b"\0")[0].decode("gbk", "replace")
                                       for i in range(0, length - width + 1, width)]
    except struct.error:
        pass
    out, at = [], data.find(bytes([18, 75, 0, 0, 0]))
    while at >= 0:
        if at + 75 <= len(data) and data[at + 5] == 134:
            code = struct.unpack_from("<H", data, at + 27)[0]
            font = struct.unpack_from("<H", data, at + 69)[0]
            names = lists.get((134, data[at + 6] & 0x0F), [])
            out.append((code, names[font] if font < len(names) and names[font] else None))
        at = data.find(bytes([18, 75, 0, 0, 0]), at + 1)
    return out


def chinese_in_the_bar(desk, prog, main, at):
    """Text tool, 简体中文 chosen in the text bar's language box, 欢迎光临 typed on the
    page: the bar keeps the slot and a face of it for the typed text."""
    # The language box, first of the text bar beside the tool column; 简体中文 is its first slot.
    desk.script(tool(main, "text") + [f"mousemove --window {main} {86 * SCALE} {52 * SCALE}", "click 1"])
    idle(prog)
    keys(desk, main, "Home", "Return")
    idle(prog)
    x, y = at
    desk.script([f"mousemove --window {main} {x} {y}", "click 1"])
    idle(prog)
    desk.script(["type --delay 60 欢迎光临"])
    idle(prog)
    desk.script(tool(main, "select"))
    idle(prog)


def expect_gb_text(path, text):
    """The file holds the text's characters in the GB slot, each in a face of the slot."""
    want = [struct.unpack(">H", text.encode("gbk")[i:i + 2])[0] for i in range(0, len(text.encode("gbk")), 2)]
    chars = gb_faces(path)
    codes = [c for c, _ in chars]
    found = next((i for i in range(len(codes)) if codes[i:i + len(want)] == want), None)
    if found is None:
        raise Failed(f"the saved file holds GB {' '.join(f'{c:04X}' for c in codes)}, not {text}")
    faces = {face for _, face in chars[found:found + len(want)]}
    if None in faces or len(faces) != 1:
        raise Failed(f"{text} is saved in the faces {faces}, not in one face of the GB slot")


def pinyin_road(desk, prog, out):
    """With the text tool on the page: Ctrl+Space, "nihao" shows where the text is
    typed, the candidates open beside it, Space puts 你好 in, saved as GB C4E3 BAC3."""
    step = "start"
    try:
        main = prog.wait_main()
        idle(prog)
        activate(desk, main)
        w, h = main_area(desk, main)
        cx, cy = w // 2, h // 2

        step = "text tool on the page"
        x0, y0 = cx - 200, cy + 60
        desk.script(tool(main, "text") + [f"mousemove --window {main} {x0} {y0}", "click 1",
                                          f"mousemove --window {main} {cx + 300} {cy + 250}"])
        idle(prog)
        before = desk.window_pixels(main)

        step = "compose nihao"
        keys(desk, main, "ctrl+space")
        poll("pinyin is on", lambda: desk.run(["fcitx5-remote"], check=False).strip() == "2")
        desk.script(["type --delay 80 nihao"])
        idle(prog)

        def candidates():
            for wid in desk.windows_of_class("fcitx"):
                try:
                    x, y, cw, ch = desk.placement(wid)
                except Failed:
                    continue
                if cw > 20 and ch > 10:
                    return x, y, cw, ch
            return None

        cand = poll("the candidate window shows", candidates)
        mx, my, _, _ = desk.placement(main)
        top, left = cand[1] - my, cand[0] - mx

        # What changed above the candidates (a picture of the window holds the windows over it).
        def composed():
            below = top if top > y0 else cy + 300
            box = ink_box(before, desk.window_pixels(main), x0 - 60, y0 - 120, x0 + 600, below)
            return box if box and box[2] - box[0] > 20 else None

        box = poll("the composition shows", composed)
        if not (x0 - 20 <= box[0] <= x0 + 20 and box[1] <= y0 + 40 and box[3] >= y0 - 40):
            raise Failed(f"the composition shows at {box}, not at the caret by ({x0}, {y0})")

        step = "candidates beside the composition"
        line = box[3] - box[1]
        if not (box[1] - cand[3] - line <= top <= box[3] + line and box[0] - line <= left <= box[2]):
            raise Failed(f"the candidates open at ({left}, {top}) of the window, not beside the composition {box}")

        step = "choose 你好"
        keys(desk, main, "space")
        idle(prog)
        poll("the candidates close", lambda: not candidates())
        desk.script(tool(main, "select"))
        idle(prog)

        step = "save"
        first = gb_chars(prog.doc)
        keys(desk, main, "ctrl+space")
        poll("pinyin is off", lambda: desk.run(["fcitx5-remote"], check=False).strip() == "1")
        desk.script([f"mousemove --window {main} 56 29", "click 1"])  # the tool bar's Save
        poll("the file is written", lambda: gb_chars(prog.doc) != first)
        codes = gb_chars(prog.doc)
        if (0xC4E3, 0xBAC3) not in zip(codes, codes[1:]) or (0xC4E3, 0xBAC3) in zip(first, first[1:]):
            raise Failed(f"the saved text holds GB {' '.join(f'{c:04X}' for c in codes)}, not C4E3 BAC3")
    except Failed as e:
        raise Failed(f"step \"{step}\": {e}")


def exit_program(desk, prog, main):
    keys(desk, main, "alt+f", "x")
    expect_clean_end(prog)


# ---- random input

KEYS = (list("abcdefghijklmnopqrstuvwxyz0123456789") +
        ["Escape", "Return", "Delete", "Left", "Right", "Up", "Down",
         "ctrl+z", "ctrl+x", "ctrl+c", "ctrl+v", "ctrl+a",
         "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F11", "F12"])


RANDOM_TOOLS = ["select", "text", "node", "line", "rectangle", "circle", "polygon", "polyline", "bezier", "star"]


def random_actions(seed, count, w, h):
    rnd = random.Random(seed)
    acts = []
    for _ in range(count):
        kind = rnd.random()
        x, y = rnd.randint(w // 8, w * 7 // 8), rnd.randint(h // 5, h * 7 // 8)
        if kind < 0.30:
            acts.append(f"click {x} {y}")
        elif kind < 0.45:
            acts.append(f"drag {x} {y} {rnd.randint(w // 8, w * 7 // 8)} {rnd.randint(h // 5, h * 7 // 8)}")
        elif kind < 0.55:
            acts.append(f"tool {rnd.choice(RANDOM_TOOLS)}")
        else:
            acts.append(f"key {rnd.choice(KEYS)}")
    return acts


def action_lines(act, wid, w):
    part = act.split()
    if part[0] == "click":
        return [f"mousemove --window {wid} {part[1]} {part[2]}", "click 1"]
    if part[0] == "drag":
        return drag(wid, *map(int, part[1:5]))
    if part[0] == "tool":
        return tool(wid, part[1])
    return [f"key --clearmodifiers {part[1]}"]


def idle(prog):
    """Waits until the program has used no processor time for a moment."""
    stat = f"/proc/{prog.proc.pid}/stat"

    def ticks():
        with open(stat) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])

    last = [ticks(), time.monotonic()]

    def settled():
        prog.check_alive("the program settles")
        t = ticks()
        if t != last[0]:
            last[0], last[1] = t, time.monotonic()
            return False
        return time.monotonic() - last[1] > 0.4

    poll("the program settles", settled, timeout=STEP_TIMEOUT * 3)


def scan_and_escape(desk, prog):
    """Output > Scan on the scanner library's test backend, then Escape: the dialog
    opens the scanner library and closes it again."""
    step = "scan, then Escape"
    main = prog.main
    activate(desk, main)
    # "Set Out Area" shares the letter: the first item it marks is Scan.
    keys(desk, main, "alt+o", "r", "Return")
    dlg = poll("the \"Scan\" dialog shows", lambda: (prog.check_alive(step) or desk.windows("^Scan$")),
               timeout=STEP_TIMEOUT * 3)[0]
    activate(desk, dlg)
    keys(desk, dlg, "Escape")
    poll("the \"Scan\" dialog closes", lambda: (prog.check_alive(step) or not desk.windows("^Scan$")))
    idle(prog)


def exit_after_random(desk, prog):
    """Closes what the random input left open (Escape), then File > Exit without
    saving; the end includes the leak check."""
    main = prog.main
    for _ in range(8):
        others = [wid for wid in desk.windows_of_class("^Tindrel$") if wid != main and desk.viewable(wid)]
        if not others:
            break
        activate(desk, others[-1])
        keys(desk, others[-1], "Escape")
        idle(prog)
    activate(desk, main)
    keys(desk, main, "Escape", "alt+f", "x")

    def ended_or_asked():
        if prog.proc.poll() is not None:
            return "ended"
        prog.check_alive("exit")
        return "asked" if desk.windows("^Tindrel$") else None

    if poll("the program ends or asks to save", ended_or_asked, timeout=STEP_TIMEOUT * 3) == "asked":
        box = desk.windows("^Tindrel$")[0]
        activate(desk, box)
        keys(desk, box, "n")
    expect_clean_end(prog)


def random_run(desk, prog, acts, out):
    main = prog.wait_main()
    for _ in range(2):
        scan_and_escape(desk, prog)
    activate(desk, main)
    w, h = main_area(desk, main)
    done = 0
    try:
        for start in range(0, len(acts), 50):
            chunk = acts[start:start + 50]
            lines = []
            for a in chunk:
                lines += action_lines(a, main, w)
            desk.script(lines)
            done = start + len(chunk)
            prog.check_alive("random input")
        idle(prog)
        prog.check_alive("random input")
    except Failed as e:
        raise Failed(f"random input, within actions {max(0, done - 50)}..{done}: {e}")
    exit_after_random(desk, prog)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("bin_dir")
    ap.add_argument("sample")
    ap.add_argument("out_dir")
    ap.add_argument("--random", type=int, default=0)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--replay")
    ap.add_argument("--pinyin", action="store_true", help="type Chinese through fcitx5's pinyin")
    ap.add_argument("--scale", type=int, default=1,
                    help="the screen's device pixel ratio; the road draws, letters, saves and exits")
    a = ap.parse_args()
    if a.pinyin and pinyin_missing():
        print(f"pinyin: skipped, missing {', '.join(pinyin_missing())} (scripts/deps.sh test installs them)")
        return 77
    global SCALE
    SCALE = a.scale
    a.bin_dir, a.sample, a.out_dir = map(os.path.abspath, (a.bin_dir, a.sample, a.out_dir))
    os.makedirs(a.out_dir, exist_ok=True)
    lsan = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp")
    work = tempfile.mkdtemp(prefix="road-", dir=a.out_dir)
    desk = Desktop(a.out_dir)
    prog = None
    name = "random" if (a.random or a.replay) else "pinyin" if a.pinyin else "road"
    started = time.monotonic()
    try:
        if name == "road" and SCALE == 1:
            start_beside_window_manager(a.bin_dir, a.sample, a.out_dir, lsan)
        desk.start(work)
        if a.pinyin:
            start_pinyin(desk, work)
        prog = Program(desk, a.bin_dir, work, a.sample, lsan)
        if a.pinyin:
            pinyin_road(desk, prog, a.out_dir)
        elif a.random or a.replay:
            if a.replay:
                with open(a.replay) as f:
                    acts = [line.strip() for line in f if line.strip()]
            else:
                main_id = prog.wait_main()
                w, h = main_area(desk, main_id)
                acts = random_actions(a.seed, a.random, w, h)
            with open(os.path.join(a.out_dir, "random-actions.txt"), "w") as f:
                f.write("\n".join(acts) + "\n")
            random_run(desk, prog, acts, a.out_dir)
        else:
            road(desk, prog, a.out_dir, short=SCALE != 1)
    except Failed as e:
        shot = desk.screenshot(f"{name}-failed")
        print(f"FAILED: {e}", file=sys.stderr)
        if shot:
            print(f"screen: {shot}", file=sys.stderr)
        if name == "random":
            print(f"actions: {os.path.join(a.out_dir, 'random-actions.txt')} "
                  f"(replay with --replay)", file=sys.stderr)
        if prog:
            prog.stop()
            print(f"program output: {os.path.join(work, 'program.log')}", file=sys.stderr)
        desk.stop()
        return 1
    finally:
        if prog:
            prog.stop()
        desk.stop()
    print(f"{name}: passed in {time.monotonic() - started:.1f} s")
    shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
