#!/usr/bin/env python3
"""Draws the toolbar strip, the About box's picture and the program icon as 16-colour bitmaps
(run once; the outputs are committed). Light grey is the toolbar background, which the toolbar
maps to the button face colour."""
import struct

# The 16-colour palette: the toolbar maps its greys and black to the system's 3D colours.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
KEYS = {'.': 7, 'k': 0, 'r': 1, 'g': 2, 'o': 3, 'n': 4, 'p': 5, 't': 6, 'd': 8, 'R': 9,
        'G': 10, 'Y': 11, 'B': 12, 'M': 13, 'C': 14, 'w': 15}

TOOLBAR = [
    # Open
    ["................", "..........kkk...", ".........k...k.k", "..............kk",
     ".kkk.........kkk", "kYwYkkkkkkk.....", "kwYwYwYwYwk.....", "kYwYwYwYwYk.....",
     "kwYwYkkkkkkkkkk.", "kYwYkoooooooook.", "kwYkoooooooook..", "kYkoooooooook...",
     "kkoooooooook....", "kkkkkkkkkkk.....", "................"],
    # Save As
    ["................", ".kkkkkkkkkkkkkk.", ".knkwwwwwwwwknk.", ".knkwwwwwwwwknk.",
     ".knkwwwwwwwwknk.", ".knkwwwwwwwwknk.", ".knnkkkkkkkknnk.", ".knnnnnnnnnnnnk.",
     ".knnkkkkkkkknnk.", ".knnkkkkwwkknnk.", ".knnkkkkwwkknnk.", ".knnkkkkwwkknnk.",
     "..kkkkkkkkkkkkk.", "................", "................"],
    # Show Time
    ["................", ".....kkkkkk.....", "...kkwwwwwwkk...", "..kwwwwkwwwwwk..",
     "..kwwwwkwwwwwk..", ".kwwwwwkwwwwwwk.", ".kwwwwwkwwwwwwk.", ".kwwwwwkkkkkwwk.",
     ".kwwwwwwwwwwwwk.", ".kwwwwwwwwwwwwk.", "..kwwwwwwwwwwk..", "..kwwwwwwwwwwk..",
     "...kkwwwwwwkk...", ".....kkkkkk.....", "................"],
    # Verbose
    ["................", ".kkkkkkkkkkk....", ".kwwwwwwwwwkk...", ".kwkkkkkkwwkwk..",
     ".kwwwwwwwwwkkkk.", ".kwkkkkkkkkkwwk.", ".kwwwwwwwwwwwwk.", ".kwwkkkkkkkkwwk.",
     ".kwwwwwwwwwwwwk.", ".kwwkkkkkkkkwwk.", ".kwwwwwwwwwwwwk.", ".kwwkkkkkkwwwwk.",
     ".kwwwwwwwwwwwwk.", ".kkkkkkkkkkkkkk.", "................"],
    # Filters
    ["................", ".kkkkkkkkkkkkkk.", ".kttttttttttttk.", "..kttttttttttk..",
     "...kttttttttk...", "....kttttttk....", ".....kttttk.....", "......kttk......",
     "......kttk......", "......kttk......", "......kttk......", "......kttk......",
     "......kkkk......", "................", "................"],
    # Trigger Enable
    ["................", ".......kk.......", "......kYYk......", ".....kYYYYk.....",
     ".....kYYYYk.....", "....kYYYYYYk....", "....kYYYYYYk....", "....kYYYYYYk....",
     "...kYYYYYYYYk...", "...kYYYYYYYYk...", "..kYYYYYYYYYYk..", "..kkkkkkkkkkkk..",
     "......kRRk......", ".......kk.......", "................"],
    # Begin Trace
    ["................", "...kk...........", "...kGk..........", "...kGGk.........",
     "...kGGGk........", "...kGGGGk.......", "...kGGGGGk......", "...kGGGGGGk.....",
     "...kGGGGGk......", "...kGGGGk.......", "...kGGGk........", "...kGGk.........",
     "...kGk..........", "...kk...........", "................"],
    # End Trace
    ["................", "................", "..kkkkkkkkkkkk..", "..kRRRRRRRRRRk..",
     "..kRRRRRRRRRRk..", "..kRRRRRRRRRRk..", "..kRRRRRRRRRRk..", "..kRRRRRRRRRRk..",
     "..kRRRRRRRRRRk..", "..kRRRRRRRRRRk..", "..kRRRRRRRRRRk..", "..kRRRRRRRRRRk..",
     "..kkkkkkkkkkkk..", "................", "................"],
    # Copy to Clipboard
    ["................", "kkkkkk..........", "kwwwwkk.........", "kwkkwkwk........",
     "kwwwwkkkkkkk....", "kwkkkwkwwwwkk...", "kwwwwwkwkkwkwk..", "kwkkkwkwwwwkkkk.",
     "kwwwwwkwkkkkwwk.", "kkkkkkkwwwwwwwk.", "......kwkkkkkwk.", "......kwwwwwwwk.",
     "......kwkkkkkwk.", "......kwwwwwwwk.", "......kkkkkkkkk."],
    # Print
    ["................", "....kkkkkkkk....", "....kwwwwwwk....", "....kwkkkkwk....",
     "....kwwwwwwk....", "..kkkkkkkkkkkk..", ".k............k.", ".k..........GGk.",
     ".kddddddddddddk.", ".kkkkkkkkkkkkkk.", ".kdkwwwwwwwwkdk.", "..kkwkkkkkwkkk..",
     "....kwwwwwwk....", "....kkkkkkkk....", "................"],
    # About
    ["................", ".....kkkkkk.....", "....knnnnnnk....", "...knnkkkknnk...",
     "...knnk..knnk...", "....kk...knnk...", ".........knnk...", "........knnk....",
     ".......knnk.....", "......knnk......", "......knnk......", ".......kk.......",
     "......knnk......", "......knnk......", ".......kk......."],
]

