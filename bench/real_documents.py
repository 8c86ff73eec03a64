#!/usr/bin/env python3
"""Content search on real documents, side by side with Recoll.

Builds a corpus from Debian documentation and library packages (fetched with
apt-get download and unpacked with dpkg-deb -x, never installed): TeX Live's
PDF manuals (Chinese ones included), Python's and Debian's HTML references
(English, Chinese, German, French), LibreOffice's templates, calibre's EPUB
guides, the OOXML examples of R packages, and, since Debian ships few EPUB and
OOXML files, manuals LibreOffice converts to DOCX, EPUB, ODT, XLSX and PPTX.

The truth is read by independent tools (pdftotext for PDF, and mutool for the
words it shows broken at line ends; Python's zip,
XML and HTML parsers for the rest), compared as a reader reads: NFKC, without
case, a word broken by a hyphen at a line's end whole. Words are picked from
it per kind of document and kind of word (rare, common, Chinese of 1, 2 and 4
characters, accented, numbers, hyphenated). Prints recall and precision per
kind and per kind of word for zeph-query --content and recollq, the indexing
cost of both, and query times (hyperfine, whole process) on the same corpus in
the same run, as markdown.

Usage: bench/real_documents.py [--data DIR] [--build DIR] [--per-category N] [--timed N]
Needs: apt-get, dpkg-deb, pdftotext (poppler-utils), mutool (mupdf-tools), soffice (libreoffice-*-nogui),
recollindex/recollq (recollcmd), hyperfine, /usr/bin/time.
"""
import argparse
import collections
import datetime
import html.parser
import json
import os
import random
import re
import shutil
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import unicodedata
import xml.etree.ElementTree as ET
import zipfile

PACKAGES = [
    "texlive-latex-base-doc", "texlive-latex-recommended-doc", "texlive-lang-chinese",
    "python3.11-doc", "debian-reference-en", "debian-reference-zh-cn", "debian-handbook",
    "libreoffice-common", "calibre", "r-cran-officer", "r-cran-openxlsx", "r-cran-readxl",
]
KINDS = {
    "pdf": "PDF", "html": "HTML", "htm": "HTML", "xhtml": "HTML", "epub": "EPUB",
    "odt": "ODF", "ods": "ODF", "odp": "ODF", "ott": "ODF", "ots": "ODF", "otp": "ODF",
    "docx": "OOXML", "xlsx": "OOXML", "pptx": "OOXML", "dotx": "OOXML", "xltx": "OOXML",
    "potx": "OOXML", "docm": "OOXML", "xlsm": "OOXML", "pptm": "OOXML",
}
HANDBOOK_LANGUAGES = ("en-US", "zh-CN", "de-DE", "fr-FR")


def run(command, **kw):
    return subprocess.run(command, check=True, **kw)


def kind_of(path):
    return KINDS.get(path.rsplit(".", 1)[-1].lower())


# The corpus ------------------------------------------------------------------

def corpus(data):
    tree = os.path.join(data, "tree")
    if os.path.isdir(tree):
        return tree
    debs, unpacked = os.path.join(data, "debs"), os.path.join(data, "unpacked")
    os.makedirs(debs, exist_ok=True)
    missing = [p for p in PACKAGES if not any(f.startswith(p + "_") for f in os.listdir(debs))]
    if missing:
        run(["apt-get", "download", *missing], cwd=debs, stdout=subprocess.DEVNULL)
    os.makedirs(unpacked, exist_ok=True)
    for deb in sorted(os.listdir(debs)):
        run(["dpkg-deb", "-x", os.path.join(debs, deb), unpacked])
    staging = tree + ".part"
    shutil.rmtree(staging, ignore_errors=True)
    for folder, _, names in os.walk(unpacked):
        relative = os.path.relpath(folder, unpacked)
        if "/debian-handbook/html/" in "/" + relative + "/" and \
                not any("/" + lang in "/" + relative for lang in HANDBOOK_LANGUAGES):
            continue
        for name in names:
            source = os.path.join(folder, name)
            if not kind_of(name) or os.path.islink(source) or os.path.getsize(source) == 0:
                continue
            target = os.path.join(staging, relative, name)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(source, target)
    converted(unpacked, os.path.join(staging, "converted"))
    os.rename(staging, tree)
    return tree


