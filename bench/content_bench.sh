#!/usr/bin/env bash
# The content index on the generated tree's text files plus a corpus of
# documents of every kind (bench/MakeDocuments.cpp): the first run, an
# unchanged run against a name-only run, the index's size against its text,
# how fast each kind is read on one core, content queries (first page and
# whole answer, and the whole command), and the answers checked against a
# brute-force search of the stored text and, for text files, against a scan.
# Prints a markdown report.
#
# Usage: bench/content_bench.sh [FILES] [DOCUMENTS_PER_KIND]
# Environment: BUILD (default build/), ZEPH_BENCH_DIR (default /tmp/zeph-bench), RUNS (default 5),
#   ONLY_QUERIES=1 (only the queries and answers, over the program folder of an earlier run)
set -euo pipefail
FILES=${1:-1000000}
PER_KIND=${2:-20000}
TOP=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$TOP/build}
cmake --build "$BUILD" --target benchmarks >&2
DATA=${ZEPH_BENCH_DIR:-/tmp/zeph-bench}
RUNS=${RUNS:-5}
TREE=$DATA/t$FILES
DOCS=$DATA/docs
P=$DATA/program-content
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen

for tool in hyperfine sqlite3 python3; do
    command -v $tool >/dev/null || { echo "content_bench.sh: $tool is missing (apt install hyperfine sqlite3)" >&2; exit 1; }
done
[ -d "$TREE" ] || python3 "$TOP/../shared/bench/gen_tree.py" "$TREE" --files "$FILES" >&2
[ -f "$DOCS/manifest.tsv" ] || { mkdir -p "$DOCS"; "$BUILD/bench/zeph_make_documents" "$DOCS" "$PER_KIND" >&2; }

if [ "${ONLY_QUERIES:-0}" != 1 ]; then
rm -rf "$P" && mkdir -p "$P"/{index,tmp,ext}
cp "$BUILD"/ZEPH/{ZEPHIndexer,zeph-query,zeph-extract,Translation.dat,Pinyin.dat} "$P"/
cp "$BUILD"/resources/ZephConfig.sqlite "$P"/
sqlite3 "$P/ZephConfig.sqlite" "insert into ScanConfig(ifScan,FolderName) values(1,'$TREE'),(1,'$DOCS');
    insert into ContentFolders values('$TREE'),('$DOCS');
    update SystemSetting set UpdateFrequency=4, isFirstRun=0, LiveIndex=0"
content() { sqlite3 "$P/ZephConfig.sqlite" "update SystemSetting set ContentIndex=$1"; }
seconds() { python3 -c 'import json,sys; print("%.2f" % json.load(open(sys.argv[1]))["results"][0]["mean"])' "$1"; }
Q="$P/zeph-query --folder $P"

# Name-only runs, then the first run with the content index, then unchanged runs.
content 0
hyperfine -N -i --warmup 1 --runs 3 --export-json "$TMP/names.json" "$P/ZEPHIndexer" >/dev/null 2>&1
content 1
start=$(date +%s.%N)
/usr/bin/time -f %M -o "$TMP/first.rss" "$P/ZEPHIndexer" >/dev/null 2>&1
first=$(python3 -c "print('%.1f' % ($(date +%s.%N) - $start))")
hyperfine -N -i --runs 3 --export-json "$TMP/again.json" "$P/ZEPHIndexer" >/dev/null 2>&1
names=$(seconds "$TMP/names.json"); again=$(seconds "$TMP/again.json")

read -r documents text stored unreadable <<<"$(sqlite3 -separator ' ' "$P/content/Content.sqlite" \
    "select count(*), sum(TextLength), (select sum(length(Text)) from Texts), sum(State=1) from Documents")"
index_bytes=$(du -sb "$P/content" | cut -f1)

echo "## Content index: $FILES-file tree's text files + $PER_KIND documents of each of 9 kinds"
echo
echo "Machine: $(nproc) cores, warm cache. \`bench/content_bench.sh $FILES $PER_KIND\`"
echo
echo "| what | figure |"
echo "|---|---|"
echo "| documents read (of them unreadable) | $documents ($unreadable) |"
echo "| text extracted | $(python3 -c "print('%.0f MB' % ($text / 1e6))") |"
echo "| first run: names, compare and reading | $first s (peak RSS $(cat "$TMP/first.rss") KB) |"
echo "| name-only run | $names s |"
echo "| unchanged run with the content index (goal ≤ 1.3× name-only) | $again s ($(python3 -c "print('%.2f' % ($again / $names))")×) |"
echo "| index size, content/ (goal ≤ 1.5× the text) | $(python3 -c "print('%.0f MB (%.2f×; stored text %.0f MB compressed)' % ($index_bytes / 1e6, $index_bytes / $text, $stored / 1e6))") |"
echo
echo "Reading on one core (\`zeph_extract_bench\`, 1,000 documents of each kind):"
echo
echo "| kind | documents a minute |"
echo "|---|---|"
for kind in pdf docx xlsx pptx odt ods odp epub html; do
    rate=$("$BUILD/bench/zeph_extract_bench" "$P/zeph-extract" "$DOCS/$kind/0" | cut -f4 | cut -d' ' -f1)
    echo "| $kind | $rate |"
