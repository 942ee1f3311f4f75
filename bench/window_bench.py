#!/usr/bin/python3
"""The window on long texts: its freeze, its memory and its speed against text2jpg-cli.

Run under a display and a session bus of its own (make bench does):
  xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- python3 bench/window_bench.py \
      --window build/bin/text2jpg --cli build/bin/text2jpg-cli

The window is driven as a screen reader drives it (AT-SPI): the text goes into the input box,
the preview is switched on, and 转换 is pressed. Meanwhile an X client pings the window
(_NET_WM_PING) without a pause; the longest wait for an answer is the window's freeze. The peak
memory is the window's peak resident set during the conversion above its size before the press.
The same text through text2jpg-cli gives the time to compare and must give the same bytes.
"""

import argparse
import os
import random
import subprocess
import sys
import tempfile
import threading
import time

import pyatspi
from gi.repository import GLib
from Xlib import X, display, protocol

APP_NAME = "文本to图片"
HANZI = ("的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可也你"
         "说明转换文本宽度根据输入框文字设置字体大小决定生成文件自动保存软件运行目录请按钮")


def text_of(lines, per_line, seed):
    rng = random.Random(seed)
    return "\n".join("".join(rng.choice(HANZI) for _ in range(per_line))
                     for _ in range(lines)) + "\n"


def pump(seconds):
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.iteration(False):
            pass
        time.sleep(0.005)


