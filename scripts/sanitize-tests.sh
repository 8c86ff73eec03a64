#!/usr/bin/env bash
# Builds the core and its tests with AddressSanitizer and UndefinedBehaviorSanitizer
# (in build-sanitize/) and runs them; then builds and runs them again with
# ThreadSanitizer (in build-tsan/), for the indexer's and the engine's workers
# and the watcher.
set -euo pipefail
cd "$(dirname "$0")/.."
# Line tables are all the sanitizers' reports need, and they build faster.
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DZEPH_SANITIZE=ON \
      -DZEPH_BUILD_UI=OFF -DZEPH_BUILD_BENCH=OFF >/dev/null
cmake --build build-sanitize -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-sanitize && ctest --output-on-failure -j"$(nproc)" --timeout 600)

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" \
      -DZEPH_TSAN=ON -DZEPH_BUILD_UI=OFF -DZEPH_BUILD_BENCH=OFF >/dev/null
# Only the programs with threads of their own, and their tests.
cmake --build build-tsan -j"$(nproc)" --target zeph_indexer_tests zeph_engine_tests zeph_watcher_tests
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
cd build-tsan && ctest --output-on-failure -j"$(nproc)" --timeout 600 -E '_NOT_BUILT$'
