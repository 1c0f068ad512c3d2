#!/usr/bin/env bash
# Sources the bash completion of valmor-data in this bash and checks what it offers for
# partial command lines, in a scratch folder of a few folders and files; then that it
# offers the commands and options that the program's --help lists.
# Usage: completion_test.sh COMPLETION_SCRIPT VALMOR_DATA
set -u
export LC_ALL=C
# shellcheck source=../../completion/valmor-data.bash
source "$1"
program=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir maps sprites
touch stats.csv maps.json 050.png notes.md monsters.tat report.html

# Words, one a line, sorted onto one line.
sorted() {
    local words
    mapfile -t words < <(sort)
    echo "${words[*]}"
}

# What the completion registered for valmor-data offers for LINE, sorted, on one line.
# LINE is split into words as bash splits it, at blanks and around =; the word under the
# cursor is its last.
function=$(complete -p valmor-data | sed -n 's/.* -F \([^ ]*\) .*/\1/p')
offered() {
    local line=$1
    read -ra COMP_WORDS <<<"${line//=/ = }"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    "$function" valmor-data "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sorted
}

# The option names of a --help text's Options list.
help_options() {
    awk '/^Options:/ { options = 1; next }
         options && /^ +-/ { for (i = 1; i <= NF && $i ~ /^-/; i++) { sub(",", "", $i); print $i } }'
}

passed=0
failed=0
expect() {
    local got
    got=$(offered "$1")
    if [[ $got == "$2" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: '$1' offers '$got', expected '$2'"
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
)
for entry in "${cases[@]}"; do
    expect "${entry%%|*}" "${entry#*|}"
done

# The commands and each command's options, as the program lists them.
commands=$("$program" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\).*/\1/p')
expect "valmor-data " "$(sorted <<<"$commands")"
expect "valmor-data -" "$("$program" --help | help_options | sorted)"
for command in $commands; do
    expect "valmor-data $command -" "$("$program" "$command" --help | help_options | sorted)"
done

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
