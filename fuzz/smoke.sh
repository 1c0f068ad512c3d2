#!/usr/bin/env bash
# Runs every fuzz target for SECONDS seconds each, from an empty corpus, and reports the
# executions reached. Inputs that fail are kept in BUILD_DIR/fuzz-artifacts.
# Usage: fuzz/smoke.sh BUILD_DIR SECONDS   (BUILD_DIR configured with -DVALMOR_FUZZ=ON)
set -uo pipefail

if [[ $# -ne 2 || ! $2 =~ ^[0-9]+$ ]]; then
    echo "usage: $0 BUILD_DIR SECONDS" >&2
    exit 2
fi
build_dir=$(cd "$1" && pwd) || exit 2
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
artifacts="$build_dir/fuzz-artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$artifacts"

dictionary_of() {
    case $1 in
        fuzz_parse_number | fuzz_palette_reader) echo "$here/numbers.dict" ;;
        fuzz_item_fields) echo "$here/item_fields.dict" ;;
        fuzz_csv_import | fuzz_json_import | fuzz_change_list | fuzz_targets)
            echo "$here/tables.dict" ;;
    esac
}

passed=0
failed=0
for target in fuzz_parse_number fuzz_palette_reader fuzz_item_fields fuzz_record_codecs \
    fuzz_csv_import fuzz_json_import fuzz_change_list fuzz_targets; do
    binary="$build_dir/fuzz/$target"
    if [[ ! -x $binary ]]; then
        echo "$target: not built ($binary missing)" >&2
        failed=$((failed + 1))
        continue
    fi
    args=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
          -artifact_prefix="$artifacts/$target-")
    dictionary=$(dictionary_of "$target")
    [[ -n $dictionary ]] && args+=(-dict="$dictionary")
    mkdir -p "$work/$target"
    log="$work/$target.log"
    if "$binary" "${args[@]}" "$work/$target" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "$target: ok, ${runs:-?} runs in ${seconds} s"
        passed=$((passed + 1))
    else
        echo "$target: FAILED, log follows" >&2
        tail -n 60 "$log" >&2
        failed=$((failed + 1))
    fi
done
echo "fuzz: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
