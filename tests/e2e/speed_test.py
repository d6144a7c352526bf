"""The drive speed command end to end: the real QuietSpin.exe under Wine with the test ASPI layer."""
import time
import unittest

import harness

EXIT_BUTTON = (294 + 430, 114 + 316)   # screen point over picExit


def expected_record(ha, target, speed):
    r = bytearray(80)
    r[0], r[2], r[3], r[8] = 2, ha, 8, target
    r[20], r[21] = 14, 12
    r[48] = 0xBB
    r[50:54] = bytes([speed] * 4)
    return bytes(r)


class DriveSpeed(unittest.TestCase):
    def test_ticks_reach_exactly_the_cdrom_drives_in_order_and_exit_sends_the_top_speed(self):
        with harness.Session("speed-ticks", fakeaspi="devices=0:0:0,0:1:5,1:0:5 delay=150") as s:
            app = s.start()
            s.main_window(app)
            shown = time.monotonic()
            # Three ticks' worth of requests.
            harness.wait_until(lambda: len(s.aspi.executes()) >= 6, 20, what="three ticks")
            execs = s.aspi.executes()
            self.assertGreaterEqual(time.monotonic() - shown, 3.0, "ticks come every 2 s")
            devices = [d for _, d, _ in execs[:6]]
            self.assertEqual(devices, ["0:1", "1:0"] * 3, "only the CD-ROM drives, adapter 0 first")
            for _, device, record in execs[:6]:
                ha, target = map(int, device.split(":"))
                self.assertEqual(record, expected_record(ha, target, 52))
            # No command before the first tick, about 2 s after the window came up; then every 2 s.
            stamps = [ms for ms, _, _ in execs[:6:2]]
            self.assertGreaterEqual(stamps[0], 1800)
            for a, b in zip(stamps, stamps[1:]):
                self.assertTrue(1500 <= b - a <= 3000, f"ticks {a} and {b} are not 2 s apart")
            # Each drive's request finishes before the next device is examined.
            lines = s.aspi.lines()
            done = next(ms for ms, kind, rest in lines if kind == "DONE" and rest[0] == "0:1")
            probe = next(ms for ms, kind, rest in lines
                         if kind == "SEND" and rest[0] == "1" and rest[1] == "0:2" and ms >= stamps[0])
            self.assertLessEqual(done, probe)
            self.assertFalse(s.aspi.kinds("CHANGED"))

            before = len(s.aspi.executes())
            s.move(*EXIT_BUTTON)
            s.click()
            self.assertTrue(harness.exited(app, 10), "the exit button ends the program")
            final = s.aspi.executes()[before:]
            self.assertEqual([d for _, d, _ in final][-2:], ["0:1", "1:0"])
            self.assertEqual(final[-1][2], expected_record(1, 0, 52))

    def test_a_failed_support_status_sends_nothing_and_shows_nothing(self):
        with harness.Session("speed-status", fakeaspi="devices=0:1:5 support=0x0201") as s:
            app = s.start()
            wid = s.main_window(app)
            # Each tick asks the layer: by the second tick's question the first tick is over.
            harness.wait_until(lambda: len(s.aspi.kinds("SUPPORT")) >= 2, 20, what="two ticks")
            self.assertEqual(s.aspi.sends(), [])
            self.assertEqual(s.windows_of(app), [wid], "no message box")
            self.assertIsNone(app.poll())

    def test_slow_and_silent_drives_leave_the_program_responsive_and_able_to_close(self):
        with harness.Session("speed-slow", fakeaspi="devices=0:1:5,1:0:5 delay=3000 never=1:0") as s:
            app = s.start()
            s.main_window(app)
            harness.wait_until(lambda: s.aspi.executes(), 15, what="the first request")
            # While the drives work (the second never answers), the meter still follows the
            # pointer: from the top level (every bar black) to level 1 and back.
            meter = (294 + 212, 114 + 436, 164, 28)
            top = s.screenshot()
            s.move(294 + 210, 114 + 450)
            low = s.shot_when(lambda shot: s.crop_differs(top, shot, *meter), "the meter at level 1")
            s.move(294 + 380, 114 + 450)
            s.shot_when(lambda shot: s.crop_differs(low, shot, *meter), "the meter back at the top level")
            # The silent drive holds a request forever; the program still closes.
            harness.wait_until(lambda: any(d == "1:0" for _, d, _ in s.aspi.executes()), 10,
                               what="the silent drive's request")
            started = time.monotonic()
            s.move(*EXIT_BUTTON)
            s.click()
            self.assertTrue(harness.exited(app, 10), "closes within 10 s")
            self.assertLess(time.monotonic() - started, 10)
            self.assertFalse(s.aspi.kinds("CHANGED"), "no record changed before it completed")
            self.assertFalse(s.aspi.kinds("GONE"), "no record freed before it completed")


if __name__ == "__main__":
    harness.main()
