#!/usr/bin/env bash
# Sources the bash completion of valmor-data in this bash and checks what it offers for
# partial command lines, in a scratch folder of a few folders and files; then that it
# offers the commands and options that the program's --help lists.
# Usage: completion_test.sh COMPLETION_SCRIPT VALMOR_DATA
set -u
# shellcheck source=../../completion/valmor-data.bash
source "$1"
program=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir maps sprites
touch stats.csv maps.json 050.png notes.md monsters.tat report.html
export HOME=$scratch

# Runs the completion registered for valmor-data on LINE, leaving its offer in COMPREPLY.
# LINE is split into words as bash splits it, at blanks and around =; the word under the
# cursor is its last.
function=$(complete -p valmor-data)
function=${function#* -F }
function=${function%% *}
complete_line() {
    local line=$1
    read -ra COMP_WORDS <<<"${line//=/ = }"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    "$function" valmor-data "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
}

# The option names of the --help text on standard input, from its Options list on.
help_options() {
    local line words word options=()
    while IFS= read -r line; do
        [[ $line == Options:* ]] && options=(" ")
        [[ ${#options[@]} -gt 0 && $line =~ ^\ +- ]] || continue
        read -ra words <<<"${line//,/}"
        for word in "${words[@]}"; do
            [[ $word == -* ]] || break
            options+=("$word")
        done
    done
    echo "${options[*]:1}"
}

passed=0
failed=0
# Checks that LINE is offered exactly the words of EXPECTED, in any order.
expect() {
    local line=$1 expected word
    read -d '' -ra expected <<<"$2"
    complete_line "$line"
    local offered=" ${COMPREPLY[*]} "
    local same=$((${#expected[@]} == ${#COMPREPLY[@]}))
    for word in "${expected[@]}"; do
        [[ $offered == *" $word "* ]] || same=0
    done
    if ((same)); then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: '$line' offers '${COMPREPLY[*]}', expected '${expected[*]}'"
    fi
}

# A partial command line | what it offers.
cases=(
    "valmor-data ex|export-encounters export-sprites export-stats"
    "valmor-data export-stats --f|--format"
    "valmor-data export-stats --format |csv json"
    "valmor-data balance --format=j|json"
    "valmor-data -C |maps sprites"
    "valmor-data -C maps i|import-encounters import-sprite import-sprites import-stats"
    "valmor-data import-stats |maps maps.json sprites stats.csv"
    "valmor-data import-sprite 3 |050.png maps sprites"
    "valmor-data import-sprite |"
    "valmor-data report -o |maps report.html sprites"
    "valmor-data textconv --as monster|monster.dat monsters.tat"
    "valmor-data textconv |maps monsters.tat sprites"
    "valmor-data diff maps |maps sprites"
    "valmor-data import-stats ~/st|~/stats.csv"
)
for entry in "${cases[@]}"; do
    expect "${entry%%|*}" "${entry#*|}"
done

# Checks that LINE is offered exactly the given words, each whole: a word may hold a
# newline.
expect_whole() {
    local line=$1 offered expected
    shift
    complete_line "$line"
    offered=$(printf '%q\n' "${COMPREPLY[@]}" | sort)
    expected=$(printf '%q\n' "$@" | sort)
    if [[ $offered == "$expected" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: '$line' offers" $offered ", expected" $expected
    fi
}
# Names holding a newline, made after the cases above.
mkdir odd "odd/dir"$'\n'"x" && touch odd/plain.csv "odd/a"$'\n'"b.csv" "odd/a"$'\n'"b.md"
expect "valmor-data import-stats ~/odd/p" "~/odd/plain.csv"
expect_whole "valmor-data import-stats odd/" "odd/plain.csv" "odd/a"$'\n'"b.csv" "odd/dir"$'\n'"x"
expect_whole "valmor-data -C odd/" "odd/dir"$'\n'"x"
expect_whole "valmor-data diff odd/d" "odd/dir"$'\n'"x"

# The commands and each command's options, as the program lists them.
help=$("$program" --help)
commands=$(sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\).*/\1/p' <<<"$help")
expect "valmor-data " "$commands"
expect "valmor-data -" "$(help_options <<<"$help")"
for command in $commands; do
    expect "valmor-data $command -" "$("$program" "$command" --help | help_options)"
done

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
