#!/usr/bin/env bash
# How ZEPH grows with the tree: the same figures for generated trees of each
# size given, side by side, against find, updatedb and plocate in the same run.
# Prints a markdown table.
#
# Usage: bench/scale.sh [FILES...]      (default: 1000000 5000000)
# Environment: BUILD (default build/), ZEPH_BENCH_DIR (default /tmp/zeph-bench),
#              ZEPH_GEN_TREE (the tree generator), RUNS (default 3),
#              WATCHER (default 1; 0 skips the watcher's start-up)
set -euo pipefail
SIZES=("$@")
[ ${#SIZES[@]} -gt 0 ] || SIZES=(1000000 5000000)
TOP=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$TOP/build}
DATA=${ZEPH_BENCH_DIR:-/tmp/zeph-bench}
GEN=${ZEPH_GEN_TREE:-$TOP/../shared/bench/gen_tree.py}
RUNS=${RUNS:-3}
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"; pkill -f "$DATA/scale-.*/ZEPHWatcher" 2>/dev/null || true' EXIT
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen

mean() {  # mean seconds of hyperfine over RUNS runs
    hyperfine -N -i --warmup 1 --runs "$RUNS" --export-json "$TMP/t.json" -- "$1" >/dev/null 2>&1
    python3 -c 'import json,sys; print("%.4f" % json.load(open(sys.argv[1]))["results"][0]["mean"])' "$TMP/t.json"
}
ms() { python3 -c "print('%.1f' % ($1 * 1000))"; }
ratio() { python3 -c "print('%.2f' % ($1 / $2))"; }
mb() { python3 -c "print('%.0f' % ($(stat -c %s "$1") / 1e6))"; }
peak_kb() { /usr/bin/time -f %M sh -c "$1 >/dev/null 2>&1" 2>&1 | tail -1; }
reported() {  # median of 5 of a figure zeph-query --stats prints
    local p=$1 key=$2; shift 2
    for _ in 1 2 3 4 5; do "$p/zeph-query" --folder "$p" --stats "$@" 2>&1 >/dev/null |
        sed -n "s/.*$key: \([0-9.]*\) ms.*/\1/p"; done | sort -g | sed -n 3p
}

declare -A ROW
add() { ROW["$1"]="${ROW["$1"]:-}| $2 "; }
ORDER=()
row() { [[ " ${ORDER[*]} " == *" $1 "* ]] || ORDER+=("$1"); add "$1" "$2"; }

for n in "${SIZES[@]}"; do
    root=$DATA/t$n
    [ -d "$root" ] || python3 "$GEN" "$root" --files "$n" >&2
    p=$DATA/scale-$n
    rm -rf "$p" && mkdir -p "$p"/{index,tmp,ext}
    cp "$BUILD"/ZEPH/{ZEPHIndexer,ZEPHWatcher,zeph-query,Translation.dat,Pinyin.dat} "$p"/
    cp "$BUILD"/resources/ZephConfig.sqlite "$p"/
    sqlite3 "$p/ZephConfig.sqlite" "insert into ScanConfig(ifScan,FolderName) values(1,'$root');
        update SystemSetting set UpdateFrequency=4, isFirstRun=0, ContentIndex=0"
    "$p/ZEPHIndexer" >/dev/null 2>&1
    db=$DATA/t$n.plocate.db
    updatedb -l 0 -U "$root" -o "$db"
    entries=$(wc -l <"$p/index/AllFiles.dat")
    echo "t$n: $entries entries" >&2

    row entries "$entries"
    row "file list / postings / plocate db" "$(mb "$p/index/AllFiles.dat") / $(mb "$p/index/IndexData.idx") / $(mb "$db") MB"
    run=$(mean "$p/ZEPHIndexer")
    walk=$(mean "sh -c \"find $root -printf '%p %s %T@\\\\n' >/dev/null\"")
    upd=$(mean "updatedb -l 0 -U $root -o $TMP/u.db")
    row "index run" "$(ms "$run") ms"
    row "\`find -printf '%p %s %T@'\` (ratio)" "$(ms "$walk") ms ($(ratio "$run" "$walk")×)"
    row "\`updatedb\` (ratio)" "$(ms "$upd") ms ($(ratio "$run" "$upd")×)"
    kb=$(peak_kb "$p/ZEPHIndexer")
    row "indexer peak RSS" "$((kb / 1024)) MB, $(python3 -c "print(round($kb * 1024 / $entries))") B/entry"
    for q in xylophonequartz report jpg; do
        ours=$(mean "$p/zeph-query --folder $p $q")
        theirs=$(mean "plocate -i -b -d $db $q")
        row "'$q': hits, ZEPH vs \`plocate -i -b\`" "$("$p/zeph-query" --folder "$p" --count "$q"): $(ms "$ours") vs $(ms "$theirs") ms ($(ratio "$ours" "$theirs")×)"
    done
    row "first page of 'report' / 'jpg' (reported)" "$(reported "$p" "first page" report) / $(reported "$p" "first page" jpg) ms"
    row "engine start-up (reported)" "$(reported "$p" "start-up" report) ms"
    if [ "${WATCHER:-1}" = 1 ]; then
        ZEPH_DATA_DIR=$p "$p/ZEPHWatcher" --stats 2>"$TMP/w.log" &
        wpid=$!
        for _ in $(seq 1200); do grep -q "full run done" "$TMP/w.log" && break; sleep 0.5; done
        watches=$(sed -n 's/.*watches set.* in \([0-9]*\) ms.*/\1/p' "$TMP/w.log" | head -1)
        rss=$(awk '/VmRSS/ {print $2}' /proc/$wpid/status)
        kill $wpid; wait $wpid 2>/dev/null || true
        row "watcher: watches set / RSS after its first full run" "${watches:-–} ms / $((rss / 1024)) MB"
    fi
done

printf '| what |'; for n in "${SIZES[@]}"; do printf ' %s files |' "$n"; done; echo
printf '|---|'; for _ in "${SIZES[@]}"; do printf -- '---|'; done; echo
for key in "${ORDER[@]}"; do echo "| $key ${ROW[$key]}|"; done
