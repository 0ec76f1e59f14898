"""The session file end to end: what a start loads, what the profile functions change, and what
closing the window writes back."""
import os
import signal
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from velotap_e2e import Session, wait_for  # noqa: E402

# Click interval 9 ms, speed 1.5, playback on key 65 ('A'), targets 66 and 67 in chord mode.
GLOBAL = "0,0,0,9,0,0,1,10,0,0,0,1,1,1,1,0,1.5,0,500,119,65,0,117,0,0,0,5,1,10,120,66,66|67,1,0,0,121"
FARM = "0,0,0,40,0,0,1,10,0,0,0,0,0,0,5,1,10,32,32,0"


class SessionTest(unittest.TestCase):
    def setUp(self):
        self.s = Session()
        os.makedirs(os.path.dirname(self.s.data_file("session.dat")))
        with open(self.s.data_file("session.dat"), "wb") as f:
            f.write(("SETTINGS:" + GLOBAL + "\r\nCURRENT:1\r\n"
                     "PROFILE:Default Tracking Profile\r\n"
                     "PROFILE:Farm\r\nPROFILESETTINGS:" + FARM + "\r\n"
                     "3,1.5,0,0,0,65,1,0\r\n3,abc,0,0,0,65,1,0\r\n3,2,0,0,0,65,0,0\r\n").encode())

    def tearDown(self):
        self.s.close()

    def test_load_change_and_save_on_close(self):
        self.s.start_driven_app()
        self.assertEqual(self.s.call("getProfiles"), {
            "current": 1, "names": ["Default Tracking Profile", "Farm"], "cap": -1,
            "defaultName": "Default Tracking Profile"})
        # The live settings come from the global line, not from the current profile's line.
        settings = self.s.call("getSettings")
        self.assertEqual(settings["sms"], 9)
        self.assertEqual(settings["tspd"], 1.5)
        status = self.s.call("getTrackerStatus")
        self.assertEqual(status["count"], 2)  # the bad event line was skipped
        self.assertEqual(status["keySpamChord"], True)
        self.assertEqual(len(status["keySpamTargets"]), 2)

        self.s.call("addProfile", "Bee")
        self.s.call("switchProfile", "1")  # Farm's own settings line now applies
        self.assertEqual(self.s.call("getSettings")["sms"], 40)
        self.s.call("switchProfile", "2")
        self.s.call("deleteProfile")  # Bee goes; the new last profile, Farm, is current
        self.s.call("addProfile", "Cee")
        self.assertEqual(self.s.call("getProfiles")["current"], 2)

        def saved():
            with open(self.s.data_file("session.dat"), "rb") as f:
                return b"PROFILE:Cee\r\n" in f.read()
        wait_for(saved, timeout=15, what="the autosave")  # every 5 s while running
        self.s.close_driven_app()

        with open(self.s.data_file("session.dat"), "rb") as f:
            text = f.read().decode()
        self.assertFalse(os.path.exists(self.s.data_file("session.dat.tmp")))
        lines = text.split("\r\n")
        # The global line holds the live values at closing: Farm's tool settings.
        self.assertEqual(lines[0], "SETTINGS:0,0,0,40,0,0,1,10,0,0,0,1,1,1,1,0,1.5,0,500,119,65,0,"
                                   "117,0,0,0,5,1,10,120,32,32,0,0,0,121")
        self.assertEqual(lines[1], "CURRENT:2")
        self.assertEqual(lines[2:], [
            "PROFILE:Default Tracking Profile",
            "PROFILE:Farm", "PROFILESETTINGS:" + FARM,
            "3,1.5,0,0,0,65,1,0", "3,2,0,0,0,65,0,0",
            "PROFILE:Cee", "PROFILESETTINGS:" + FARM,
            ""])

    def test_end_signals_shut_down_and_save(self):
        # A log-out, `systemctl stop` or Ctrl+C: the program ends as when its window is closed.
        for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            with open(self.s.data_file("session.dat"), "ab") as f:
                f.write(b"3,abc,0,0,0,65,1,0\r\n")  # dropped by the next save
            app = self.s.start_app()
            wait_for(lambda: self.s.windows_titled(), what="the main window")
            app.send_signal(sig)
            self.assertEqual(app.wait(30), 0, sig)
            with open(self.s.data_file("session.dat"), "rb") as f:
                self.assertNotIn(b"abc", f.read(), sig)


if __name__ == "__main__":
    unittest.main()
