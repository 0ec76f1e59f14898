"""The page in the real program: panel layout that survives a restart, warnings, keyboard use, the
timing meter, and screenshots of the main window for review."""
import os
import struct
import sys
import unittest
import zlib

sys.path.insert(0, os.path.dirname(__file__))
from velotap_e2e import APP, Session, wait_for  # noqa: E402

TAB, SPACE = "\ue004", "\ue00d"


def png_summary(path):
    """Width, height and the number of distinct byte values of a PNG's scan lines."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat, size = 8, b"", (0, 0)
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            size = struct.unpack(">II", body[:8])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    return size[0], size[1], len(set(zlib.decompress(idat)))


class PageTest(unittest.TestCase):
    def setUp(self):
        self.s = Session()
        self.s.start_driven_app()
        # The spammer's clicks land where no window is.
        self.s.x("xdotool", "mousemove", "1000", "800")

    def tearDown(self):
        self.s.close()

    def restart(self):
        self.s.close_driven_app()
        self.s.start_driven_app()

    def order(self):
        return self.s.script("return [...document.querySelectorAll('#dashboard > .panel')]"
                             ".map(p => p.id)")

    def resize(self, width, height):
        self.s.call("resizeWindow", width, height)
        wait_for(lambda: self.s.script("return [innerWidth, innerHeight]") == [width, height],
                 what=f"the page at {width}x{height}")

    def clicking(self):
        return self.s.call("getTrackerStatus")["autoClicking"]

    def test_panel_order_and_collapse_survive_a_restart(self):
        self.resize(1280, 900)  # every panel in view
        first = self.order()[0]
        self.s.drag(self.s.find("#panel-ui .panel-header h2"),
                    self.s.find(f"#{first} .panel-header h2"))
        wait_for(lambda: self.s.call("getAppSettings")["panelOrder"][:1] == ["panel-ui"],
                 what="the dragged order saved")
        dragged = self.order()
        self.assertEqual(dragged[0], "panel-ui")
        self.s.click(self.s.find("#panel-tracker .panel-btn.collapse"))
        wait_for(lambda: self.s.call("getAppSettings")["minimizedPanels"] == ["panel-tracker"],
                 what="the collapsed panel saved")

        self.restart()
        self.assertEqual(self.order(), dragged)
        self.assertTrue(self.s.script(
            "return document.getElementById('panel-tracker').classList.contains('collapsed')"))
        self.assertFalse(self.s.script(
            "return document.getElementById('panel-spammer').classList.contains('collapsed')"))

    def test_warning_shows_once_and_not_after_dont_show_again(self):
        shown = "return document.getElementById('warning').open"
        toggle = lambda: self.s.click(self.s.find("#spammerToggle"))  # noqa: E731

        def start_and_stop(warned, never=False):
            toggle()  # the default interval is 5 ms
            if warned:
                wait_for(lambda: self.s.script(shown), what="the warning")
                if never:
                    self.s.click(self.s.find("#warningNever"))
                self.s.click(self.s.find("#warningGo"))
            wait_for(self.clicking, what="the click spammer to run")
            self.assertFalse(self.s.script(shown))
            toggle()
            wait_for(lambda: not self.clicking(), what="the click spammer to stop")

        start_and_stop(warned=True)
        start_and_stop(warned=False)  # once per session
        self.restart()
        start_and_stop(warned=True, never=True)
        self.assertEqual(self.s.call("getAppSettings")["seenWarnings"], ["clickIntervalUnder10ms"])
        self.restart()
        start_and_stop(warned=False)

    def test_keyboard_reaches_every_control(self):
        controls = self.s.script(
            "window.focusLog = [];"
            "const key = e => e.id || e.getAttribute('aria-label') || e.textContent.trim();"
            "document.addEventListener('focusin', e => focusLog.push(key(e.target)));"
            "return [...document.querySelectorAll('button, input, select, a[href], [tabindex]')]"
            ".filter(e => e.tabIndex >= 0 && !e.disabled && e.getClientRects().length &&"
            "             !e.closest('[hidden], dialog:not([open])')).map(key);")
        self.assertGreater(len(controls), 50)
        self.s.press(*[TAB] * (len(controls) + 1))
        reached = self.s.script("return focusLog")
        self.assertEqual(reached[:len(controls)], controls, "tab order follows the page")
        # A switch is operated from the keyboard too.
        self.s.script("document.getElementById('set-showWarnings').focus()")
        self.s.press(SPACE)
        wait_for(lambda: self.s.call("getAppSettings")["showWarnings"] is False,
                 what="the switch to turn off")

    def test_timing_meter_shows_the_achieved_rate(self):
        self.s.script("const e = document.getElementById('sms'); e.value = '10';"
                      "e.dispatchEvent(new Event('change'));")
        wait_for(lambda: self.s.call("getSettings")["sms"] == 10, what="the 10 ms interval")
        self.s.click(self.s.find("#spammerToggle"))
        wait_for(lambda: self.s.call("getSendTiming")["click"]["samples"] >= 95,
                 what="a second of clicks")
        # The next figure the page shows, measured over a whole second.
        self.s.script("document.getElementById('clickRate').textContent = ''")
        shown = wait_for(lambda: self.s.script(
            "const t = document.getElementById('clickRate').textContent;"
            "return t.endsWith(' /s') && t"), what="the meter")
        self.assertAlmostEqual(float(shown.split()[0]), 100, delta=5)
        self.assertRegex(self.s.script("return document.getElementById('clickP99').textContent"),
                         r"^\d+\.\d\d ms$")
        self.s.click(self.s.find("#spammerToggle"))
        wait_for(lambda: self.s.script("return document.getElementById('clickMeter').hidden"),
                 what="the meter to go with the stop")

    def test_screenshots_of_the_main_window(self):
        folder = os.path.join(os.path.dirname(APP), "screenshots")
        os.makedirs(folder, exist_ok=True)
        for width, height in ((420, 560), (1280, 900)):
            self.resize(width, height)
            self.s.next_frames()
            path = os.path.join(folder, f"main-{width}x{height}.png")
            self.s.screenshot(path)
            w, h, values = png_summary(path)
            self.assertEqual((w, h), (width, height))
            self.assertGreater(values, 32, f"{path} is blank")


if __name__ == "__main__":
    unittest.main()
