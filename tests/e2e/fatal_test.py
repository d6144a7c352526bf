"""A skin picture that cannot be loaded while the program runs: an error naming it, then the end."""
import os
import unittest

import harness


class FatalPicture(unittest.TestCase):
    def test_a_missing_hover_picture_names_the_file_ends_the_program_and_removes_the_tray_icon(self):
        with harness.Session("fatal-hover") as s:
            os.remove(os.path.join(s.program, "GIF", "exit_click.jpg"))
            app = s.start()
            s.main_window(app)
            tray = s.window_named("^Wine System Tray$")
            self.assertTrue(tray)
            s.move(294 + 430, 114 + 316)   # over the exit button: its lit picture is missing
            box = s.window_named("^QuietSpin$", timeout=10)
            harness.wait_until(s.message_texts, 10, what="the message's text")
            self.assertIn("\\GIF\\exit_click.jpg", s.message_texts()[0])
            s.key(box, "Return")
            self.assertTrue(harness.exited(app, 10))
            self.assertNotEqual(app.returncode, 0)
            self.assertEqual(s.xdo("search", "--onlyvisible", "--name", "^Wine System Tray$").split(), [],
                             "no tray icon is left behind")


if __name__ == "__main__":
    harness.main()
