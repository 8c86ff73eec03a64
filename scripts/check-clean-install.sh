#!/usr/bin/env bash
# Installs the package into a fresh Debian 12 root, made with mmdebstrap from
# Debian's own archive, and tries it there: zeph-query --help, the manual
# page, an index run, a search from the terminal, the desktop launchers'
# provider started by the session bus from its installed service file, and
# the search window started offscreen. Takes some minutes (the root and Qt are downloaded).
#   usage: scripts/check-clean-install.sh [PACKAGE.deb]   (run as root)
#   default package: the one scripts/package.sh made in build-release/
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "${1:-$(ls build-release/zeph-search_*_amd64.deb)}")
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
root=$(mktemp -d /tmp/zeph-clean-root.XXXXXX)
trap 'rm -rf "$root"' EXIT

# Each check runs inside the root while mmdebstrap has /proc, /sys and /dev
# mounted there; a failed check fails the whole run.
cat >"$root.checks" <<'CHECKS'
set -eu
export HOME=/root LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
step() { echo "clean-install: $*"; }
step "zeph-query --help"
zeph-query --help | grep -q '^    zeph-query - find files'
step "man zeph-query"
MANPAGER=cat MANWIDTH=80 man zeph-query >/tmp/man.txt 2>&1 || true
grep -q 'find files by name, content' /tmp/man.txt || { head -20 /tmp/man.txt; exit 1; }
step "bash completion"
bash -c '. /usr/share/bash-completion/completions/zeph-query && complete -p zeph-query' >/dev/null
step "an index of /usr/share/doc"
mkdir -p /root/.local/share /root/docs
touch /root/docs/年度报告.txt
data=/root/.local/share/zeph-search
zeph-watcher --help >/dev/null
# The data folder is prepared by the first command that needs it.
zeph-query --count x >/dev/null 2>&1 || true
test -f "$data/ZephConfig.sqlite"
python3 - "$data/ZephConfig.sqlite" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("delete from ScanConfig")
db.execute("insert into ScanConfig(ifScan, FolderName) values(1, '/usr/share/doc')")
db.execute("insert into ScanConfig(ifScan, FolderName) values(1, '/root/docs')")
db.execute("update SystemSetting set UpdateFrequency=4, isFirstRun=0, LiveIndex=0")
db.commit()
PY
/usr/lib/zeph/ZEPHIndexer
step "zeph-query finds the package's own copyright file"
zeph-query copyright --in /usr/share/doc/zeph-search | grep -qx /usr/share/doc/zeph-search/copyright
step "GNOME Shell and KRunner: baogao lists 年度报告.txt, and activating it opens it"
mkdir -p /tmp/bin
printf '#!/bin/sh\nprintf "%%s" "$1" > /tmp/opened\n' >/tmp/bin/xdg-open
chmod +x /tmp/bin/xdg-open
PATH=/tmp/bin:$PATH dbus-run-session -- sh -c '
    set -e
    provider="gdbus call --session --dest org.zeph.Search"
    found=$($provider --object-path /org/zeph/Search/SearchProvider \
        --method org.gnome.Shell.SearchProvider2.GetInitialResultSet "[\"baogao\"]")
    echo "$found" | grep -q "/root/docs/年度报告.txt"
    $provider --object-path /runner --method org.kde.krunner1.Match baogao | grep -q 年度报告
    $provider --object-path /org/zeph/Search/SearchProvider \
        --method org.gnome.Shell.SearchProvider2.ActivateResult "/root/docs/年度报告.txt" "[\"baogao\"]" 0
    sleep 1'
grep -q 'file:///root/' /tmp/opened
step "zeph-search starts offscreen and keeps running"
status=0
timeout 20 zeph-search >/tmp/search.log 2>&1 || status=$?
if [ "$status" != 124 ]; then
    cat /tmp/search.log
    echo "clean-install: zeph-search ended with $status" >&2
    exit 1
fi
step "all checks passed"
CHECKS
trap 'rm -rf "$root" "$root.checks"' EXIT

mmdebstrap --variant=apt --include=man-db,python3,dbus-daemon,libglib2.0-bin \
    --customize-hook="copy-in $deb /tmp" \
    --customize-hook='chroot "$1" apt-get install -y --no-install-recommends /tmp/'"$(basename "$deb")" \
    --customize-hook="copy-in $root.checks /tmp" \
    --customize-hook='chroot "$1" sh /tmp/'"$(basename "$root").checks" \
    bookworm "$root" "$mirror"
