"""The benchmarks' own arithmetic and files: the figures of the window's answers to pings and
of its grid's samples (bench/window_ping.py), and the distinct copies of a photo that make a
big folder (bench/jpeg_copies.py)."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # no cache folder beside the scripts in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench"))
import jpeg_copies  # noqa: E402
import window_ping  # noqa: E402


class PingFigures(unittest.TestCase):
    def test_answers_give_slowest_percentile_and_count_over_100_ms(self):
        pings = [(i * 0.02, i * 0.02 + 0.001) for i in range(98)] + [(2.0, 2.150), (2.02, 2.4)]
        figures = window_ping.ping_figures(pings, evaluated=10.0)
        self.assertEqual(figures["pings"], 100)
        self.assertEqual(figures["unanswered"], 0)
        self.assertEqual(figures["ping_max_ms"], "380.0")
        self.assertEqual(figures["ping_p99_ms"], "380.0")
        self.assertEqual(figures["ping_median_ms"], "1.0")
        self.assertEqual(figures["ping_over_100"], 2)

    def test_an_unanswered_ping_counts_with_its_age(self):
        # A window frozen to the end must not look quick because it never answered; nor one
        # whose answer came only after the figures were taken.
        figures = window_ping.ping_figures([(1.0, 1.002), (1.5, None), (1.8, 9.0)], evaluated=4.0)
        self.assertEqual(figures["unanswered"], 2)
        self.assertEqual(figures["ping_max_ms"], "2500.0")
        self.assertEqual(figures["ping_over_100"], 2)

    def test_no_ping_no_figures(self):
        self.assertEqual(window_ping.ping_figures([], evaluated=1.0), {"pings": 0})


class ScreenFigures(unittest.TestCase):
    @staticmethod
    def frames(*looks):
        return [(t, tuple(tiles)) for t, tiles in looks]

    def test_first_change_filled_and_final_screen(self):
        # Ten tiles, blank before the press at 1.0; at 1.2 all show something, at 2.0 nine their
        # final look; the tenth only at 3.0.
        blank, interim, final = [0] * 10, [5] * 10, list(range(1, 11))
        frames = self.frames((0.9, blank), (1.1, blank), (1.2, interim), (2.0, final[:9] + [5]), (3.0, final),
                             (3.5, final))
        figures = window_ping.screen_figures(frames, set(), since=0.9, pressed=1.0)
        self.assertEqual(figures["first_change_ms"], "200")
        self.assertEqual(figures["screen_filled_ms"], "200")
        self.assertEqual(figures["first_screen_ms"], "1000")
        self.assertEqual(figures["whole_screen_ms"], "2000")
        self.assertEqual(figures["tiles_covered"], "0/10")

    def test_a_tile_is_final_only_from_its_last_return_to_the_final_look(self):
        frames = self.frames((0.0, [0, 0]), (1.0, [7, 9]), (2.0, [8, 9]), (3.0, [7, 9]), (4.0, [7, 9]))
        figures = window_ping.screen_figures(frames, set(), since=0.0, pressed=0.0)
        self.assertEqual(figures["whole_screen_ms"], "3000")
        self.assertEqual(figures["first_screen_ms"], "3000")  # 90 % of two tiles is both

    def test_covered_tiles_are_left_out(self):
        # Tile 1 lay under the progress window until the end: its late change says nothing.
        frames = self.frames((0.0, [0, 0, 0]), (1.0, [4, 0, 6]), (5.0, [4, 3, 6]))
        figures = window_ping.screen_figures(frames, {1}, since=0.0, pressed=0.0)
        self.assertEqual(figures["first_screen_ms"], "1000")
        self.assertEqual(figures["tiles_covered"], "1/3")
        self.assertEqual(window_ping.screen_figures(frames, {0, 1, 2}, 0.0, 0.0).get("first_screen_ms"), None)

    def test_too_few_frames_give_nothing(self):
        self.assertEqual(window_ping.screen_figures(self.frames((1.0, [1])), set(), 0.0, 0.0), {})


class JobLines(unittest.TestCase):
    def test_begin_and_end_whatever_the_message_pattern_puts_before(self):
        match = window_ping.JOB_LINE.search("tarvix.jobs: end load 1234 ms\n")
        self.assertEqual(match.groups(), ("end", "load", "1234"))
        match = window_ping.JOB_LINE.search("12:00:01.5 info tarvix.jobs: begin automatic")
        self.assertEqual(match.groups(), ("begin", "automatic", None))
        self.assertIsNone(window_ping.JOB_LINE.search("tarvix.other: begin load"))


class JpegCopies(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tarvix-bench-test-")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def base(self, name, data):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def test_comment_goes_after_the_app_segments_and_makes_every_file_distinct(self):
        exif = b"\xff\xe1\x00\x08Exif\x00\x00"
        app13 = b"\xff\xed\x00\x04ab"
        rest = b"\xff\xdb\x00\x03\x01\xff\xd9"
        base = self.base("base.jpg", b"\xff\xd8" + exif + app13 + rest)
        out = os.path.join(self.folder, "out")
        os.mkdir(out)
        self.assertEqual(jpeg_copies.main([out, "3", base]), 0)
        names = sorted(os.listdir(out))
        self.assertEqual(names, ["PIC_00001.jpg", "PIC_00002.jpg", "PIC_00003.jpg"])
        contents = []
        for name in names:
            with open(os.path.join(out, name), "rb") as f:
                contents.append(f.read())
        self.assertEqual(len(set(contents)), 3)
        self.assertEqual(contents[1], b"\xff\xd8" + exif + app13 + b"\xff\xfe\x00\x08copy 2" + rest)

    def test_a_file_that_is_no_jpeg_is_refused(self):
        base = self.base("text.jpg", b"not a picture")
        self.assertEqual(jpeg_copies.main([self.folder, "2", base]), 1)
        self.assertFalse(any(n.startswith("PIC_") for n in os.listdir(self.folder)))

    @unittest.skipUnless(shutil.which("cjpeg") and shutil.which("djpeg"), "needs cjpeg and djpeg")
    def test_copies_decode_to_the_base_picture(self):
        ppm = b"P6 16 8 255\n" + bytes((x * 13 + y * 7) % 256 for y in range(8) for x in range(16 * 3))
        base = os.path.join(self.folder, "base.jpg")
        with open(base, "wb") as f:
            f.write(subprocess.run(["cjpeg"], input=ppm, stdout=subprocess.PIPE, check=True).stdout)
        out = os.path.join(self.folder, "out")
        os.mkdir(out)
        self.assertEqual(jpeg_copies.main([out, "2", base]), 0)

        def decode(path):
            return subprocess.run(["djpeg", path], stdout=subprocess.PIPE, check=True).stdout

        for name in os.listdir(out):
            self.assertEqual(decode(os.path.join(out, name)), decode(base))


if __name__ == "__main__":
    unittest.main()