def converted(unpacked, out):
    """Real manuals LibreOffice turns into the kinds Debian ships few of."""
    handbook = os.path.join(unpacked, "usr/share/doc/debian-handbook/html")
    chapters = []
    for lang in ("en-US", "zh-CN"):
        folder = os.path.join(handbook, lang)
        pages = sorted(f for f in os.listdir(folder) if f.startswith("sect.") and f.endswith(".html"))
        chapters += [os.path.join(folder, f) for f in pages[:25]]
    templates = os.path.join(unpacked, "usr/lib/libreoffice/share/template/common")
    sheets = [os.path.join(d, f) for d, _, fs in os.walk(templates) for f in fs if f.endswith(".ots")]
    slides = [os.path.join(d, f) for d, _, fs in os.walk(templates) for f in fs if f.endswith(".otp")]
    jobs = [("docx", chapters, ["--infilter=HTML (StarWriter)"]),
            ("epub", chapters, ["--infilter=HTML (StarWriter)"]),
            ("odt", chapters[::2], ["--infilter=HTML (StarWriter)"]),
            ("xlsx", sheets, []), ("pptx", slides, [])]
    with tempfile.TemporaryDirectory() as profile:
        for suffix, files, options in jobs:
            for lang_index, chunk in enumerate(files[i:i + 20] for i in range(0, len(files), 20)):
                target = os.path.join(out, suffix, str(lang_index))
                os.makedirs(target, exist_ok=True)
                run(["soffice", "-env:UserInstallation=file://" + profile, "--headless", *options,
                     "--convert-to", suffix, "--outdir", target, *chunk],
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


# The truth -------------------------------------------------------------------

class HtmlText(html.parser.HTMLParser):
    BLOCKS = {"p", "div", "br", "li", "tr", "td", "th", "h1", "h2", "h3", "h4", "h5", "h6",
              "pre", "table", "dt", "dd", "blockquote", "section", "title", "ul", "ol", "dl"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts, self.skip = [], 0

    def handle_starttag(self, tag, attrs):
        if tag in ("script", "style"):
            self.skip += 1
        if tag in self.BLOCKS:
            self.parts.append("\n")

    def handle_endtag(self, tag):
        if tag in ("script", "style") and self.skip:
            self.skip -= 1
        if tag in self.BLOCKS:
            self.parts.append("\n")

    def handle_data(self, data):
        if not self.skip:
            self.parts.append(data)


def html_text(data):
    text = data.decode("utf-8", "replace")
    parser = HtmlText()
    parser.feed(text)
    return "".join(parser.parts)


def local(tag):
    return tag.rsplit("}", 1)[-1]


def sheet_formats(package):
    """Each cell style's number format: (date, time, decimals or None, thousands, percent)."""
    if "xl/styles.xml" not in package.namelist():
        return []
    root = ET.fromstring(package.read("xl/styles.xml"))
    codes = {int(n.get("numFmtId")): n.get("formatCode", "") for n in root.iter() if local(n.tag) == "numFmt"}
    formats = []
    for xfs in (n for n in root if local(n.tag) == "cellXfs"):
        for xf in xfs:
            id_ = int(xf.get("numFmtId", "0"))
            code = re.sub(r'"[^"]*"|\[[^]]*\]', "", codes.get(id_, "").split(";")[0])
            if id_ in codes:
                date = bool(re.search("[yYdD]", code)) or ("m" in code.lower() and not re.search("[hHsS]", code))
                time = bool(re.search("[hHsS]", code))
                point = re.search(r"\.([0#?]+)", code)
                fixed = point.group(1).__len__() if point else (0 if re.search("[0#]", code) else None)
                formats.append((date, time, fixed, bool(re.search(r"[0#],[0#]", code)), "%" in code))
            else:
                builtin = {1: 0, 2: 2, 3: 0, 4: 2, 9: 0, 10: 2}
                formats.append((14 <= id_ <= 17 or id_ == 22, 18 <= id_ <= 22 or 45 <= id_ <= 47,
                                builtin.get(id_), id_ in (3, 4), id_ in (9, 10)))
    return formats


def cell_shown(value, style, formats):
    try:
        x = float(value)
    except ValueError:
        return value
    date, time, fixed, thousands, percent = formats[style] if 0 <= style < len(formats) else (False, False, None, False, False)
    if date:
        day = datetime.datetime(1899, 12, 30) + datetime.timedelta(days=x if x >= 61 else x + 1)
        return day.strftime("%Y-%m-%d %H:%M" if time else "%Y-%m-%d")
    if percent:
        x *= 100
    shown = ("{:,.%df}" if thousands else "{:.%df}") % fixed if fixed is not None else None
    text = shown.format(x) if shown else "%.15g" % x
    return text + ("%" if percent else "")


def xml_text(data, separators, skipped=(), shared=None, formats=None):
    """Text of XML: a space or line where the separating elements are."""
    root = ET.fromstring(data)
    parts = []

    def walk(node, cell=None):
        name = local(node.tag)
        if name in skipped:
            return
        if name == "c":  # a sheet's cell: a shared text's number, or what it shows
            cell = (node.get("t", "n"), int(node.get("s", "-1")))
        if name == "v" and cell and shared is not None:
            if cell[0] == "s":
                index = int(node.text or "0")
                parts.append(" " + (shared[index] if index < len(shared) else "") + " ")
            elif cell[0] == "n":
                parts.append(" " + cell_shown(node.text or "", cell[1], formats or []) + " ")
            elif cell[0] == "b":
                parts.append(" TRUE " if node.text == "1" else " FALSE ")
            else:
                parts.append(" " + (node.text or "") + " ")
            return
        if name in separators:
            parts.append(" ")
        if name == "s":  # OpenDocument's spaces
            parts.append(" " * int(node.get("{urn:oasis:names:tc:opendocument:xmlns:text:1.0}c", "1")))
        if node.text:
            parts.append(node.text)
        for child in node:
            walk(child, cell)
            if child.tail:
                parts.append(child.tail)
        if name in separators:
            parts.append("\n" if name in ("p", "h", "tr", "row", "si") else " ")

    walk(root)
    return "".join(parts)


def truth_text(path):
    kind = kind_of(path)
    suffix = path.rsplit(".", 1)[-1].lower()
    if kind == "PDF":
        result = subprocess.run(["pdftotext", "-q", "-enc", "UTF-8", path, "-"], capture_output=True)
        return result.stdout.decode("utf-8", "replace")
    with open(path, "rb") as f:
        data = f.read()
    if kind == "HTML":
        return html_text(data)
    package = zipfile.ZipFile(path)
    names = package.namelist()
    if kind == "EPUB":
        return "\n".join(html_text(package.read(n)) for n in names
                         if n.endswith((".xhtml", ".html", ".htm")))
    if kind == "ODF":
        return xml_text(package.read("content.xml"),
                        {"p", "h", "tab", "line-break", "table-cell", "table-row"})
    office = {"p", "tab", "br", "tc", "tr", "c", "row", "si"}
    if suffix.startswith("doc"):
        parts = [n for n in names if n == "word/document.xml" or re.match(
            r"word/(header|footer)\d*\.xml|word/(footnotes|endnotes|comments)\.xml", n)]
        return "\n".join(xml_text(package.read(n), office, {"instrText"}) for n in parts)
    if suffix.startswith("xl"):
        shared = []
        if "xl/sharedStrings.xml" in names:
            root = ET.fromstring(package.read("xl/sharedStrings.xml"))
            shared = ["".join(t.text or "" for t in si.iter() if local(t.tag) == "t")
                      for si in root if local(si.tag) == "si"]
        sheets = [n for n in names if re.match(r"xl/worksheets/sheet\d+\.xml", n)]
        formats = sheet_formats(package)
        return "\n".join(xml_text(package.read(n), office, {"f"}, shared, formats) for n in sheets)
    slides = [n for n in names if re.match(r"ppt/(slides/slide|notesSlides/notesSlide)\d+\.xml", n)]
    return "\n".join(xml_text(package.read(n), office) for n in slides)


IGNORABLE = re.compile("[\u00ad\u200b-\u200f\u2060\ufeff]")
BROKEN = re.compile(r"(?<=\w)[-\u2010][ \t]*\n[ \t]*(?=[^\W\d_])")


def reading(text):
    """The text as a reader compares it: NFKC without case, and the same with
    the words a hyphen breaks at a line's end joined (when it has any)."""
    nfkc = unicodedata.normalize("NFKC", IGNORABLE.sub("", text))
    joined = BROKEN.sub(lambda m: "" if m.string[m.end()].islower() else m.group(0), nfkc)
    forms = [nfkc.casefold()]
    if joined != nfkc:
        forms.append(joined.casefold())
    return forms


def hyphenated_words(path, text):
    """Words mutool shows broken by a hyphen at a line's end (pdftotext joins
    them) that pdftotext's text holds whole."""
    shown = subprocess.run(["mutool", "draw", "-q", "-F", "txt", "-o", "-", path],
                           capture_output=True).stdout.decode("utf-8", "replace")
    words = set(WORD.findall(text))
    return sorted({a + b for a, b in HYPHENATED.findall(shown) if a + b in words})


def truths(tree, cache):
    if os.path.exists(cache):
        with open(cache) as f:
            return json.load(f)
    texts, hyphenated = {}, {}
    for folder, _, names in os.walk(tree):
        for name in names:
            path = os.path.join(folder, name)
            try:
                texts[path] = truth_text(path)
            except Exception as error:  # a document the truth tools cannot read is left out
                print("truth: %s: %s" % (path, error), file=sys.stderr)
                continue
            if kind_of(path) == "PDF":
                hyphenated[path] = hyphenated_words(path, texts[path])
    with open(cache, "w") as f:
        json.dump({"texts": texts, "hyphenated": hyphenated}, f)
    return {"texts": texts, "hyphenated": hyphenated}


# Words -----------------------------------------------------------------------

HAN = re.compile(r"[\u4e00-\u9fff]+")
WORD = re.compile(r"[^\W\d_]+")
NUMBER = re.compile(r"(?<![\d.])\d{4,}(?![\d.])")
HYPHENATED = re.compile(r"([^\W\d_]{3,})[-\u2010][ \t]*\n[ \t]*([a-z]{3,})")


def gbk(word):
    try:
        word.encode("gbk")
        return True
    except UnicodeEncodeError:
        return False


def pick_words(texts, hyphenated, per_category, seed=37):
    """Words per kind of document and kind of word, from the truth."""
    random.seed(seed)
    document_frequency = collections.Counter()
    by_kind = collections.defaultdict(list)
    for path, text in texts.items():
        by_kind[kind_of(path)].append(text)
        document_frequency.update(set(w.casefold() for w in WORD.findall(text) if w.isascii()))
    picked = []
    for kind, kind_texts in sorted(by_kind.items()):
        pools = collections.defaultdict(set)
        count = collections.Counter()
        for text in kind_texts:
            words = set(WORD.findall(text))
            count.update(w.casefold() for w in words if w.isascii())
            for w in words:
                if w.isascii() and len(w) >= 7 and document_frequency[w.casefold()] <= 3:
                    pools["rare"].add(w)
                if not w.isascii() and len(w) >= 4 and not HAN.search(w) and gbk(w) and \
                        any(unicodedata.category(c) == "Ll" and not c.isascii() for c in w):
                    pools["accented"].add(w)
            for run_ in HAN.findall(text):
                for size in (1, 2, 4):
                    if len(run_) >= size:
                        at = random.randrange(len(run_) - size + 1)
                        pools["chinese %d" % size].add(run_[at:at + size])
            pools["number"].update(NUMBER.findall(text))
        common = [w for w, n in count.items() if len(w) >= 5 and n >= max(3, len(kind_texts) // 5)]
        pools["common"] = set(common)
        if kind == "PDF":
            pools["hyphenated"] = {w for words in hyphenated.values() for w in words}
        for category, pool in sorted(pools.items()):
            pool = sorted(w for w in pool if gbk(w))
            for word in random.sample(pool, min(per_category, len(pool))):
                picked.append((kind, category, word))
    return picked


# The two programs --------------------------------------------------------------

def zeph_program(build, data, tree):
    program = os.path.join(data, "program")
    shutil.rmtree(program, ignore_errors=True)
    for folder in ("index", "tmp", "ext"):
        os.makedirs(os.path.join(program, folder))
    for name in ("ZEPHIndexer", "zeph-query", "zeph-extract", "Translation.dat", "Pinyin.dat"):
        shutil.copy2(os.path.join(build, "ZEPH", name), program)
    shutil.copy2(os.path.join(build, "resources", "ZephConfig.sqlite"), program)
    db = sqlite3.connect(os.path.join(program, "ZephConfig.sqlite"))
    db.execute("insert into ScanConfig(ifScan, FolderName) values(1, ?)", (tree,))
    db.execute("insert into ContentFolders values(?)", (tree,))
    db.execute("update SystemSetting set UpdateFrequency=4, isFirstRun=0, LiveIndex=0, ContentIndex=1")
    db.commit()
    return program


def measured(command, env=None):
    """Seconds of CPU, peak RSS (KB) and wall seconds of a command."""
    with tempfile.NamedTemporaryFile("r") as out:
        import time
        start = time.time()
        run(["/usr/bin/time", "-f", "%U %S %M", "-o", out.name, *command], env=env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wall = time.time() - start
        user, system, rss = out.read().split()[-3:]
    return float(user) + float(system), int(rss), wall


def folder_bytes(folder):
    return sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(folder) for f in fs)


def recoll_config(data, tree):
    config = os.path.join(data, "recoll")
    shutil.rmtree(config, ignore_errors=True)
    os.makedirs(config)
    with open(os.path.join(config, "recoll.conf"), "w") as f:
        f.write("topdirs = %s\nloglevel = 1\n" % tree)
    return config


def zeph_answer(program, word):
    result = subprocess.run([os.path.join(program, "zeph-query"), "--folder", program, "--content", word],
                            capture_output=True, env=dict(os.environ, LC_ALL="C.UTF-8"))
    return set(result.stdout.decode("utf-8", "surrogateescape").splitlines())


def recoll_answer(config, word):
    query = '"%s"' % word if HAN.search(word) else word
    result = subprocess.run(["recollq", "-c", config, "-b", "-n", "0", query], capture_output=True)
    hits = set()
    for line in result.stdout.decode("utf-8", "surrogateescape").splitlines():
        if line.startswith("file://"):
            path = line[len("file://"):]
            # A document inside a package is shown as the package itself.
            hits.add(path.split("#", 1)[0] if "#" in path else path)
    return hits


def hyperfine(commands, runs):
    with tempfile.NamedTemporaryFile("r", suffix=".json") as out:
        run(["hyperfine", "-N", "-i", "--warmup", "1", "--runs", str(runs), "--export-json", out.name,
             *commands], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return [r["median"] * 1000 for r in json.load(open(out.name))["results"]]


# The report --------------------------------------------------------------------

def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser()
    parser.add_argument("--data", default=os.path.join(os.environ.get("ZEPH_BENCH_DIR", "/tmp/zeph-bench"), "real"))
    parser.add_argument("--build", default=os.path.join(top, "build"))
    parser.add_argument("--per-category", type=int, default=4)
    parser.add_argument("--timed", type=int, default=30)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--skip-index", action="store_true", help="use the indexes of an earlier run")
    args = parser.parse_args()
    os.makedirs(args.data, exist_ok=True)

    tree = corpus(args.data)
    truth = truths(tree, os.path.join(args.data, "truth.json"))
    texts = truth["texts"]
    kinds = collections.Counter(kind_of(p) for p in texts)
    chinese = sum(1 for t in texts.values() if len(HAN.findall(t)) > 50)
    read = {p: reading(t) for p, t in texts.items()}

    env = dict(os.environ, LC_ALL="C.UTF-8", QT_QPA_PLATFORM="offscreen")
    program = os.path.join(args.data, "program")
    config = os.path.join(args.data, "recoll")
    if not args.skip_index:
        program = zeph_program(args.build, args.data, tree)
        zeph_cost = measured([os.path.join(program, "ZEPHIndexer")], env)
        config = recoll_config(args.data, tree)
        recoll_cost = measured(["recollindex", "-c", config], env)
        with open(os.path.join(args.data, "cost.json"), "w") as f:
            json.dump({"zeph": zeph_cost, "recoll": recoll_cost,
                       "zeph_bytes": folder_bytes(os.path.join(program, "content")),
                       "recoll_bytes": folder_bytes(os.path.join(config, "xapiandb"))}, f)
    with open(os.path.join(args.data, "cost.json")) as f:
        cost = json.load(f)

    words = pick_words(texts, truth["hyphenated"], args.per_category)
    tally = {tool: collections.defaultdict(lambda: [0, 0, 0, 0]) for tool in ("zeph", "recoll")}
    misses = collections.defaultdict(list)
    for kind, category, word in words:
        folded = unicodedata.normalize("NFKC", word).casefold()
        holding = {p for p, forms in read.items() if any(folded in f for f in forms)}
        whole = re.compile(r"(?<!\w)%s(?!\w)" % re.escape(folded))
        holding_word = {p for p in holding if any(whole.search(f) for f in read[p])} \
            if not HAN.search(word) else holding
        for tool, found, truth in (("zeph", zeph_answer(program, word), holding),
                                   ("recoll", recoll_answer(config, word), holding_word)):
            found &= set(texts)  # documents of the corpus only
            for path in truth | found:
                k = kind_of(path)
                for key in (("kind", k), ("category", category)):
                    t = tally[tool][key]
                    t[0] += path in truth and path in found  # found and true
                    t[1] += path in truth                    # true
                    t[2] += path in found                    # found
                    t[3] += path in found and path in holding  # found, holding the text
                if tool == "zeph" and path in truth and path not in found:
                    misses[k].append((word, path))
                if tool == "zeph" and path in found and path not in holding:
                    misses["false " + k].append((word, path))

    print("## Content search on real documents, side by side with Recoll")
    print()
    print("Corpus: %d documents (%s; %d with Chinese text), `bench/real_documents.py`." %
          (len(texts), ", ".join("%s %d" % kv for kv in sorted(kinds.items())), chinese))
    print("%d words, up to %d per kind of document and kind of word. Recall: of the documents whose "
          "text (read by pdftotext or Python's parsers, NFKC, without case, line-end hyphens joined) "
          "holds the word, the share found; for Recoll, which finds whole words, of those holding "
          "it as a word. Precision: of the documents found, the share holding the text." %
          (len(words), args.per_category))
    print()
    print("| | ZEPH recall | ZEPH precision | Recoll recall | Recoll precision |")
    print("|---|---|---|---|---|")
    ratio = lambda a, b: "%.3f" % (a / b) if b else "–"
    for key in sorted(set(tally["zeph"]) | set(tally["recoll"])):
        z, r = tally["zeph"][key], tally["recoll"][key]
        print("| %s | %s (%d) | %s | %s (%d) | %s |" % (key[1], ratio(z[0], z[1]), z[1], ratio(z[3], z[2]),
                                                        ratio(r[0], r[1]), r[1], ratio(r[3], r[2])))
    print()
    (zc, zr, zw), (rc, rr, rw) = cost["zeph"], cost["recoll"]
    print("| indexing | ZEPH | Recoll |")
    print("|---|---|---|")
    print("| first run, CPU | %.0f s | %.0f s |" % (zc, rc))
    print("| first run, wall clock (2 cores) | %.0f s | %.0f s |" % (zw, rw))
    print("| peak RSS | %.0f MB | %.0f MB |" % (zr / 1024, rr / 1024))
    print("| index size | %.1f MB | %.1f MB |" % (cost["zeph_bytes"] / 1e6, cost["recoll_bytes"] / 1e6))
    print()

    random.seed(5)
    timed = random.sample([w for _, _, w in words], min(args.timed, len(words)))
    zeph_ms, recoll_ms = [], []
    for word in timed:
        z, r = hyperfine(["%s --folder %s --content %s --count" % (os.path.join(program, "zeph-query"), program, word),
                          "recollq -c %s -b -n 0 %s" % (config, word)], args.runs)
        zeph_ms.append((z, word))
        recoll_ms.append((r, word))
    with open(os.path.join(args.data, "times.json"), "w") as f:
        json.dump([{"word": w, "zeph_ms": z, "recoll_ms": r} for (z, w), (r, _) in zip(zeph_ms, recoll_ms)],
                  f, ensure_ascii=False, indent=0)
    zm, rm = statistics.median(t for t, _ in zeph_ms), statistics.median(t for t, _ in recoll_ms)
    print("| query, whole process (hyperfine, median of %d words) | ZEPH | Recoll |" % len(timed))
    print("|---|---|---|")
    print("| median | %.0f ms (%.2f× Recoll) | %.0f ms |" % (zm, zm / rm, rm))
    print("| worst | %.0f ms (`%s`) | %.0f ms (`%s`) |" % (*max(zeph_ms), *max(recoll_ms)))
    print()
    if misses:
        print("ZEPH's misses and false hits, a few of each kind:")
        print()
        for kind, items in sorted(misses.items()):
            print("- %s (%d): %s" % (kind, len(items), "; ".join("`%s` %s" % (w, os.path.relpath(p, tree))
                                                                 for w, p in items[:4])))


if __name__ == "__main__":
    main()
