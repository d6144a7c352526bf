"""The first run and the missing-layer start of QuietSpin under Wine: the two message boxes, the
installer batch file, the marker key, and what the drives hear (nothing) until start-up has
passed both checks. The boxes are read with a small probe that lists their controls' texts."""
import os
import re
import shutil
import subprocess
import unittest

import harness

BOX_PROBE = os.path.join(harness.BUILD, "tests", "win", "first_run_box_probe.exe")
INSTALL_TEXT = ("There is no ASPI layer in your computer system. If you want to control\r\n"
                "CD-ROM rotation speed, please choose OK to install ASPI layer and reboot \r\n"
                "system to take effect.")
REBOOT_TEXT = "ASPI layer is installed completely. Do you want to reboot ?"


class Box:
    """An open message box titled "QuietSpin": its X window, its texts, and its buttons in order
    with the screen point at their centres."""

    def __init__(self, wid, texts, buttons):
        self.wid, self.texts, self.buttons = wid, texts, buttons

    @property
    def text(self):
        return "".join(self.texts)

    @property
    def button_names(self):
        return [name for name, _ in self.buttons]


def read_box(session):
    result = session.run("wine", BOX_PROBE, timeout=30)
    if result.returncode != 0:
        return None
    texts, buttons = [], []
    for line in result.stdout.replace("\r\n", "\n").split("\n"):
        parts = line.split("\t")
        if len(parts) != 3:
            continue
        cls, text, rect = parts
        text = text.replace("\\r", "\r").replace("\\n", "\n")
        left, top, right, bottom = map(int, rect.split())
        if cls.lower() == "button":
            buttons.append((text.replace("&", ""), ((left + right) // 2, (top + bottom) // 2)))
        elif cls.lower() == "static" and text:
            texts.append(text)
    return (texts, buttons) if buttons else None


def next_box(session, proc, previous=None, timeout=60):
    """Waits for a box of proc other than the one with X window `previous`, and reads it."""
    def find():
        for wid in session.windows_of(proc):
            if wid != previous and session.window_name(wid) == "QuietSpin":
                return wid
        return None
    wid = harness.wait_until(find, timeout, 0.1, "a QuietSpin message box")
    texts, buttons = harness.wait_until(lambda: read_box(session), 10, 0.2, "the box's controls")
    return Box(wid, texts, buttons)


def answer(session, box, button):
    """Clicks the button as a user would (keys sent to a box that has just opened can get lost)."""
    x, y = dict(box.buttons)[button]
    session.move(x, y)
    session.click()


def install_log(session):
    path = os.path.join(session.program, "INSTASPI.LOG")
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        return [line for line in f.read().decode("ascii", "replace").split("\r\n") if line]


def visible_windows_but(session, proc, box):
    return [w for w in session.windows_of(proc) if w != box.wid]


class InstallBranchCase(unittest.TestCase):
    def session(self, **kw):
        s = harness.Session("first-run", **kw)
        self.addCleanup(s.close)
        return s

    def run_install_branch(self, session, expect="installed"):
        """Starts QuietSpin, goes through both boxes answering No, returns the exit code once the
        batch file has logged a line with the word `expect`."""
        logged = len(install_log(session))
        proc = session.start()
        first = next_box(session, proc)
        self.assertEqual(first.text, INSTALL_TEXT)
        self.assertEqual(first.button_names, ["OK"])
        self.assertEqual(visible_windows_but(session, proc, first), [], "only the box is shown")
        self.assertEqual(len(install_log(session)), logged, "the batch file starts only after OK")
        answer(session, first, "OK")

        second = next_box(session, proc, previous=first.wid)
        self.assertEqual(second.text, REBOOT_TEXT)
        self.assertEqual(second.button_names, ["Yes", "No"])
        self.assertEqual(visible_windows_but(session, proc, second), [])
        harness.wait_until(lambda: any(expect in line for line in install_log(session)[logged:]), 30, 0.2,
                           f"the batch file's '{expect}' line")
        answer(session, second, "No")
        self.assertTrue(harness.exited(proc, 15),
                        f"No ends the program; still shown: {session.windows_of(proc)}")
        return proc.returncode


class FirstRun(InstallBranchCase):
    def test_first_run_installs_then_runs_normally_until_the_marker_is_deleted(self):
        s = self.session(first_run_done=False)
        self.assertNotEqual(s.reg_query(harness.MARKER_KEY).returncode, 0,
                            "the prefix starts without a marker")

        # A fresh machine with a working layer still gets the install branch, and no drive hears
        # anything while its boxes are open (more than one re-apply period goes by).
        self.assertEqual(self.run_install_branch(s), 0)
        self.assertEqual(s.aspi.sends(), [])
        self.assertEqual(len(install_log(s)), 1)
        query = s.reg_query(harness.MARKER_KEY, "FirstTime")
        self.assertEqual(query.returncode, 0, query.stderr)
        self.assertRegex(query.stdout, r"FirstTime\s+REG_DWORD\s+0x0\b")

        # The next start passes both checks: the window comes up and the re-apply timer speaks.
        proc = s.start()
        s.main_window(proc)
        harness.wait_until(lambda: s.aspi.executes(), 10, 0.2, "the first speed command")
        # Every execute request is SET CD SPEED (0xBB; the command block starts at byte 48).
        self.assertTrue(all(srb[48] == 0xBB for _, _, srb in s.aspi.executes()))
        proc.kill()
        proc.wait()
        s.run("wineserver", "-w", timeout=30)

        # Without the key, the next start is a first run again.
        self.assertEqual(s.reg("delete", harness.MARKER_KEY, "/f").returncode, 0)
        before = len(s.aspi.executes())
        self.assertEqual(self.run_install_branch(s), 0)
        self.assertEqual(len(s.aspi.executes()), before)
        self.assertEqual(len(install_log(s)), 2)

    def test_without_a_layer_every_start_runs_the_install_branch(self):
        # No layer beside the program, Wine's own switched off, and an installer that fails.
        s = self.session(layer=False)
        os.remove(os.path.join(s.program, "ASPI", "WNASPI32.DLL"))
        for run in (1, 2):
            with self.subTest(run=run):
                self.assertEqual(self.run_install_branch(s, expect="failed"), 0)
                self.assertEqual(sum("failed" in line for line in install_log(s)), run)
        self.assertEqual(s.aspi.lines(), [])

    def test_missing_batch_file_shows_an_error_naming_it_and_ends(self):
        s = self.session(first_run_done=False)
        os.remove(os.path.join(s.program, "INSTASPI.BAT"))
        proc = s.start()
        first = next_box(s, proc)
        self.assertEqual(first.text, INSTALL_TEXT)
        answer(s, first, "OK")
        error = next_box(s, proc, previous=first.wid)
        self.assertIn("INSTASPI.BAT", error.text)
        self.assertEqual(error.button_names, ["OK"], "an error, not the restart question")
        answer(s, error, "OK")
        self.assertTrue(harness.exited(proc, 15))
        self.assertNotEqual(proc.returncode, 0)
        self.assertEqual(s.aspi.sends(), [])


class OwnLayer(InstallBranchCase):
    def test_program_runs_with_the_installed_layer_and_sends_nothing(self):
        # Wine's own layer is switched off; the install branch puts ours into the system folder.
        # The program folder's name holds what cmd would read if it saw it: a variable's name
        # between percent signs, an ampersand, a lone percent sign.
        s = self.session(layer=False, fakeaspi=None)
        odd = os.path.join(s.dir, "Quiet %SystemRoot% & Spin 100%")
        os.rename(s.program, odd)
        s.program = odd
        self.assertEqual(self.run_install_branch(s), 0)
        probe = shutil.copy(os.path.join(harness.BUILD, "tests", "win", "aspi_layer_probe.exe"), s.dir)
        out = s.run("wine", probe, cwd=s.dir, timeout=60).stdout.replace("\r", "")
        self.assertRegex(out, r"(?im)^path c:\\windows\\system32\\wnaspi32\.dll$")
        self.assertRegex(out, r"(?m)^support 0000E800$", "status 0xE8: no adapters")

        # Calls into the libraries are traced, so the test sees what QuietSpin asks of the layer.
        trace = os.path.join(s.dir, "snoop.txt")
        env = dict(s.env, WINEDEBUG="+snoop")
        def calls():
            with open(trace, errors="replace") as f:
                return re.findall(r"CALL (WNASPI32\.\w+)", f.read(), re.IGNORECASE)
        with open(trace, "w") as err:
            proc = subprocess.Popen(["wine", os.path.join(s.program, "QuietSpin.exe")], cwd=s.program,
                                    env=env, stdout=subprocess.DEVNULL, stderr=err)
            s.procs.append(proc)
            s.main_window(proc, timeout=30)
            # Each tick asks the layer for its adapters: by the second tick's question the first
            # tick is over, and it sent nothing.
            harness.wait_until(lambda: calls().count("WNASPI32.GetASPI32SupportInfo") >= 2, 30, 0.2,
                               "two re-apply periods")
            self.assertIsNone(proc.poll(), "the program keeps running with the layer")
            proc.kill()
            proc.wait()
        self.assertNotIn("WNASPI32.SendASPI32Command", calls())


if __name__ == "__main__":
    harness.main()
