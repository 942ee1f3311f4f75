#!/usr/bin/python3
"""Draws the program's pictures: the logo (119 x 63), the convert button's picture (16 x 16 on
magenta, which the program makes transparent) and the icon (64 x 64, 24-bit colour); and, for the
desktop, the icon with a transparent rounded edge in the hicolor theme's sizes plus as SVG
(hicolor/, installed under share/icons).

Run from anywhere: /usr/bin/python3 app/resources/make_pictures.py (needs python3-pil).
"""
import os

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
HEI = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"

INK = (52, 64, 84)
PAGE = (255, 255, 255)
LINE = (120, 132, 150)
SKY = (120, 190, 240)
SUN = (255, 196, 40)
HILL = (56, 160, 72)
HILL_BACK = (120, 200, 110)
MAGENTA = (255, 0, 255)


def gradient(size, top, bottom):
    w, h = size
    img = Image.new("RGB", size)
    px = img.load()
    for y in range(h):
        t = y / max(1, h - 1)
        c = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        for x in range(w):
            px[x, y] = c
    return img


def landscape(draw, box, s):
    """A small picture: sky, sun, two hills, inside box (x0, y0, x1, y1)."""
    x0, y0, x1, y1 = box
    draw.rectangle(box, fill=SKY)
    w, h = x1 - x0, y1 - y0
    r = h * 0.16
    cx, cy = x0 + w * 0.72, y0 + h * 0.3
    draw.ellipse((cx - r, cy - r, cx + r, cy + r), fill=SUN)
    draw.polygon([(x0, y1), (x0 + w * 0.55, y0 + h * 0.45), (x1, y1)], fill=HILL_BACK)
    draw.polygon([(x0, y1), (x0 + w * 0.28, y0 + h * 0.55), (x0 + w * 0.7, y1)], fill=HILL)
    draw.rectangle(box, outline=INK, width=max(1, s))


def page(draw, box, s, lines, spacing=0.14):
    """A sheet with a folded corner and lines of text on it."""
    x0, y0, x1, y1 = box
    fold = (x1 - x0) * 0.28
    draw.polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)], fill=PAGE,
                 outline=INK, width=max(1, s))
    draw.polygon([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], fill=(214, 222, 234),
                 outline=INK, width=max(1, s))
    pad = (x1 - x0) * 0.16
    step = (y1 - y0) * spacing
    for i, frac in enumerate(lines):
        y = y0 + pad + fold * 0.6 + i * step
        right = x0 + pad + (x1 - x0 - 2 * pad) * frac
        draw.line([(x0 + pad, y), (right, y)], fill=LINE, width=max(1, round(1.6 * s)))


APP_ID = "io.github.text2jpg.Text2Jpg"
THEME_SIZES = (16, 24, 32, 48, 64, 128, 256)
TILE_TOP = (44, 112, 196)
TILE_BOTTOM = (22, 64, 140)


def theme_icon(size):
    """The desktop icon: the icon's drawing on a rounded tile, transparent around it."""
    s = 8 if size < 128 else 4
    big = 64 * s
    img = gradient((big, big), TILE_TOP, TILE_BOTTOM).convert("RGBA")
    d = ImageDraw.Draw(img)
    page(d, (12 * s, 6 * s, 52 * s, 58 * s), s, [0.9, 0.75, 0.85], spacing=0.12)
    landscape(d, (18 * s, 36 * s, 46 * s, 53 * s), s)
    mask = Image.new("L", (big, big), 0)
    ImageDraw.Draw(mask).rounded_rectangle((2 * s, 2 * s, 62 * s - 1, 62 * s - 1), radius=10 * s,
                                           fill=255)
    img.putalpha(mask)
    return img.resize((size, size), Image.LANCZOS)


