#!/usr/bin/python3
"""Times text2jpg-cli on three workloads against the floor of encoding the same picture.

For each workload it prints the picture's size, the median wall time of the whole process, its
peak memory (maximum resident set), and two ratios measured in the same run: to
`cjpeg -quality 90 -dct float` encoding a PPM of the same picture, and to a Pillow script that
draws the same lines with the same font file and saves a JPEG at quality 90.

Then it converts a folder of 1000 three-line notes three ways: one run of text2jpg-cli over all
the files, 1000 runs of it (one a file), and one Python process that draws and saves them with
Pillow in a loop.

Last it wraps one line of 256 KB and one of 1 MB without a break opportunity to a width
(--width), to show that the time grows linearly with the text.

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


PILLOW_LOOP_SCRIPT = r'''
import os, sys
from PIL import Image, ImageDraw, ImageFont
out_dir, font_file, h = sys.argv[1], sys.argv[2], int(sys.argv[3])
size_px, spacing, margin = 16, 4, 10
font = ImageFont.truetype(font_file, size_px, index=0)
for text_file in sys.argv[4:]:
    with open(text_file, encoding="utf-8") as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    width = max(int(font.getlength(line)) for line in lines) + 2 * margin
    height = len(lines) * (h + spacing) - spacing + 2 * margin
    image = Image.new("RGB", (width, height), "white")
    draw = ImageDraw.Draw(image)
    for i, line in enumerate(lines):
        draw.text((margin, margin + i * (h + spacing)), line, font=font, fill=(0, 128, 0))
    name = os.path.splitext(os.path.basename(text_file))[0] + ".jpg"
    image.save(os.path.join(out_dir, name), "JPEG", quality=90)
'''

NOTES = 1000


def notes(count):
    """Three-line notes, each different: a heading, a sentence, a line with numbers."""
    rng = random.Random(1000)
    result = []
    for i in range(count):
        heading = "".join(rng.choice(HANZI) for _ in range(rng.randint(4, 8))) + "："
        sentence = "".join(rng.choice(HANZI) for _ in range(rng.randint(12, 24))) + "。"
        numbers = f"第 {i + 1} 条  {rng.randint(1, 12)} 月 {rng.randint(1, 28)} 日  No.{i:04d}"
        result.append(f"{heading}\n{sentence}\n{numbers}\n")
    return result


def bench_notes(cli, work):
    """Seconds for one batch run, 1000 single runs and the Pillow loop over 1000 notes."""
    note_dir = os.path.join(work, "notes")
    os.makedirs(note_dir)
    paths = []
    for i, text in enumerate(notes(NOTES)):
        path = os.path.join(note_dir, f"note{i:04d}.txt")
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        paths.append(path)
    settings = ["-f", "宋体", "-s", "12", "-l", "4", "-m", "10"]

    # The batch three ways at -j 1 and -j 2: new pictures, the same pictures replaced (a second
    # run over the same folder), runs taken in turn.
    batches = {}
    for jobs in (1, 2):
        new_times, replace_times = [], []
        for run in range(3):
            batch_dir = os.path.join(work, f"batch-j{jobs}-{run}")
            command = [cli, *settings, "-j", str(jobs), "-O", batch_dir, *paths]
            new_times.append(run_measured(command)[0])
            replace_times.append(run_measured(command)[0])
        batches[jobs] = (statistics.median(new_times), statistics.median(replace_times))
    batch = batches[1][0]

    single_dir = os.path.join(work, "single")
    os.makedirs(single_dir)
    start = time.perf_counter()
    for path in paths:
        run_measured([cli, *settings, "-O", single_dir, path])
    singles = time.perf_counter() - start
    for name in os.listdir(single_dir):
        with open(os.path.join(single_dir, name), "rb") as a, \
                open(os.path.join(batch_dir, name), "rb") as b:
            if a.read() != b.read():
                raise SystemExit(f"{name}: the batch run wrote other bytes than a single run")

    width, height = jpeg_size(os.path.join(batch_dir, "note0000.jpg"))
    pitch = (height - 2 * 10 + 4) // 3
    pillow_dir = os.path.join(work, "pillow")
    os.makedirs(pillow_dir)
    script = os.path.join(work, "pillow_loop.py")
    with open(script, "w") as f:
        f.write(PILLOW_LOOP_SCRIPT)
    pillow, _ = run_measured([sys.executable, script, pillow_dir, FONT_FILE, str(pitch - 4),
                              *paths])
    return batches, singles, pillow


def tall_text():
    """1000 lines of 200 characters: a picture 20016 pixels tall."""
    rng = random.Random(20000)
    return "\n".join("".join(rng.choice(HANZI) for _ in range(200)) for _ in range(1000)) + "\n"


def bench_width(cli, work, repeats):
    """Median seconds for --width over one 256 KB and one 1 MB line with no break opportunity."""
    times = {}
    for size in (256 * 1024, 1024 * 1024):
        text_path = os.path.join(work, f"run{size}.txt")
        with open(text_path, "w", encoding="utf-8") as f:
            f.write("a" * size + "\n")
        out_dir = os.path.join(work, f"width{size}")
        os.makedirs(out_dir)
        times[size], _ = median_run([cli, "--width", "750", "--max-height", "20000", "-o",
                                     os.path.join(out_dir, "run.jpg"), text_path], repeats)
    return times[256 * 1024], times[1024 * 1024]


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
        tall_path = os.path.join(work, "tall.txt")
        with open(tall_path, "w", encoding="utf-8") as f:
            f.write(tall_text())
        tall_out = os.path.join(work, "tall.jpg")
        tall_time, tall_peak = median_run([cli, "-f", "宋体", "-s", "12", "-l", "4", "-m", "10",
                                           "-o", tall_out, tall_path], 3)
        tall_size = jpeg_size(tall_out)
        batches, singles, pillow_loop = bench_notes(cli, work)
        batch = batches[1][0]
        width_256k, width_1m = bench_width(cli, work, args.repeats)

    print(f"{'workload':<11} {'picture':>13} {'median':>9} {'peak MB':>8} {'budget MB':>9} "
          f"{'× cjpeg':>8} {'Pillow ×':>9}")
    for name, width, height, ours, peak, budget, floor, pillow in results:
        print(f"{name:<11} {f'{width}×{height}':>13} {ours * 1000:>7.1f}ms {peak / 2**20:>8.1f} "
              f"{budget / 2**20:>9.1f} {ours / floor:>8.2f} {pillow / ours:>9.1f}")

    print()
    print(f"{NOTES} three-line notes: one run {batch:.2f} s, {NOTES} runs {singles:.2f} s "
          f"({singles / batch:.1f} × the one run), Pillow loop {pillow_loop:.2f} s "
          f"({pillow_loop / batch:.1f} × the one run)")

    for jobs, (new, replacing) in sorted(batches.items()):
        print(f"{NOTES} notes with -j {jobs}: new pictures {new:.3f} s, replacing them "
              f"{replacing:.3f} s ({replacing / new:.2f} ×), Pillow loop {pillow_loop:.3f} s")
    print(f"tall picture {tall_size[0]}×{tall_size[1]}: {tall_time:.2f} s, peak "
          f"{tall_peak / 2**20:.1f} MB")
    print(f"--width 750, a line of 'a' without a break: 256 KB {width_256k:.2f} s, 1 MB "
          f"{width_1m:.2f} s ({width_1m / width_256k:.1f} × the 256 KB time)")

    print()
    checks = []
    by_name = {r[0]: r for r in results}
    long = by_name["long text"]
    checks.append(("long text at most 1.3 × cjpeg", long[3] / long[6] <= 1.3))
    checks.append(("long text at least 10 × faster than Pillow", long[7] / long[3] >= 10))
    for r in results:
        checks.append((f"{r[0]}: peak memory within raw + JPEG + 40 MB", r[4] <= r[5]))
    checks.append(("short note under 100 ms", by_name["short note"][3] < 0.1))
    checks.append((f"{NOTES} notes in one run at least 10 × faster than {NOTES} runs",
                   singles / batch >= 10))
    checks.append((f"{NOTES} notes in one run faster than the Pillow loop", batch < pillow_loop))
    for jobs, (new, replacing) in sorted(batches.items()):
        checks.append((f"-j {jobs}: replacing {NOTES} notes at most 1.3 × writing them new",
                       replacing <= 1.3 * new))
        checks.append((f"-j {jobs}: replacing {NOTES} notes faster than the Pillow loop",
                       replacing < pillow_loop))
    checks.append(("a 20000-pixel-tall picture within 120 MB of memory", tall_peak <= 120 << 20))
    checks.append(("--width on 1 MB at most 4.5 × the 256 KB time", width_1m <= 4.5 * width_256k))
    for label, ok in checks:
        print(f"{'ok  ' if ok else 'MISS'} {label}")
    return 0 if all(ok for _, ok in checks) else 1


if __name__ == "__main__":
    sys.exit(main())
