#!/usr/bin/python3
"""Times text2jpg-cli on three workloads against the floor of encoding the same picture.

For each workload it prints the picture's size, the median wall time of the whole process, its
peak memory (maximum resident set), and two ratios measured in the same run: to
`cjpeg -quality 90 -dct float` encoding a PPM of the same picture, and to a Pillow script that
draws the same lines with the same font file and saves a JPEG at quality 90.

Run it with `make bench`; it needs libjpeg-turbo-progs and python3-pil.
"""

import argparse
import os
import random
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

FONT_FILE = "/usr/share/fonts/truetype/arphic/uming.ttc"  # AR PL UMing CN, the face of 宋体
HANZI = ("的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可也你"
         "说明转换文本宽度根据输入框文字设置字体大小决定生成文件自动保存软件运行目录请按钮")
ASCII = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,;:-+()"


def short_note():
    return "\n".join([
        "说明：",
        "   1 转换的文本宽度是根据本输入框输入的文字和设置的字体大小来决定的。",
        "   2 生成的JPG文件自动保存在软件运行目录。",
        "   3 字体、大小、颜色、行距和页边距可在下方设置。",
        "   4 勾选“预览”可在下方查看生成的图片。",
        "",
        "   请输入转换的文本内容，然后按【转换】按纽！",
    ]) + "\n"


def long_text():
    rng = random.Random(20261209)
    lines = []
    for _ in range(2000):
        n = rng.randint(20, 45)
        lines.append("".join(rng.choice(HANZI) if rng.random() < 0.6 else rng.choice(ASCII)
                             for _ in range(n)))
    return "\n".join(lines) + "\n"


def wide_text():
    rng = random.Random(4000)
    return "\n".join("".join(rng.choice(ASCII) for _ in range(4000)) for _ in range(60)) + "\n"


PILLOW_SCRIPT = r'''
import sys
from PIL import Image, ImageDraw, ImageFont
text_file, out_file, font_file, h = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
size_px, spacing, margin = 16, 4, 10
font = ImageFont.truetype(font_file, size_px, index=0)
with open(text_file, encoding="utf-8") as f:
    lines = f.read().split("\n")
if lines and lines[-1] == "":
    lines.pop()
widths = [int(font.getlength(line)) for line in lines]
width = max(widths) + 2 * margin
height = len(lines) * (h + spacing) - spacing + 2 * margin
image = Image.new("RGB", (width, height), "white")
draw = ImageDraw.Draw(image)
for i, line in enumerate(lines):
    draw.text((margin, margin + i * (h + spacing)), line, font=font, fill=(0, 128, 0))
image.save(out_file, "JPEG", quality=90)
'''


def run_measured(command, stdin_path=None):
    """Wall time in seconds and peak resident memory in bytes of one process."""
    stdin = open(stdin_path, "rb") if stdin_path else subprocess.DEVNULL
    try:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdin=stdin, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE)
        _, status, usage = os.wait4(process.pid, 0)
        elapsed = time.perf_counter() - start
    finally:
        if stdin_path:
            stdin.close()
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        err = process.stderr.read().decode(errors="replace")
        raise SystemExit(f"{' '.join(command)} failed ({code}): {err}")
    process.stderr.close()
    return elapsed, usage.ru_maxrss * 1024


def median_run(command, repeats, stdin_path=None):
    times, peaks = [], []
    for _ in range(repeats):
        elapsed, peak = run_measured(command, stdin_path)
        times.append(elapsed)
        peaks.append(peak)
    return statistics.median(times), max(peaks)


def jpeg_size(path):
    with open(path, "rb") as f:
        data = f.read()
    i = 2
    while i < len(data):
        marker, length = data[i + 1], struct.unpack(">H", data[i + 2:i + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            height, width = struct.unpack(">HH", data[i + 5:i + 9])
            return width, height
        i += 2 + length
    raise SystemExit(f"no frame header in {path}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="path of text2jpg-cli")
    parser.add_argument("--repeats", type=int, default=5)
    args = parser.parse_args()
    cli = os.path.abspath(args.cli)
    for tool in ("cjpeg", "djpeg"):
        if not shutil.which(tool):
            raise SystemExit(f"{tool} is missing: run scripts/install-deps.sh --bench")

    workloads = [("short note", short_note(), 2 * args.repeats),
                 ("long text", long_text(), args.repeats),
                 ("wide text", wide_text(), args.repeats)]
    results = []
    with tempfile.TemporaryDirectory(prefix="t2j-bench-") as work:
        pillow_script = os.path.join(work, "pillow_render.py")
        with open(pillow_script, "w") as f:
            f.write(PILLOW_SCRIPT)
        for name, text, repeats in workloads:
            text_path = os.path.join(work, "input.txt")
            with open(text_path, "w", encoding="utf-8") as f:
                f.write(text)
            out = os.path.join(work, "out.jpg")
            ours, peak = median_run([cli, "-f", "宋体", "-s", "12", "-l", "4", "-m", "10",
                                     "-o", out, text_path], repeats)
            width, height = jpeg_size(out)
            jpeg_bytes = os.path.getsize(out)

            # The same picture as a PPM, for the encoder-only floor.
            ppm = os.path.join(work, "picture.ppm")
            subprocess.run(["djpeg", "-pnm", "-outfile", ppm, out], check=True)
            floor, _ = median_run(["cjpeg", "-quality", "90", "-dct", "float", "-outfile",
                                   os.path.join(work, "floor.jpg"), ppm], repeats)
            # Pillow draws with our line pitch, so that both pictures have the same size.
            n = text.count("\n")
            pitch = (height - 2 * 10 + 4) // n
            pillow, _ = median_run([sys.executable, pillow_script, text_path,
                                    os.path.join(work, "pillow.jpg"), FONT_FILE,
                                    str(pitch - 4)], max(1, repeats // 2))
            budget = width * height * 3 + jpeg_bytes + 40 * 2**20
            results.append((name, width, height, ours, peak, budget, floor, pillow))

    print(f"{'workload':<11} {'picture':>13} {'median':>9} {'peak MB':>8} {'budget MB':>9} "
          f"{'× cjpeg':>8} {'Pillow ×':>9}")
    for name, width, height, ours, peak, budget, floor, pillow in results:
        print(f"{name:<11} {f'{width}×{height}':>13} {ours * 1000:>7.1f}ms {peak / 2**20:>8.1f} "
              f"{budget / 2**20:>9.1f} {ours / floor:>8.2f} {pillow / ours:>9.1f}")

    print()
    checks = []
    by_name = {r[0]: r for r in results}
    long = by_name["long text"]
    checks.append(("long text at most 1.3 × cjpeg", long[3] / long[6] <= 1.3))
    checks.append(("long text at least 10 × faster than Pillow", long[7] / long[3] >= 10))
    for r in results:
        checks.append((f"{r[0]}: peak memory within raw + JPEG + 40 MB", r[4] <= r[5]))
    checks.append(("short note under 100 ms", by_name["short note"][3] < 0.1))
    for label, ok in checks:
        print(f"{'ok  ' if ok else 'MISS'} {label}")
    return 0 if all(ok for _, ok in checks) else 1


if __name__ == "__main__":
    sys.exit(main())
