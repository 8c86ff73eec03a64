#!/usr/bin/env bash
# Times the project side by side with what a user would use instead, on one
# generated tree: `find` for the walk, `updatedb`/`plocate` for name queries,
# `grep -r`/`rg` for content. Prints a markdown report (machine, tree, times,
# ratios); with --write it also replaces docs/benchmarks-<files>.md.
#
# Usage: bench/compare.sh [--write] [FILES]     FILES defaults to 200000
# Environment: BUILD (default build/), ZEPH_BENCH_DIR (default /tmp/zeph-bench),
#              ZEPH_GEN_TREE (the tree generator), RUNS (default 5)
set -euo pipefail
WRITE=0
[ "${1:-}" = "--write" ] && { WRITE=1; shift; }
FILES=${1:-200000}
TOP=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$TOP/build}
DATA=${ZEPH_BENCH_DIR:-/tmp/zeph-bench}
GEN=${ZEPH_GEN_TREE:-$TOP/../shared/bench/gen_tree.py}
RUNS=${RUNS:-5}
ROOT=$DATA/t$FILES
PROGRAM=$DATA/program-$FILES
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen

for tool in hyperfine plocate updatedb rg python3; do
    command -v $tool >/dev/null || { echo "compare.sh: $tool is missing (apt install hyperfine plocate ripgrep)" >&2; exit 1; }
done
[ -x "$BUILD/ZEPH/ZEPHIndexer" ] || { echo "compare.sh: build first (scripts/build.sh)" >&2; exit 1; }
mkdir -p "$DATA"
[ -d "$ROOT" ] || python3 "$GEN" "$ROOT" --files "$FILES" >&2

# A program folder of its own, indexing only the tree.
rm -rf "$PROGRAM" && mkdir -p "$PROGRAM"/{index,tmp,ext}
cp "$BUILD"/ZEPH/{ZEPHIndexer,zeph-query,Translation.dat} "$PROGRAM"/
cp "$BUILD"/resources/ZephConfig.sqlite "$PROGRAM"/
sqlite3 "$PROGRAM/ZephConfig.sqlite" \
    "insert into ScanConfig(ifScan,FolderName) values(1,'$ROOT'); update SystemSetting set UpdateFrequency=4"
DB=$DATA/t$FILES.plocate.db
updatedb -l 0 -U "$ROOT" -o "$DB"
"$PROGRAM/ZEPHIndexer"

# time NAME CMD: hyperfine's mean seconds, kept in $TMP/NAME
time_it() {
    hyperfine -N -i --warmup 1 --runs "$RUNS" --export-json "$TMP/$1.json" -- "$2" >/dev/null 2>&1
    python3 -c 'import json,sys; print("%.4f" % json.load(open(sys.argv[1]))["results"][0]["mean"])' "$TMP/$1.json"
}
peak_kb() { /usr/bin/time -f %M sh -c "$1 >/dev/null 2>&1" 2>&1 | tail -1; }
ratio() { python3 -c "print('%.2f' % ($1 / $2))"; }
ms() { python3 -c "print('%.1f' % ($1 * 1000))"; }
row() { printf '| %s | %s ms | %s ms | %s× |\n' "$1" "$(ms "$2")" "$(ms "$3")" "$(ratio "$2" "$3")"; }

echo "## $FILES files"
echo
echo "Machine: $(nproc) cores, $(free -g | awk '/Mem/ {print $2}') GiB RAM, $(uname -r)," \
     "$(findmnt -no FSTYPE -T "$ROOT"); warm cache; hyperfine means of $RUNS runs."
echo "Tree: \`gen_tree.py --files $FILES\`: $(find "$ROOT" | wc -l) entries;" \
     "file list $(du -h "$PROGRAM/index/AllFiles.dat" | cut -f1), postings $(du -h "$PROGRAM/index/IndexData.idx" | cut -f1)."
echo
echo '| what | ZEPH | other | ratio |'
echo '|---|---|---|---|'
walk=$(time_it walk "sh -c \"find $ROOT -printf '%p %s %T@\\\\n' >/dev/null\"")
run=$(time_it index "$PROGRAM/ZEPHIndexer")
row "whole index run (scan + build + publish) vs \`find -printf '%p %s %T@'\`" "$run" "$walk"
upd=$(time_it updatedb "updatedb -l 0 -U $ROOT -o $TMP/u.db")
row "whole index run vs \`updatedb\`" "$run" "$upd"
echo "| indexer peak RSS | $(peak_kb "$PROGRAM/ZEPHIndexer") KB | | |"

for q in xylophonequartz report 报告 jpg; do
    ours=$(time_it "q$q" "$PROGRAM/zeph-query --name $q")
    theirs=$(time_it "p$q" "plocate -i -b -d $DB $q")
    hits=$("$PROGRAM/zeph-query" --name "$q" 2>/dev/null | wc -l)
    row "name '$q' ($hits hits, all stored) vs \`plocate -i -b\`" "$ours" "$theirs"
done
first=$("$PROGRAM/zeph-query" --name report 2>&1 >/dev/null | sed -n 's/.*first page: \([0-9.]*\) ms.*/\1/p')
start=$("$PROGRAM/zeph-query" --name report 2>&1 >/dev/null | sed -n 's/start-up: \([0-9.]*\) ms/\1/p')
echo "| first page of 'report' | $first ms | | |"
echo "| engine start-up | $start ms | | |"

for w in zephyrquill 蓝鲸数据; do
    ours=$(time_it "c$w" "$PROGRAM/zeph-query --content $w")
    grep_t=$(time_it "g$w" "grep -rlI $w $ROOT")
    rg_t=$(time_it "r$w" "rg -l $w $ROOT")
    row "content '$w' vs \`grep -rlI\`" "$ours" "$grep_t"
    row "content '$w' vs \`rg -l\`" "$ours" "$rg_t"
done
