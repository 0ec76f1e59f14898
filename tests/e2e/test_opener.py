"""Theme and macro files opened from the desktop (xdg-open) reach the program through
VelotapOpener, whether the program runs or not."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from velotap_e2e import Session, wait_for  # noqa: E402
from test_themes import theme_text  # noqa: E402


class OpenerTest(unittest.TestCase):
    def setUp(self):
        self.s = Session()
        self.themes = self.s.data_file("themes")
        self.entry = os.path.join(self.s.root, ".local", "share", "applications",
                                  "velotap-opener.desktop")
        self.defaults = os.path.join(self.s.env["XDG_CONFIG_HOME"], "mimeapps.list")

    def tearDown(self):
        self.s.close()

    def write(self, name, text):
        path = os.path.join(self.s.root, "files", name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", newline="") as f:
            f.write(text)
        return path

    def xdg_open(self, path):
        # As a GNOME session opens a file: gio, the MIME database and mimeapps.list.
        env = dict(self.s.env, XDG_CURRENT_DESKTOP="GNOME")
        self.assertEqual(subprocess.run(["xdg-open", path], env=env, timeout=60).returncode, 0)

    @staticmethod
    def text(path):
        try:
            with open(path) as f:
                return f.read()
        except OSError:
            return ""

    def theme_txt(self):
        return self.text(self.s.data_file("theme.txt"))

    def test_files_open_in_the_running_program(self):
        self.s.start_driven_app()
        self.assertTrue(os.path.exists(self.entry))
        self.xdg_open(self.write("Opened.vtptheme", theme_text("Opened")))
        wait_for(lambda: self.s.script("return currentThemeKey") == "Opened",
                 what="the opened theme applied")
        self.assertEqual(self.theme_txt(), "Opened")

        self.xdg_open(self.write("Clicks.vtpmacro",
                                 "Opened macro\r\n3,0.5,0,0,0,65,1,0\r\n3,0.6,0,0,0,65,0,0\r\n"))
        wait_for(lambda: "Opened macro" in self.s.call("getProfiles")["names"],
                 what="the opened macro imported")

    def test_a_file_opened_while_the_program_is_closed_starts_it(self):
        first = self.s.start_app()
        # The defaults are written last: once they name the opener, the registration is whole.
        wanted = "application/x-velotap-macro=velotap-opener.desktop"
        wait_for(lambda: wanted in self.text(self.defaults), what="the file types registered")
        first.terminate()
        first.wait(30)
        self.xdg_open(self.write("Cold.vtptheme", theme_text("Cold")))
        wait_for(lambda: self.s.app_pids(), what="the program started by the opener")
        wait_for(lambda: self.theme_txt() == "Cold", what="the theme applied at its start")


if __name__ == "__main__":
    unittest.main()
