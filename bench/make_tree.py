#!/usr/bin/env python3
"""Makes a photo-library-like tree for the benchmarks: FILES small files of
1-8 KiB spread over about FILES/20 folders four levels deep, half of them
.jpg or .JPG, some named without a dot; or COUNT large files with --large.

Two shapes of small trees: by default the folder names repeat (trip0 to
trip9 under every day folder, and the day folders' own names), so a copy
into one folder per name meets few destination folders; with --unique-tags
every file sits in a leaf folder of its own name, 20 to a folder, and the
copy makes one destination folder per leaf folder; with --ten-tags every file
is a .jpg in a leaf folder named trip0 to trip9, 20 to a folder, so that ten
destination folders take every copy.  With --photos, FILES .jpg
files of 4-64 KiB (--min-kib, --max-kib) in --folders folders of their own
names, as a camera's card or a phone's export holds them."""
import argparse
import os
import random


def folder_names(folders):
    # Four levels: branch^3 middle folders, the rest at the fourth level.
    branch = max(2, round((folders / 10) ** (1 / 3)))
    paths = []
    for a in range(branch):
        for b in range(branch):
            for c in range(branch):
                middle = f"y{2000 + a}/m{b:02d}/d{c:02d}"
                paths.append(middle)
                for d in range(10):
                    paths.append(f"{middle}/trip{d}")
    return paths[:folders] if len(paths) > folders else paths


def leaf_names(folders, leaf):
    # Ten leaf folders under each day folder, the n-th named leaf(n).
    days = -(-folders // 10)
    branch = 2
    while branch ** 3 < days:
        branch += 1
    paths = []
    for n in range(folders):
        day = n // 10
        a, b, c = day // (branch * branch), (day // branch) % branch, day % branch
        paths.append(f"y{2000 + a}/m{b:02d}/d{c:02d}/{leaf(n)}")
    return paths


def make_small(root, files, seed, unique_tags=False, ten_tags=False):
    rng = random.Random(seed)
    count = max(1, files // 20)
    if ten_tags:
        folders = leaf_names(count, lambda n: f"trip{n % 10}")
    elif unique_tags:
        # Every leaf named once.
        folders = leaf_names(count, lambda n: f"event{n:06d}")
    else:
        folders = folder_names(count)
    for f in folders:
        os.makedirs(os.path.join(root, f), exist_ok=True)
    block = os.urandom(8192)
    kinds = [".jpg", ".JPG", ".png", ".txt", ""]
    weights = [35, 15, 30, 15, 5]
    for i in range(files):
        folder = folders[i % len(folders)]
        ext = ".jpg" if ten_tags else rng.choices(kinds, weights)[0]
        name = f"IMG_{i:07d}{ext}" if ext else f"NOTE{i:07d}"
        size = rng.randint(1024, 8192)
        with open(os.path.join(root, folder, name), "wb") as out:
            out.write(block[:size])


def make_photos(root, files, folders, min_kib, max_kib, seed):
    rng = random.Random(seed)
    names = [f"y{2020 + f % 5}/event{f:03d}" for f in range(folders)]
    for f in names:
        os.makedirs(os.path.join(root, f), exist_ok=True)
    block = os.urandom(max_kib * 1024)
    for i in range(files):
        size = rng.randint(min_kib * 1024, max_kib * 1024)
        with open(os.path.join(root, names[i % folders], f"IMG_{i:05d}.jpg"), "wb") as out:
            out.write(block[:size])


def make_large(root, count, mib):
    os.makedirs(os.path.join(root, "big"), exist_ok=True)
    chunk = os.urandom(1 << 20)
    for i in range(count):
        with open(os.path.join(root, "big", f"movie{i:02d}.jpg"), "wb") as out:
            for _ in range(mib):
                out.write(chunk)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("root")
    parser.add_argument("--files", type=int, default=100_000)
    parser.add_argument("--large", type=int, default=0, help="this many large files instead")
    parser.add_argument("--mib", type=int, default=100, help="size of each large file")
    parser.add_argument("--seed", type=int, default=7)
    parser.add_argument("--unique-tags", action="store_true",
                        help="every leaf folder its own name, files only in leaf folders")
    parser.add_argument("--ten-tags", action="store_true",
                        help="only .jpg files, in leaf folders named trip0 to trip9")
    parser.add_argument("--photos", action="store_true",
                        help="only .jpg files of --min-kib to --max-kib in --folders folders")
    parser.add_argument("--folders", type=int, default=60)
    parser.add_argument("--min-kib", type=int, default=4)
    parser.add_argument("--max-kib", type=int, default=64)
    args = parser.parse_args()
    if args.photos:
        make_photos(args.root, args.files, args.folders, args.min_kib, args.max_kib, args.seed)
    elif args.large:
        make_large(args.root, args.large, args.mib)
    else:
        make_small(args.root, args.files, args.seed, args.unique_tags, args.ten_tags)


if __name__ == "__main__":
    main()
