#!/usr/bin/env python3
"""Note texts for the torture runs: random texts, the note file bytes."""
import os
import random
import re
import sys

# Latin, Cyrillic, Greek, CJK and punctuation: every one a single UTF-16 unit.
ALPHABET = ("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,;!?-()"
            "абвгдежзийклмнопрстуфхцчшщъыьэюяАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЭЮЯё"
            "αβγδεζηθλμπσω" "日本語文字漢" "€§«»—")


def random_text(rng, max_units, breaks=0.05):
    """Random text of 1..max_units UTF-16 units; line breaks are CR LF."""
    target = rng.randint(1, max_units)
    units = []
    while len(units) < target:
        if rng.random() < breaks and len(units) + 2 <= target:
            units += ["\r", "\n"]
        else:
            units.append(rng.choice(ALPHABET))
    return "".join(units)


def note_bytes(text):
    return b"\xff\xfe" + text.encode("utf-16-le")


def file_text(path):
    """A note's text; a file not in the note format read byte for byte."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] == b"\xff\xfe":
        return data[2:].decode("utf-16-le", "replace")
    return data.decode("latin-1")


def tokens(folder, pattern):
    """Every match of pattern in every file below folder (or in the file
    folder names): (match, relative path)."""
    if os.path.isfile(folder):
        return [(match, os.path.basename(folder)) for match in re.findall(pattern, file_text(folder))]
    found = []
    for parent, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(parent, name)
            if os.path.isfile(path):
                for match in re.findall(pattern, file_text(path)):
                    found.append((match, os.path.relpath(path, folder)))
    return sorted(found)


def main():
    command = sys.argv[1]
    if command == "random":   # random SEED MAX_UNITS FILE [BREAKS]: writes a note
        rng = random.Random(int(sys.argv[2]))
        breaks = float(sys.argv[5]) if len(sys.argv) > 5 else 0.05
        text = random_text(rng, int(sys.argv[3]), breaks)
        with open(sys.argv[4], "wb") as f:
            f.write(note_bytes(text))
    elif command == "append":  # append NOTE SUFFIX OUT: the note with SUFFIX after its text
        with open(sys.argv[2], "rb") as f:
            data = f.read()
        suffix = sys.argv[3].replace("\n", "\r\n")
        with open(sys.argv[4], "wb") as f:
            f.write(data + suffix.encode("utf-16-le"))
    elif command == "text":    # text TEXT OUT: a note holding TEXT (\n becomes CR LF)
        with open(sys.argv[3], "wb") as f:
            f.write(note_bytes(sys.argv[2].replace("\n", "\r\n")))
    elif command == "backspace":  # backspace NOTE K OUT: K BackSpaces at the end of the text
        with open(sys.argv[2], "rb") as f:
            text = f.read()[2:].decode("utf-16-le")
        for _ in range(int(sys.argv[3])):
            text = text[:-2] if text.endswith("\r\n") else text[:-1]
        with open(sys.argv[4], "wb") as f:
            f.write(note_bytes(text))
    elif command == "join":    # join NOTE1 NOTE2 OUT: the first note's text, then the second's
        with open(sys.argv[2], "rb") as f:
            first = f.read()
        with open(sys.argv[3], "rb") as f:
            second = f.read()[2:]
        with open(sys.argv[4], "wb") as f:
            f.write(first + second)
    elif command == "head":    # head NOTE UNITS OUT: the note cut to its first UNITS units
        with open(sys.argv[2], "rb") as f:
            text = f.read()[2:].decode("utf-16-le")[:int(sys.argv[3])]
        if text.endswith("\r"):
            text = text[:-1]
        with open(sys.argv[4], "wb") as f:
            f.write(note_bytes(text))
    elif command == "clip":    # clip NOTE OUT: the note's text as UTF-8 with LF line ends
        with open(sys.argv[2], "rb") as f:
            text = f.read()[2:].decode("utf-16-le")
        with open(sys.argv[3], "wb") as f:
            f.write(text.replace("\r\n", "\n").encode("utf-8"))
    elif command == "tokens":  # tokens FOLDER|FILE REGEX: "<match>\t<file>" for each match there
        for match, path in tokens(sys.argv[2], sys.argv[3]):
            print("%s\t%s" % (match, path))
    elif command == "units":   # units NOTE: number of text units
        print((os.path.getsize(sys.argv[2]) - 2) // 2)
    else:
        sys.exit("unknown command")


if __name__ == "__main__":
    main()
