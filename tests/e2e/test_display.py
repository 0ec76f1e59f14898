"""The display the program meets: its capability report on X11, a Wayland session with XWayland
(the window runs on X11 and the user is told once what that means), and no X display at all."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from velotap_e2e import APP, Session, wait_for  # noqa: E402

WAYLAND_NOTICE = "This is a Wayland session: Velotap runs on XWayland"


class DisplayTest(unittest.TestCase):
    def setUp(self):
        self.s = Session()

    def tearDown(self):
        self.s.close()

    def test_wayland_session_runs_the_window_on_x11_and_says_so(self):
        # No compositor answers this name: a window that tried Wayland would never appear.
        self.s.env["WAYLAND_DISPLAY"] = "velotap-e2e-no-compositor"
        self.s.start_driven_app()
        wait_for(lambda: self.s.windows_titled(), what="the main window on the X server")
        text = "return document.getElementById('alert-text').textContent"
        wait_for(lambda: WAYLAND_NOTICE in self.s.script(text), what="the notice on the page")
        caps = self.s.call("getCapabilities")
        self.assertEqual(caps["displayServer"], "xwayland")
        self.assertTrue(caps["synthesis"]["available"])
        self.assertTrue(caps["capture"]["available"])
        self.assertTrue(caps["realtime"], "the tests run privileged: realtime is granted")
        self.assertEqual(caps["realtimeBy"], "direct")
        wait_for(lambda: self.s.call("getCapabilities")["hotkeysGrabbed"], what="the hotkeys")
        self.assertEqual(self.s.call("getCapabilities")["hotkeysFailed"], [])

    def test_without_any_x_display_it_says_so_and_fails(self):
        env = dict(self.s.env)
        env.pop("DISPLAY")
        env["WAYLAND_DISPLAY"] = "velotap-e2e-no-compositor"
        done = subprocess.run([APP], env=env, capture_output=True, text=True, timeout=60)
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("Velotap needs an X display", done.stderr)
        self.assertEqual(os.listdir(self.s.data), [], "nothing is started or written")


if __name__ == "__main__":
    unittest.main()
