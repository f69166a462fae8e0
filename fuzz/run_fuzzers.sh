#!/usr/bin/env bash
# Runs every fuzz target over its committed corpus and then on mutations of it.
#   run_fuzzers.sh BIN_DIR WORK_DIR RUNS [TARGET...]
# Each target first replays fuzz/corpus/<target> (so every committed input, regression inputs
# included, is checked) and then runs RUNS executions, growing WORK_DIR/<target>. Prints one line
# per target: executions, seconds, corpus files, coverage (edges and features), result. Exits
# non-zero when any target finds a crash, an overflow or a failed expectation; the input is
# kept as WORK_DIR/<target>-crash-*.
set -uo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BIN=$1 WORK=$2 RUNS=$3
shift 3
TARGETS=(scanner_list installed_set manifest command_line profile_value sane_reply)
[ $# -gt 0 ] && TARGETS=("$@")
failed=0
printf '%-14s %10s %8s %7s %6s %9s  %s\n' target executions seconds corpus edges features result
for t in "${TARGETS[@]}"; do
    mkdir -p "$WORK/$t"
    log="$WORK/$t.log"
    start=$(date +%s%N)
    "$BIN/fuzz_$t" -runs="$RUNS" -seed=1 -print_final_stats=1 -artifact_prefix="$WORK/$t-" \
        "$WORK/$t" "$HERE/corpus/$t" >"$log" 2>&1
    rc=$?
    tenths=$((($(date +%s%N) - start) / 100000000))
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1)
    edges=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$done_line")
    features=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$done_line")
    files=$(find "$WORK/$t" -type f | wc -l)
    result=ok
    if [ $rc -ne 0 ]; then
        result="FAILED (see $log)"
        failed=1
        grep -E 'ERROR|expectation failed|SUMMARY' "$log" | head -5 >&2
    fi
    printf '%-14s %10s %6d.%d %7s %6s %9s  %s\n' "$t" "${execs:-?}" $((tenths / 10)) $((tenths % 10)) "$files" \
        "${edges:-?}" "${features:-?}" "$result"
done
exit $failed
