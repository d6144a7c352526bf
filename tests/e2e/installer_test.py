"""The setup program and the portable zip: what lands where, what starts, what goes again."""
import filecmp
import glob
import os
import re
import shutil
import struct
import subprocess
import unittest
import xml.etree.ElementTree as ET
import zipfile

import first_run_test
import harness
from harness import Session, exited, wait_until

SETUP = os.path.join(harness.BUILD, "QuietSpin-Setup.exe")
PORTABLE = os.path.join(harness.BUILD, "QuietSpin-portable.zip")
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuietSpin"
SHARED_DLLS = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs"
OUR_LAYER = os.path.join(harness.DIST, "ASPI", "WNASPI32.DLL")
TASK_NS = {"t": "http://schemas.microsoft.com/windows/2004/02/mit/task"}


def read(path):
    with open(path, "rb") as f:
        return f.read()


def older_build(layer):
    """Our layer with its file version lowered to 0.9.0.0, as an earlier QuietSpin would have left it."""
    data = bytearray(layer)
    fixed = data.index(b"\xbd\x04\xef\xfe")  # VS_FIXEDFILEINFO; the file version follows 8 bytes in
    data[fixed + 8:fixed + 16] = struct.pack("<II", 0x00000009, 0)
    return bytes(data)


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

    def logon_tasks(self):
        """The names of the tasks Wine's task scheduler has stored for QuietSpin."""
        system = os.path.join(self.session.prefix, "drive_c", "windows", "system32")
        stores = [os.path.join(system, n) for n in os.listdir(system) if n.lower() == "tasks"]
        return [n for store in stores for n in os.listdir(store) if n.lower().startswith("quietspin")]

    def handed_task(self):
        """The definition the setup handed to schtasks /Create /XML (Wine's scheduler stores only
        part of it: no trigger, no principal, no command), parsed."""
        data = read(os.path.join(self.installed, "QuietSpin-logon-task.xml"))
        self.assertEqual(data[:2], b"\xff\xfe", "UTF-16 with its byte-order mark")
        return ET.fromstring(re.sub(r"^\s*<\?xml[^>]*\?>", "", data.decode("utf-16")))

    def assert_logon_task(self, task):
        def text(path):
            found = task.find(path, TASK_NS)
            return None if found is None else found.text
        user = text("t:Principals/t:Principal/t:UserId")
        self.assertTrue(user, "the task runs as a named user")
        self.assertEqual(text("t:Triggers/t:LogonTrigger/t:UserId"), user, "at that user's logon")
        self.assertEqual(text("t:Principals/t:Principal/t:RunLevel"), "HighestAvailable")
        self.assertEqual(text("t:Principals/t:Principal/t:LogonType"), "InteractiveToken")
        self.assertEqual(text("t:Actions/t:Exec/t:Command"), r"C:\Program Files\QuietSpin\QuietSpin.exe")
        self.assertEqual(text("t:Actions/t:Exec/t:Arguments"), "/tray", "a logon start goes to the tray")
        self.assertEqual(len(task.findall("t:Actions/t:Exec", TASK_NS)), 1)
        # A tray program runs until the user ends it, on battery too.
        self.assertEqual(text("t:Settings/t:ExecutionTimeLimit"), "PT0S")
        self.assertEqual(text("t:Settings/t:DisallowStartIfOnBatteries"), "false")
        self.assertEqual(text("t:Settings/t:StopIfGoingOnBatteries"), "false")

    def test_logon_task_is_left_out_by_the_switch_and_never_doubled(self):
        self.session.run("wine", SETUP, "/S", "/NOAUTOSTART", timeout=120)
        self.wait_for_wine()
        self.assert_installed()
        self.assertEqual(self.logon_tasks(), [])
        self.assertFalse(os.path.exists(os.path.join(self.installed, "QuietSpin-logon-task.xml")))
        for _ in range(2):
            self.session.run("wine", SETUP, "/S", timeout=120)
            self.wait_for_wine()
        self.assertEqual(len(self.logon_tasks()), 1, "a reinstall replaces the task")
        self.session.run("wine", SETUP, "/S", "/NOAUTOSTART", timeout=120)
        self.wait_for_wine()
        self.assertEqual(self.logon_tasks(), [], "a reinstall without the option takes it away")

    # -- the ASPI layer in the system folder, from the first run to the uninstall ---------------------
    def system_layers(self):
        """The system folder's WNASPI32 files, by lower-case name, with their bytes."""
        folder = os.path.join(self.session.prefix, "drive_c", "windows", "system32")
        return {n.lower(): read(os.path.join(folder, n)) for n in os.listdir(folder)
                if n.lower().startswith("wnaspi32")}

    def shared_count(self):
        query = self.session.reg_query(SHARED_DLLS, r"C:\windows\system32\WNASPI32.DLL")
        return query.stdout.split("REG_DWORD")[1].strip() if query.returncode == 0 else None

    def first_run_over(self, layer, expect):
        """With `layer` (bytes; None for none) as the system folder's WNASPI32.DLL instead of Wine's
        placeholder: installs, goes through the installed QuietSpin's first run until INSTASPI.BAT
        logs a line with `expect`, and returns the system folder and its count as they were."""
        system = os.path.join(self.session.prefix, "drive_c", "windows", "system32")
        for name in os.listdir(system):
            if name.lower() == "wnaspi32.dll":
                os.remove(os.path.join(system, name))
        if layer is not None:
            with open(os.path.join(system, "wnaspi32.dll"), "wb") as f:
                f.write(layer)
        before = (self.system_layers(), self.shared_count())
        self.assertEqual(self.session.run("wine", SETUP, "/S", timeout=120).returncode, 0)
        self.wait_for_wine()
        self.session.reg("delete", harness.MARKER_KEY, "/f")
        self.session.program = self.installed
        first_run_test.InstallBranchCase.run_install_branch(self, self.session, expect)
        self.wait_for_wine()
        return before

    def assert_uninstall_puts_back(self, before):
        result = self.session.run("wine", os.path.join(self.installed, "uninst.exe"), "/S", timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.wait_for_wine()
        self.assertFalse(os.path.exists(self.installed), "program folder left behind")
        self.assertEqual((self.system_layers(), self.shared_count()), before)
        self.assertFalse(self.key_exists(r"HKLM\SOFTWARE\QuietSpin"), "installation record left behind")

    def test_no_layer_ours_is_installed_and_uninstall_removes_it(self):
        before = self.first_run_over(None, "installed WNASPI32.DLL in C:\\windows\\System32: no ASPI layer was there")
        self.assertEqual(self.system_layers(), {"wnaspi32.dll": read(OUR_LAYER)})
        self.assertEqual(self.shared_count(), "0x1")
        self.assert_uninstall_puts_back(before)

    def test_our_older_layer_is_replaced_and_uninstall_puts_it_back(self):
        older = older_build(read(OUR_LAYER))
        before = self.first_run_over(older, "over QuietSpin's layer 0.9.0.0 found there, kept as ")
        self.assertEqual(self.system_layers(), {"wnaspi32.dll": read(OUR_LAYER), "wnaspi32.quietspin-1.bak": older})
        self.assert_uninstall_puts_back(before)

    def test_working_foreign_layer_is_kept_and_carries_the_speed_commands(self):
        before = self.first_run_over(read(harness.FAKE_LAYER), "kept the ASPI layer in C:\\windows\\System32: it works")
        self.assertEqual((self.system_layers(), self.shared_count()), before)
        program = self.session.start()  # the next start runs normally, through that layer
        self.session.main_window(program, timeout=30)
        wait_until(self.session.aspi.executes, 15, 0.2, "a speed command through the kept layer")
        self.assertTrue(all(srb[48] == 0xBB for _, _, srb in self.session.aspi.executes()))
        program.kill()
        program.wait()
        self.wait_for_wine()
        self.assert_uninstall_puts_back(before)

    def test_broken_foreign_layer_is_kept_aside_and_uninstall_puts_it_back(self):
        broken = b"MZ, and nothing a loader could use"
        before = self.first_run_over(broken, "the layer there does not load; it is kept as ")
        self.assertEqual(self.system_layers(), {"wnaspi32.dll": read(OUR_LAYER), "wnaspi32.quietspin-1.bak": broken})
        self.assertEqual(self.shared_count(), "0x1")
        self.assert_uninstall_puts_back(before)

    def test_silent_install_start_and_silent_uninstall(self):
        self.assertTrue(self.key_exists(harness.MARKER_KEY))
        result = self.session.run("wine", SETUP, "/S", timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.wait_for_wine()
        self.assert_installed()
        self.assertEqual(self.logon_tasks(), ["QuietSpin"], "the option is on by default")
        self.assert_logon_task(self.handed_task())

        # The installed program runs from its new folder (with the test ASPI layer beside it).
        shutil.copy(harness.FAKE_LAYER, os.path.join(self.installed, "WNASPI32.DLL"))
        program = self.session.start("QuietSpin.exe", folder=self.installed)
        wait_until(self.session.aspi.executes, 30, 0.2, "the first speed command from the installed program")
        self.assertIsNone(program.poll(), "QuietSpin did not keep running from the installed folder")
        self.session.run("wineserver", "-k")
        self.wait_for_wine()
        os.remove(os.path.join(self.installed, "WNASPI32.DLL"))
        # As a click on the meter leaves it.
        self.session.reg("add", r"HKCU\Software\QuietSpin", "/v", "SpeedLevel", "/t", "REG_DWORD", "/d", "5", "/f")

        result = self.session.run("wine", os.path.join(self.installed, "uninst.exe"), "/S", timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.wait_for_wine()
        self.assertFalse(os.path.exists(self.installed), "program folder left behind")
        self.assertEqual(self.shortcuts(), [])
        self.assertEqual(glob.glob(os.path.dirname(self.shortcut_pattern), recursive=True), [],
                         "Start-menu folder left behind")
        self.assertFalse(self.key_exists(UNINSTALL_KEY))
        self.assertFalse(self.key_exists(harness.MARKER_KEY), "first-run marker key left behind")
        self.assertFalse(self.key_exists(r"HKCU\Software\QuietSpin"), "stored speed level left behind")
        self.assertEqual(self.logon_tasks(), [], "logon task left behind")

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
            # A key sent before the page is ready is lost: pressed again until the copying starts
            # (the options page's default button is Next, the folder page's Install).
            if not find_splash():
                self.session.key(page, "Return")
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
