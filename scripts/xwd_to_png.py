#!/usr/bin/env python3
"""Cuts a rectangle out of an X window dump (xwd of a TrueColor screen with
24 or 32 bits per pixel, as Xvfb gives) and writes it as a PNG. Usage: xwd_to_png.py in.xwd out.png x y w h"""
import struct
import sys
import zlib


def read_xwd(path):
    data = open(path, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line, ncolors = fields[7], fields[11], fields[12], fields[19]
    if bits_per_pixel not in (24, 32):
        sys.exit("xwd_to_png: only 24 and 32 bits per pixel dumps are handled")
    pixels = data[header_size + ncolors * 12:]
    return width, height, byte_order, bytes_per_line, bits_per_pixel // 8, pixels


def png_chunk(kind, body):
    chunk = kind + body
    return struct.pack(">I", len(body)) + chunk + struct.pack(">I", zlib.crc32(chunk) & 0xFFFFFFFF)


def main():
    source, target = sys.argv[1], sys.argv[2]
    left, top, width, height = (int(value) for value in sys.argv[3:7])
    screen_width, screen_height, byte_order, stride, size, pixels = read_xwd(source)
    width = min(width, screen_width - left)
    height = min(height, screen_height - top)
    rows = bytearray()
    for y in range(top, top + height):
        rows.append(0)
        line = pixels[y * stride + left * size:y * stride + (left + width) * size]
        for x in range(width):
            pixel = line[x * size:x * size + size]
            # Least significant byte first means blue, green, red in that order.
            rows += bytes(pixel[2::-1]) if byte_order == 0 else bytes(pixel[size - 3:])
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(target, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header)
                  + png_chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + png_chunk(b"IEND", b""))


if __name__ == "__main__":
    main()
