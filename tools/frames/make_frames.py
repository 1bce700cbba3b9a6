#!/usr/bin/python3
"""Draws the frames Gallivo ships with and writes them to data/frames/.

Skin frames: a skin picture (corners and edge tiles cut from one drawing of a small frame)
and its ini file. Multi-window frames: a .zlve file, its header followed by the artwork as
PNG. Every frame gets a preview picture, and frames_config.xml lists them all.

Run from anywhere: tools/frames/make_frames.py [output folder]. Uses Debian's python3-pil.
"""
import io
import math
import os
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "..", "data", "frames"))
PREVIEW_BOX = (96, 72)

# ---------------------------------------------------------------- sample photo for previews


def sample_photo(w, h):
    """A landscape: sky, sun, two hills; something a preview can show through the window."""
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        t = y / max(1, h - 1)
        d.line([(0, y), (w, y)], fill=(int(90 + 120 * t), int(150 + 80 * t), int(230 - 20 * t)))
    r = h // 8
    d.ellipse([w * 0.7 - r, h * 0.25 - r, w * 0.7 + r, h * 0.25 + r], fill=(255, 225, 120))
    d.polygon([(0, h), (0, h * 0.62), (w * 0.35, h * 0.48), (w * 0.75, h * 0.7), (w, h * 0.6), (w, h)],
              fill=(70, 140, 70))
    d.polygon([(0, h), (0, h * 0.82), (w * 0.5, h * 0.7), (w, h * 0.85), (w, h)], fill=(40, 105, 50))
    return img


def fit_crop(photo, ww, wh):
    """The middle of the photo in the window's shape, scaled to the window."""
    pw, ph = photo.size
    if ww / wh >= pw / ph:
        cw, ch = pw, int(wh * pw / ww)
    else:
        cw, ch = int(ww * ph / wh), ph
    left, top = (pw - cw) // 2, (ph - ch) // 2
    return photo.crop((left, top, left + cw, top + ch)).resize((ww, wh), Image.BILINEAR)


def save_preview(img, name):
    img = img.copy()
    img.thumbnail(PREVIEW_BOX, Image.LANCZOS)
    img.save(os.path.join(OUT, "previews", name + ".png"), optimize=True)

# ---------------------------------------------------------------- skin frames


class Skin:
    """A square drawing of a small frame: band B wide around a photo hole, corner pieces
    C x C (C >= B, the photo covers their inner part) and edge tiles T long in between.
    Anything drawn must look the same all along each edge inside the tile range."""

    def __init__(self, band, corner, tile):
        self.B, self.C, self.T = band, corner, tile
        self.S = 2 * corner + tile

    def canvas(self, color):
        return Image.new("RGB", (self.S, self.S), color)

    def hole(self):
        B, S = self.B, self.S
        return (B, B, S - B, S - B)

    def pieces(self):
        B, C, T = self.B, self.C, self.T
        return {"upleft": (C, C), "upmid": (T, B), "upright": (C, C), "ctleft": (B, T),
                "ctright": (B, T), "btleft": (C, C), "btmid": (T, B), "btright": (C, C)}

    def render(self, skin, photo):
        """Lays the pieces the way the engine does, for the preview."""
        B = self.B
        pw, ph = photo.size
        ow, oh = pw + 2 * B, ph + 2 * B
        out = Image.new("RGB", (ow, oh), (255, 255, 255))
        S, C, T = self.S, self.C, self.T
        x = C
        while x + C < ow:
            out.paste(skin.crop((C, 0, C + T, B)), (x, 0))
            out.paste(skin.crop((C, S - B, C + T, S)), (x, oh - B))
            x += T
        y = C
        while y + C < oh:
            out.paste(skin.crop((0, C, B, C + T)), (0, y))
            out.paste(skin.crop((S - B, C, S, C + T)), (ow - B, y))
            y += T
        out.paste(skin.crop((0, 0, C, C)), (0, 0))
        out.paste(skin.crop((S - C, 0, S, C)), (ow - C, 0))
        out.paste(skin.crop((0, S - C, C, S)), (0, oh - C))
        out.paste(skin.crop((S - C, S - C, S, S)), (ow - C, oh - C))
        out.paste(photo, (B, B))
        return out


def side_polygons(S, outer, inner):
    """The four mitred sides of a frame band from inset `outer` to inset `inner`."""
    a, b = outer, inner
    return {
        "top": [(a, a), (S - a, a), (S - b, b), (b, b)],
        "bottom": [(a, S - a), (S - a, S - a), (S - b, S - b), (b, S - b)],
        "left": [(a, a), (b, b), (b, S - b), (a, S - a)],
        "right": [(S - a, a), (S - b, b), (S - b, S - b), (S - a, S - a)],
    }


