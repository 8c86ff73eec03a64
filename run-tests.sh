#!/usr/bin/env bash
# Builds and runs the whole test suite: the tests, then the core again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz harness for a
# bounded time. ZEPH_QUICK=1 runs only the first part.
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh
(
    export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
    cd build && ctest --output-on-failure -j"$(nproc)" --timeout 600
)
[ "${ZEPH_QUICK:-0}" = 1 ] && exit 0
scripts/sanitize-tests.sh
scripts/fuzz.sh
