"""The click and key spammer end to end: the page's controls drive the real engine, whose input
reaches another X client."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from velotap_e2e import Session, read_until, wait_for  # noqa: E402


class EngineTest(unittest.TestCase):
    def setUp(self):
        self.s = Session()
        self.s.start_driven_app()
        self.xev = self.s.start_event_tester()
        os.set_blocking(self.xev.stdout.fileno(), False)
        self.s.x("xdotool", "mousemove", "1000", "800")
        self.s.x("xdotool", "windowfocus", "--sync",
                 self.s.x("xdotool", "search", "--name", "Event Tester").stdout.split()[0])

    def tearDown(self):
        self.xev.kill()
        self.xev.wait()
        self.xev.stdout.close()
        self.s.close()

    def set_field(self, element_id, value):
        self.s.script(
            "const e = document.getElementById(arguments[0]); e.value = arguments[1];"
            "e.dispatchEvent(new Event('change'));", element_id, value)

    def xev_until(self, done, what):
        return read_until(self.xev.stdout, done, what=what)

    def xev_through_sentinel(self):
        """What the other window shows up to a press and release of x sent after everything."""
        self.s.x("xdotool", "key", "x")
        return self.xev_until(lambda text: text.count("(keysym 0x78, x)") >= 2, "the sentinel")

    @staticmethod
    def starting(lines, kind):
        return [line for line in lines.splitlines() if line.startswith(kind)]

    def test_counted_clicks_from_the_page_reach_another_window(self):
        settings = self.s.call("getSettings")
        self.assertEqual(settings["sms"], 5)
        self.assertEqual(settings["rptMode"], 1)
        # Right button, three times, 20 ms apart, chosen in the page's own controls.
        self.set_field("sms", "20")
        self.set_field("sbtn", "1")
        self.set_field("rptMode", "0")
        self.set_field("rptTimes", "3")
        wait_for(lambda: self.s.call("getSettings")["rptTimes"] == 3, what="the settings")
        settings = self.s.call("getSettings")
        self.assertEqual((settings["sms"], settings["sbtn"], settings["rptMode"]), (20, 1, 0))
        self.s.click(self.s.find("#spammerToggle"))
        lines = self.xev_until(lambda text: text.count("ButtonPress") >= 3, "three clicks")
        # A counted run stops itself; the page reads that from the tracker status.
        wait_for(lambda: self.s.script(
            "return document.getElementById('clickState').textContent") == "Stopped",
            what="the stopped state")
        lines += self.xev_through_sentinel()
        self.assertEqual(len(self.starting(lines, "ButtonPress")), 3, lines)

    def test_key_spammer_presses_its_default_target_until_stopped(self):
        self.s.call("updateKeySpam", "0,0,0,30,1,10")
        self.s.call("setHoldMode", "keyspam,1")
        self.assertEqual(self.s.call("getSettings")["holdKeySpam"], True)
        self.s.call("startKeySpam")
        lines = self.xev_until(lambda text: text.count("KeyPress") >= 5, "five presses")
        self.assertIn("(keysym 0x20, space)", lines)
        self.s.call("stopKeySpam")
        wait_for(lambda: not self.s.call("getTrackerStatus")["keySpamming"], what="the stop")
        self.xev_through_sentinel()  # what was under way when the stop came
        self.assertEqual(len(self.starting(self.xev_through_sentinel(), "KeyPress")), 1,
                         "nothing but the sentinel after the stop")


if __name__ == "__main__":
    unittest.main()