def moulding(skin, profile, light):
    """Draws a mitred moulding: `profile` lists (width, colour) from the outside in; each
    side is shaded by `light` (multiplier per side) so the frame looks lit from the top left."""
    img = skin.canvas((255, 255, 255))
    d = ImageDraw.Draw(img)
    inset = 0
    for width, color in profile:
        for side, poly in side_polygons(skin.S, inset, inset + width).items():
            k = light[side]
            d.polygon(poly, fill=tuple(min(255, int(c * k)) for c in color))
        inset += width
    return img


def skin_thin_grey():
    skin = Skin(band=24, corner=44, tile=16)
    img = skin.canvas((255, 255, 255))
    # Soft shadow of the photo, falling to the bottom right.
    shadow = Image.new("L", img.size, 0)
    l, t, r, b = skin.hole()
    ImageDraw.Draw(shadow).rectangle([l + 3, t + 3, r + 2, b + 2], fill=110)
    shadow = shadow.filter(ImageFilter.GaussianBlur(4))
    img = Image.composite(Image.new("RGB", img.size, (60, 60, 60)), img, shadow)
    d = ImageDraw.Draw(img)
    d.rectangle([8, 8, skin.S - 9, skin.S - 9], outline=(150, 150, 150), width=1)
    return skin, img


def skin_passe_partout():
    skin = Skin(band=64, corner=64, tile=16)
    light = {"top": 1.0, "left": 0.97, "right": 0.93, "bottom": 0.9}
    profile = [(5, (46, 40, 36)), (2, (120, 110, 100)), (51, (250, 249, 245)), (6, (226, 222, 212))]
    img = moulding(skin, profile, {k: 1.0 for k in light})
    # The bevel of the cut mat: light on the lower right, shaded on the upper left.
    d = ImageDraw.Draw(img)
    bevel = {"top": (205, 200, 190), "left": (212, 207, 197), "right": (246, 244, 238), "bottom": (252, 250, 246)}
    for side, poly in side_polygons(skin.S, 58, 64).items():
        d.polygon(poly, fill=bevel[side])
    return skin, img


def skin_wood():
    skin = Skin(band=48, corner=48, tile=24)
    S = skin.S
    img = skin.canvas((255, 255, 255))
    d = ImageDraw.Draw(img)
    light = {"top": 1.08, "left": 1.0, "right": 0.86, "bottom": 0.8}
    # Grain: thin stripes parallel to each side, in a fixed irregular rhythm.
    stripes = [(110, 70, 40), (125, 82, 48), (102, 64, 36), (132, 88, 52), (118, 76, 44), (96, 60, 34)]
    widths = [3, 2, 4, 1, 3, 2, 5, 2, 3, 1, 4, 2, 3, 3, 2, 4, 1, 3]
    inset, i = 0, 0
    while inset < 44:
        w = min(widths[i % len(widths)], 44 - inset)
        color = stripes[(i * 5) % len(stripes)]
        for side, poly in side_polygons(S, inset, inset + w).items():
            d.polygon(poly, fill=tuple(min(255, int(c * light[side])) for c in color))
        inset += w
        i += 1
    # Rounded outer edge highlight and the dark rebate next to the photo.
    for side, poly in side_polygons(S, 0, 2).items():
        d.polygon(poly, fill=tuple(int(c * light[side]) for c in (160, 115, 75)))
    for side, poly in side_polygons(S, 44, 48).items():
        d.polygon(poly, fill=tuple(int(c * light[side]) for c in (60, 38, 22)))
    # Mitre joints.
    d.line([(0, 0), (48, 48)], fill=(70, 45, 25))
    d.line([(S - 1, 0), (S - 49, 48)], fill=(70, 45, 25))
    d.line([(0, S - 1), (48, S - 49)], fill=(70, 45, 25))
    d.line([(S - 1, S - 1), (S - 49, S - 49)], fill=(70, 45, 25))
    return skin, img


def skin_gold():
    skin = Skin(band=44, corner=44, tile=16)
    light = {"top": 1.12, "left": 1.04, "right": 0.82, "bottom": 0.74}
    profile = [(3, (120, 84, 20)), (6, (214, 170, 60)), (4, (250, 222, 130)), (8, (196, 150, 44)),
               (3, (150, 108, 28)), (10, (232, 196, 96)), (4, (255, 236, 160)), (4, (170, 124, 34)),
               (2, (90, 60, 12))]
    return skin, moulding(skin, profile, light)


def skin_stamp():
    spacing = 12
    skin = Skin(band=30, corner=36, tile=spacing)
    S = skin.S
    img = skin.canvas((214, 214, 210))
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, S - 1, S - 1], fill=(255, 255, 252))
    # Perforation: half holes cut into every side, one per tile, starting at the corner.
    r = 4
    for k in range(S // spacing + 1):
        c = k * spacing + spacing // 2
        for cx, cy in ((c, 0), (c, S - 1), (0, c), (S - 1, c)):
            d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=(214, 214, 210))
    d.rectangle([skin.B - 3, skin.B - 3, S - skin.B + 2, S - skin.B + 2], outline=(200, 196, 186), width=1)
    return skin, img


