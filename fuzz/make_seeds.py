#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzz targets into corpus/<target>/."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def bmp(width, height, data_offset=54, colours=0, cut=None, fill=None):
    row_bytes = 3 * width + width % 4
    pixels = bytearray()
    for stored in range(height):
        y = height - 1 - stored
        for x in range(width):
            pixels += bytes(fill) if fill else bytes(((x * 40) & 255, (y * 60) & 255, (x + y) & 255))
        pixels += bytes(row_bytes - 3 * width)
    size = data_offset + len(pixels)
    header = b"BM" + struct.pack("<IHHI", size, 0, 0, data_offset)
    header += struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, colours)
    body = header + bytes(data_offset - 54) + pixels
    return body if cut is None else body[:cut]


def framed(width, height):
    """A picture inside pure-blue bars on its left and right."""
    rows = []
    for y in range(height):
        left = 1 + y % 3
        right = width - 2 - (y * 2) % 3
        rows.append([(255, 0, 0) if x < left or x > right else (x * 30 & 255, y * 50 & 255, 90) for x in range(width)])
    row_bytes = 3 * width + width % 4
    pixels = bytearray()
    for row in reversed(rows):
        for p in row:
            pixels += bytes(p)
        pixels += bytes(row_bytes - 3 * width)
    header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    header += struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    return header + pixels


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data if isinstance(data, bytes) else data.encode("ascii"))


def main():
    for i, text in enumerate(["0", "-2147483648", "2147483647", "$7FFFFFFF", "0xFFFFFFFF", "  +12",
                              "1.5E+3", ".", "-.5e-400", "1e309", "0102030", "-0102030", "12.3456",
                              "-1234567", "01234567"]):
        write("numberfields_fuzz", "field%02d" % i, text)

    write("bmpheader_fuzz", "plain4x3", bmp(4, 3))
    write("bmpheader_fuzz", "width1", bmp(1, 2))
    write("bmpheader_fuzz", "gap", bmp(3, 2, data_offset=70))
    write("bmpheader_fuzz", "colours", bmp(2, 2, colours=256))
    write("bmpheader_fuzz", "short", bmp(5, 5, cut=80))
    write("bmpheader_fuzz", "header", bmp(5, 5, cut=54))

    header = "0320 0240\r\n"
    write("messkart_fuzz", "plain", header + "100 10.0 900 0.0\r\n300 12.0 100 30.0\r\n")
    write("messkart_fuzz", "packed", "* comment\r\n" + header + "10 0100000 20 0500000\r\n200 -0013030 210 0483000\r\n")
    write("messkart_fuzz", "wgs", header + "WGS 1.5 -2.25\r\n100 10.0 900 0.0\r\nGPS\r\n300 12.0 100 30.0\r\n\x1a junk")
    write("messkart_fuzz", "bad", header + "100 x 900 0.0\r\n")

    for i, args in enumerate(["g=12.5", "x=1", "y=-2", "g=-90", "G=0.3"]):
        write("kippdreh_fuzz", "run%d" % i, args.encode() + b"\n" + bmp(5 + i, 4 + i))
    write("kippdreh_fuzz", "short", b"x=1\n" + bmp(6, 6, cut=100))
    write("kippdreh_fuzz", "gap", b"g=30\n" + bmp(3, 3, data_offset=64))

    write("glattzug_fuzz", "rows", b"h\n" + framed(9, 5))
    write("glattzug_fuzz", "columns", b"v\n" + framed(5, 9))
    write("glattzug_fuzz", "hyper", b"v 47.5 55\n" + framed(6, 10))
    write("glattzug_fuzz", "blue", b"H\n" + bmp(4, 4, fill=(255, 0, 0)))
    write("glattzug_fuzz", "short", b"v\n" + framed(7, 7)[:90])
    # Once lengthened the output: the file ends inside the top row's fill bytes.
    write("glattzug_fuzz", "regression-top-row-fill", b"v\n" + framed(7, 7)[:219])


if __name__ == "__main__":
    main()
