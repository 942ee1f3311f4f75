#!/usr/bin/python3
"""Renders every .txt note of a folder into a picture on a Dask cluster, one task a note.

    python3 render_notes_dask.py NOTES_DIR OUT_DIR [--scheduler ADDRESS] [--workers N]
                                 [--font 黑体] [--size 14] [--color clNavy] [--format png]

notes/day1.txt becomes OUT_DIR/day1.jpg (or .png), drawn by text2jpg.save on one of the
workers. With --scheduler ADDRESS (tcp://host:8786) the tasks go to a running cluster whose
workers can import text2jpg (the python3-text2jpg package) and reach both folders; without it a
local cluster of N worker processes (default 2) is started for the run and stopped after it.

Needs python3-distributed (Debian) and the text2jpg module.
"""

import argparse
import os
import sys

from dask.distributed import Client, LocalCluster


def render_note(note_path, out_dir, settings):
    """Draws one note into OUT_DIR; returns the picture's path. Runs on a worker."""
    import text2jpg

    with open(note_path, encoding="utf-8") as f:
        text = f.read()
    extension = ".png" if settings.get("format") == "png" else ".jpg"
    name = os.path.splitext(os.path.basename(note_path))[0] + extension
    out_path = os.path.join(out_dir, name)
    text2jpg.save(text, out_path, **settings)
    return out_path


def render_folder(client, notes_dir, out_dir, **settings):
    """The pictures of the .txt files of NOTES_DIR, in the order of their names."""
    notes = sorted(os.path.join(notes_dir, name) for name in os.listdir(notes_dir)
                   if name.endswith(".txt"))
    os.makedirs(out_dir, exist_ok=True)
    futures = client.map(render_note, notes, out_dir=os.path.abspath(out_dir), settings=settings,
                         pure=False)
    return client.gather(futures)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("notes_dir")
    parser.add_argument("out_dir")
    parser.add_argument("--scheduler", help="address of a running scheduler")
    parser.add_argument("--workers", type=int, default=2, help="local worker processes")
    parser.add_argument("--font")
    parser.add_argument("--size", type=int)
    parser.add_argument("--color")
    parser.add_argument("--format", choices=["jpeg", "png"])
    args = parser.parse_args()
    settings = {key: value for key, value in
                (("font", args.font), ("size", args.size), ("color", args.color),
                 ("format", args.format)) if value is not None}

    if args.scheduler:
        client, cluster = Client(args.scheduler), None
    else:
        # No dashboard: it would need bokeh and a fixed port.
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                               dashboard_address=None)
        client = Client(cluster)
    try:
        pictures = render_folder(client, args.notes_dir, args.out_dir, **settings)
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    for path in pictures:
        print(path)
    print(f"{len(pictures)} notes rendered", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
