"""INSTASPI.BAT and the shipped ASPI layer under Wine: the batch puts ASPI\\WNASPI32.DLL from the
program folder into the system folder, keeps the layer it found there, logs one line per run, and a
program that loads WNASPI32.DLL by name afterwards gets our layer, which sees no drives here."""
import filecmp
import hashlib
import os
import shutil
import unittest

import harness

PROBE = os.path.join(harness.BUILD, "tests", "win", "aspi_layer_probe.exe")


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def find_ci(folder, name):
    """The file in folder whose name matches name in any case (Wine keeps the case it was given)."""
    for entry in os.listdir(folder):
        if entry.lower() == name.lower():
            return os.path.join(folder, entry)
    return None


class InstallBatch(unittest.TestCase):
    def setUp(self):
        self.session = harness.Session("aspi-layer", fakeaspi=None, layer=False)
        self.addCleanup(self.session.close)
        self.system = os.path.join(self.session.prefix, "drive_c", "windows", "system32")
        self.shipped = os.path.join(self.session.program, "ASPI", "WNASPI32.DLL")
        self.log = os.path.join(self.session.program, "INSTASPI.LOG")
        self.builtin = find_ci(self.system, "wnaspi32.dll")
        self.assertIsNotNone(self.builtin, "the prefix has no layer of its own to keep")
        self.template_layer = os.path.join(harness.TEMPLATE, "drive_c", "windows", "system32",
                                           os.path.basename(self.builtin))
        self.template_digest = digest(self.template_layer)

    def install(self):
        # Started from another working folder: the batch must find its files by its own location.
        return self.session.run("wine", "cmd", "/c", harness.to_windows_path(
            os.path.join(self.session.program, "INSTASPI.BAT")), cwd=self.session.prefix, timeout=60)

    def log_lines(self):
        with open(self.log, "rb") as f:
            raw = f.read()
        return [line for line in raw.decode("ascii").split("\r\n") if line]

    def test_installs_keeps_the_old_layer_once_and_logs(self):
        self.assertTrue(os.path.isfile(self.shipped), "the program folder lacks ASPI\\WNASPI32.DLL")
        self.assertIsNone(find_ci(self.session.program, "WNASPI32.DLL"),
                          "a layer beside QuietSpin would be loaded before installation")
        original = digest(self.builtin)

        result = self.install()
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        installed = find_ci(self.system, "wnaspi32.dll")
        self.assertTrue(filecmp.cmp(installed, self.shipped, shallow=False))
        backup = find_ci(self.system, "WNASPI32.QuietSpin-1.BAK")
        self.assertIsNotNone(backup, self.log_lines())
        self.assertEqual(digest(backup), original)
        lines = self.log_lines()
        self.assertEqual(len(lines), 1)
        # Wine's placeholder does not load as a native library (the session allows only native).
        self.assertRegex(lines[0], r"(?i)\binstalled WNASPI32\.DLL in C:\\windows\\system32: the layer there does "
                                   r"not load; it is kept as C:\\windows\\system32\\WNASPI32\.QuietSpin-1\.BAK$")
        # The prefix shares its files with the template; replacing must not write through to it.
        self.assertEqual(digest(self.template_layer), self.template_digest)

        result = self.install()
        self.assertEqual(result.returncode, 0)
        self.assertEqual(digest(backup), original, "a second run must keep the first layer's copy")
        self.assertEqual(len(self.log_lines()), 2)

    def test_installed_layer_is_loaded_by_name_and_sees_no_adapters(self):
        self.assertEqual(self.install().returncode, 0)
        probe_dir = os.path.join(self.session.dir, "probe")
        os.makedirs(probe_dir)
        probe = shutil.copy(PROBE, probe_dir)
        result = self.session.run("wine", probe, cwd=probe_dir, timeout=60)
        self.assertEqual(result.returncode, 0, result.stdout)
        out = dict(line.split(" ", 1) for line in result.stdout.replace("\r", "").splitlines() if " " in line)
        self.assertEqual(out["path"].lower(), r"c:\windows\system32\wnaspi32.dll")
        self.assertEqual(out["support"], "0000E800")
        self.assertEqual(out["inquiry"], "81")  # SS_INVALID_HA: there is no adapter 0

    def test_missing_layer_in_program_folder_fails_and_logs(self):
        shutil.rmtree(os.path.join(self.session.program, "ASPI"))
        before = digest(self.builtin)
        result = self.install()
        self.assertEqual(result.returncode, 1)
        self.assertEqual(digest(find_ci(self.system, "wnaspi32.dll")), before)
        lines = self.log_lines()
        self.assertEqual(len(lines), 1)
        self.assertIn("failed", lines[0])
        self.assertIn("is missing", lines[0])

    def test_layer_that_does_not_land_fails_and_logs(self):
        # A folder where the layer should go: the copy seems to work, but no file of the right
        # size and bytes is there afterwards.
        os.remove(self.builtin)
        os.makedirs(self.builtin)
        result = self.install()
        self.assertEqual(result.returncode, 1)
        self.assertTrue(os.path.isdir(self.builtin))
        self.assertIn("failed to copy WNASPI32.DLL", self.log_lines()[-1])
        self.assertEqual(digest(self.template_layer), self.template_digest)

if __name__ == "__main__":
    unittest.main()
