#!/usr/bin/env bash
# Builds and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
cd build && ctest --output-on-failure -j"$(nproc)" --timeout 600
