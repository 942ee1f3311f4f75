#!/usr/bin/python3
"""Draws the program's pictures: the logo (119 x 63), the convert button's picture (16 x 16 on
magenta, which the program makes transparent) and the icon (64 x 64, 24-bit colour).

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


if __name__ == "__main__":
    main()
