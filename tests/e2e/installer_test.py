"""The setup program and the portable zip: what lands where, what starts, what goes again."""
import filecmp
import glob
import os
import shutil
import subprocess
import unittest
import zipfile

import harness
from harness import Session, exited, wait_until

SETUP = os.path.join(harness.BUILD, "QuietSpin-Setup.exe")
PORTABLE = os.path.join(harness.BUILD, "QuietSpin-portable.zip")
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuietSpin"


def dist_files():
    """Every file of the program folder, relative, with '/' separators."""
    found = []
    for root, _, files in os.walk(harness.DIST):
        found += [os.path.relpath(os.path.join(root, f), harness.DIST).replace(os.sep, "/") for f in files]
    return sorted(found)


def newest_in_dist():
    return max(os.path.getmtime(os.path.join(harness.DIST, f)) for f in dist_files())


def ensure_packages():
    """Builds the packages when they are missing or older than the program folder."""
    if all(os.path.exists(p) and os.path.getmtime(p) >= newest_in_dist() for p in (SETUP, PORTABLE)):
        return
    subprocess.run(["cmake", "--build", harness.BUILD, "--target", "installer", "portable"], check=True,
                   stdout=subprocess.DEVNULL)


class InstallerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        ensure_packages()
        cls.files = dist_files()
        assert "QuietSpin.exe" in cls.files and "Backdrop.exe" in cls.files, cls.files

    def setUp(self):
        # The marker key exists beforehand, as after a first run: the uninstaller must remove it.
        self.session = Session("installer", layer=False, first_run_done=True)
        self.addCleanup(self.session.close)
        drive_c = os.path.join(self.session.prefix, "drive_c")
        self.installed = os.path.join(drive_c, "Program Files", "QuietSpin")
        self.shortcut_pattern = os.path.join(drive_c, "**", "Start Menu", "Programs", "QuietSpin",
                                             "QuietSpin.lnk")

    def shortcuts(self):
        return glob.glob(self.shortcut_pattern, recursive=True)

    def wait_for_wine(self):
        """Waits until every program of this prefix has ended (the uninstaller runs detached)."""
        self.session.run("wineserver", "-w", timeout=120)

    def key_exists(self, key):
        return self.session.reg_query(key).returncode == 0

    def assert_installed(self):
        for rel in self.files:
            path = os.path.join(self.installed, *rel.split("/"))
            self.assertTrue(os.path.isfile(path), f"{rel} not installed")
            self.assertTrue(filecmp.cmp(path, os.path.join(harness.DIST, rel), shallow=False),
                            f"{rel} differs")
        self.assertTrue(os.path.isfile(os.path.join(self.installed, "uninst.exe")))
        self.assertEqual(len(self.shortcuts()), 1, "one Start-menu shortcut")
        self.assertTrue(self.key_exists(UNINSTALL_KEY), "uninstaller not registered")

    def test_silent_install_start_and_silent_uninstall(self):
        self.assertTrue(self.key_exists(harness.MARKER_KEY))
        result = self.session.run("wine", SETUP, "/S", timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.wait_for_wine()
        self.assert_installed()

        # The installed program runs from its new folder (with the test ASPI layer beside it).
        shutil.copy(harness.FAKE_LAYER, os.path.join(self.installed, "WNASPI32.DLL"))
        program = self.session.start("QuietSpin.exe", folder=self.installed)
        wait_until(self.session.aspi.executes, 30, 0.2, "the first speed command from the installed program")
        self.assertIsNone(program.poll(), "QuietSpin did not keep running from the installed folder")
        self.session.run("wineserver", "-k")
        self.wait_for_wine()
        os.remove(os.path.join(self.installed, "WNASPI32.DLL"))

        result = self.session.run("wine", os.path.join(self.installed, "uninst.exe"), "/S", timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.wait_for_wine()
        self.assertFalse(os.path.exists(self.installed), "program folder left behind")
        self.assertEqual(self.shortcuts(), [])
        self.assertEqual(glob.glob(os.path.dirname(self.shortcut_pattern), recursive=True), [],
                         "Start-menu folder left behind")
        self.assertFalse(self.key_exists(UNINSTALL_KEY))
        self.assertFalse(self.key_exists(harness.MARKER_KEY), "first-run marker key left behind")

    def test_uninstall_keeps_files_it_did_not_install(self):
        self.session.run("wine", SETUP, "/S", timeout=120)
        self.wait_for_wine()
        own = os.path.join(self.installed, "GIF", "mine.txt")
        with open(own, "w") as f:
            f.write("not from the setup")
        self.session.run("wine", os.path.join(self.installed, "uninst.exe"), "/S", timeout=120)
        self.wait_for_wine()
        self.assertEqual(sorted(os.listdir(self.installed)), ["GIF"])
        self.assertEqual(os.listdir(os.path.join(self.installed, "GIF")), ["mine.txt"])

    @staticmethod
    def _try(step):
        try:
            return step()
        except AssertionError:
            return None

    def test_interactive_install_shows_backdrop_while_copying(self):
        setup = self.session.start(os.path.basename(SETUP), folder=os.path.dirname(SETUP))
        page = self.session.window_named("^QuietSpin Setup", timeout=30)
        find_splash = lambda: self.session.xdo("search", "--onlyvisible", "--class", "Backdrop").split()

        def install_pressed():
            # A key sent before the page is ready is lost: pressed again until the copying starts.
            if not find_splash():
                self.session.key(page, "Return")  # the folder page's default button: Install
            return wait_until(find_splash, timeout=3, interval=0.05, what="the Backdrop window")
        splash = wait_until(lambda: self._try(install_pressed), 30, 0, "the Backdrop window")
        x, y, w, h = self.session.geometry(int(splash[0]))
        self.assertEqual((w, h), (509, 383))
        self.assertLessEqual(abs(x - (1024 - 509) // 2), 1)
        self.assertLessEqual(abs(y - (768 - 383) // 2), 1)
        self.assertTrue(exited(setup, 60), "the setup did not close by itself when done")
        self.assertEqual(setup.returncode, 0)
        self.wait_for_wine()
        self.assert_installed()


class PortableZipTest(unittest.TestCase):
    def test_zip_holds_the_program_folder(self):
        ensure_packages()
        with zipfile.ZipFile(PORTABLE) as z:
            names = sorted(n for n in z.namelist() if not n.endswith("/"))
            self.assertEqual(names, ["QuietSpin/" + f for f in dist_files()])
            for f in dist_files():
                with open(os.path.join(harness.DIST, f), "rb") as original:
                    self.assertEqual(z.read("QuietSpin/" + f), original.read(), f)


if __name__ == "__main__":
    harness.main()
