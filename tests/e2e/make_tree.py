#!/usr/bin/env python3
"""A folder tree like a train simulator's, with line definitions here and there.

    make_tree.py ROOT EXPECTED

Makes ROOT (which must not exist): 10,000 folders up to 8 deep and 100,000 files, the
same every time, among them definition files (*.vkm, some in capitals) that name lines
in code page 1250, one that names none, decoys (*.vkmx), and a hidden folder and a
hidden file with lines that must not be found. Writes to EXPECTED the names of the lines
the program must offer, in its order: depth first, a folder's files before its
subfolders, each in the order the Windows search lists a folder. That is the order of
names in capitals (then as they are), as NTFS keeps them and as Wine sorts what the Unix
file system lists.
"""
import os
import random
import sys

FOLDERS, FILES, LINES = 10000, 100000, 200
CHARS = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-"
EXTENSIONS = [".s", ".ace", ".wav", ".sd", ".t", ".w", ".dat", ".sms", ".eng", ".wag"]


def definition(name):
    return ("[Info]\r\nName=%s\r\n[Hlaseni]\r\n1=a1.wav\r\n" % name).encode("cp1250")


def make(root):
    r = random.Random(2024)

    def word(low, high):
        return "".join(r.choice(CHARS) for _ in range(r.randint(low, high)))

    folders = [(root, 0)]
    os.makedirs(root)
    while len(folders) < FOLDERS:
        parent, depth = folders[r.randrange(len(folders))]
        if depth >= 8:
            continue
        path = os.path.join(parent, word(3, 18))
        try:
            os.mkdir(path)
        except FileExistsError:
            continue
        folders.append((path, depth + 1))
    for _ in range(FILES - LINES):
        folder, _ = folders[r.randrange(len(folders))]
        extension = ".vkmx" if r.randrange(500) == 0 else r.choice(EXTENSIONS)
        open(os.path.join(folder, word(4, 22) + extension), "wb").close()
    for i in range(LINES):
        folder, _ = folders[r.randrange(len(folders))]
        name = "Trať Žďár %d" % i if i % 50 == 0 else "Linka %d" % i
        with open(os.path.join(folder, "line_%d%s" % (i, ".VKM" if i % 10 == 0 else ".vkm")), "wb") as f:
            f.write(definition(name))
    with open(os.path.join(root, "bez_jmena.vkm"), "wb") as f:
        f.write(b"[Info]\r\nWAV_odjezd=a.wav\r\n")
    os.makedirs(os.path.join(root, ".skryta"))
    with open(os.path.join(root, ".skryta", "skryta.vkm"), "wb") as f:
        f.write(definition("Skrytá linka"))
    with open(os.path.join(root, ".skryty.vkm"), "wb") as f:
        f.write(definition("Skrytý soubor"))


def windows_order(name):
    return (name.upper(), name)


def expected(folder, names):
    entries = sorted((e for e in os.scandir(folder) if not e.name.startswith(".")),
                     key=lambda e: windows_order(e.name))
    for e in entries:
        if not e.is_dir(follow_symlinks=False) and e.name.lower().endswith(".vkm"):
            with open(e.path, "rb") as f:
                text = f.read().decode("cp1250")
            for line in text.split("\r\n"):
                if line.startswith("Name="):
                    names.append(line[5:])
    for e in entries:
        if e.is_dir(follow_symlinks=False):
            expected(e.path, names)


if __name__ == "__main__":
    make(sys.argv[1])
    names = []
    expected(sys.argv[1], names)
    with open(sys.argv[2], "w", encoding="utf-8") as f:
        f.write("".join(n + "\n" for n in names))
