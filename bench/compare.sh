#!/usr/bin/env bash
# Times the project side by side with what a user would use instead, in one
# run: `find` for the walk, `updatedb`/`plocate` for name queries, `grep -r`/`rg`
# for content. Prints a markdown report (machine, trees, times, ratios).
#
# Usage: bench/compare.sh [FILES] [REAL_TREE...]
#   FILES      size of the generated tree (default 200000); 0 skips it
#   REAL_TREE  folders of real files (a source tree untarred from a Debian
#              package, /usr/include, /usr/share) for content search
# Environment: BUILD (default build/), ZEPH_BENCH_DIR (default /tmp/zeph-bench),
#              ZEPH_GEN_TREE (the tree generator), RUNS (default 5),
#              CONTENT_WORD (default spin_lock_irqsave), CONTENT_EXT (default c,h),
#              GENERATED_CONTENT (default 1; 0 skips content search on the generated
#              tree, whose grep alone takes minutes at a million files)
set -euo pipefail
FILES=${1:-200000}
shift || true
TOP=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$TOP/build}
DATA=${ZEPH_BENCH_DIR:-/tmp/zeph-bench}
GEN=${ZEPH_GEN_TREE:-$TOP/../shared/bench/gen_tree.py}
RUNS=${RUNS:-5}
WORD=${CONTENT_WORD:-spin_lock_irqsave}
EXT=${CONTENT_EXT:-c,h}
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen

for tool in hyperfine plocate updatedb rg sqlite3 python3; do
    command -v $tool >/dev/null || { echo "compare.sh: $tool is missing (apt install hyperfine plocate ripgrep sqlite3)" >&2; exit 1; }
done
[ -x "$BUILD/ZEPH/ZEPHIndexer" ] || { echo "compare.sh: build first (scripts/build.sh)" >&2; exit 1; }
mkdir -p "$DATA"

# program NAME ROOT: a program folder of its own that indexes only ROOT (names
# only: bench/content_bench.sh measures the content index); prints its path.
program() {
    local folder=$DATA/program-$1
    rm -rf "$folder" && mkdir -p "$folder"/{index,tmp,ext}
    cp "$BUILD"/ZEPH/{ZEPHIndexer,zeph-query,Translation.dat,Pinyin.dat} "$folder"/
    cp "$BUILD"/resources/ZephConfig.sqlite "$folder"/
    sqlite3 "$folder/ZephConfig.sqlite" "insert into ScanConfig(ifScan,FolderName) values(1,'$2');
        update SystemSetting set UpdateFrequency=4, isFirstRun=0, ContentIndex=0"
    "$folder/ZEPHIndexer" >/dev/null 2>&1
    echo "$folder"
}

# time_it NAME CMD: hyperfine's mean seconds
time_it() {
    hyperfine -N -i --warmup 1 --runs "$RUNS" --export-json "$TMP/$1.json" -- "$2" >/dev/null 2>&1
    python3 -c 'import json,sys; print("%.4f" % json.load(open(sys.argv[1]))["results"][0]["mean"])' "$TMP/$1.json"
}
peak_kb() { /usr/bin/time -f %M sh -c "$1 >/dev/null 2>&1" 2>&1 | tail -1; }
ratio() { python3 -c "print('%.2f' % ($1 / $2))"; }
ms() { python3 -c "print('%.1f' % ($1 * 1000))"; }
row() { printf '| %s | %s ms | %s ms | %s× |\n' "$1" "$(ms "$2")" "$(ms "$3")" "$(ratio "$2" "$3")"; }
# reported P KEY ARGS...: a figure zeph-query prints with --stats (median of 5 runs)
reported() {
    local p=$1 key=$2; shift 2
    for _ in 1 2 3 4 5; do "$p/zeph-query" --stats "$@" 2>&1 >/dev/null | sed -n "s/.*$key: \([0-9.]*\) ms.*/\1/p"; done |
        sort -g | sed -n 3p | grep . || echo "–"
}

echo "Machine: $(nproc) cores, $(free -g | awk '/Mem/ {print $2}') GiB RAM, $(uname -r); warm cache;"
echo "hyperfine means of $RUNS runs; ratios are ZEPH ÷ other (below 1: ZEPH is faster)."
echo

