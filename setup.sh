#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine and starts the search program
# (on a machine without a display it says how to start and search instead).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
exec scripts/start-search.sh
