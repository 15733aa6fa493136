#!/usr/bin/env python3
"""jpeg_copies.py DIR N BASE.jpg...: N distinct valid JPEG files in DIR, made from the BASEs.

File k (PIC_00001.jpg ...) is BASE[k % len(BASE)] with a comment segment of its own
("copy k"), put after the leading APPn segments so that an EXIF block stays the first
segment. The pictures repeat; the files' bytes, sizes and inodes do not.
"""
import os
import sys


def split_head(data):
    """The offset after SOI and the leading APPn segments."""
    if data[:2] != b"\xff\xd8":
        raise ValueError("not a JPEG file")
    at = 2
    while at + 4 <= len(data) and data[at] == 0xFF and 0xE0 <= data[at + 1] <= 0xEF:
        at += 2 + int.from_bytes(data[at + 2:at + 4], "big")
    if at > len(data):
        raise ValueError("truncated segment")
    return at


def main(argv):
    if len(argv) < 3 or not argv[1].isdigit():
        sys.stderr.write(__doc__)
        return 2
    folder, count, bases = argv[0], int(argv[1]), argv[2:]
    heads = []
    for path in bases:
        with open(path, "rb") as f:
            data = f.read()
        try:
            at = split_head(data)
        except ValueError as failure:
            sys.stderr.write("%s: %s\n" % (path, failure))
            return 1
        heads.append((data[:at], data[at:]))
    width = max(5, len(str(count)))
    for k in range(1, count + 1):
        head, rest = heads[k % len(heads)]
        text = b"copy %d" % k
        comment = b"\xff\xfe" + (len(text) + 2).to_bytes(2, "big") + text
        with open(os.path.join(folder, "PIC_%0*d.jpg" % (width, k)), "wb") as f:
            f.write(head + comment + rest)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
