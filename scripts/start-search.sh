#!/usr/bin/env bash
# The last step of setup.sh: starts the search window where there is a display
# to show it on; elsewhere (a server, a container, a terminal over ssh) says
# the build is ready and how to search, and ends well.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/ZEPH/ZEPHSearch
fi
programs="$PWD/build/ZEPH"
cat <<TEXT
ZEPH is built: the programs are in $programs/.
There is no display here, so the search window was not started.

On a desktop, start the window with:
    $programs/ZEPHSearch

In a terminal, build the index (of /, or of the folders chosen in the
window's settings) and search it:
    $programs/ZEPHIndexer
    $programs/zeph-query report
    $programs/zeph-query --help
TEXT
