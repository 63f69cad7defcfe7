#!/usr/bin/env python3
"""split_by_tag.py LIST OUTDIR: splits a NUL-separated list of file paths into
one NUL-separated list per folder tag (the name of the file's own folder),
OUTDIR/TAG.0, so that cp can copy the files into the per-tag layout that
Tolvane's copy run makes: one cp process per batch of each tag's files."""
import os
import sys


def main():
    paths = [p for p in open(sys.argv[1], "rb").read().split(b"\0") if p]
    by_tag = {}
    for path in paths:
        by_tag.setdefault(os.path.basename(os.path.dirname(path)), []).append(path)
    os.makedirs(sys.argv[2], exist_ok=True)
    for tag, tagged in by_tag.items():
        with open(os.path.join(sys.argv[2].encode(), tag + b".0"), "wb") as out:
            out.write(b"\0".join(tagged) + b"\0")


if __name__ == "__main__":
    main()
