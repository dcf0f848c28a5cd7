#!/usr/bin/env python3
"""Checks a screenshot of the waiting window taken on an otherwise empty
virtual display: the window is there, has the size its client area asks for
(280 x 179 pixels at 96 DPI, plus whatever frame the display draws), and is
painted (the face and the dark text of "Attendere"), not blank.

Usage: check_waiting_window.py SHOT.xwd OUT.png [CLIENT_W CLIENT_H]

Reads the X window dump that `xwd -root` writes, saves it as PNG for people
to look at, and exits non-zero with a reason when the window is wrong. Only
the standard library is used.
"""
import struct
import sys
import zlib
from collections import Counter


def read_xwd(path):
    """Returns (width, height, rows of (r, g, b) tuples)."""
    with open(path, "rb") as f:
        data = f.read()
    fields = struct.unpack(">25I", data[:100])
    (header_size, version, _fmt, _depth, width, height, _xoff, byte_order,
     _unit, _bit_order, _pad, bits_per_pixel, bytes_per_line, _visual,
     red_mask, green_mask, blue_mask, _bits_rgb, _cmap_entries, ncolors) = fields[:20]
    if version != 7:
        raise ValueError(f"not an X window dump (version {version})")
    if bits_per_pixel not in (24, 32):
        raise ValueError(f"unsupported {bits_per_pixel} bits per pixel; use a 24-bit display")
    offset = header_size + 12 * ncolors
    step = bits_per_pixel // 8
    endian = "little" if byte_order == 0 else "big"

    def channel(mask):
        shift = (mask & -mask).bit_length() - 1
        top = mask >> shift
        return shift, top

    channels = [channel(m) for m in (red_mask, green_mask, blue_mask)]
    rows = []
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * step]
        row = []
        for x in range(0, width * step, step):
            v = int.from_bytes(line[x:x + step], endian)
            row.append(tuple(((v >> s) & t) * 255 // t for s, t in channels))
        rows.append(row)
    return width, height, rows


def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


def brightness(px):
    return (px[0] * 299 + px[1] * 587 + px[2] * 114) // 1000


def check(width, height, rows, client_w, client_h):
    """Returns a list of faults; empty when the window looks right."""
    background = Counter(px for row in rows for px in row).most_common(1)[0][0]
    xs = [x for row in rows for x, px in enumerate(row) if px != background]
    ys = [y for y, row in enumerate(rows) if any(px != background for px in row)]
    if not xs:
        return ["no window on the screen: the whole display is one colour"]
    left, right, top, bottom = min(xs), max(xs), min(ys), max(ys)
    w, h = right - left + 1, bottom - top + 1
    faults = []
    print(f"window found at {left},{top}, {w} x {h} pixels "
          f"(client area asked: {client_w} x {client_h})")

    # The client area, exactly or with a frame of at most a usual border and
    # title bar around it.
    if not (client_w <= w <= client_w + 40 and client_h <= h <= client_h + 60):
        faults.append(f"window is {w} x {h}; expected {client_w} x {client_h} "
                      f"plus at most a frame")
        return faults  # no client area to look into
    inside = [px for row in rows[top:bottom + 1] for px in row[left:right + 1]]
    if sum(px != background for px in inside) < 0.9 * len(inside):
        faults.append("what differs from the background is not one filled rectangle")

    # The client area is the bottom-right client_w x client_h part of the
    # window (the frame's title bar and borders lie above and to the left
    # and equally right and below; the border is thin, so allow for it).
    border = (w - client_w) // 2
    cl, ct = left + border, bottom - border - client_h + 1
    client = [row[cl:cl + client_w] for row in rows[ct:ct + client_h]]
    face = Counter(px for row in client for px in row).most_common(1)[0][0]
    colours = {px for row in client for px in row}
    if len(colours) < 2:
        faults.append("the client area is blank: one colour only")
    # "Attendere" is dark text on the face, inside the label's rectangle
    # (64, 64, 177 x 53 at 96 DPI; scaled with the client area).
    sx, sy = client_w / 280, client_h / 179
    lx0, ly0, lx1, ly1 = int(64 * sx), int(64 * sy), int(241 * sx), int(117 * sy)
    text = [(x, y) for y, row in enumerate(client) for x, px in enumerate(row)
            if brightness(px) < brightness(face) - 80]
    if len(text) < 200:
        faults.append(f"too little dark text in the client area ({len(text)} pixels)")
    else:
        in_label = sum(lx0 <= x < lx1 and ly0 <= y < ly1 for x, y in text)
        tx0, tx1 = min(x for x, _ in text), max(x for x, _ in text)
        ty0, ty1 = min(y for _, y in text), max(y for _, y in text)
        print(f"text spans {tx0}..{tx1} x {ty0}..{ty1} in the client area, "
              f"{in_label} of {len(text)} dark pixels inside the label")
        if in_label < 0.9 * len(text):
            faults.append("the dark pixels lie mostly outside the label's rectangle")
        # A font wider than the one the label was sized for cuts the word at
        # the label's edge.
        if tx1 >= lx1 - 1:
            faults.append("the word reaches the label's right edge: it is cut off")
        # 24 point bold: capitals about 22 pixels high at 96 DPI, the word
        # far wider than high.
        if not (15 * sy <= ty1 - ty0 + 1 <= 45 * sy and tx1 - tx0 + 1 >= 90 * sx):
            faults.append(f"the text is {tx1 - tx0 + 1} x {ty1 - ty0 + 1} pixels: "
                          f"not a 24 point word")
    return faults


def main(argv):
    if len(argv) not in (3, 5):
        print(__doc__.strip().splitlines()[-5], file=sys.stderr)
        return 2
    client_w, client_h = (int(argv[3]), int(argv[4])) if len(argv) == 5 else (280, 179)
    width, height, rows = read_xwd(argv[1])
    write_png(argv[2], width, height, rows)
    print(f"screenshot saved as {argv[2]}")
    faults = check(width, height, rows, client_w, client_h)
    for fault in faults:
        print(f"waiting window: {fault}", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
