"""The timeline editor end to end, with WebDriver on both windows: opened from the main page (a
second open brings the same window forward), a load, edits and a save that the main window shows,
the refusals for a macro changed outside and for a save while playing, the question before closing
with unsaved edits, and the editor following the main program when that closes."""
import ctypes
import ctypes.util
import json
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from velotap_e2e import Session, free_port, wait_for  # noqa: E402

EDITOR = "Velotap - Timeline Editor"
# The current profile "Farm": a press and release of A, a move, and a last move at 30 s so that
# playback lasts while the test saves.
SESSION = ("SETTINGS:0,0,0,9,0,0,1,10,0,0,0,1,1,1,1,0,1.5,0,500,119,65,0,117,0,0,0,5,1,10,120,66,"
           "66|67,1,0,0,121\r\nCURRENT:1\r\nPROFILE:Default Tracking Profile\r\nPROFILE:Farm\r\n"
           "3,0.5,0,0,0,65,1,0\r\n3,0.75,0,0,0,65,0,0\r\n0,1.25,40,50,0,0,0,0\r\n"
           "0,30,41,51,0,0,0,0\r\n")


class Editor:
    """A second WebDriver connected to the editor process's own inspector address."""

    def __init__(self, session, port, load_timeout=20.0):
        self.s = session
        self.port = free_port()
        self.proc = subprocess.Popen(
            ["WebKitWebDriver", f"--port={self.port}", f"--target=127.0.0.1:{port}"],
            env=session.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.base = f"http://127.0.0.1:{self.port}"
        driver = Session.__new__(Session)
        driver.base = self.base
        self.d = driver
        wait_for(lambda: driver._driver_up(), what="the editor's WebDriver")
        driver.sid = wait_for(lambda: self._connect(), what="the editor's session")
        wait_for(lambda: self.script("return !!(window.tlApp && tlApp.loadNonce)"),
                 timeout=load_timeout, what="the editor's first load")

    def _connect(self):
        try:
            return self.d.wd("POST", "/session", {"capabilities": {}}, timeout=20)["sessionId"]
        except (AssertionError, OSError):
            return None

    def script(self, source, *args):
        return self.d.script(source, *args)

    def call(self, name, *args):
        return self.d.call(name, *args)

    def message(self):
        return self.script("return document.getElementById('message').hidden ? '' : "
                           "document.getElementById('message-text').textContent")

    def save(self):
        self.script("document.getElementById('message').hidden = true;"
                    "document.getElementById('tl-save').click()")
        return wait_for(self.message, what="the save's message")

    def close(self):
        self.proc.kill()
        self.proc.wait()


def send_close_request(display, title):
    """Asks the window to close as a window manager does (WM_DELETE_WINDOW)."""
    out = subprocess.run(["xdotool", "search", "--name", f"^{title}$"], capture_output=True,
                         text=True, env={**os.environ, "DISPLAY": display}).stdout.split()
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x11.XOpenDisplay(display.encode())
    protocols = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
    delete = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
    for window in out:
        # XClientMessageEvent: type, serial, send_event, display, window, message_type, format,
        # then five longs.
        event = (ctypes.c_long * 24)()
        event[0] = 33  # ClientMessage
        event[4] = int(window)
        event[5] = protocols
        event[6] = 32
        event[7] = delete
        x11.XSendEvent(dpy, int(window), 0, 0, ctypes.byref(event))
    x11.XFlush(dpy)
    x11.XCloseDisplay(dpy)


class TimelineEditorTest(unittest.TestCase):
    def setUp(self):
        self.s = Session()
        os.makedirs(os.path.dirname(self.s.data_file("session.dat")))
        with open(self.s.data_file("session.dat"), "wb") as f:
            f.write(SESSION.encode())
        self.editor_port = free_port()
        self.s.env["VELOTAP_EDITOR_INSPECTOR_SERVER"] = f"127.0.0.1:{self.editor_port}"
        self.s.start_driven_app()
        self.editor = None

    def tearDown(self):
        if self.editor:
            self.editor.close()
        self.s.close()

    def editor_pids(self):
        pids = []
        for pid in self.s.app_pids():
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    if b"--timeline" in f.read().split(b"\0"):
                        pids.append(pid)
            except OSError:
                pass
        return pids

    def open_editor(self):
        self.s.call("switchProfile", "1")
        self.s.click(self.s.find("#openTimeline"))
        wait_for(lambda: self.s.windows_titled(EDITOR), what="the editor's window")
        self.editor = Editor(self.s, self.editor_port)

    def test_edit_save_and_every_refusal(self):
        self.open_editor()
        first = self.editor_pids()
        self.assertEqual(len(first), 1)
        # A second open brings the same editor forward.
        self.s.click(self.s.find("#openTimeline"))
        self.s.call("openTimelineEditor")
        self.assertEqual(self.editor_pids(), first)
        self.assertEqual(len(self.s.windows_titled(EDITOR)), 1)

        e = self.editor
        self.assertEqual(e.script("return [tlApp.model.count, tlApp.profile, "
                                  "tlApp.view.keyName(65)]"), [4, "Farm", "A"])
        # Delete the release of A and move the first move half a second later, then save.
        e.script("const m = tlApp.model; m.select(1); tlRefresh(); document.getElementById('tl-delete').click();"
                 "m.selectNone(); m.select(1); m.moveSelected(0.5); tlEdited();")
        self.assertEqual(e.call("tlGetAutomation"), False)
        self.assertEqual(e.save(), 'Saved 3 events to "Farm".')
        wait_for(lambda: len(self.s.call("getMacroEvents")) == 3, what="the main list")
        self.assertEqual([round(ev["time"], 3) for ev in self.s.call("getMacroEvents")],
                         [0.5, 1.75, 30.0])
        self.assertFalse(e.script("return tlApp.dirty"))

        # Saved twice from one load; then an edit in the main window refuses the next save.
        e.script("tlApp.model.selectAll(); tlApp.model.moveSelected(0.25); tlEdited();")
        self.assertEqual(e.save(), 'Saved 3 events to "Farm".')
        self.s.call("deleteEvent", "0")
        e.script("tlApp.model.selectNone(); tlApp.model.select(0); tlApp.model.moveSelected(1);"
                 "tlEdited();")
        self.assertEqual(e.save(), "Not saved: the macro was changed outside the editor since "
                                   "it was loaded (recorded, imported or edited). Revert loads "
                                   "the current version.")

        # Revert with its first request lost on the way, then play: the editor is locked with its
        # reason, and a save is refused.
        e.script("const send = window.tlRequestLoad;"
                 "window.tlRequestLoad = () => { window.tlRequestLoad = send; return null; };"
                 "tlApp.dirty = false; document.getElementById('tl-revert').click()")
        wait_for(lambda: e.script("return tlApp.loadNonce && tlApp.model.count === 2"),
                 what="the reload")
        self.s.call("startPlayback")
        wait_for(lambda: e.script("return !document.getElementById('busy').hidden"),
                 what="the busy banner")
        self.assertTrue(e.script("return document.getElementById('tl-save').disabled"))
        doc = e.script("return tlApp.model.document('c0ffee', tlApp.loadNonce)")
        self.assertEqual(e.call("tlSave", doc), {"ok": True, "message": ""})
        self.assertEqual(wait_for(lambda: e.call("tlReadResult", "c0ffee"), what="the result"), {
            "ok": False, "message": "Not saved: Velotap is playing. Stop it first, then save again."})
        self.s.call("stopPlayback")
        wait_for(lambda: e.script("return document.getElementById('busy').hidden"),
                 what="the lock to go")

        # Closing with unsaved edits asks first and keeps the window; Discard closes it.
        e.script("tlApp.model.selectAll(); tlRefresh(); document.getElementById('tl-delete').click()")
        send_close_request(self.s.env["DISPLAY"], EDITOR)
        wait_for(lambda: e.script("return document.getElementById('ask').open"),
                 what="the question")
        self.assertTrue(self.s.windows_titled(EDITOR))
        # The window may be gone before WebDriver has the script's reply; what counts is that the
        # editor closes.
        try:
            e.script("document.getElementById('ask-discard').click()")
        except AssertionError:
            pass
        wait_for(lambda: not self.editor_pids(), what="the editor to close")
        with open(self.s.data_file("timeline-window.txt")) as f:
            self.assertRegex(f.read(), r"^\d+ \d+$")

    def test_the_editor_follows_the_main_program(self):
        # A theme that only the editor's own scan at its start can know of.
        os.makedirs(self.s.data_file("themes"), exist_ok=True)
        with open(self.s.data_file("themes/Dusk.vtptheme"), "w") as f:
            f.write(json.dumps({"name": "Dusk", "bgMain": "#102030", "bgPanel": "#304050",
                                "bgHeader": "#405060", "accent": "#4060f0",
                                "accentHover": "#5070ff", "text": "#f0f0f0",
                                "font": "'Segoe UI', Tahoma, Geneva, Verdana, sans-serif"}))
        self.s.call("setTheme", "Dusk")
        self.open_editor()
        wait_for(lambda: self.editor.script(
            "return getComputedStyle(document.documentElement).getPropertyValue('--bg-main')"
            ".trim() === '#102030'"), what="the editor's theme")
        self.s.close_driven_app()
        # A clean editor closes itself once it sees the main window gone.
        wait_for(lambda: not self.s.windows_titled(EDITOR), timeout=30,
                 what="the editor to close itself")


if __name__ == "__main__":
    unittest.main()