if [ "$FILES" != 0 ]; then
    ROOT=$DATA/t$FILES
    [ -d "$ROOT" ] || python3 "$GEN" "$ROOT" --files "$FILES" >&2
    P=$(program "$FILES" "$ROOT")
    DB=$DATA/t$FILES.plocate.db
    updatedb -l 0 -U "$ROOT" -o "$DB"
    Q="$P/zeph-query --folder $P"
    echo "## Generated tree, $FILES files"
    echo
    echo "Tree: \`gen_tree.py --files $FILES\`, $(find "$ROOT" | wc -l) entries on $(findmnt -no FSTYPE -T "$ROOT");" \
         "file list $(du -h "$P/index/AllFiles.dat" | cut -f1), postings $(du -h "$P/index/IndexData.idx" | cut -f1)."
    echo
    echo '| what | ZEPH | other | ratio |'
    echo '|---|---|---|---|'
    walk=$(time_it walk "sh -c \"find $ROOT -printf '%p %s %T@\\\\n' >/dev/null\"")
    run=$(time_it index "$P/ZEPHIndexer")
    row "whole index run (scan + build + publish) vs \`find -printf '%p %s %T@'\`" "$run" "$walk"
    upd=$(time_it updatedb "updatedb -l 0 -U $ROOT -o $TMP/u.db")
    row "whole index run vs \`updatedb\`" "$run" "$upd"
    echo "| indexer peak RSS | $(peak_kb "$P/ZEPHIndexer") KB | | |"
    for q in xylophonequartz report 报告 jpg; do
        ours=$(time_it "q$q" "$Q $q")
        theirs=$(time_it "p$q" "plocate -i -b -d $DB $q")
        row "name '$q' ($($Q --count "$q") hits, all stored and printed) vs \`plocate -i -b\`" "$ours" "$theirs"
    done
    for pair in '*.jpg:\.jpg$' 'report|invoice:report|invoice'; do
        q=${pair%%:*} re=${pair#*:}
        ours=$(time_it "pq" "$Q '$q'")
        theirs=$(time_it "pr" "plocate -i -b --regex -d $DB '$re'")
        # a bar inside a markdown table cell must be escaped
        row "pattern '${q//|/\\|}' ($($Q --count "$q") hits) vs \`plocate -i -b --regex '${re//|/\\|}'\`" "$ours" "$theirs"
    done
    echo "| first page of 'report' | $(reported "$P" "first page" report) ms | | |"
    echo "| first page of 'jpg' | $(reported "$P" "first page" jpg) ms | | |"
    echo "| engine start-up | $(reported "$P" "start-up" report) ms | | |"
    echo "| stop of 'jpg' 10 ms in: the search ended after | $(reported "$P" stop jpg --stop-after 10) ms | | |"
    echo "| stop of content 'zephyrquill' 200 ms in: ended after | $(reported "$P" stop --content zephyrquill --stop-after 200) ms | | |"
    for w in $([ "${GENERATED_CONTENT:-1}" = 1 ] && echo zephyrquill 蓝鲸数据); do
        ours=$(time_it "c$w" "$Q --content $w")
        grep_t=$(time_it "g$w" "grep -rlI $w $ROOT")
        rg_t=$(time_it "r$w" "rg -l $w $ROOT")
        row "content '$w' vs \`grep -rlI\`" "$ours" "$grep_t"
        row "content '$w' vs \`rg -l\`" "$ours" "$rg_t"
    done
    echo
fi

for tree in "$@"; do
    tree=$(realpath "$tree")
    name=$(basename "$tree")
    P=$(program "real-$name" "$tree")
    Q="$P/zeph-query --folder $P"
    globs=$(echo "$EXT" | tr , '\n' | sed 's/^/--include=*./' | tr '\n' ' ')
    echo "## $tree"
    echo
    echo "$(find "$tree" | wc -l) entries; content '$WORD' in files with the suffixes $EXT" \
         "($($Q --count --content "$WORD" --ext "$EXT") files hold it)."
    echo
    echo '| what | ZEPH | other | ratio |'
    echo '|---|---|---|---|'
    ours=$(time_it "rc" "$Q --content $WORD --ext $EXT")
    rg_t=$(time_it "rr" "rg -F -l -g '*.{$EXT}' $WORD $tree")
    grep_t=$(time_it "rg" "grep -rlF $globs $WORD $tree")
    row "content vs \`rg -F -l -g '*.{$EXT}'\`" "$ours" "$rg_t"
    row "content vs \`grep -rlF --include\`" "$ours" "$grep_t"
    echo "| stop 50 ms in: search ended after (– when it finished sooner) | $(reported "$P" stop --content "$WORD" --ext "$EXT" --stop-after 50) ms | | |"
    echo
done
