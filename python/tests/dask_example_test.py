#!/usr/bin/python3
"""The Dask example on a local cluster of two worker processes writes the bytes text2jpg-cli
writes for the same notes and settings.

    dask_example_test.py EXAMPLE TEXT2JPG_CLI     (PYTHONPATH at the built module)
"""
import os
import subprocess
import sys
import tempfile
import unittest

EXAMPLE, CLI = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])

NOTES = {
    "monday": "周一：\n  整理会议记录。\n",
    "tuesday": "周二：\n  Deadline 5 pm，别忘了！\n",
    "wednesday": "مرحبا\n第三天 😀\n",
    "thursday": "一\n二\n三\n四\n",
    "friday": "周五",
}


class DaskExampleTest(unittest.TestCase):
    def test_two_workers_write_the_tools_bytes(self):
        with tempfile.TemporaryDirectory(prefix="t2j-dask-") as work:
            notes_dir = os.path.join(work, "notes")
            os.makedirs(notes_dir)
            for name, text in NOTES.items():
                with open(os.path.join(notes_dir, name + ".txt"), "w", encoding="utf-8") as f:
                    f.write(text)
            out_dir, expected_dir = os.path.join(work, "out"), os.path.join(work, "expected")

            run = subprocess.run(
                [sys.executable, EXAMPLE, notes_dir, out_dir, "--workers", "2", "--font", "黑体",
                 "--size", "14", "--format", "png"],
                cwd=work, capture_output=True, text=True, timeout=240,
                env=dict(os.environ, DASK_TEMPORARY_DIRECTORY=work))  # the workers' space
            self.assertEqual(run.returncode, 0, run.stderr)
            subprocess.run([CLI, "-f", "黑体", "-s", "14", "--format", "png", "-O", expected_dir,
                            *sorted(os.path.join(notes_dir, n + ".txt") for n in NOTES)],
                           check=True, capture_output=True)

            written = sorted(os.listdir(out_dir))
            self.assertEqual(written, sorted(n + ".png" for n in NOTES))
            self.assertEqual(run.stdout.split(), [os.path.join(out_dir, n) for n in written])
            for name in written:
                with open(os.path.join(out_dir, name), "rb") as a, \
                        open(os.path.join(expected_dir, name), "rb") as b:
                    self.assertEqual(a.read(), b.read(), name)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
