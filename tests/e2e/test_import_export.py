"""Macro files end to end: the page's import and export functions with the real file dialogs,
answered by typing into them, and a risky macro held until the page confirms it."""
import json
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from velotap_e2e import Session, wait_for  # noqa: E402

# Win+R, typing and Enter: the risk scan flags it.
RISKY_EVENTS = ("3,1,0,0,0,91,1,0\r\n3,1.1,0,0,0,82,1,0\r\n3,1.2,0,0,0,82,0,0\r\n"
                "3,1.3,0,0,0,91,0,0\r\n3,2,0,0,0,67,1,0\r\n3,2.1,0,0,0,67,0,0\r\n"
                "3,3,0,0,0,13,1,0\r\n3,3.1,0,0,0,13,0,0\r\n")
UNSET = "__unset__"


class ImportExportTest(unittest.TestCase):
    def setUp(self):
        self.s = Session()
        self.s.start_driven_app()
        self.s.script("window.imported = 0;"
                      "window.onProfileImported = () => { window.imported += 1; };")

    def tearDown(self):
        self.s.close()

    def write(self, name, text):
        path = os.path.join(self.s.root, name)
        with open(path, "w", newline="") as f:
            f.write(text)
        return path

    # --- a bound function that opens a dialog -------------------------------------------------
    def begin(self, name):
        """Calls a bound function without waiting: it returns only once its dialog is answered."""
        self.s.script(f"window.answer = {json.dumps(UNSET)};"
                      f"{name}().then(v => {{ window.answer = v === undefined ? null : v; }});")

    def answer(self):
        return self.s.script("return window.answer")

    def dialog_shown(self, title):
        return self.s.x("xdotool", "search", "--onlyvisible", "--name", f"^{title}$").stdout.split()

    def reply(self, title, path, finish="Return"):
        """Types into the dialog the way a user does and waits for the call's answer. A chooser
        still building itself, or its completion, may take keys: then it is all done again, but
        only while the dialog is there, so that no keys ever go to the main window."""
        window = wait_for(lambda: self.dialog_shown(title), what=f"the {title} dialog")[0]
        for _ in range(10):
            if window not in self.dialog_shown(title):
                break
            self.s.x("xdotool", "windowfocus", "--sync", window)
            if path:
                self.s.x("xdotool", "key", "ctrl+l")
                self.s.x("xdotool", "key", "ctrl+a")
                self.s.x("xdotool", "type", "--delay", "20", path)
            self.s.x("xdotool", "key", finish)
            try:
                wait_for(lambda: not self.dialog_shown(title), timeout=3, what="the dialog to go")
                break
            except AssertionError:
                pass
        return wait_for(lambda: self.answer() != UNSET and [self.answer()],
                        what="the call's answer")[0]

    # --- tests --------------------------------------------------------------------------------
    def test_risky_import_is_held_until_confirmed(self):
        self.begin("importProfile")
        self.assertEqual(self.reply("Open", None, "Escape"), {"outcome": "cancelled"})

        risky = self.write("risky.vtpmacro", "Risky\r\n" + RISKY_EVENTS)
        self.begin("importProfile")
        pending = self.reply("Open", risky)
        self.assertEqual(pending["outcome"], "pending")
        self.assertEqual(pending["level"], "danger")
        self.assertRegex(pending["pendingId"], "^[0-9a-f]{32}$")
        self.assertEqual([m["atSec"] for m in pending["matches"]], [1, 1.1])
        self.assertEqual(self.s.call("getPendingMacroImport"), pending)
        count_before = self.s.call("getTrackerStatus")["count"]

        self.assertIsNone(self.s.call("confirmMacroImport", "0" * 32))
        self.assertEqual(self.s.call("getPendingMacroImport"), pending)
        self.assertEqual(self.s.script("return window.imported"), 0)

        self.assertIsNone(self.s.call("confirmMacroImport", pending["pendingId"]))
        self.assertEqual(self.s.call("getPendingMacroImport"), {"outcome": "none"})
        wait_for(lambda: self.s.script("return window.imported") == 1, what="onProfileImported")
        # The imported profile is current: its eight key events are the macro the page shows.
        self.assertEqual(count_before, 0)
        self.assertEqual(self.s.call("getTrackerStatus")["count"], 8)

    def test_page_reviews_a_risky_import_before_adding_it(self):
        self.s.script("window.onProfileImported = profileChanged; window.answer = null;")
        risky = self.write("risky.vtpmacro", "Risky\r\n" + RISKY_EVENTS)
        self.s.script("document.getElementById('profileImport').click();")
        self.reply("Open", risky)
        wait_for(lambda: self.s.script("return document.getElementById('review').open"),
                 what="the review")
        rows = self.s.script("return [...document.querySelectorAll('#reviewMatches li')]"
                             ".map(li => li.textContent)")
        self.assertEqual(len(rows), 2)
        self.assertTrue(rows[0].startswith("Danger") and rows[0].endswith("at 1 s"), rows[0])
        options = "return [...document.querySelectorAll('#profileSelect option')].map(o => o.text)"
        self.assertEqual(self.s.script(options), ["Default Tracking Profile"])

        self.s.click(self.s.find("#reviewConfirm"))
        wait_for(lambda: self.s.script(options)[-1] == "Risky (Imported)", what="the new profile")
        self.assertEqual(self.s.script("return document.getElementById('profileSelect').value"), "1")
        # Counted in the page: returning the rows would race the list's re-rendering.
        wait_for(lambda: self.s.script("return document.querySelectorAll('#events .event').length")
                 == 8, what="its events")

    def test_plain_import_is_added_at_once(self):
        bare = self.write("bare.vtpmacro", "Bare\r\n0,0.5,10,10,0,0,0\r\n1,0.75,3,4,0,0,0,0\r\n")
        self.s.call("updateSpammer", 0, 0, 1, 250, 1, 0, 1, 10, 0)
        self.begin("importProfile")
        self.assertEqual(self.reply("Open", bare), {"outcome": "imported"})
        self.assertEqual(self.s.call("getTrackerStatus")["count"], 2)
        # A file without settings gives the new profile, and the live tools, the defaults.
        settings = self.s.call("getSettings")
        self.assertEqual((settings["ss"], settings["sms"]), (0, 5))
        self.assertEqual(self.s.script("return window.imported"), 0)

        old = self.write("old.mcr", "Old\r\n")
        self.begin("importProfile")
        refused = self.reply("Open", old)
        self.assertEqual(refused["outcome"], "error")
        self.assertTrue(refused["message"].startswith(".mcr files are no longer supported."))

    def test_export_then_import_gives_the_same_macro(self):
        source = self.write("walk.vtpmacro", "Walk\r\n0,0.5,10,10,0,0,0,0\r\n0,1.25,20,20,0,0,0,0\r\n")
        self.begin("importProfile")
        self.assertEqual(self.reply("Open", source), {"outcome": "imported"})

        self.begin("exportProfile")
        target = os.path.join(self.s.root, "exported")
        self.assertIsNone(self.reply("Save As", target))
        with open(target + ".vtpmacro", "rb") as f:
            lines = f.read().split(b"\r\n")
        self.assertEqual(lines[0], b"Walk (Imported)")
        self.assertTrue(lines[1].startswith(b"SETTINGS:"))
        self.assertEqual(len(lines[1][len(b"SETTINGS:"):].split(b",")), 36)
        self.assertEqual(lines[2:], [b"0,0.5,10,10,0,0,0,0", b"0,1.25,20,20,0,0,0,0", b""])

        self.begin("importProfile")
        self.assertEqual(self.reply("Open", target + ".vtpmacro"), {"outcome": "imported"})
        self.assertEqual(self.s.call("getTrackerStatus")["count"], 2)


if __name__ == "__main__":
    unittest.main()