def children(node):
    try:
        return [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return []


def walk(node):
    yield node
    for child in children(node):
        if child is not None:
            yield from walk(child)


def wait_for(condition, limit):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        pump(0.02)
    raise SystemExit("the window did not get there")


def find_app():
    for app in children(pyatspi.Registry.getDesktop(0)):
        try:
            if app is not None and app.name == APP_NAME:
                return app
        except Exception:
            pass
    return None


def named(app, name):
    return next((n for n in walk(app) if n.name == name), None)


def do_action(node, name):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == name:
            action.doAction(i)
            return
    raise SystemExit(f"{node.name} has no action {name}")


def memory_kb(pid, field):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


class Pinger(threading.Thread):
    """Pings the window over X without a pause and keeps the longest wait for an answer."""

    def __init__(self, title):
        super().__init__(daemon=True)
        self.display = display.Display()
        self.root = self.display.screen().root
        # The answer goes to the root window for clients that watch its structure.
        self.root.change_attributes(event_mask=X.StructureNotifyMask)
        self.ping = self.display.intern_atom("_NET_WM_PING")
        self.protocols = self.display.intern_atom("WM_PROTOCOLS")
        self.window = self.find(self.root, title)
        self.longest = 0.0
        self.answers = 0
        self.running = True

    def find(self, window, title):
        name = window.get_full_text_property(self.display.intern_atom("_NET_WM_NAME"))
        if name == title:
            return window
        for child in window.query_tree().children:
            found = self.find(child, title)
            if found is not None:
                return found
        return None

    def run(self):
        stamp = 0
        while self.running:
            stamp += 1
            event = protocol.event.ClientMessage(
                window=self.window, client_type=self.protocols,
                data=(32, [self.ping, stamp, self.window.id, 0, 0]))
            sent = time.monotonic()
            self.window.send_event(event, event_mask=0)
            self.display.flush()
            while True:
                answer = self.display.next_event()
                if (answer.type == X.ClientMessage and answer.client_type == self.protocols
                        and answer.data[1][1] == stamp):
                    break
            self.longest = max(self.longest, time.monotonic() - sent)
            self.answers += 1
            # A ping every few milliseconds sees any freeze the checks care about, without
            # taking a processor from the conversion it measures.
            time.sleep(0.002)


def convert_in_window(app, pid, text, work, pinger=None):
    """Sets the text, presses 转换, waits for the end; gives seconds, peak MB above the start."""
    memo = named(app, "输入文本")
    memo.queryEditableText().setTextContents(text)
    wait_for(lambda: memo.queryText().characterCount >= len(text) - 1, 120)
    pump(0.5)
    before = memory_kb(pid, "VmRSS")
    with open(f"/proc/{pid}/clear_refs", "w") as f:
        f.write("5")  # the peak starts again from the present size
    button = named(app, "转换")
    if pinger is not None:
        pinger.start()
    start = time.monotonic()
    do_action(button, "Press")
    wait_for(lambda: button.name == "取消", 10)
    wait_for(lambda: button.name == "转换", 600)
    seconds = time.monotonic() - start
    if pinger is not None:
        pinger.running = False
    peak = memory_kb(pid, "VmHWM")
    return seconds, (peak - before) / 1024


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--window", required=True)
    parser.add_argument("--cli", required=True)
    args = parser.parse_args()
    window = os.path.abspath(args.window)
    cli = os.path.abspath(args.cli)

    with tempfile.TemporaryDirectory(prefix="t2j-window-bench-") as work:
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        process = subprocess.Popen([window], cwd=work, env=env)
        try:
            app = wait_for(find_app, 30)
            wait_for(lambda: named(app, "转换"), 30)
            do_action(named(app, "文件名自动递增"), "Toggle")  # off: every picture is Picture.jpg
            results = []
            # About 1 MB of text, then the 21860 × 20000 picture with the preview on.
            for label, text, preview in (
                    ("1 MB text", text_of(250, 1365, 1), False),
                    ("21860×20000", text_of(999, 1365, 2), True)):
                if preview:
                    do_action(named(app, "预览"), "Toggle")
                pinger = Pinger("岚舟【文本To图片】转换工具V1.0")
                seconds, peak_mb = convert_in_window(app, process.pid, text, work, pinger)
                picture = os.path.join(work, "Picture.jpg")
                with open(picture, "rb") as f:
                    window_bytes = f.read()
                text_path = os.path.join(work, "input.txt")
                with open(text_path, "w", encoding="utf-8") as f:
                    f.write(text)
                cli_out = os.path.join(work, "cli.jpg")
                start = time.monotonic()
                subprocess.run([cli, "-f", "宋体", "-s", "12", "-l", "4", "-m", "10", "-o",
                                cli_out, text_path], check=True)
                cli_seconds = time.monotonic() - start
                with open(cli_out, "rb") as f:
                    same = f.read() == window_bytes
                results.append((label, len(text.encode()), seconds, cli_seconds, peak_mb,
                                pinger.longest, pinger.answers, same))
        finally:
            process.terminate()
            process.wait(30)

    print(f"{'window':<12} {'text MB':>8} {'window s':>9} {'cli s':>7} {'× cli':>6} "
          f"{'peak MB':>8} {'freeze s':>9} {'pings':>6} bytes")
    for label, size, seconds, cli_seconds, peak_mb, freeze, answers, same in results:
        print(f"{label:<12} {size / 2**20:>8.2f} {seconds:>9.2f} {cli_seconds:>7.2f} "
              f"{seconds / cli_seconds:>6.2f} {peak_mb:>8.1f} {freeze:>9.3f} {answers:>6} "
              f"{'same as cli' if same else 'DIFFER'}")
    checks = []
    small, big = results
    checks.append(("1 MB text: longest freeze under 0.2 s", small[5] < 0.2))
    checks.append(("21860×20000 with preview: peak within 300 MB above the start", big[4] <= 300))
    for r in results:
        checks.append((f"{r[0]}: window within 1.2 × the command-line tool", r[2] <= 1.2 * r[3]))
        checks.append((f"{r[0]}: the same bytes as the command-line tool", r[7]))
    for label, ok in checks:
        print(f"{'ok  ' if ok else 'MISS'} {label}")
    return 0 if all(ok for _, ok in checks) else 1


if __name__ == "__main__":
    sys.exit(main())
