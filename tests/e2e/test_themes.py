"""Themes in the real program: a file copied into the themes folder by another program, theme
files dropped on the window by XDND from another program, a theme handed over by a second start,
and a macro handed over while the program was not running."""
import json
import os
import select
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from velotap_e2e import APP, Session, device_ids, wait_for  # noqa: E402

XDND_SOURCE = os.environ.get("VELOTAP_XDND_SOURCE", "")
SANS = "'Segoe UI', Tahoma, Geneva, Verdana, sans-serif"
INVALID = ("That theme file failed validation and was not imported - it may be corrupted, too "
           "large, or contain a value outside what a theme file is allowed to carry.")


def line(proc, timeout=60):
    """The next line the process prints, read unbuffered; fails when none comes."""
    text = b""
    while not text.endswith(b"\n"):
        ready, _, _ = select.select([proc.stdout], [], [], timeout)
        chunk = os.read(proc.stdout.fileno(), 1) if ready else b""
        if not chunk:
            raise AssertionError(f"the XDND source said nothing after {text!r}")
        text += chunk
    return text.decode().strip()


def theme_text(name, bg="#203040"):
    return json.dumps({"name": name, "bgMain": bg, "bgPanel": "#304050", "bgHeader": "#405060",
                       "accent": "#4060f0", "accentHover": "#5070ff", "text": "#f0f0f0",
                       "font": SANS})


class ThemesTest(unittest.TestCase):
    def setUp(self):
        self.s = Session()
        self.themes = self.s.data_file("themes")

    def tearDown(self):
        self.s.close()

    def write(self, name, text):
        path = os.path.join(self.s.root, "files", name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)
        return path

    def start(self):
        self.s.start_driven_app()
        # Every callback the program runs is recorded before the page handles it.
        self.s.script("window.seen = [];"
                      "for (const name of ['onThemeFolderChanged', 'onThemeDropInstalled']) {"
                      "  const page = window[name];"
                      "  window[name] = (...args) => { seen.push([name, ...args]); return page(...args); };"
                      "}")

    def seen(self, name):
        return [args[1:] for args in self.s.script("return window.seen") if args[0] == name]

    def current(self):
        return self.s.script("return currentThemeKey")

    def theme_txt(self):
        with open(self.s.data_file("theme.txt")) as f:
            return f.read()

    def drag_files(self, paths):
        """Drags `paths` from another program's window onto ours with the physical pointer."""
        source = subprocess.Popen([XDND_SOURCE, "900", "700", *paths], env=self.s.env,
                                  stdout=subprocess.PIPE)
        self.s.apps.append(source)
        self.assertEqual(line(source), "ready")
        mouse = str(device_ids(self.s.env["DISPLAY"])["Xvfb mouse"])
        x, y, width, height = self.s.window_geometry()
        tx, ty = x + width // 2, y + height // 2
        self.s.x("xte", "-i", mouse, "mousemove 950 730", "mousedown 1")
        for i in range(1, 11):
            self.s.x("xte", "-i", mouse,
                     f"mousemove {950 + (tx - 950) * i // 10} {730 + (ty - 730) * i // 10}")
        # Released only once our window has accepted the drag.
        self.assertEqual(line(source), "accepted")
        self.s.x("xte", "-i", mouse, "mouseup 1")
        self.assertEqual(line(source), "end")
        self.assertEqual(source.wait(20), 0)

    def test_a_file_copied_into_the_folder_reaches_the_page(self):
        self.start()
        shutil.copy(self.write("Ocean.vtptheme", theme_text("Ocean")), self.themes)
        wait_for(lambda: self.seen("onThemeFolderChanged"), what="onThemeFolderChanged")
        wait_for(lambda: self.s.script(
            "return [...document.querySelectorAll('#theme-list li')].map(li => li.dataset.key)")
            == ["velotap", "Ocean"], what="the theme in the list")

    def test_dropped_themes_are_installed_and_a_broken_one_is_reported(self):
        self.start()
        self.drag_files([self.write("One.vtptheme", theme_text("One")),
                         self.write("Broken.vtptheme", '{"name": "Broken"}'),
                         self.write("Two.vtptheme", theme_text("Two", "#102030")),
                         self.write("notes.txt", "not a theme")])
        result = wait_for(lambda: self.seen("onThemeDropInstalled"), what="the drop result")[0][0]
        self.assertEqual(json.loads(result), {"appliedKey": "Two", "rejects": [
            {"name": "Broken.vtptheme", "reason": INVALID}]})
        wait_for(lambda: self.current() == "Two", what="the dropped theme applied")
        self.assertEqual(self.s.script("return getComputedStyle(document.body).backgroundColor"),
                         "rgb(16, 32, 48)")
        self.assertIn(INVALID, self.s.script("return document.getElementById('toasts').textContent"))
        self.assertEqual(self.theme_txt(), "Two")
        self.assertEqual(sorted(os.listdir(self.themes)), ["One.vtptheme", "Two.vtptheme"])

    def test_a_second_start_hands_its_theme_to_the_first(self):
        self.start()
        path = self.write("Handed.vtptheme", theme_text("Handed"))
        second = subprocess.run([APP, path], env=self.s.env, capture_output=True, timeout=60)
        self.assertEqual(second.returncode, 0)
        wait_for(lambda: self.current() == "Handed", what="the handed-over theme applied")
        self.assertEqual(json.loads(self.seen("onThemeDropInstalled")[0][0]),
                         {"appliedKey": "Handed", "rejects": []})
        self.assertEqual(self.theme_txt(), "Handed")
        self.assertFalse(os.path.exists(os.path.join(self.themes, "_pending_apply.marker")))

    def test_a_theme_named_on_the_first_start_is_imported_and_applied(self):
        path = self.write("Start.vtptheme", theme_text("Start"))
        self.s.apps.append(subprocess.Popen([APP, path], env=self.s.env,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        wait_for(lambda: os.path.exists(self.s.data_file("theme.txt")) and
                 self.theme_txt() == "Start", what="the theme applied at start")
        self.assertEqual(os.listdir(self.themes), ["Start.vtptheme"])

    def test_a_macro_handed_over_while_not_running_is_imported_at_start(self):
        os.makedirs(self.themes)
        with open(os.path.join(self.themes, "Rec.vtpmacro"), "w", newline="") as f:
            f.write("Handed macro\r\n3,0.5,0,0,0,65,1,0\r\n3,0.6,0,0,0,65,0,0\r\n")
        with open(os.path.join(self.themes, "_pending_apply.marker"), "w") as f:
            f.write("MACRO:Rec")
        self.start()
        self.assertIn("Handed macro", self.s.call("getProfiles")["names"])
        self.assertEqual(os.listdir(self.themes), [])


if __name__ == "__main__":
    unittest.main()
