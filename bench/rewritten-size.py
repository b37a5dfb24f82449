#!/usr/bin/env python3
"""Compares the streams two Tessel outputs of the same input wrote differently.

usage: bench/rewritten-size.py a.pdf b.pdf
Both files must come from the same input and options, built with different compressors: objects
whose bytes differ are the rewritten (re-compressed) streams. Prints their total /Length in each
file and the ratio b / a.
"""
import re
import sys


def objects(path):
    data = open(path, "rb").read()
    start = int(re.findall(rb"startxref\s+(\d+)", data)[-1])
    table = {}
    pos = data.index(b"xref", start) + 4
    while True:
        m = re.compile(rb"\s*(\d+) (\d+)[ \t]*(\r\n|\r|\n)").match(data, pos)
        if not m:
            break
        first, count = int(m.group(1)), int(m.group(2))
        pos = m.end()
        for i in range(count):
            entry = data[pos:pos + 20]
            pos += 20
            if entry[17:18] == b"n":
                table[first + i] = int(entry[:10])
    ordered = sorted(table.items(), key=lambda kv: kv[1])
    ends = [o for _, o in ordered[1:]] + [start]
    return {num: data[off:end] for (num, off), end in zip(ordered, ends)}


def length(text):
    m = re.search(rb"/Length (\d+)", text)
    return int(m.group(1)) if m else 0


a, b = objects(sys.argv[1]), objects(sys.argv[2])
if a.keys() != b.keys():
    sys.exit("the two files hold different objects: not outputs of the same run")
changed = [n for n in a if a[n] != b[n]]
total_a = sum(length(a[n]) for n in changed)
total_b = sum(length(b[n]) for n in changed)
print(f"{len(changed)} streams differ: {total_a} bytes in {sys.argv[1]}, {total_b} bytes in {sys.argv[2]}, "
      f"ratio {total_b / total_a if total_a else 1:.4f}")