ICON = [
    "................................", "...........kkkkkkkkk............",
    "........kkkCCCCCCCCCkkk.........", "......kkCCCCCCCCCCCCCCCkk.......",
    ".....kCCCCCCkkkkkkkCCCCCCk......", "....kCCCCCkk.......kkCCCCCk.....",
    "...kCCCCCk...........kCCCCCk....", "...kCCCCk.............kCCCCk....",
    "..kCCCCk...............kCCCCk...", "..kCCCCk...............kCCCCk...",
    "..kCCCCk...............kCCCCk...", ".kCCCCk.................kCCCCk..",
    ".kCCCCk.................kCCCCk..", ".kCCCCk.................kCCCCk..",
    ".kCCCCk.................kCCCCk..", ".kCCCCk.................kCCCCk..",
    ".kCCCCk.................kCCCCk..", ".kCCCCk.........kk......kCCCCk..",
    "..kCCCCk.......kRRk....kCCCCk...", "..kCCCCk........kRRk...kCCCCk...",
    "..kCCCCk.........kRRk..kCCCCk...", "...kCCCCk.........kRRkkCCCCk....",
    "...kCCCCCk.........kRRCCCCk.....", "....kCCCCCkk.......kkRRCCk......",
    ".....kCCCCCCkkkkkkkCCkRRRk......", "......kkCCCCCCCCCCCCCkkRRRk.....",
    "........kkkCCCCCCCCCkk..kRRRk...", "...........kkkkkkkkk......kRRk..",
    "...........................kk...", "................................",
    "................................", "................................"]


