#!/usr/bin/env python3
"""Draws the pictures of the sample station: one Windows metafile per catalogue module (read from
Quillon.ini), the HB612 head's metafile and the station icon OVN_K310_HB612.ico, and the same
icon as PNG files at 48, 128 and 256 px for the desktop (packaging/linux/icons/).

    python3 resources/tools/make_pictures.py

Standard library only; the output is byte-identical between runs. The metafiles use only the
records listed in resources/README.md, which the program's own metafile player draws.
"""

from __future__ import annotations

import os
import re
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)  # resources/
RES = os.path.join(ROOT, "Resources")
# The desktop's icon theme takes the icon as PNG files, one per size, installed with the package.
ICONS = os.path.join(os.path.dirname(ROOT), "packaging", "linux", "icons")
ICON_NAME = "org.quillon.Quillon.png"

# Record functions (the only ones written).
META_SETBKMODE = 0x0102
META_SELECTOBJECT = 0x012D
META_DELETEOBJECT = 0x01F0
META_SETTEXTCOLOR = 0x0209
META_SETWINDOWORG = 0x020B
META_SETWINDOWEXT = 0x020C
META_CREATEPENINDIRECT = 0x02FA
META_CREATEFONTINDIRECT = 0x02FB
META_CREATEBRUSHINDIRECT = 0x02FC
META_POLYGON = 0x0324
META_ELLIPSE = 0x0418
META_RECTANGLE = 0x041B
META_TEXTOUT = 0x0521
META_EOF = 0x0000

TRANSPARENT = 1
UNITS_PER_INCH = 1440  # logical units are twips


def rgb(text: str) -> int:
    """'#RRGGBB' as a COLORREF (0x00BBGGRR)."""
    r, g, b = int(text[1:3], 16), int(text[3:5], 16), int(text[5:7], 16)
    return r | (g << 8) | (b << 16)


def words(*values: int) -> bytes:
    return b"".join(struct.pack("<H", v & 0xFFFF) for v in values)


def colorref(c: int) -> bytes:
    return struct.pack("<I", c)


