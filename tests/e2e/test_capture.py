"""Global hotkeys and the recorder end to end: input that is physical to the program (sent through
Xvfb's own keyboard and mouse devices, not the XTEST devices) drives the real program, while an
xev window of another program shows what applications receive."""
import os
import sys
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
        seen = self.xev_through_sentinel()
        self.assertNotIn("F6", seen)
        self.assertIn("ButtonPress", seen, "the spammer's clicks reach the other program")

        # Hold mode: runs only while F6 is held, and its clicks reach the other program then.
        self.s.call("setHoldMode", "auto,1")
        self.key("keydown F6")
        wait_for(lambda: self.status()["autoClicking"], what="the held hotkey to start")
        self.xev_until("ButtonPress", what="clicks while the hotkey is held")
        self.assertTrue(self.status()["autoClicking"])
        self.key("keyup F6")
        wait_for(lambda: not self.status()["autoClicking"], what="the release to stop")
        self.s.call("setHoldMode", "auto,0")
        self.xev_through_sentinel()

        # The lock is on by default: F10 locks, F6 then reaches the focused program.
        self.assertTrue(self.status()["lockOn"])
        self.key("key F10")
        wait_for(lambda: not self.status()["unlocked"], what="the hotkeys to lock")
        self.key("key F6")
        seen = self.xev_until("(keysym 0xffc3, F6)", what="F6 at the other program")
        self.assertNotIn("F10", seen)
        self.assertFalse(self.status()["autoClicking"])
        self.key("key F10")
        wait_for(lambda: self.status()["unlocked"], what="the hotkeys to unlock")

    def recorded_sentinel(self):
        """The number of events once a press and release of x, the last input, is recorded: the
        program handles input in order, so whatever came before it has been recorded or not."""
        before = len(self.s.call("getMacroEvents"))
        self.key("key x")
        events = []

        def arrived():  # this press's release, not an earlier sentinel's
            events[:] = self.s.call("getMacroEvents")
            return len(events) >= before + 2 and events[-1]["desc"] == "Keyboard VK: 88 (UP)"
        wait_for(arrived, what="the sentinel in the recording")
        return len(events)

    def test_recording_takes_physical_input_but_not_the_programs_own(self):
        self.s.call("startRecording")
        wait_for(lambda: self.status()["state"] == "Recording", what="the recording")
        self.key("key b")
        self.pointer("mousermove 15 10", "mouseclick 3")
        self.assertGreaterEqual(self.recorded_sentinel(), 7, "keys, a move and a click")

        # A physical click on the program's own window is not recorded (the injected move to
        # it neither).
        x, y, w, h = self.s.window_geometry(TITLE)
        self.s.x("xdotool", "mousemove", str(x + w // 2), str(y + 8))
        count = self.recorded_sentinel()
        self.pointer("mouseclick 1")
        self.assertEqual(self.recorded_sentinel(), count + 2)

        # The click spammer's own clicks are not recorded: only its on and off switches are.
        self.s.x("xdotool", "mousemove", "1000", "800")
        count = self.recorded_sentinel()
        self.s.call("startSpammer")
        self.xev_until("ButtonPress", what="the spammer's clicks")
        self.s.call("stopSpammer")
        wait_for(lambda: not self.status()["autoClicking"], what="the spammer to stop")
        self.assertEqual(self.recorded_sentinel(), count + 2 + 2)
        self.s.call("stopRecording")
        wait_for(lambda: self.status()["state"] == "Idle", what="the recording to stop")

    def test_page_reassigns_a_hotkey_and_drives_the_recorder(self):
        text = "return document.getElementById(arguments[0]).textContent"
        wait_for(lambda: self.s.script(text, "hkAuto") == "F6", what="the hotkey names")
        self.s.click(self.s.find("#reassign-auto"))
        wait_for(lambda: self.status()["reassigning"] == "auto", what="the pending reassignment")
        self.key("key g")
        wait_for(lambda: self.s.script(text, "hkAuto") == "G", what="the new hotkey on the page")
        presses = [b for b in self.xev_through_sentinel().split("\n\n")
                   if b.strip().startswith("KeyPress")]
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
