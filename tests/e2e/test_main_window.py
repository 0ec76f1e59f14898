"""The main window end to end: title, single instance, the bridge, resizing, saved settings."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from velotap_e2e import Session, TITLE, wait_for  # noqa: E402


class MainWindowTest(unittest.TestCase):
    def setUp(self):
        self.s = Session()

    def tearDown(self):
        self.s.close()

    def test_window_title_and_single_instance(self):
        first = self.s.start_app()
        wait_for(lambda: self.s.windows_titled(), what="the main window")
        self.assertEqual(len(self.s.windows_titled()), 1)

        # A second start, even with its own data folder, leaves at once and creates nothing.
        empty = os.path.join(self.s.root, "elsewhere")
        os.makedirs(empty)
        second = self.s.start_app(env={"LOCALAPPDATA": empty})
        self.assertEqual(second.wait(20), 0)
        self.assertEqual(os.listdir(empty), [])
        self.assertEqual(len(self.s.windows_titled()), 1)
        self.assertIsNone(first.poll())

    def test_page_calls_bound_functions(self):
        self.s.start_driven_app()
        settings = self.s.call("getAppSettings")
        self.assertEqual(settings["alwaysOnTop"], False)
        self.assertEqual(settings["hotkeyLock"], True)
        self.assertEqual(self.s.call("getPendingThemeAlert"), "")
        self.assertIsNone(self.s.call("setAppSetting", "hotkeyLock", "0"))
        self.assertIsNone(self.s.call("markWarningSeen", "first-run"))
        self.assertIsNone(self.s.call("setPanelOrder", "panel-tracker,panel-ui"))
        self.assertIsNone(self.s.call("openLink", "unknown-key"))
        settings = self.s.call("getAppSettings")
        self.assertEqual(settings["hotkeyLock"], False)
        self.assertEqual(settings["seenWarnings"], ["first-run"])
        self.assertEqual(settings["panelOrder"], ["panel-tracker", "panel-ui"])
        with open(self.s.data_file("appsettings.txt"), "rb") as f:
            text = f.read()
        self.assertIn(b"hotkeyLockOn=0\r\n", text)
        self.assertIn(b"panelOrder=panel-tracker,panel-ui\r\n", text)

    def test_resize_is_clipped_to_the_work_area(self):
        self.s.start_driven_app()
        self.s.call("resizeWindow", 400, 300)
        wait_for(lambda: self.s.window_geometry()[2:] == (400, 300), what="400x300")
        self.s.call("resizeWindow", 420, 5000)
        x, y, w, h = self.s.window_geometry()
        self.assertEqual(w, 420)
        self.assertLessEqual(h, 1024 - 20)
        self.assertGreater(h, 900)
        self.assertLessEqual(y + h, 1024)

    def test_settings_survive_a_restart(self):
        self.s.start_driven_app()
        for key in ("alwaysOnTop", "disableAnimations"):
            # Content the page fills in after its first state can move the switch while the
            # click is on its way; like a user, click again when the switch did not flip.
            for _ in range(5):
                self.s.click(self.s.find(f"label:has(#set-{key}) .switch span"))
                try:
                    wait_for(lambda: self.s.script(f"return document.getElementById('set-{key}')"
                                                   ".checked"), timeout=5, what="the flip")
                    break
                except AssertionError:
                    pass
            wait_for(lambda: self.s.call("getAppSettings")[key], what=f"the {key} switch")
        self.s.close_driven_app()

        self.s.start_driven_app()
        settings = self.s.call("getAppSettings")
        self.assertTrue(settings["alwaysOnTop"])
        self.assertTrue(settings["disableAnimations"])
        self.assertTrue(self.s.script("return document.getElementById('set-alwaysOnTop').checked"))
        self.assertTrue(self.s.script("return document.body.classList.contains('no-anim')"))

    def test_window_place_is_remembered(self):
        self.s.start_driven_app()
        wid = self.s.x("xdotool", "search", "--name", "^" + TITLE.replace("(", "\\(")
                       .replace(")", "\\)") + "$").stdout.split()[0]
        # The user's move comes right after one of the program's own resizes and is still theirs.
        self.s.call("resizeWindow", 420, 560)
        self.s.x("xdotool", "windowmove", wid, "200", "150")
        wait_for(lambda: b"windowX=200\r\n" in self.read_settings(), what="the saved place")
        self.s.close_driven_app()
        self.assertIn(b"windowY=150\r\n", self.read_settings())

        self.s.start_driven_app()
        wait_for(lambda: self.s.window_geometry()[:2] == (200, 150), what="the restored place")

    def read_settings(self):
        try:
            with open(self.s.data_file("appsettings.txt"), "rb") as f:
                return f.read()
        except OSError:
            return b""

    def test_missing_page_and_missing_display_are_reported(self):
        # A copy of the program without its ui folder shows the error and keeps its window.
        import shutil
        from velotap_e2e import APP
        lonely = os.path.join(self.s.root, "bin")
        os.makedirs(lonely)
        shutil.copy(APP, lonely)
        self.s.start_app_at(os.path.join(lonely, "VelotapApp"))
        wait_for(lambda: self.s.windows_titled("UI Error"), what="the error message")
        self.assertEqual(len(self.s.windows_titled()), 1)

        runtime2 = os.path.join(self.s.root, "runtime2")
        os.makedirs(runtime2, mode=0o700)
        no_display = self.s.start_app(env={"DISPLAY": "", "XDG_RUNTIME_DIR": runtime2})
        _, err = no_display.communicate(timeout=20)
        self.assertEqual(no_display.returncode, 1)
        self.assertIn(b"display", err)


if __name__ == "__main__":
    unittest.main()