SKINS = [
    ("thin_grey", "灰色细线", skin_thin_grey),
    ("passe_partout", "白色卡纸", skin_passe_partout),
    ("wood", "木纹相框", skin_wood),
    ("gold", "金色相框", skin_gold),
    ("stamp", "邮票齿边", skin_stamp),
]


def write_skin(key, draw):
    skin, img = draw()
    folder = os.path.join(OUT, key)
    os.makedirs(folder, exist_ok=True)
    img.save(os.path.join(folder, "skin.png"), optimize=True)
    lines = ["[skin]", "file=skin.png"]
    for name, (w, h) in skin.pieces().items():
        lines.append("%s=%d %d" % (name, w, h))
    lines += ["", "[make]", "pic_drawpt=%d %d" % (skin.B, skin.B), "extraspace=%d %d" % (2 * skin.B, 2 * skin.B), ""]
    with open(os.path.join(folder, "frame.ini"), "w", newline="\r\n") as f:
        f.write("\n".join(lines))
    save_preview(skin.render(img, sample_photo(240, 180)), key)
    return key + "/frame.ini"

# ---------------------------------------------------------------- multi-window frames

HEADER = 105080
RECORDS = 280
RECORD = 1048


class Window:
    def __init__(self, rect, angle=0.0, opacity=0, shadow=0, effect_a=0, rounded=False, effect_b=0):
        self.rect, self.angle, self.opacity, self.shadow = rect, angle, opacity, shadow
        self.effect_a, self.rounded, self.effect_b = effect_a, rounded, effect_b


def zlve_bytes(art, windows, shadow=(0, 0), corners=0):
    h = bytearray(HEADER)
    h[0] = 22
    h[1:23] = b"Zelvo Multi Frame|0001"
    struct.pack_into("<iiI", h, 36, art.width, art.height, len(windows))
    struct.pack_into("<i", h, 252, 0)
    struct.pack_into("<iii", h, 264, shadow[0], shadow[1], corners)
    for i, w in enumerate(windows):
        o = RECORDS + i * RECORD
        struct.pack_into("<iiii", h, o, *w.rect)
        struct.pack_into("<d", h, o + 16, w.angle)
        struct.pack_into("<iiii", h, o + 24, w.opacity, w.shadow, w.effect_a, 1 if w.rounded else 0)
        struct.pack_into("<H", h, o + 44, w.effect_b)
        struct.pack_into("<f", h, o + 152, 1.0)
    png = io.BytesIO()
    art.save(png, "PNG", optimize=True)
    return bytes(h) + png.getvalue()


def drop_shadow(img, box, radius, offset, strength, blur, rounded=0):
    mask = Image.new("L", img.size, 0)
    l, t, r, b = box
    ImageDraw.Draw(mask).rounded_rectangle([l + offset[0], t + offset[1], r + offset[0], b + offset[1]],
                                           radius=rounded, fill=strength)
    mask = mask.filter(ImageFilter.GaussianBlur(blur))
    return Image.composite(Image.new("RGB", img.size, (30, 30, 30)), img, mask)


def paper(size, top, bottom):
    img = Image.new("RGB", size)
    d = ImageDraw.Draw(img)
    for y in range(size[1]):
        t = y / max(1, size[1] - 1)
        d.line([(0, y), (size[0], y)], fill=tuple(int(a + (b - a) * t) for a, b in zip(top, bottom)))
    return img


def multi_polaroid():
    W, H = 1000, 900
    art = paper((W, H), (222, 214, 200), (196, 186, 170))
    # The card, drawn upright around the window and turned with it about the window's centre.
    win = (230, 120, 770, 660)
    angle = 4.0
    cx, cy = (win[0] + win[2]) / 2, (win[1] + win[3]) / 2
    card = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    ImageDraw.Draw(card).rectangle([win[0] - 34, win[1] - 34, win[2] + 34, win[3] + 150], fill=(252, 252, 248, 255))
    card = card.rotate(angle, resample=Image.BICUBIC, center=(cx, cy))
    shadow = card.split()[3].point(lambda a: a * 0.55).filter(ImageFilter.GaussianBlur(10))
    shadow = ImageChops.offset(shadow, 10, 12)
    art = Image.composite(Image.new("RGB", art.size, (40, 34, 28)), art, shadow)
    art.paste(card, (0, 0), card)
    return art, [Window(win, angle=angle)], (0, 0), 0