def theme_svg():
    """The same drawing as theme_icon, in the 64 x 64 units the PNGs are drawn in."""
    def pts(points):
        return " ".join(f"{x:g},{y:g}" for x, y in points)

    def rgb(c):
        return "#%02x%02x%02x" % c

    x0, y0, x1, y1 = 12, 6, 52, 58
    fold = (x1 - x0) * 0.28
    pad = (x1 - x0) * 0.16
    step = (y1 - y0) * 0.12
    lines = []
    for i, frac in enumerate([0.9, 0.75, 0.85]):
        y = y0 + pad + fold * 0.6 + i * step
        right = x0 + pad + (x1 - x0 - 2 * pad) * frac
        lines.append(f'<line x1="{x0 + pad:g}" y1="{y:g}" x2="{right:g}" y2="{y:g}" '
                     f'stroke="{rgb(LINE)}" stroke-width="1.6"/>')
    lx0, ly0, lx1, ly1 = 18, 36, 46, 53
    w, h = lx1 - lx0, ly1 - ly0
    r = h * 0.16
    return "\n".join([
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">',
        '<defs><linearGradient id="tile" x1="0" y1="0" x2="0" y2="1">',
        f'<stop offset="0" stop-color="{rgb(TILE_TOP)}"/>',
        f'<stop offset="1" stop-color="{rgb(TILE_BOTTOM)}"/>',
        '</linearGradient></defs>',
        '<rect x="2" y="2" width="60" height="60" rx="10" fill="url(#tile)"/>',
        f'<polygon points="{pts([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)])}" '
        f'fill="{rgb(PAGE)}" stroke="{rgb(INK)}" stroke-linejoin="round"/>',
        f'<polygon points="{pts([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)])}" '
        f'fill="#d6deea" stroke="{rgb(INK)}" stroke-linejoin="round"/>',
        *lines,
        f'<rect x="{lx0}" y="{ly0}" width="{w}" height="{h}" fill="{rgb(SKY)}"/>',
        f'<circle cx="{lx0 + w * 0.72:g}" cy="{ly0 + h * 0.3:g}" r="{r:g}" fill="{rgb(SUN)}"/>',
        f'<polygon points="{pts([(lx0, ly1), (lx0 + w * 0.55, ly0 + h * 0.45), (lx1, ly1)])}" '
        f'fill="{rgb(HILL_BACK)}"/>',
        f'<polygon points="{pts([(lx0, ly1), (lx0 + w * 0.28, ly0 + h * 0.55), (lx0 + w * 0.7, ly1)])}" '
        f'fill="{rgb(HILL)}"/>',
        f'<rect x="{lx0}" y="{ly0}" width="{w}" height="{h}" fill="none" stroke="{rgb(INK)}"/>',
        '</svg>',
        '',
    ])


def icon():
    s = 4
    size = 64 * s
    img = gradient((size, size), (44, 112, 196), (22, 64, 140))
    d = ImageDraw.Draw(img)
    page(d, (10 * s, 5 * s, 54 * s, 59 * s), s, [0.9, 0.75, 0.85], spacing=0.12)
    landscape(d, (17 * s, 36 * s, 47 * s, 54 * s), s)
    return img.resize((64, 64), Image.LANCZOS)


def logo():
    s = 4
    w, h = 119 * s, 63 * s
    img = gradient((w, h), (236, 244, 252), (206, 224, 244))
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, w - 1, h - 1), outline=(150, 172, 204), width=s)
    page(d, (8 * s, 5 * s, 36 * s, 43 * s), s, [0.95, 0.7, 0.85, 0.55])
    # The arrow from the text to the picture.
    ay = 24 * s
    d.line([(42 * s, ay), (66 * s, ay)], fill=(230, 110, 30), width=3 * s)
    d.polygon([(64 * s, ay - 6 * s), (74 * s, ay), (64 * s, ay + 6 * s)], fill=(230, 110, 30))
    landscape(d, (79 * s, 8 * s, 111 * s, 40 * s), s)
    font = ImageFont.truetype(HEI, 12 * s, index=0)
    text = "文本to图片"
    left, top, right, bottom = d.textbbox((0, 0), text, font=font)
    d.text(((w - (right - left)) / 2 - left, 47 * s - top), text, fill=INK, font=font)
    return img.resize((119, 63), Image.LANCZOS)


def button():
    img = Image.new("RGB", (16, 16), MAGENTA)
    d = ImageDraw.Draw(img)
    d.rectangle((1, 2, 14, 13), fill=SKY, outline=INK)
    d.ellipse((9, 4, 12, 7), fill=SUN)
    d.polygon([(2, 12), (7, 6), (12, 12)], fill=HILL)
    d.polygon([(7, 12), (10, 9), (13, 12)], fill=HILL_BACK)
    assert img.getpixel((0, 15)) == MAGENTA
    return img


def main():
    icon().save(os.path.join(HERE, "text2jpg.png"))
    logo().save(os.path.join(HERE, "logo.png"))
    button().save(os.path.join(HERE, "button.png"))
    for size in THEME_SIZES:
        folder = os.path.join(HERE, "hicolor", f"{size}x{size}", "apps")
        os.makedirs(folder, exist_ok=True)
        theme_icon(size).save(os.path.join(folder, APP_ID + ".png"), optimize=True)
    folder = os.path.join(HERE, "hicolor", "scalable", "apps")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, APP_ID + ".svg"), "w", encoding="utf-8") as f:
        f.write(theme_svg())


if __name__ == "__main__":
    main()
