"""Macros end to end: record physical input into the current profile, edit it from the page, play
it back into another program's window, loop it, and find it again after a restart."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from velotap_e2e import PhysicalInputTest, read_until, wait_for  # noqa: E402


class MacroTest(PhysicalInputTest):
    def text(self, element_id):
        return self.s.script("return document.getElementById(arguments[0]).textContent",
                             element_id)

    def page_events(self):
        return self.s.script(
            "return [...document.querySelectorAll('#events .event .desc')].map(e => e.textContent)")

    def record(self, *actions):
        self.s.click(self.s.find("#recStart"))
        wait_for(lambda: self.status()["state"] == "Recording", what="the recording")
        for action in actions:
            action()
        self.s.click(self.s.find("#recStop"))
        wait_for(lambda: self.status()["state"] == "Idle", what="the recording to stop")

    def start_playing(self):
        # The button is enabled once the page has seen the recorded events.
        wait_for(lambda: not self.s.script("return document.getElementById('playStart').disabled"),
                 what="the play button")
        self.s.click(self.s.find("#playStart"))

    def recorded(self, count):
        return lambda: wait_for(lambda: self.status()["count"] == count, what=f"{count} events")

    def play_and_collect(self, last):
        """Plays the macro from the page; what the other program saw until it ended."""
        self.start_playing()
        seen = self.xev_until(last, what="the played input")
        wait_for(lambda: self.status()["state"] == "Idle", what="playback to end")
        return seen + self.xev_through_sentinel()

    def test_record_edit_play_and_keep_across_restart(self):
        self.s.call("updateTracker", "false,true,false,true,false,1,false,500")
        self.record(lambda: self.key("key b"), lambda: self.pointer("mouseclick 1"),
                    self.recorded(4))
        wait_for(lambda: len(self.page_events()) == 4, what="the events on the page")
        self.assertEqual(self.page_events()[:2], ["Keyboard VK: 66 (DOWN)", "Keyboard VK: 66 (UP)"])
        self.assertTrue(self.page_events()[2].startswith("Mouse Click at X:"))

        # Delete the click's release from the page; re-time the key release.
        # The list may be drawn again as the page catches up with the stop: click the row's
        # button as it stands at that moment.
        self.s.find("button[aria-label='Delete event 4']")
        self.s.script("document.querySelector(\"button[aria-label='Delete event 4']\").click()")
        wait_for(lambda: len(self.page_events()) == 3, what="the deleted event to go")
        self.s.script("const t = document.querySelector(\"input[aria-label='Time of event 2']\");"
                      "t.value = '0.3'; t.dispatchEvent(new Event('change'));")
        wait_for(lambda: self.s.call("getMacroEvents")[1]["time"] == 0.3, what="the new time")

        self.xev_through_sentinel()
        seen = self.play_and_collect("ButtonRelease")
        self.assertIn("(keysym 0x62, b)", seen)
        self.assertIn("ButtonPress", seen)
        self.assertIn("ButtonRelease", seen, "the button whose release was deleted goes up")

        # A second profile, then back; both survive a restart with their macros.
        self.s.script("document.getElementById('profileName').value = 'Second';")
        self.s.click(self.s.find("#profileAdd"))
        wait_for(lambda: self.s.call("getProfiles")["names"][-1] == "Second", what="the profile")
        self.assertEqual(self.s.call("getMacroEvents"), [])
        self.s.script("const s = document.getElementById('profileSelect');"
                      "s.value = '0'; s.dispatchEvent(new Event('change'));")
        wait_for(lambda: len(self.s.call("getMacroEvents")) == 3, what="the first macro back")

        self.s.close_driven_app()
        with open(self.s.data_file("session.dat"), "rb") as f:
            session = f.read()
        self.assertTrue(session.startswith(b"SETTINGS:"))
        self.assertIn(b"\r\nPROFILE:Second\r\n", session)
        self.s.start_driven_app()
        profiles = self.s.call("getProfiles")
        self.assertEqual(profiles["names"], ["Default Tracking Profile", "Second"])
        self.assertEqual(profiles["current"], 0)
        self.assertEqual(len(self.s.call("getMacroEvents")), 3)

    def test_loop_stop_and_a_key_left_down_is_released(self):
        self.s.call("updateTracker", "false,false,false,true,false,1,true,150")
        self.record(lambda: self.key("key b"), self.recorded(2))
        self.xev_through_sentinel()
        self.start_playing()
        seen = read_until(self.xev.stdout, lambda text: text.count("(keysym 0x62, b)") >= 6,
                          what="several passes")
        self.s.click(self.s.find("#playStop"))
        wait_for(lambda: self.status()["state"] == "Idle", what="the loop to stop")
        seen += self.xev_through_sentinel()
        self.assertEqual(seen.count("KeyPress"), seen.count("KeyRelease"))

        # Shift goes down during the recording and comes up only after it stopped.
        self.s.call("updateTracker", "false,false,false,true,false,1,false,500")
        self.record(lambda: self.key("keydown Shift_L"), self.recorded(1))
        self.key("keyup Shift_L")
        events = [e["desc"] for e in self.s.call("getMacroEvents")]
        self.assertEqual(len(events), 1)
        self.assertTrue(events[0].startswith("Keyboard VK: ") and events[0].endswith("(DOWN)"))
        self.xev_through_sentinel()
        seen = self.play_and_collect("KeyRelease")
        self.assertIn("KeyPress", seen)
        self.assertIn("KeyRelease", seen, "the player lets go of what it pressed")

if __name__ == "__main__":
    unittest.main()
