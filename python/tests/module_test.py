#!/usr/bin/python3
"""The text2jpg module against text2jpg-cli: the same bytes for the same text and settings, the
tool's messages in its exceptions, the same bytes from several threads at once; the README's
example runs.

    module_test.py TEXT2JPG_CLI README     (PYTHONPATH at the built module)
"""
import os
import pathlib
import subprocess
import sys
import tempfile
import threading
import unittest
import warnings

import text2jpg

CLI, README = sys.argv[1], sys.argv[2]

NOTE = "说明：\n   1 转换的文本宽度是根据本输入框输入的文字和设置的字体大小来决定的。\n\n   请输入！\n"
MIXED = "你好，世界 Hello\nمرحبا بالعالم\n😀 emoji 👍 ok\n"
LONG_LINE = "这是一行很长的文字，它会在给定的宽度处换行，而不会在标点之前断开。" * 3 + "\n"

# (name, keywords of the module, options of the tool, text)
SETTINGS = [
    ("defaults", {}, [], NOTE),
    ("chinese_face", {"font": "黑体"}, ["-f", "黑体"], NOTE),
    ("windows_face", {"font": "SimSun"}, ["-f", "SimSun"], NOTE),
    ("family_with_style", {"font": "DejaVu Sans Bold"}, ["-f", "DejaVu Sans Bold"], MIXED),
    ("size_24", {"size": 24}, ["-s", "24"], NOTE),
    ("size_9_dpi_120", {"size": 9, "dpi": 120}, ["-s", "9", "--dpi", "120"], NOTE),
    ("color_hex", {"color": "#C04000"}, ["-c", "#C04000"], NOTE),
    ("color_short_hex", {"color": "#f80"}, ["-c", "#f80"], NOTE),
    ("color_cl_name", {"color": "clNavy"}, ["-c", "clNavy"], NOTE),
    ("color_css_name", {"color": "rebeccapurple"}, ["-c", "rebeccapurple"], NOTE),
    ("color_number_bgr", {"color": "0x00FF0000"}, ["-c", "0x00FF0000"], NOTE),
    ("color_rgb_tuple", {"color": (255, 0, 0)}, ["-c", "#FF0000"], NOTE),
    ("background", {"background": "#FFFFE0", "color": "clBlack"},
     ["--background", "#FFFFE0", "-c", "clBlack"], NOTE),
    ("negative_spacing_no_margin", {"line_spacing": -3, "margin": 0}, ["-l", "-3", "-m", "0"],
     NOTE),
    ("width_wraps", {"width": 200, "margin": 5}, ["--width", "200", "-m", "5"], LONG_LINE),
    ("png", {"format": "png", "align": "center"}, ["--format", "png", "--align", "center"], NOTE),
    ("quality_50_right", {"quality": 50, "align": "right"}, ["--quality", "50", "--align",
                                                              "right"], MIXED),
    ("mixed_scripts", {"size": 16}, ["-s", "16"], MIXED),
    ("crlf_lines", {}, [], "一\r\n二\r\n\r\n三\r\n"),
]


def cli(options, text, *, check=True):
    return subprocess.run([CLI, *options], input=text.encode("utf-8"), capture_output=True,
                          check=check)


