#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine and starts the search program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
exec build/ZEPH/ZEPHSearch
