# SPDX-License-Identifier: GPL-3.0-or-later
"""The pixels of a browser's screenshot, read by the standard library alone (zlib), for
the browser-view tests' layout checks."""
import struct
import zlib


def png(path):
    """Width, height and rows of RGB(A) pixels of a non-interlaced 8-bit PNG."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, w = 8, b"", 0
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            w, h, depth, color = struct.unpack(">IIBB", chunk[:10])
            bpp = {2: 3, 6: 4}[color]
        elif kind == b"IDAT":
            idat += chunk
        pos += 12 + n
    raw, rows, prev = zlib.decompress(idat), [], bytearray(w * bpp)
    stride = w * bpp + 1
    for y in range(h):
        f, line = raw[y * stride], bytearray(raw[y * stride + 1:(y + 1) * stride])
        for i in range(len(line)):
            left = line[i - bpp] if i >= bpp else 0
            up, ul = prev[i], prev[i - bpp] if i >= bpp else 0
            if f == 1: line[i] = (line[i] + left) & 255
            elif f == 2: line[i] = (line[i] + up) & 255
            elif f == 3: line[i] = (line[i] + (left + up) // 2) & 255
            elif f == 4:
                pa, pb, pc = abs(up - ul), abs(left - ul), abs(left + up - 2 * ul)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else ul)) & 255
        rows.append(line)
        prev = line
    return w, h, bpp, rows


def right_edge_problem(path, size):
    """What runs off the right edge of a screenshot of `size`, or None. Below the header,
    the rightmost columns are the page's margin: no card may reach them."""
    w, h, bpp, rows = png(path)
    if (w, h) != size:
        return "%s is %dx%d, not %dx%d" % (path, w, h, size[0], size[1])
    for y in range(60, h):
        for x in (w - 3, w - 1):
            px = tuple(rows[y][x * bpp:x * bpp + 3])
            if px == (0xff, 0xff, 0xff):
                return "%s: a card runs off the right edge at y=%d" % (path, y)
            if px != (0xf4, 0xf5, 0xf7):
                return "%s: something reaches the right edge at y=%d: %s" % (path, y, px)
    return None
