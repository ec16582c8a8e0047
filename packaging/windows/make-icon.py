#!/usr/bin/env python3
"""Makes a Windows icon (.ico) from the program's SVG artwork.

    make-icon.py ARTWORK.svg OUT.ico

Each size is drawn by rsvg-convert and stored as PNG inside the icon, which
Windows reads since Vista.
"""
import struct
import subprocess
import sys

SIZES = [16, 20, 24, 32, 40, 48, 64, 256]


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    svg, out = sys.argv[1], sys.argv[2]
    images = [subprocess.run(["rsvg-convert", "-w", str(s), "-h", str(s), svg],
                             check=True, capture_output=True).stdout for s in SIZES]
    # ICONDIR, then one ICONDIRENTRY per image, then the images.
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, png in zip(SIZES, images):
        if png[:8] != b"\x89PNG\r\n\x1a\n":
            sys.exit("rsvg-convert gave no PNG for size %d" % size)
        side = 0 if size >= 256 else size  # 0 means 256
        data += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(png), offset)
        offset += len(png)
    with open(out, "wb") as f:
        f.write(data + b"".join(images))


if __name__ == "__main__":
    main()
