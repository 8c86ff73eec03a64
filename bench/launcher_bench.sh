#!/usr/bin/env bash
# The launchers' provider through a private session bus, started by its
# service file as the desktop's bus starts it, over a data folder already
# indexed: bench/launcher_bench.sh DATA_FOLDER [ROUNDS]
set -euo pipefail
DATA=$1
ROUNDS=${2:-3}
TOP=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$TOP/build}
cmake --build "$BUILD" --target zeph_launcher_bench zeph-searchd >/dev/null
BUS=$(mktemp -d)
trap 'rm -rf "$BUS"' EXIT
mkdir "$BUS/services"
cat >"$BUS/services/org.zeph.Search.service" <<SERVICE
[D-BUS Service]
Name=org.zeph.Search
Exec=/usr/bin/env ZEPH_DATA_DIR=$DATA $BUILD/ZEPH/zeph-searchd
SERVICE
cat >"$BUS/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>
<servicedir>$BUS/services</servicedir>
<policy context="default"><allow send_destination="*" eavesdrop="true"/>
<allow eavesdrop="true"/><allow own="*"/></policy></busconfig>
CONF
dbus-run-session --config-file="$BUS/session.conf" -- "$BUILD/bench/zeph_launcher_bench" "$ROUNDS" 2>/dev/null