class SameBytesAsTheTool(unittest.TestCase):
    def test_render_and_size_over_the_settings(self):
        for name, keywords, options, text in SETTINGS:
            with self.subTest(name):
                expected = cli([*options, "-o", "-"], text).stdout
                self.assertEqual(text2jpg.render(text, **keywords), expected)
                width, height = cli([*options, "--print-size"], text).stdout.decode().split("x")
                self.assertEqual(text2jpg.size(text, **keywords), (int(width), int(height)))

    def test_save_takes_the_format_from_the_path_as_the_tool_does(self):
        with tempfile.TemporaryDirectory(prefix="t2j-py-") as work:
            for name, keywords in (("a.png", {}), ("b.PNG", {"size": 20}), ("c.txt", {}),
                                   ("d.jpg", {"format": "png"}), ("e", {})):
                with self.subTest(name):
                    ours = pathlib.Path(work, "ours-" + name)
                    theirs = os.path.join(work, "theirs-" + name)
                    text2jpg.save(NOTE, ours, **keywords)  # os.PathLike
                    options = [f"--{k}={v}" for k, v in keywords.items()]
                    cli([*options, "-o", theirs], NOTE)
                    self.assertEqual(ours.read_bytes(), pathlib.Path(theirs).read_bytes())

    def test_threads_give_the_bytes_of_one_thread(self):
        jobs = [(text, keywords) for _, keywords, _, text in SETTINGS[:8]] * 3
        expected = [text2jpg.render(text, **keywords) for text, keywords in jobs]
        results = [None] * len(jobs)

        def work(first):
            for i in range(first, len(jobs), 4):
                results[i] = text2jpg.render(jobs[i][0], **jobs[i][1])

        threads = [threading.Thread(target=work, args=(i,)) for i in range(4)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(results, expected)

    def test_missing_glyph_warns_and_still_draws(self):
        text = "a\U000F0000b\n"
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            picture = text2jpg.render(text)
        self.assertEqual([w.category for w in caught], [text2jpg.FontWarning])
        self.assertIn("U+F0000", str(caught[0].message))
        self.assertEqual(picture, cli(["-o", "-"], text).stdout)
        with warnings.catch_warnings():
            warnings.simplefilter("error", text2jpg.FontWarning)
            with self.assertRaises(text2jpg.FontWarning):
                text2jpg.render(text)


class Failures(unittest.TestCase):
    def test_bad_settings_raise_value_error_naming_the_value(self):
        for keywords, shown in (({"quality": 0}, "0"), ({"align": "middle"}, "middle"),
                                ({"color": "notacolour"}, "notacolour"),
                                ({"background": "#12345"}, "#12345"), ({"format": "gif"}, "gif"),
                                ({"dpi": 0}, "0"), ({"size": 2**31}, "2147483648"),
                                ({"font": "宋\0体"}, "NUL"), ({"color": (0, 0, 256)}, "256")):
            with self.subTest(keywords):
                with self.assertRaises(ValueError) as caught:
                    text2jpg.render("x", **keywords)
                self.assertIn(shown, str(caught.exception))

    def test_wrong_types_raise_type_error(self):
        for args, keywords in ((("x",), {"size": "12"}), (("x",), {"size": 12.0}),
                               (("x",), {"color": 0xFF0000}), ((b"x",), {}),
                               (("x",), {"font": None}), (("x",), {"colour": "red"}),
                               (("x", "宋体"), {})):
            with self.subTest(args=args, keywords=keywords):
                with self.assertRaises(TypeError):
                    text2jpg.render(*args, **keywords)

    def test_failures_carry_the_tools_message(self):
        with tempfile.TemporaryDirectory(prefix="t2j-py-") as work:
            blocker = os.path.join(work, "file")
            open(blocker, "w").close()
            through_a_file = os.path.join(blocker, "x.jpg")
            cases = [("empty text", lambda: text2jpg.render(""), ["-o", "-"], ""),
                     ("too tall", lambda: text2jpg.render("字\n" * 5000, size=100),
                      ["-s", "100", "-o", "-"], "字\n" * 5000),
                     ("unwritable", lambda: text2jpg.save("x", through_a_file),
                      ["-o", through_a_file], "x")]
            for name, call, options, text in cases:
                with self.subTest(name):
                    with self.assertRaises(text2jpg.Error) as caught:
                        call()
                    tool = cli(options, text, check=False)
                    self.assertNotEqual(tool.returncode, 0)
                    self.assertTrue(str(caught.exception))
                    self.assertIn(str(caught.exception), tool.stderr.decode())
            self.assertEqual(os.listdir(work), ["file"])


class ReadmeExample(unittest.TestCase):
    def test_the_python_example_runs(self):
        with open(README, encoding="utf-8") as f:
            section = f.read().split("## From Python", 1)[1]
        code = section.split("```python\n", 1)[1].split("```", 1)[0]
        with tempfile.TemporaryDirectory(prefix="t2j-py-") as work:
            run = subprocess.run([sys.executable, "-c", code], cwd=work, capture_output=True,
                                 text=True)
            self.assertEqual(run.returncode, 0, run.stderr)
            self.assertEqual(pathlib.Path(work, "hello.jpg").read_bytes()[:3], b"\xff\xd8\xff")
            self.assertEqual(pathlib.Path(work, "notes.png").read_bytes()[:4], b"\x89PNG")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
