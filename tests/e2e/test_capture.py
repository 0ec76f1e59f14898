"""Global hotkeys and the recorder end to end: input that is physical to the program (sent through
Xvfb's own keyboard and mouse devices, not the XTEST devices) drives the real program, while an
xev window of another program shows what applications receive."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from velotap_e2e import TITLE, PhysicalInputTest, wait_for  # noqa: E402


class CaptureTest(PhysicalInputTest):
    def test_hotkeys_toggle_hold_and_lock(self):
        self.assertEqual(self.status()["hkAuto"], "F6")
        self.key("key F6")
        wait_for(lambda: self.status()["autoClicking"], what="the click spammer to start")
        self.key("key F6")
        wait_for(lambda: not self.status()["autoClicking"], what="the click spammer to stop")
        seen = self.xev_lines(0.3)
        self.assertNotIn("F6", seen)
        self.assertIn("ButtonPress", seen, "the spammer's clicks reach the other program")

        # Hold mode: runs only while F6 is held.
        self.s.call("setHoldMode", "auto,1")
        self.key("keydown F6")
        wait_for(lambda: self.status()["autoClicking"], what="the held hotkey to start")
        time.sleep(0.3)
        self.assertTrue(self.status()["autoClicking"])
        self.key("keyup F6")
        wait_for(lambda: not self.status()["autoClicking"], what="the release to stop")
        self.s.call("setHoldMode", "auto,0")
        self.xev_lines(0.2)

        # The lock is on by default: F10 locks, F6 then reaches the focused program.
        self.assertTrue(self.status()["lockOn"])
        self.key("key F10")
        wait_for(lambda: not self.status()["unlocked"], what="the hotkeys to lock")
        time.sleep(0.2)
        self.key("key F6")
        seen = self.xev_lines(0.5)
        self.assertIn("(keysym 0xffc3, F6)", seen)
        self.assertNotIn("F10", seen)
        self.assertFalse(self.status()["autoClicking"])
        self.key("key F10")
        wait_for(lambda: self.status()["unlocked"], what="the hotkeys to unlock")

    def test_recording_takes_physical_input_but_not_the_programs_own(self):
        self.s.call("startRecording")
        wait_for(lambda: self.status()["state"] == "Recording", what="the recording")
        self.key("key b")
        self.pointer("mousermove 15 10", "mouseclick 3")
        wait_for(lambda: self.status()["count"] >= 5, what="keys, a move and a click")
        count = self.status()["count"]

        # A physical click on the program's own window is not recorded (the move to it is).
        x, y, w, h = self.s.window_geometry(TITLE)
        self.s.x("xdotool", "mousemove", str(x + w // 2), str(y + 8))
        time.sleep(0.2)
        count = self.status()["count"]
        self.pointer("mouseclick 1")
        time.sleep(0.4)
        self.assertEqual(self.status()["count"], count)

        # The click spammer's own clicks are not recorded: only its on and off switches are.
        self.s.x("xdotool", "mousemove", "1000", "800")
        time.sleep(0.2)
        count = self.status()["count"]
        self.s.call("startSpammer")
        time.sleep(0.3)
        self.s.call("stopSpammer")
        time.sleep(0.2)
        self.assertIn("ButtonPress", self.xev_lines(0.2))
        self.assertEqual(self.status()["count"], count + 2)
        self.s.call("stopRecording")
        wait_for(lambda: self.status()["state"] == "Idle", what="the recording to stop")

    def test_page_reassigns_a_hotkey_and_drives_the_recorder(self):
        text = "return document.getElementById(arguments[0]).textContent"
        wait_for(lambda: self.s.script(text, "hkAuto") == "F6", what="the hotkey names")
        self.s.click(self.s.find("#reassign-auto"))
        wait_for(lambda: self.status()["reassigning"] == "auto", what="the pending reassignment")
        time.sleep(0.2)  # the capture grab is in place
        self.key("key g")
        wait_for(lambda: self.s.script(text, "hkAuto") == "G", what="the new hotkey on the page")
        presses = [b for b in self.xev_lines(0.2).split("\n\n") if b.strip().startswith("KeyPress")]
        # The captured press is swallowed; its release goes on, as a hook passes it.
        self.assertFalse([b for b in presses if "keysym 0x67" in b], "the captured key is swallowed")
        self.key("key g")
        wait_for(lambda: self.status()["autoClicking"], what="the new hotkey to work")
        self.key("key g")

        self.s.click(self.s.find("label:has(#rec-tmv) .switch span"))
        wait_for(lambda: not self.s.call("getSettings")["tmv"], what="the switch")
        self.s.click(self.s.find("#recStart"))
        wait_for(lambda: self.s.script(text, "recState") == "Recording", what="the recording")
        self.key("key b")
        self.s.click(self.s.find("#recStop"))
        wait_for(lambda: self.s.script(text, "recState") == "Idle", what="the stop")
        self.assertEqual(self.s.script(text, "eventCount"), "2")


if __name__ == "__main__":
    unittest.main()