done
echo

fi  # ONLY_QUERIES
Q="$P/zeph-query --folder $P"

# Queries: in the documents (the index brings its candidates) and everywhere,
# over the suffixes the content index covers.
EXTS=txt,md,log,c,h,cpp,py,json,js,csv,xml,html,htm,pdf,docx,xlsx,pptx,odt,ods,odp,epub
echo "| query | hits | first page | whole search | whole command (hyperfine) |"
echo "|---|---|---|---|---|"
for word in xylophonequartz zephyrquill 甲方 鲸 "force majeure" 蓝鲸数据; do
    for where in "$DOCS" "$TREE"; do
        stats=$($Q --content "$word" --in "$where" --ext $EXTS --stats 2>&1 >/dev/null | tail -1 || true)
        hits=$(echo "$stats" | sed 's/.*hits: //')
        first_ms=$(echo "$stats" | sed 's/first page: \([0-9.]*\).*/\1/')
        search_ms=$(echo "$stats" | sed 's/.*search: \([0-9.]*\).*/\1/')
        hyperfine -N -i --warmup 1 --runs "$RUNS" --export-json "$TMP/q.json" \
            "$P/zeph-query --folder $P --content '$word' --in $where --ext $EXTS --count" >/dev/null 2>&1
        whole=$(python3 -c 'import json,sys; print("%.1f" % (json.load(open(sys.argv[1]))["results"][0]["mean"] * 1000))' "$TMP/q.json")
        echo "| \`$word\` in $(basename "$where") | $hits | $first_ms ms | $search_ms ms | $whole ms |"
    done
done
echo

# Answers: the stored text searched by brute force, and text files against a scan.
python3 - "$P" "$Q" <<'PY'
import os, sqlite3, subprocess, sys, zlib
program, query = sys.argv[1], sys.argv[2].split()
db = sqlite3.connect(os.path.join(program, "content", "Content.sqlite"))
db.text_factory = bytes
# A text is kept in pieces (id: the document's id times 65,536 plus the piece's
# number), each with the start of the next after its own length.
whole = {}
for f, n, length, t in db.execute("select d.Folder, d.Name, t.Length, t.Text from Texts t "
                                  "join Documents d on d.Id=(t.Id>>16) order by t.Id"):
    whole.setdefault((f, n), []).append(zlib.decompress(t)[:length])
texts = [(f.decode("gb18030") if isinstance(f, bytes) else f, n.decode("gb18030") if isinstance(n, bytes) else n,
          b"".join(pieces).decode("utf-8", "replace")) for (f, n), pieces in whole.items()]
documents = (".pdf", ".docx", ".xlsx", ".pptx", ".odt", ".ods", ".odp", ".epub", ".html", ".htm", ".xml")
same = True
for word in ["xylophonequartz", "甲方", "鲸", "force majeure"]:
    # Hidden entries (a name or a folder starting with '.') are shown only when asked for.
    hidden = lambda path: any(part.startswith(".") for part in path.split("/"))
    brute = sorted(os.path.join(f, n) for f, n, t in texts
                   if word in t and n.lower().endswith(documents) and not hidden(os.path.join(f, n)))
    found = subprocess.run(query + ["--content", word, "--ext", "pdf,docx,xlsx,pptx,odt,ods,odp,epub,html,htm,xml"],
                           capture_output=True).stdout.decode().splitlines()
    ok = sorted(found) == brute
    same = same and ok
    print("| `%s` in documents: index = brute force over the stored text (%d) | %s |" % (word, len(brute), "yes" if ok else "NO"))
def scan(word, on):
    subprocess.run(["sqlite3", os.path.join(program, "ZephConfig.sqlite"),
                    "update SystemSetting set ContentIndex=%d" % on], check=True)
    return sorted(subprocess.run(query + ["--content", word, "--ext", "txt,md,log,c,h,cpp,py"],
                                 capture_output=True).stdout.decode().splitlines())
for word in ["zephyrquill", "蓝鲸数据"]:
    indexed, scanned = scan(word, 1), scan(word, 0)
    scan(word, 1)
    print("| `%s` in text files: index = scan (%d) | %s |" % (word, len(scanned), "yes" if indexed == scanned else "NO"))
PY