# Capital letters of the About picture, 5 by 7 pixels.
LETTERS = {
    'Q': [".kkk.", "k...k", "k...k", "k...k", "k.k.k", "k..k.", ".kk.k"],
    'U': ["k...k", "k...k", "k...k", "k...k", "k...k", "k...k", ".kkk."],
    'A': [".kkk.", "k...k", "k...k", "kkkkk", "k...k", "k...k", "k...k"],
    'R': ["kkkk.", "k...k", "k...k", "kkkk.", "k.k..", "k..k.", "k...k"],
    'N': ["k...k", "kk..k", "k.k.k", "k..kk", "k...k", "k...k", "k...k"],
    'E': ["kkkkk", "k....", "k....", "kkkk.", "k....", "k....", "kkkkk"],
    'T': ["kkkkk", "..k..", "..k..", "..k..", "..k..", "..k..", "..k.."],
}


def about_picture():
    """120 by 50: the name over two machines joined by a wire that carries packets."""
    width, height = 120, 50
    px = [['n'] * width for _ in range(height)]

    def box(x0, y0, x1, y1, key):
        for y in range(y0, y1):
            for x in range(x0, x1):
                px[y][x] = key

    box(0, 0, width, 1, 'k'), box(0, height - 1, width, height, 'k')
    box(0, 0, 1, height, 'k'), box(width - 1, 0, width, height, 'k')
    x = 18
    for letter in "QUARNET":  # doubled pixels: 10 by 14 each, 2 apart
        for row, line in enumerate(LETTERS[letter]):
            for col, c in enumerate(line):
                if c == 'k':
                    box(x + 2 * col, 5 + 2 * row, x + 2 * col + 2, 7 + 2 * row, 'w')
        x += 12
    for left in (8, 96):  # two screens on stands
        box(left, 25, left + 16, 37, 'w'), box(left + 2, 27, left + 14, 35, 'C')
        box(left + 6, 37, left + 10, 40, 'w'), box(left + 3, 40, left + 13, 42, 'w')
    box(24, 31, 96, 32, 'C')  # the wire
    for i, key in enumerate("YRYGY"):
        box(30 + 13 * i, 29, 35 + 13 * i, 34, key)
    return [''.join(row) for row in px]


def dib_4bit(rows, transparent_key=None):
    """BITMAPINFOHEADER, palette and bottom-up 4-bit pixels of `rows`."""
    height, width = len(rows), len(rows[0])
    stride = (width * 4 + 31) // 32 * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for x in range(0, width, 2):
            hi = KEYS[row[x]]
            lo = KEYS[row[x + 1]] if x + 1 < width else 0
            line.append(hi << 4 | lo)
        line += bytes(stride - len(line))
        pixels += line
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return width, height, palette, bytes(pixels)


def write_bmp(path, rows):
    width, height, palette, pixels = dib_4bit(rows)
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(pixels), 0, 0, 16, 16)
    offset = 14 + len(header) + len(palette)
    with open(path, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset))
        f.write(header + palette + pixels)


def write_ico(path, rows):
    width, height, palette, pixels = dib_4bit(rows)
    mask_stride = (width + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, ch in enumerate(row):
            if ch == '.':
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    # Transparent pixels are black in the colour plane so that the mask shows the background.
    rows_black = [''.join('k' if c == '.' else c for c in row) for row in rows]
    _, _, _, pixels = dib_4bit(rows_black)
    header = struct.pack('<IiiHHIIiiII', 40, width, height * 2, 1, 4, 0,
                         len(pixels) + len(mask), 0, 0, 16, 16)
    image = header + palette + pixels + bytes(mask)
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1))
        f.write(struct.pack('<BBBBHHII', width, height, 16, 0, 1, 4, len(image), 22))
        f.write(image)


if __name__ == '__main__':
    strip = [''.join(glyph[y] for glyph in TOOLBAR) for y in range(15)]
    assert all(len(r) == 16 * len(TOOLBAR) for r in strip)
    assert all(len(r) == 32 for r in ICON) and len(ICON) == 32
    write_bmp('toolbar.bmp', strip)
    write_bmp('about.bmp', about_picture())
    write_ico('quarnet.ico', ICON)
