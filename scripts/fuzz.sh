#!/usr/bin/env bash
# Builds the fuzz harnesses with clang (in build-fuzz/) and runs each for a
# bounded time from its seed corpus; a crash fails. New inputs go to a scratch
# folder, so the seeds in the tree stay as they are.
#   FUZZ_SECONDS  seconds per harness (default 15)
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${FUZZ_SECONDS:-15}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEPH_FUZZ=ON \
    -DZEPH_BUILD_UI=OFF -DZEPH_BUILD_TESTS=OFF -DZEPH_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_file_list fuzz_index_files fuzz_gif fuzz_advertise \
    fuzz_mountinfo fuzz_query_keys fuzz_documents fuzz_name_matcher fuzz_search_line
SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT
# One harness per core at a time: each is a single process.
run_harness() {
    local harness=$1
    mkdir -p "$SCRATCH/$harness"
    build-fuzz/tests/fuzz/fuzz_$harness -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$SCRATCH/$harness-" "$SCRATCH/$harness" tests/fuzz/corpus/$harness \
        >"$SCRATCH/$harness.log" 2>&1
}
harnesses=(file_list index_files gif advertise mountinfo query_keys documents name_matcher search_line)
failed=()
for ((first = 0; first < ${#harnesses[@]}; first += $(nproc))); do
    batch=("${harnesses[@]:first:$(nproc)}")
    pids=()
    for harness in "${batch[@]}"; do
        echo "fuzz_$harness: $SECONDS_EACH s"
        run_harness "$harness" & pids+=($!)
    done
    for i in "${!batch[@]}"; do
        wait "${pids[$i]}" || failed+=("${batch[$i]}")
        grep -E "^Done" "$SCRATCH/${batch[$i]}.log" | sed "s/^/fuzz_${batch[$i]}: /" || true
    done
done
if [ ${#failed[@]} -gt 0 ]; then
    for harness in "${failed[@]}"; do
        tail -40 "$SCRATCH/$harness.log"
        echo "fuzz_$harness found a failure; the input is kept in tests/fuzz/findings/" >&2
    done
    mkdir -p tests/fuzz/findings
    cp "$SCRATCH"/*crash-* "$SCRATCH"/*leak-* "$SCRATCH"/*timeout-* tests/fuzz/findings/ 2>/dev/null || true
    exit 1
fi