class Metafile:
    """Collects records and writes a placeable metafile. Objects (pens, brushes, fonts) take the
    lowest free slot of the object table, as GDI assigns them; each kind is replaced by selecting
    the new object before the old one is deleted."""

    def __init__(self, width: int, height: int):
        self.width, self.height = width, height
        self.records: list[bytes] = []
        self.slots: list[bool] = []
        self.selected: dict[str, int] = {}
        self.record(META_SETWINDOWORG, words(0, 0))  # y, x
        self.record(META_SETWINDOWEXT, words(height, width))  # y, x
        self.record(META_SETBKMODE, words(TRANSPARENT))

    def record(self, function: int, params: bytes = b"") -> None:
        assert len(params) % 2 == 0
        size = 3 + len(params) // 2
        self.records.append(struct.pack("<IH", size, function) + params)

    def _create(self, kind: str, function: int, params: bytes) -> None:
        self.record(function, params)
        slot = self.slots.index(False) if False in self.slots else len(self.slots)
        if slot == len(self.slots):
            self.slots.append(True)
        else:
            self.slots[slot] = True
        self.record(META_SELECTOBJECT, words(slot))
        old = self.selected.get(kind)
        if old is not None:
            self.record(META_DELETEOBJECT, words(old))
            self.slots[old] = False
        self.selected[kind] = slot

    def pen(self, color: int, width: int = 8) -> None:
        # LOGPEN: style (solid), width as a POINTS pair, colour.
        self._create("pen", META_CREATEPENINDIRECT, words(0, width, 0) + colorref(color))

    def brush(self, color: int) -> None:
        # LOGBRUSH: style (solid), colour, hatch.
        self._create("brush", META_CREATEBRUSHINDIRECT, words(0) + colorref(color) + words(0))

    def font(self, height: int, bold: bool = False, face: str = "Arial") -> None:
        # LOGFONT: negative height = character height; the width is Arial's average character
        # width, so that a player with another sans-serif font lays the text out as wide as
        # Arial would; ANSI charset, variable pitch, swiss.
        width = round(height * (0.48 if bold else 0.44))
        params = words(-height, width, 0, 0, 700 if bold else 400)
        params += bytes([0, 0, 0, 0, 0, 0, 0, 0x22])
        params += face.encode("latin-1").ljust(32, b"\0")
        self._create("font", META_CREATEFONTINDIRECT, params)

    def text_color(self, color: int) -> None:
        self.record(META_SETTEXTCOLOR, colorref(color))

    def rectangle(self, left: int, top: int, right: int, bottom: int) -> None:
        self.record(META_RECTANGLE, words(bottom, right, top, left))

    def ellipse(self, left: int, top: int, right: int, bottom: int) -> None:
        self.record(META_ELLIPSE, words(bottom, right, top, left))

    def polygon(self, points: list[tuple[int, int]]) -> None:
        flat = [c for p in points for c in p]
        self.record(META_POLYGON, words(len(points), *flat))

    def text(self, x: int, y: int, s: str) -> None:
        data = s.encode("latin-1")
        padded = data + (b"\0" if len(data) % 2 else b"")
        self.record(META_TEXTOUT, words(len(data)) + padded + words(y, x))

    def centred_text(self, y: int, s: str, height: int, bold: bool = False,
                     left: int = 30, right: int | None = None) -> None:
        # No text-alignment record is written, so centre by an estimated Arial advance width,
        # and shrink the font when the text would not fit between left and right.
        right = self.width - 30 if right is None else right
        advance = 0.62 if bold else 0.54
        height = min(height, int((right - left) / (len(s) * advance)))
        self.font(height, bold)
        estimate = int(len(s) * height * advance)
        self.text(left + max(0, (right - left - estimate) // 2), y, s)

    def to_bytes(self) -> bytes:
        for kind in ("font", "brush", "pen"):
            if kind in self.selected:
                self.record(META_DELETEOBJECT, words(self.selected[kind]))
        self.record(META_EOF)
        body = b"".join(self.records)
        max_record = max(struct.unpack_from("<I", r)[0] for r in self.records)
        total_words = 9 + len(body) // 2
        header = struct.pack("<HHHIHIH", 1, 9, 0x0300, total_words, len(self.slots), max_record, 0)
        placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, self.width, self.height,
                                UNITS_PER_INCH, 0)
        checksum = 0
        for (w,) in struct.iter_unpack("<H", placeable):
            checksum ^= w
        return placeable + struct.pack("<H", checksum) + header + body


# --------------------------------------------------------------------------------------------
# Module fronts
# --------------------------------------------------------------------------------------------

OUTLINE = rgb("#4A4A4A")
BODY = rgb("#E4E4DF")
BUS_BAR = rgb("#B7BBBF")
TERMINAL = rgb("#4B4D50")
SCREW = rgb("#C9CACC")
WHITE = rgb("#FFFFFF")
DARK = rgb("#202020")
GREY_TEXT = rgb("#6A6A6A")
LED_IN = rgb("#33C24D")
LED_OUT = rgb("#FF9A1F")
LED_ERROR = rgb("#E53935")
LED_OFF = rgb("#9AA59A")

# Label strip colour and its text colour, by signal kind.
KIND_COLOURS = {
    "DI": (rgb("#F2C811"), DARK),
    "DO": (rgb("#D64541"), WHITE),
    "RO": (rgb("#D64541"), WHITE),
    "AI": (rgb("#2E9E5B"), WHITE),
    "AO": (rgb("#2F6DB5"), WHITE),
    "MIXED": (rgb("#7E57C2"), WHITE),
}

MODULE_W, MODULE_H = 480, 1600
HEAD_W, HEAD_H = 960, 1600


def body(mf: Metafile) -> None:
    mf.pen(OUTLINE, 10)
    mf.brush(BODY)
    mf.rectangle(10, 10, mf.width - 10, mf.height - 10)
    mf.brush(BUS_BAR)
    mf.rectangle(10, 10, mf.width - 10, 80)


def screw_terminals(mf: Metafile, top: int, rows: int, columns: list[int]) -> None:
    mf.pen(OUTLINE, 6)
    mf.brush(TERMINAL)
    mf.rectangle(40, top, mf.width - 40, top + 70 + rows * 100)
    for row in range(rows):
        y = top + 40 + row * 100
        for x in columns:
            mf.brush(rgb("#F39C12"))  # spring release lever
            mf.polygon([(x - 75, y + 10), (x - 45, y + 10), (x - 45, y + 50), (x - 75, y + 50)])
            mf.brush(SCREW)
            mf.ellipse(x - 30, y, x + 30, y + 60)
            mf.brush(DARK)
            mf.polygon([(x - 20, y + 44), (x - 14, y + 50), (x + 20, y + 16), (x + 14, y + 10)])


def led(mf: Metafile, x: int, y: int, color: int, size: int = 36) -> None:
    mf.pen(OUTLINE, 4)
    mf.brush(color)
    mf.ellipse(x, y, x + size, y + size)


def channel_leds(mf: Metafile, columns: list[tuple[int, int, int, int]]) -> None:
    """columns: (x, first channel number, channel count, LED colour)."""
    for x, _, count, color in columns:
        for n in range(count):
            led(mf, x, 420 + n * 56, color)
    mf.text_color(DARK)
    mf.font(38)
    for x, first, count, _ in columns:
        for n in range(count):
            mf.text(x + 50, 418 + n * 56, str(first + n))


def signal_groups(title: str) -> list[tuple[int, str]]:
    return [(int(n), kind) for n, kind in re.findall(r"(\d+) (DI|DO|RO|AI|AO)\b", title)]


def split_title(title: str) -> tuple[str, str]:
    m = re.match(r"(\d+ [A-Z]{2}(?: / \d+ [A-Z]{2})?)\s*(.*)$", title)
    return (m.group(1), m.group(2)) if m else (title, "")


def module_picture(model: str, title: str) -> bytes:
    mf = Metafile(MODULE_W, MODULE_H)
    groups = signal_groups(title)
    kinds = {k for _, k in groups}
    strip, strip_text = KIND_COLOURS["MIXED" if len(kinds) > 1 else groups[0][1]]
    body(mf)

    mf.pen(OUTLINE, 6)
    mf.brush(strip)
    mf.rectangle(40, 110, MODULE_W - 40, 280)
    mf.text_color(strip_text)
    mf.centred_text(145, model, 95, bold=True)

    led(mf, 60, 318, LED_IN, 40)
    led(mf, 260, 318, LED_ERROR, 40)
    mf.text_color(DARK)
    mf.font(40)
    mf.text(112, 318, "RUN")
    mf.text(312, 318, "DIA")

    columns = []
    for count, kind in groups:
        color = LED_IN if kind in ("DI", "AI") else LED_OUT
        if count > 8:
            columns += [(70, 1, 8, color), (270, 9, count - 8, color)]
        else:
            columns.append((70 if not columns else 270, 1, count, color))
    channel_leds(mf, columns)

    first, rest = split_title(title)
    mf.text_color(DARK)
    mf.centred_text(900, first, 70, bold=True)
    if rest:
        mf.centred_text(990, rest, 52)

    screw_terminals(mf, 1060, 4, [150, 350])
    mf.text_color(GREY_TEXT)
    mf.centred_text(1532, "K310", 42, bold=True)
    return mf.to_bytes()


def head_picture() -> bytes:
    mf = Metafile(HEAD_W, HEAD_H)
    body(mf)

    mf.pen(OUTLINE, 6)
    mf.brush(rgb("#1F3F73"))
    mf.rectangle(40, 110, HEAD_W - 40, 280)
    mf.text_color(WHITE)
    mf.centred_text(140, "HB612", 110, bold=True)

    for n, (_, color) in enumerate((("PWR", LED_IN), ("RUN", LED_IN), ("ERR", LED_ERROR),
                                       ("BUS", rgb("#F2C811")), ("I/O", LED_OFF))):
        led(mf, 70, 340 + n * 90, color, 44)
    mf.text_color(DARK)
    mf.font(44)
    for n, name in enumerate(("PWR", "RUN", "ERR", "BUS", "I/O")):
        mf.text(130, 338 + n * 90, name)

    # ZLT fieldbus plug with its D-shaped connector and pins.
    mf.pen(OUTLINE, 8)
    mf.brush(rgb("#3C3F44"))
    mf.rectangle(400, 330, HEAD_W - 60, 800)
    mf.text_color(WHITE)
    mf.centred_text(355, "ZLT", 60, bold=True, left=400, right=HEAD_W - 60)
    mf.brush(rgb("#A7ABB0"))
    mf.polygon([(470, 470), (HEAD_W - 130, 470), (HEAD_W - 160, 690), (500, 690)])
    mf.pen(DARK, 4)
    mf.brush(DARK)
    for n in range(5):
        x = 520 + n * 60
        mf.ellipse(x, 520, x + 30, 550)
    for n in range(4):
        x = 550 + n * 60
        mf.ellipse(x, 610, x + 30, 640)

    mf.text_color(DARK)
    mf.centred_text(850, "Bus Coupler", 70, bold=True)
    mf.centred_text(945, "DeviceNet / CANopen", 52)

    screw_terminals(mf, 1060, 4, [200, 430, 660])
    mf.text_color(GREY_TEXT)
    mf.centred_text(1532, "K310", 42, bold=True)
    return mf.to_bytes()


# --------------------------------------------------------------------------------------------
# Icon
# --------------------------------------------------------------------------------------------


def icon_pixels(size: int) -> list[list[tuple[int, int, int, int]]]:
    """A small station: the head with its blue label and three modules, as rows of BGRA pixels,
    top row first. 16 px has a drawing of its own so that it stays crisp; every other size is the
    32 px drawing scaled, each rectangle's corners rounded to whole pixels."""
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    scale = size / 32

    def at(v: float) -> int:
        return int(v * scale + 0.5)

    def fill(x0, y0, x1, y1, colour, scaled=True):
        if scaled:
            x0, y0, x1, y1 = at(x0), at(y0), at(x1), at(y1)
        r, g, b = int(colour[1:3], 16), int(colour[3:5], 16), int(colour[5:7], 16)
        for y in range(y0, y1):
            for x in range(x0, x1):
                pixels[y][x] = (b, g, r, 255)

    labels = ("#F2C811", "#D64541", "#2E9E5B")
    if size != 16:
        def block(x0, x1, label):
            fill(x0, 2, x1, 30, "#3A3A3A")
            fill(x0 + 1, 3, x1 - 1, 29, "#DADAD5")
            fill(x0 + 1, 5, x1 - 1, 10, label)
            fill(x0 + 1, 21, x1 - 1, 28, "#55575A")

        block(1, 13, "#1F3F73")
        fill(3, 12, 5, 14, "#33C24D")
        fill(3, 15, 5, 17, "#33C24D")
        fill(7, 12, 11, 19, "#3C3F44")
        for n, label in enumerate(labels):
            x0 = 13 + n * 6
            block(x0, x0 + 7, label)
            fill(x0 + 2, 12, x0 + 4, 14, "#33C24D")
            fill(x0 + 2, 16, x0 + 4, 18, "#33C24D")
    else:
        fill(0, 1, 16, 15, "#3A3A3A", False)
        for x0, x1, label in [(1, 6, "#1F3F73"), (7, 9, labels[0]), (10, 12, labels[1]),
                              (13, 15, labels[2])]:
            fill(x0, 2, x1, 14, "#DADAD5", False)
            fill(x0, 3, x1, 5, label, False)
            fill(x0, 10, x1, 14, "#55575A", False)
            if x0 > 1:
                fill(x0, 6, x0 + 1, 7, "#33C24D", False)
        fill(1, 6, 2, 7, "#33C24D", False)
        fill(3, 6, 5, 9, "#3C3F44", False)
    return pixels


def icon_image(size: int) -> bytes:
    """The BMP part of an icon entry: header, BGRA rows bottom-up, AND mask."""
    pixels = icon_pixels(size)
    rows = b"".join(bytes(c for px in pixels[y] for c in px) for y in reversed(range(size)))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        row = bytearray(mask_stride)
        for x in range(size):
            if pixels[y][x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(rows) + len(mask),
                         0, 0, 0, 0)
    return header + rows + bytes(mask)


def png_image(size: int) -> bytes:
    """The icon as a PNG file (8-bit RGBA), for the desktop's icon theme."""
    def chunk(kind: bytes, data: bytes) -> bytes:
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + bytes(c for b, g, r, a in row for c in (r, g, b, a))
                   for row in icon_pixels(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def icon_file(sizes: list[int]) -> bytes:
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    return out + b"".join(images)


# --------------------------------------------------------------------------------------------


def catalogue() -> list[tuple[str, str, str]]:
    """(picture file, model, title) for each catalogue entry of Quillon.ini."""
    with open(os.path.join(ROOT, "Quillon.ini"), encoding="latin-1", newline="") as f:
        lines = f.read().split("\r\n")
    names = lines[lines.index("[Modules]") + 1:lines.index("[ModulInfo]")]
    records = lines[lines.index("[ModulInfo]") + 1:lines.index("[End]")]
    result = []
    for name, record in zip(names, records):
        picture = record.split(",")[0].strip('"')
        model, title = name.split(None, 1)
        result.append((picture, model, title))
    return result


def write(name: str, data: bytes) -> None:
    with open(os.path.join(RES, name), "wb") as f:
        f.write(data)


def main() -> None:
    for picture, model, title in catalogue():
        write(picture, module_picture(model, title))
    write("HB612.wmf", head_picture())
    write("OVN_K310_HB612.ico", icon_file([16, 32]))
    for size in (48, 128, 256):
        folder = os.path.join(ICONS, f"{size}x{size}")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, ICON_NAME), "wb") as f:
            f.write(png_image(size))


if __name__ == "__main__":
    main()
