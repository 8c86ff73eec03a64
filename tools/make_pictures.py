#!/usr/bin/python3
"""Draws the pictures of the program folder: the animated advertisement and
watermark GIFs, the popup skin, and the SVG icons of the windows.

Run once by a developer (needs python3-pil and the Noto CJK fonts); the output
is checked in under resources/folder/, so building never needs this script.
    tools/make_pictures.py [OUTPUT_FOLDER]
"""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "resources", "folder")
FONT = "/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc"
FONT_REGULAR = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"
BLUE = (43, 79, 158)
LIGHT = (214, 223, 247)
DARK = (104, 138, 221)


def font(size, bold=True):
    return ImageFont.truetype(FONT if bold else FONT_REGULAR, size, index=2)  # SC face


def gradient(w, h, top, bottom):
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        t = y / max(h - 1, 1)
        d.line([(0, y), (w, y)], fill=tuple(int(a + (b - a) * t) for a, b in zip(top, bottom)))
    return img


def magnifier(d, x, y, r, colour, width=3):
    d.ellipse([x - r, y - r, x + r, y + r], outline=colour, width=width)
    d.line([(x + r * 0.7, y + r * 0.7), (x + r * 1.6, y + r * 1.6)], fill=colour, width=width + 2)


def banner(name, w, h, lines, accent):
    """An advertisement: the slogans slide in one after the other."""
    frames = []
    big = font(max(12, h // 3))
    small = font(max(10, h // 4), bold=False)
    for i, (title, sub) in enumerate(lines):
        for step in range(6):
            img = gradient(w, h, (236, 242, 255), LIGHT)
            d = ImageDraw.Draw(img)
            magnifier(d, h // 2, h // 2 - 2, h // 4, accent)
            offset = int((5 - step) * w / 30)
            d.text((h + 4 + offset, h * 0.12), title, font=big, fill=BLUE)
            d.text((h + 4 + offset, h * 0.58), sub, font=small, fill=(70, 86, 120))
            d.rectangle([0, 0, w - 1, h - 1], outline=DARK)
            frames.append(img.convert("P", palette=Image.ADAPTIVE, colors=64))
    durations = []
    for _ in lines:
        durations += [60] * 5 + [2500]
    frames[0].save(os.path.join(OUT, name), save_all=True, append_images=frames[1:],
                   duration=durations, loop=0, disposal=1)


def watermark(name, hot):
    w, h = 220, 27
    img = Image.new("RGB", (w, h), LIGHT)
    d = ImageDraw.Draw(img)
    colour = (43, 79, 158) if hot else (150, 166, 204)
    magnifier(d, 12, 12, 6, colour, width=2)
    d.text((28, 2), "ZEPH桌面搜索  www.zeph-search.net" if hot else "ZEPH桌面搜索", font=font(14), fill=colour)
    frames = [img.convert("P", palette=Image.ADAPTIVE, colors=32)]
    frames[0].save(os.path.join(OUT, name))


def popup_skin(name):
    w, h = 250, 160
    img = gradient(w, h, (255, 255, 255), (206, 218, 246))
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, w - 1, 30], fill=DARK)
    d.text((10, 5), "ZEPH桌面搜索", font=font(14), fill=(255, 255, 255))
    d.rectangle([229, 9, 240, 21], outline=(255, 255, 255))  # the close box
    d.line([(231, 11), (238, 19)], fill=(255, 255, 255), width=2)
    d.line([(238, 11), (231, 19)], fill=(255, 255, 255), width=2)
    d.rectangle([0, 0, w - 1, h - 1], outline=BLUE)
    img.save(os.path.join(OUT, name))


# ---- SVG icons: one shape, a normal and a hot colour ----

def svg(body, size=32):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" '
            f'viewBox="0 0 32 32">{body}</svg>\n')


ICONS = {
    "update": '<path d="M26 16a10 10 0 1 1-3-7.1" fill="none" stroke="{c}" stroke-width="3.2" stroke-linecap="round"/>'
              '<path d="M25 3v8h-8z" fill="{c}"/>',
    "log": '<rect x="6" y="3" width="20" height="26" rx="2.5" fill="#fff" stroke="{c}" stroke-width="2.4"/>'
           '<path d="M11 10h10M11 15h10M11 20h7" stroke="{c}" stroke-width="2.4" stroke-linecap="round"/>',
    "feedback": '<path d="M4 6h24v15H13l-6 6v-6H4z" fill="#fff" stroke="{c}" stroke-width="2.4" stroke-linejoin="round"/>'
                '<circle cx="11" cy="13.5" r="1.8" fill="{c}"/><circle cx="16" cy="13.5" r="1.8" fill="{c}"/>'
                '<circle cx="21" cy="13.5" r="1.8" fill="{c}"/>',
    "home": '<path d="M4 16L16 5l12 11" fill="none" stroke="{c}" stroke-width="2.8" stroke-linecap="round" stroke-linejoin="round"/>'
            '<path d="M8 14v13h6v-8h4v8h6V14" fill="#fff" stroke="{c}" stroke-width="2.4" stroke-linejoin="round"/>',
    "style": '<rect x="4" y="5" width="8" height="8" rx="1.5" fill="{c}"/><rect x="15" y="7" width="13" height="3" rx="1.5" fill="{c}"/>'
             '<rect x="4" y="19" width="8" height="8" rx="1.5" fill="{c}"/><rect x="15" y="21" width="13" height="3" rx="1.5" fill="{c}"/>',
    "settings": '<path d="M16 3l2.2 3.6 4.1-1 .9 4.1 4.1.9-1 4.1L29 16l-3.6 2.2 1 4.1-4.1.9-.9 4.1-4.1-1L16 29l-2.2-3.6-4.1 1-.9-4.1-4.1-.9 1-4.1L3 16l3.6-2.2-1-4.1 4.1-.9.9-4.1 4.1 1z" '
                'fill="{c}"/><circle cx="16" cy="16" r="4.5" fill="#fff"/>',
    "help": '<circle cx="16" cy="16" r="12.5" fill="{c}"/>'
            '<path d="M12 12.5a4 4 0 1 1 6 3.4c-1.4.9-2 1.6-2 3.1" fill="none" stroke="#fff" stroke-width="2.8" stroke-linecap="round"/>'
            '<circle cx="16" cy="23.5" r="1.9" fill="#fff"/>',
    "exit": '<path d="M20 6V4H6v24h14v-2" fill="none" stroke="{c}" stroke-width="2.6" stroke-linejoin="round"/>'
            '<path d="M13 16h15M23 11l5 5-5 5" fill="none" stroke="{c}" stroke-width="2.8" stroke-linecap="round" stroke-linejoin="round"/>',
    "chevron-down": '<path d="M8 7l8 7 8-7M8 16l8 7 8-7" fill="none" stroke="{c}" stroke-width="3.2" stroke-linecap="round" stroke-linejoin="round"/>',
    "chevron-up": '<path d="M8 16l8-7 8 7M8 25l8-7 8 7" fill="none" stroke="{c}" stroke-width="3.2" stroke-linecap="round" stroke-linejoin="round"/>',
    "page-first": '<path d="M8 6v20M25 7l-11 9 11 9z" fill="{c}" stroke="{c}" stroke-width="3" stroke-linejoin="round"/>',
    "page-prev": '<path d="M22 6L10 16l12 10z" fill="{c}" stroke="{c}" stroke-width="2.5" stroke-linejoin="round"/>',
    "page-next": '<path d="M10 6l12 10-12 10z" fill="{c}" stroke="{c}" stroke-width="2.5" stroke-linejoin="round"/>',
    "page-last": '<path d="M24 6v20M7 7l11 9-11 9z" fill="{c}" stroke="{c}" stroke-width="3" stroke-linejoin="round"/>',
    "page-go": '<circle cx="16" cy="16" r="12.5" fill="{c}"/><path d="M9 16h12M16 10l6 6-6 6" fill="none" stroke="#fff" stroke-width="3" stroke-linecap="round" stroke-linejoin="round"/>',
    "tip": '<path d="M16 3a8.5 8.5 0 0 0-5 15.4V22h10v-3.6A8.5 8.5 0 0 0 16 3z" fill="{c}"/>'
           '<path d="M12 25h8M13 28.5h6" stroke="{c}" stroke-width="2.4" stroke-linecap="round"/>',
}

FIXED_ICONS = {
    "app": svg('<rect x="3" y="2" width="20" height="26" rx="2.5" fill="#fff" stroke="#2b4f9e" stroke-width="2"/>'
               '<path d="M7 8h12M7 12h9" stroke="#9fb2df" stroke-width="2" stroke-linecap="round"/>'
               '<circle cx="18" cy="18" r="6.5" fill="#d6dff7" stroke="#2b4f9e" stroke-width="2.6"/>'
               '<path d="M22.8 22.8l6 6" stroke="#e8772e" stroke-width="3.6" stroke-linecap="round"/>'),
    "computer": svg('<rect x="3" y="5" width="26" height="17" rx="2" fill="#d6e4ff" stroke="#2b4f9e" stroke-width="2.2"/>'
                    '<path d="M12 27h8M16 22v5" stroke="#2b4f9e" stroke-width="2.4" stroke-linecap="round"/>'),
    "drive": svg('<rect x="3" y="10" width="26" height="13" rx="2.5" fill="#e3e8f2" stroke="#4a5a7a" stroke-width="2.2"/>'
                 '<circle cx="23" cy="16.5" r="2" fill="#3fae49"/><path d="M7 16.5h9" stroke="#4a5a7a" stroke-width="2"/>'),
    "folder": svg('<path d="M3 8a2 2 0 0 1 2-2h7l3 3h12a2 2 0 0 1 2 2v14a2 2 0 0 1-2 2H5a2 2 0 0 1-2-2z" '
                  'fill="#f5c542" stroke="#b88a12" stroke-width="1.8"/>'),
    "step-arrow": svg('<path d="M5 11h12V5l11 11-11 11v-6H5z" fill="#f08a24" stroke="#b65f0c" stroke-width="1.5" stroke-linejoin="round"/>'),
    "step-check": svg('<path d="M5 17l7 7L27 8" fill="none" stroke="#2e9e3e" stroke-width="4.5" stroke-linecap="round" stroke-linejoin="round"/>'),
}


def write_icons():
    folder = os.path.join(OUT, "icons")
    os.makedirs(folder, exist_ok=True)
    for name, body in ICONS.items():
        for suffix, colour in (("", "#3c5fa8"), ("-hot", "#e8772e")):
            with open(os.path.join(folder, name + suffix + ".svg"), "w") as f:
                f.write(svg(body.replace("{c}", colour)))
    for name, text in FIXED_ICONS.items():
        with open(os.path.join(folder, name + ".svg"), "w") as f:
            f.write(text)


def main():
    os.makedirs(OUT, exist_ok=True)
    slogans = [("ZEPH桌面搜索", "输入文件名的一部分，瞬间找到您的文件"),
               ("按内容查找", "一个字或词组，GBK、UTF-8、UTF-16 文件都能找到"),
               ("按时间、大小和类型筛选", "更多高级选项，让结果一目了然")]
    banner("MainAds500.gif", 500, 48, slogans, (232, 119, 46))
    banner("MainAds700.gif", 700, 48, slogans, (232, 119, 46))
    banner("IndexAds.gif", 573, 63, [("正在为您建立快速索引", "完成后即可在 ZEPH桌面搜索 中瞬间找到文件"),
                                     ("索引只需建立一次", "之后可在系统配置中设置自动更新的频率")], (232, 119, 46))
    banner("SettingAds.gif", 680, 60, [("选择需要建立索引的文件夹", "勾选的文件夹会在下次更新索引时扫描"),
                                       ("管理文件后缀与类型", "让按类型搜索更准确")], (63, 174, 73))
    banner("LogAds.gif", 760, 60, [("系统日志", "记录您在 ZEPH桌面搜索 中的每一次操作"),
                                   ("可以导出为文本文件", "制表符分隔，方便用表格软件查看")], (63, 174, 73))
    watermark("WaterPrint1.gif", hot=False)
    watermark("WaterPrint2.gif", hot=True)
    popup_skin("NotifySkin.png")
    write_icons()


main()
