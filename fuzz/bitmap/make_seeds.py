#!/usr/bin/env python3
"""Writes the seed corpora of the bitmap fuzzers: small BMP files of each variant the loader reads,
plus the good files of the BMP suite when it is there, and for the drawing fuzzer the same pictures
split into (target format, info block length, info block, pixel rows)."""
import os
import struct
import sys


def bmp(width, height, bits, compression=0, palette=0, header=40, masks=(), pixels=b""):
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, height & 0xFFFF, 1, bits)
        table = b"".join(bytes((i * 40 % 256, i * 90 % 256, 255 - i, )) for i in range(palette))
    else:
        info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, compression, len(pixels), 2835, 2835,
                           palette, 0)
        extra = b"".join(struct.pack("<I", m) for m in masks)
        if header == 40:
            info += extra
        else:
            info += extra.ljust(header - 40, b"\0")
        table = b"".join(bytes((i * 40 % 256, i * 90 % 256, 255 - i, 0)) for i in range(palette))
    block = info + table
    offset = 14 + len(block)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + block + pixels, block, pixels


def rows(width, height, bits, seed):
    stride = (width * bits + 31) // 32 * 4
    return bytes((seed + i * 7) % 256 if (i % stride) < (width * bits + 7) // 8 else 0 for i in range(stride * height))


def samples():
    yield "pal1", bmp(9, 3, 1, palette=2, pixels=rows(9, 3, 1, 1))
    yield "pal4", bmp(5, 3, 4, palette=16, pixels=rows(5, 3, 4, 2))
    yield "pal8", bmp(4, 3, 8, palette=256, pixels=rows(4, 3, 8, 3))
    yield "pal8short", bmp(4, 2, 8, palette=7, pixels=bytes([0, 1, 2, 6] * 2))
    yield "pal8core", bmp(4, 2, 8, palette=256, header=12, pixels=rows(4, 2, 8, 4))
    yield "pal8v5topdown", bmp(4, -2, 8, palette=256, header=124, pixels=rows(4, 2, 8, 5))
    yield "rgb16", bmp(3, 2, 16, pixels=rows(3, 2, 16, 6))
    yield "rgb16_565", bmp(3, 2, 16, 3, masks=(0xF800, 0x7E0, 0x1F), pixels=rows(3, 2, 16, 7))
    yield "rgb16_444_v4", bmp(3, 2, 16, 3, header=108, masks=(0xF00, 0xF0, 0xF, 0xF000), pixels=rows(3, 2, 16, 8))
    yield "rgb24", bmp(3, 2, 24, pixels=rows(3, 2, 24, 9))
    yield "rgb32", bmp(3, 2, 32, pixels=rows(3, 2, 32, 10))
    yield "rgb32_alpha_fields", bmp(3, 2, 32, 6, masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000), pixels=rows(3, 2, 32, 11))
    yield "rle8", bmp(5, 2, 8, 1, palette=16, pixels=bytes([3, 1, 0, 3, 4, 5, 6, 0, 0, 0, 0, 2, 2, 1, 1, 0, 1]))
    yield "rle4", bmp(7, 2, 4, 2, palette=16, pixels=bytes([0, 3, 0x12, 0x30, 4, 0x45, 0, 0, 7, 0x9A, 0, 1]))


def main():
    out_load, out_draw = sys.argv[1], sys.argv[2]
    suite = sys.argv[3] if len(sys.argv) > 3 else ""
    os.makedirs(out_load, exist_ok=True)
    os.makedirs(out_draw, exist_ok=True)
    pictures = list(samples())
    if suite and os.path.isdir(os.path.join(suite, "g")):
        for name in sorted(os.listdir(os.path.join(suite, "g"))):
            with open(os.path.join(suite, "g", name), "rb") as f:
                data = f.read()
            offset = struct.unpack_from("<I", data, 10)[0]
            pictures.append(("suite_" + name[:-4], (data, data[14:offset], data[offset:])))
    for name, (file, info, pixels) in pictures:
        with open(os.path.join(out_load, name + ".bmp"), "wb") as f:
            f.write(file)
        if info[:4] == struct.pack("<I", 12):
            continue  # drawing takes info headers only
        for target in (0, 3, 6):  # Device, Bits8, Bits24
            with open(os.path.join(out_draw, "%s_%d" % (name, target)), "wb") as f:
                f.write(bytes([target]) + struct.pack("<H", len(info)) + info + pixels)


if __name__ == "__main__":
    main()
