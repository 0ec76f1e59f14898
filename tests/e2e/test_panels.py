"""Pop-out panels end to end: a panel pops out of the page into its own process and window,
forwards what the user does in it to the main process, follows the pointer when its header is
dragged, docks back when dropped on the main window, and ends with the main window. Input in the
panel is physical (Xvfb's own devices), as a user's would be."""
import os
import signal
import socket
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from velotap_e2e import Session, device_ids, wait_for  # noqa: E402

CLICK_PANEL = "Velotap - Click spammer"


class PanelTest(unittest.TestCase):
    def setUp(self):
        self.s = Session()
        self.s.start_driven_app()
        ids = device_ids(self.s.env["DISPLAY"])
        self.keyboard, self.mouse = ids["Xvfb keyboard"], ids["Xvfb mouse"]

    def tearDown(self):
        self.pointer("mouseup 1")
        self.s.close()

    def pointer(self, *commands):
        self.s.x("xte", "-i", str(self.mouse), *commands)

    def keys(self, *commands):
        self.s.x("xte", "-i", str(self.keyboard), *commands)

    def status(self):
        return self.s.call("getTrackerStatus")

    def offset_in_panel(self, panel, css):
        """Where an element's middle lies from its panel's top-right corner in the main page; the
        panel's window shows the same rows, right-aligned."""
        return self.s.script(
            "const p = document.getElementById(arguments[0]).getBoundingClientRect();"
            "const e = document.querySelector(arguments[1]).getBoundingClientRect();"
            "return [p.right - (e.left + e.width / 2), e.top + e.height / 2 - p.top];",
            panel, css)

    @staticmethod
    def at(window, offset):
        x, y, w, _ = window
        return int(x + w - offset[0]), int(y + offset[1])

    def shown_in_main(self, panel):
        return self.s.script("return getComputedStyle(document.getElementById(arguments[0]))"
                             ".display !== 'none'", panel)

    def pop_out(self, panel, title):
        self.s.click(self.s.find(f"#{panel} .panel-btn.popout"))
        wait_for(lambda: self.s.windows_titled(title), what=title)
        wait_for(lambda: panel in self.status()["restore"], what=f"{panel} in restore")
        wait_for(lambda: not self.shown_in_main(panel), what=f"{panel} hidden in the main page")
        # The panel's page, once it has turned into the one panel, asks for the height it needs.
        wait_for(lambda: self.s.window_geometry(title)[3] != 400, what=f"{title}'s page")
        # It opens where the pop-out button was, over the main window, which WebDriver raises
        # whenever it acts on the page; set beside it, as a user would, so both stay reachable.
        main = self.s.window_geometry()
        beside = (main[0] + main[2] + 20, main[1] + 20)
        window = self.s.x("xdotool", "search", "--name", title).stdout.split()[0]
        self.s.x("xdotool", "windowmove", "--sync", window, *map(str, beside))
        wait_for(lambda: self.s.window_geometry(title)[:2] == beside, what=f"{title} beside")
        return self.s.window_geometry(title)

    @staticmethod
    def until(action, condition, what, attempts=5):
        """Does `action` until `condition` follows; a page that is still starting may miss the
        first attempt (its first poll can rewrite a field being typed in)."""
        for _ in range(attempts):
            action()
            try:
                return wait_for(condition, timeout=5, what=what)
            except AssertionError:
                pass
        raise AssertionError(f"{what} never followed")

    def press_header(self, title):
        """Presses the left button on the panel's header and moves a little until the panel's
        window follows: from then on the panel holds the pointer."""
        x, y, _, _ = self.s.window_geometry(title)
        start = (x + 100, y + 15)
        self.pointer("mousemove %d %d" % start, "mousedown 1")
        step = [0]

        def follows():
            step[0] += 3
            self.pointer("mousemove %d %d" % (start[0] + step[0], start[1] + step[0]))
            return self.s.window_geometry(title)[:2] != (x, y)

        wait_for(follows, what=f"{title} to follow the pointer")

    def move_until(self, to, condition, what):
        """Moves the held pointer towards `to` (a pixel further each time) until `condition`."""
        offset = [0]

        def reached():
            self.pointer("mousemove %d %d" % (to[0] + offset[0], to[1]))
            offset[0] = (offset[0] + 1) % 4
            return condition()

        wait_for(reached, what=what)

    def foreign_command(self, message):
        """What any other program of this user could send to the main process's socket."""
        path = os.path.join(self.s.env["XDG_RUNTIME_DIR"], "Velotap", "TapwireIPC")
        with socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET) as client:
            client.connect(path)
            try:
                client.send(message.encode())
            except OSError:
                pass  # refused so quickly that the connection is already gone

    def test_a_panel_forwards_commands_and_docks_back_when_dropped_on_the_main_window(self):
        s = self.s
        field = self.offset_in_panel("panel-spammer", "#sms")
        start = self.offset_in_panel("panel-spammer", "#spammerToggle")
        main = s.window_geometry()
        panel = self.pop_out("panel-spammer", CLICK_PANEL)
        self.assertEqual(panel[2], 450)  # the width of a panel window; its page sets the height
        s.x("xdotool", "windowfocus", "--sync",
            s.x("xdotool", "search", "--name", CLICK_PANEL).stdout.split()[0])

        # Another program's command is refused; the panel's, sent after it, is what arrives.
        self.foreign_command("setHoldMode|auto,1")
        self.until(lambda: (
            self.pointer("mousemove %d %d" % self.at(panel, field), "mouseclick 1"),
            self.keys("keydown Control_L", "key a", "keyup Control_L", "str 250", "key Tab")),
            lambda: s.call("getSettings")["sms"] == 250, what="the panel's interval")
        self.assertEqual(s.call("getSettings")["holdAuto"], 0)

        # Start from the panel; the pointer leaves at once, so the clicks land on nothing.
        # A click that lands while the panel's page redraws the row is lost; the next one starts it.
        self.until(lambda: self.pointer("mousemove %d %d" % self.at(panel, start), "mouseclick 1",
                                        "mousemove 1270 1010"),
                   lambda: self.status()["autoClicking"], what="the spammer started in the panel")
        s.call("stopSpammer")
        wait_for(lambda: not self.status()["autoClicking"], what="the spammer to stop")

        # Dropped beside the main window, the panel stays where it was dropped.
        self.press_header(CLICK_PANEL)
        beside = (main[0] + main[2] + 200, main[1] + 300)
        self.move_until(beside, lambda: not s.call("getTrackerStatus")["panelHover"] and
                        s.window_geometry(CLICK_PANEL)[0] > main[0] + main[2],
                        what="the panel beside the main window")
        self.pointer("mouseup 1")
        moved = s.window_geometry(CLICK_PANEL)
        self.assertEqual(self.status()["restore"], ["panel-spammer"])

        # Dropped on the main window, it closes and its panel returns to the main page.
        self.press_header(CLICK_PANEL)
        self.move_until((main[0] + main[2] // 2, main[1] + main[3] // 2),
                        lambda: self.status()["panelHover"], what="the pointer over the main window")
        self.pointer("mouseup 1")
        wait_for(lambda: not s.windows_titled(CLICK_PANEL), what="the docked panel to close")
        wait_for(lambda: self.status()["restore"] == [], what="restore to empty")
        self.assertFalse(self.status()["panelHover"])
        wait_for(lambda: self.shown_in_main("panel-spammer"), what="the panel back in the page")
        self.assertNotEqual(moved[:2], panel[:2])

    def test_ended_panels_leave_the_status_and_every_panel_ends_with_the_main_window(self):
        s = self.s
        main = s.window_geometry()
        self.pop_out("panel-tracker", "Velotap - Recorder and player")
        self.pop_out("panel-keyspam", "Velotap - Key spammer")
        self.assertEqual(self.status()["restore"], ["panel-keyspam", "panel-tracker"])

        # Killed while dragged over the main window, the panel never says it left.
        self.press_header("Velotap - Key spammer")
        self.move_until((main[0] + main[2] // 2, main[1] + main[3] // 2),
                        lambda: self.status()["panelHover"], what="the pointer over the main window")
        pid = s.x("xdotool", "search", "--name", "Velotap - Key spammer", "getwindowpid").stdout
        os.kill(int(pid), signal.SIGKILL)
        self.pointer("mouseup 1")
        wait_for(lambda: self.status()["restore"] == ["panel-tracker"], what="the killed panel gone")
        self.assertFalse(self.status()["panelHover"])

        # Closing the main window ends the panel that is left (no process of the session remains).
        self.assertEqual(len(s.app_pids()), 2)
        s.close_driven_app()
        self.assertFalse(s.windows_titled("Velotap - Recorder and player"))


if __name__ == "__main__":
    unittest.main()
