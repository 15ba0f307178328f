#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a while on its corpus.
#   scripts/fuzz.sh BUILD_FOLDER [SECONDS_PER_TARGET]
# The corpus of a target is fuzz/corpus/<target> (kept in the repository: inputs that once found a
# fault) plus the seeds that fuzz_make_seeds writes. A crash fails the run, and its input is copied
# into fuzz/corpus/<target> so that it is tried on every later run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/fuzz.sh BUILD_FOLDER [SECONDS]}
seconds=${2:-30}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/fuzz/fuzz_make_seeds" "$work/seeds"
status=0
for target in fuzz_passwords_file fuzz_protected_file fuzz_plain_text fuzz_dates fuzz_list_layout fuzz_version_block fuzz_csv_import; do
    mkdir -p "fuzz/corpus/$target" "$work/corpus/$target" "$work/artifacts/$target" "$work/seeds/$target"
    echo "== $target: ${seconds} s"
    if ! "$build/fuzz/$target" -max_total_time="$seconds" -dict=fuzz/keyvane.dict -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/$target/" \
        "$work/corpus/$target" "fuzz/corpus/$target" "$work/seeds/$target" 2>"$work/$target.log"; then
        status=1
        echo "!! $target failed:"
        grep -E "ERROR|check failed|SUMMARY" "$work/$target.log" | head -20 || true
        for crash in "$work/artifacts/$target"/*; do
            [ -e "$crash" ] || continue
            cp "$crash" "fuzz/corpus/$target/"
            echo "   input kept as fuzz/corpus/$target/$(basename "$crash")"
        done
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$work/$target.log" | sed "s/^/   /" || true
done
exit $status
