#!/usr/bin/env bash
# A bounded fuzz run: run_fuzzer.sh FUZZER CORPUS RUNS SECONDS [INPUT_DIR...]
# CORPUS starts empty and keeps what this run found; the input folders (seeds,
# past failures) are read only. Any crash, leak or sanitizer report fails.
set -euo pipefail
fuzzer=$1 corpus=$2 runs=$3 seconds=$4
shift 4
inputs=()
for dir in "$@"; do
    [ -d "$dir" ] && inputs+=("$dir")
done
rm -rf "$corpus"
mkdir -p "$corpus"
# A failing input is written beside the corpus, to be kept as a regression.
exec "$fuzzer" -runs="$runs" -max_total_time="$seconds" -max_len=4096 -timeout=20 \
    -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$corpus/../" \
    "$corpus" "${inputs[@]}"