def multi_rounded_card():
    W, H = 1100, 900
    art = paper((W, H), (214, 226, 236), (186, 202, 218))
    card = (90, 80, 1010, 820)
    art = drop_shadow(art, card, 0, (0, 10), 120, 14, rounded=36)
    ImageDraw.Draw(art).rounded_rectangle(card, radius=36, fill=(255, 255, 255))
    # The photo lies 4 pixels up and left of its window; the window carries its shadow.
    win = (134, 124, 970, 754)
    return art, [Window(win, shadow=2, rounded=True)], (-4, -4), 6


def multi_two_windows():
    W, H = 1400, 760
    art = paper((W, H), (246, 240, 228), (236, 228, 212))
    d = ImageDraw.Draw(art)
    wins = [(80, 80, 680, 680), (720, 80, 1320, 680)]
    for l, t, r, b in wins:
        d.rectangle([l - 12, t - 12, r + 11, b + 11], fill=(255, 255, 255), outline=(200, 192, 176))
    return art, [Window(wins[0]), Window(wins[1], effect_a=1)], (0, 0), 0


def multi_film_strip():
    W, H = 1500, 560
    art = Image.new("RGB", (W, H), (24, 22, 22))
    d = ImageDraw.Draw(art)
    for x in range(14, W, 44):
        for y in (22, H - 52):
            d.rounded_rectangle([x, y, x + 24, y + 30], radius=5, fill=(236, 232, 224))
    wins = [(40, 92, 480, 468), (530, 92, 970, 468), (1020, 92, 1460, 468)]
    for l, t, r, b in wins:
        d.rectangle([l - 3, t - 3, r + 2, b + 2], fill=(10, 10, 10))
    return art, [Window(wins[0]), Window(wins[1], effect_a=103), Window(wins[2], effect_a=100)], (0, 0), 0


def multi_product_card():
    W, H = 1000, 1200
    art = Image.new("RGB", (W, H), (255, 255, 255))
    d = ImageDraw.Draw(art)
    band = (0, 960, W, H)
    d.rectangle(band, fill=(0, 128, 128))
    d.rectangle([0, 960, W, 972], fill=(0, 160, 156))
    for i in range(6):
        d.ellipse([60 + i * 34, 1060, 76 + i * 34, 1076], fill=(255, 200, 60) if i < 5 else (120, 200, 196))
    d.rectangle([0, 0, W, 24], fill=(0, 128, 128))
    d.rectangle([640, 1040, 940, 1100], outline=(255, 255, 255), width=3)
    win = (60, 74, 940, 904)
    d.rectangle([win[0] - 1, win[1] - 1, win[2], win[3]], outline=(222, 222, 222))
    return art, [Window(win, shadow=1)], (0, 0), 0


MULTIS = [
    ("polaroid", "宝丽来", multi_polaroid),
    ("rounded_card", "圆角白卡", multi_rounded_card),
    ("two_windows", "双窗并排", multi_two_windows),
    ("film_strip", "电影胶片", multi_film_strip),
    ("product_card", "商品卡片", multi_product_card),
]


def multi_preview(art, windows):
    out = art.copy()
    photo = sample_photo(800, 600)
    for w in windows:
        l, t, r, b = w.rect
        piece = fit_crop(photo, r - l, b - t)
        if w.effect_a == 1:
            piece = piece.convert("L").convert("RGB")
        if w.angle:
            rgba = piece.convert("RGBA").rotate(w.angle, resample=Image.BILINEAR, expand=True)
            out.paste(rgba, (l - (rgba.width - piece.width) // 2, t - (rgba.height - piece.height) // 2), rgba)
        else:
            out.paste(piece, (l, t))
    return out


def write_multi(key, draw):
    art, windows, shadow, corners = draw()
    name = key + ".zlve"
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(zlve_bytes(art, windows, shadow, corners))
    save_preview(multi_preview(art, windows), key)
    return name

# ---------------------------------------------------------------- catalogue


def main():
    os.makedirs(os.path.join(OUT, "previews"), exist_ok=True)
    items = []
    for key, title, draw in SKINS:
        items.append((title, write_skin(key, draw), "previews/%s.png" % key))
    for key, title, draw in MULTIS:
        items.append((title, write_multi(key, draw), "previews/%s.png" % key))
    xml = ['<?xml version="1.0" encoding="utf-8"?>', "<frames>"]
    for title, path, preview in items:
        xml.append("  <item>")
        xml.append("    <frame_name>%s</frame_name>" % title)
        xml.append("    <frame_path>%s</frame_path>" % path)
        xml.append("    <preview_path>%s</preview_path>" % preview)
        xml.append("  </item>")
    xml.append("</frames>")
    with open(os.path.join(OUT, "frames_config.xml"), "w", encoding="utf-8") as f:
        f.write("\n".join(xml) + "\n")


if __name__ == "__main__":
    main()
