#!/usr/bin/python3
"""text2jpg-cli under faults: signals at random moments, SIGKILL during a replacing batch, tiny
resource limits and a full file system. After every run each picture name holds either its whole
old picture or its whole new one (byte for byte), no empty file exists, and no temporary file is
left (except after SIGKILL, which no program can clean up after).

Usage: fault_injection.py TEXT2JPG_CLI [SEED]
"""

import os
import random
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time

CLI = os.path.abspath(sys.argv[1])
RNG = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 15)
HANZI = "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可也你说明转换文本"
OLD = ["-c", "red"]
NEW = ["-c", "blue"]
failures = []


def fail(message):
    failures.append(message)
    print("FAIL:", message)


def note(i):
    rng = random.Random(i)
    return "".join(rng.choice(HANZI) for _ in range(rng.randint(5, 30))) + f"\n第 {i} 条\n"


def make_inputs(root):
    inputs = os.path.join(root, "in")
    os.makedirs(inputs)
    notes = []
    # More notes than one group of commits holds, so that later groups write into the files
    # that earlier ones replaced.
    for i in range(600):
        path = os.path.join(inputs, f"note{i:03d}.txt")
        with open(path, "w", encoding="utf-8") as f:
            f.write(note(i))
        notes.append(path)
    long_text = os.path.join(inputs, "long.txt")
    with open(long_text, "w", encoding="utf-8") as f:
        for i in range(1500):
            f.write(note(i).replace("\n", " ") + "\n")
    return notes, long_text


def no_core():
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


def run(args, cwd, limits=None, timeout=120):
    def prepare():
        no_core()
        for which, value in (limits or {}).items():
            resource.setrlimit(which, (value, value))
    return subprocess.run([CLI, *args], cwd=cwd, stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                          preexec_fn=prepare, timeout=timeout)


def pictures(directory):
    return {name: open(os.path.join(directory, name), "rb").read()
            for name in sorted(os.listdir(directory)) if not name.startswith(".")}


def check(label, directory, old, new, killed=False):
    """Every name whole old or whole new, no empty file, no temporary file unless killed."""
    for name in os.listdir(directory):
        path = os.path.join(directory, name)
        if name.startswith(".text2jpg-"):
            if not killed:
                fail(f"{label}: temporary file {name} left")
            os.unlink(path)
            continue
        data = open(path, "rb").read()
        if not data:
            fail(f"{label}: {name} is empty")
        elif data != old.get(name) and data != new.get(name):
            fail(f"{label}: {name} is neither its old nor its new picture ({len(data)} bytes)")


def reset(directory, old):
    shutil.rmtree(directory, ignore_errors=True)
    os.makedirs(directory)
    for name, data in old.items():
        with open(os.path.join(directory, name), "wb") as f:
            f.write(data)


def reference(root, args, settings):
    """The pictures of a clean run with the settings."""
    directory = tempfile.mkdtemp(dir=root)
    result = run([*settings, *args(directory)], root)
    if result.returncode != 0:
        sys.exit(f"reference run failed: {result.stderr.decode()}")
    return pictures(directory)


def scenarios(notes, long_text):
    return {
        "batch": lambda d: ["-O", d, "-j", str(RNG.choice([1, 2, 4])), *notes],
        "single": lambda d: ["-o", os.path.join(d, "long.jpg"), long_text],
        "pages": lambda d: ["--max-height", "3000", "-o", os.path.join(d, "long.jpg"), long_text],
    }


def signals(root, cases):
    for round_number in range(16):
        name = RNG.choice(sorted(cases))
        args, old, new = cases[name]
        out = os.path.join(root, "out")
        reset(out, old if RNG.random() < 0.7 else {})
        process = subprocess.Popen([CLI, *NEW, *args(out)], cwd=root, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   preexec_fn=no_core)
        time.sleep(RNG.uniform(0, 0.25))
        chosen = RNG.choice([signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT])
        process.send_signal(chosen)
        process.wait()
        check(f"{name} with {chosen.name} (round {round_number})", out, old, new)


def kills(root, cases):
    args, old, new = cases["batch"]
    out = os.path.join(root, "out")
    # Kills land anywhere in a whole run's time.
    reset(out, old)
    start = time.perf_counter()
    run([*NEW, *args(out)], root)
    whole_run = time.perf_counter() - start
    for round_number in range(10):
        reset(out, old)
        process = subprocess.Popen([CLI, *NEW, *args(out)], cwd=root, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(RNG.uniform(0, whole_run))
        process.kill()
        process.wait()
        check(f"replacing batch killed (round {round_number})", out, old, new, killed=True)


def limits(root, cases):
    for name, (args, old, new) in sorted(cases.items()):
        for label, limit in (("file size 3000", {resource.RLIMIT_FSIZE: 3000}),
                             ("address space 300 MB", {resource.RLIMIT_AS: 300 << 20}),
                             ("16 descriptors", {resource.RLIMIT_NOFILE: 16})):
            out = os.path.join(root, "out")
            reset(out, old)
            run([*NEW, *args(out)], root, limits=limit)
            check(f"{name} under {label}", out, old, new)


def full_disk(root, cases):
    """A file system with no room: a small tmpfs where it can be mounted, else a file size limit
    that makes every write fail the way a full disk does."""
    mount_point = os.path.join(root, "small")
    os.makedirs(mount_point)
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", mount_point],
                             stderr=subprocess.DEVNULL, stdout=subprocess.DEVNULL).returncode == 0
    try:
        for name, (args, old, new) in sorted(cases.items()):
            out = os.path.join(mount_point, "out")
            shutil.rmtree(out, ignore_errors=True)
            os.makedirs(out)
            kept = {}
            if mounted:
                for picture, data in list(old.items())[:3]:
                    try:
                        with open(os.path.join(out, picture), "wb") as f:
                            f.write(data)
                    except OSError:
                        os.unlink(os.path.join(out, picture))
                        break
                    kept[picture] = data
                with open(os.path.join(mount_point, "filler"), "wb") as f:
                    try:
                        f.write(b"\0" * (1 << 20))
                    except OSError:
                        pass
                result = run([*NEW, *args(out)], root)
                os.unlink(os.path.join(mount_point, "filler"))
            else:
                kept = old
                reset(out, old)
                result = run([*NEW, *args(out)], root, limits={resource.RLIMIT_FSIZE: 1})
            if result.returncode == 0:
                fail(f"{name} on a full disk reported success")
            check(f"{name} on a full disk", out, kept, {})
    finally:
        if mounted:
            subprocess.run(["umount", mount_point])
    print("full disk:", "a 64 KiB tmpfs" if mounted else "a file size limit (no tmpfs mount)")


def main():
    # In memory where there is a tmpfs: the runs wait for no disk.
    shm = "/dev/shm" if os.access("/dev/shm", os.W_OK) else None
    root = tempfile.mkdtemp(prefix="t2j-faults-", dir=shm)
    try:
        notes, long_text = make_inputs(root)
        cases = {}
        for name, args in scenarios(notes, long_text).items():
            cases[name] = (args, reference(root, args, OLD), reference(root, args, NEW))
        signals(root, cases)
        kills(root, cases)
        limits(root, cases)
        full_disk(root, cases)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    if failures:
        sys.exit(f"{len(failures)} faults left broken files")
    print("every name held its whole old or whole new picture")


if __name__ == "__main__":
    main()
