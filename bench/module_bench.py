#!/usr/bin/python3
"""Times the text2jpg Python module in one process.

1000 three-line notes (those of run_bench.py) drawn to JPEG bytes in memory by text2jpg.render,
against a Pillow loop in the same process that draws the same lines with the same font file and
line pitch and encodes a JPEG at quality 90 (the drawing of run_bench.py's Pillow loop). Then
long texts drawn by one thread against the same texts split between two threads, which shows
that the module releases the GIL while it draws, and split between two processes, which shows
what the machine gives two of anything at the time.

Runs are taken in turn (ours, Pillow, ours, ...) and the best run of each is compared: other
programs that share the machine only ever slow a run down, and two threads can only show what
they do when both get a processor. The load average is printed before and after.

    PYTHONPATH=build/python python3 bench/module_bench.py
"""

import argparse
import io
import multiprocessing
import os
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run_bench import FONT_FILE, NOTES, long_text, notes  # noqa: E402

import text2jpg  # noqa: E402

SETTINGS = {"font": "宋体", "size": 12, "line_spacing": 4, "margin": 10}


def pillow_loop(texts, pitch):
    """Pillow's pictures of `texts`, drawn as run_bench.py's Pillow loop draws them."""
    from PIL import Image, ImageDraw, ImageFont

    size_px, spacing, margin, h = 16, 4, 10, pitch - 4
    font = ImageFont.truetype(FONT_FILE, size_px, index=0)
    pictures = []
    for text in texts:
        lines = text.split("\n")
        if lines and lines[-1] == "":
            lines.pop()
        width = max(int(font.getlength(line)) for line in lines) + 2 * margin
        height = len(lines) * (h + spacing) - spacing + 2 * margin
        image = Image.new("RGB", (width, height), "white")
        draw = ImageDraw.Draw(image)
        for i, line in enumerate(lines):
            draw.text((margin, margin + i * (h + spacing)), line, font=font, fill=(0, 128, 0))
        out = io.BytesIO()
        image.save(out, "JPEG", quality=90)
        pictures.append(out.getvalue())
    return pictures


def module_loop(texts):
    return [text2jpg.render(text, **SETTINGS) for text in texts]


def threaded(texts, threads):
    """Draws `texts` split between `threads` threads."""
    results = [None] * len(texts)

    def work(first):
        for i in range(first, len(texts), threads):
            results[i] = text2jpg.render(texts[i], **SETTINGS)

    workers = [threading.Thread(target=work, args=(i,)) for i in range(threads)]
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    return results


def render_all(texts):
    """Runs in a worker process of `processes`."""
    return sum(len(text2jpg.render(text, **SETTINGS)) for text in texts)


def processes(pool, texts):
    """Draws `texts` split between the two processes of `pool`: what the machine gives two
    processes now, the measure for two threads when other programs hold processors."""
    return sum(pool.map(render_all, [texts[0::2], texts[1::2]], chunksize=1))


def timed(function, *args):
    start = time.perf_counter()
    result = function(*args)
    return time.perf_counter() - start, result


def in_turn(rounds, *calls):
    """The best seconds of each call, the calls taken in turn `rounds` times."""
    times = [[] for _ in calls]
    for _ in range(rounds):
        for i, (function, args) in enumerate(calls):
            times[i].append(timed(function, *args)[0])
    return [min(t) for t in times]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=9)
    args = parser.parse_args()
    load_before = os.getloadavg()

    note_texts = notes(NOTES)
    _, height = text2jpg.size(note_texts[0], **SETTINGS)
    pitch = (height - 2 * 10 + 4) // 3
    module_loop(note_texts[:20])  # fonts opened and cached before the clock runs
    pillow_loop(note_texts[:20], pitch)
    ours, pillow = in_turn(args.rounds, (module_loop, (note_texts,)),
                           (pillow_loop, (note_texts, pitch)))

    lines = long_text().split("\n")
    long_texts = ["\n".join(lines[i * 250:(i + 1) * 250]) + "\n" for i in range(8)]
    one_thread_pictures = threaded(long_texts, 1)
    if threaded(long_texts, 2) != one_thread_pictures:
        raise SystemExit("two threads drew other bytes than one")
    with multiprocessing.get_context("spawn").Pool(2) as pool:
        processes(pool, long_texts)  # both started, fonts opened
        one, two, two_processes = in_turn(args.rounds, (threaded, (long_texts, 1)),
                                          (threaded, (long_texts, 2)),
                                          (processes, (pool, long_texts)))

    load_after = os.getloadavg()
    width, _ = text2jpg.size(long_texts[0], **SETTINGS)
    print(f"load average {load_before[0]:.2f} before, {load_after[0]:.2f} after, "
          f"{os.cpu_count()} processors")
    print(f"{NOTES} notes to JPEG bytes in one process: text2jpg.render {ours:.3f} s, Pillow loop "
          f"{pillow:.3f} s ({pillow / ours:.1f} × faster)")
    print(f"8 long texts of 250 lines ({width} pixels wide): one thread {one:.3f} s, two threads "
          f"{two:.3f} s ({one / two:.2f} ×), two processes {two_processes:.3f} s "
          f"({one / two_processes:.2f} ×)")
    checks = [(f"{NOTES} notes through the module at least 3 × faster than the Pillow loop",
               pillow / ours >= 3),
              ("two threads at least 1.6 × one thread on long texts", one / two >= 1.6)]
    for label, ok in checks:
        print(f"{'ok  ' if ok else 'MISS'} {label}")
    return 0 if all(ok for _, ok in checks) else 1


if __name__ == "__main__":
    sys.exit(main())
