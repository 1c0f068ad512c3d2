#!/usr/bin/env bash
# Sources the bash completion of valmor-data in this bash and checks what it offers for
# partial command lines, in a scratch folder of a few folders and files; then what a
# line typed into bash's own line editor runs; then that it offers the commands and options
# that the program's --help lists.
# Usage: completion_test.sh COMPLETION_SCRIPT VALMOR_DATA
set -u
# shellcheck source=../../completion/valmor-data.bash
source "$1"
completion=$(realpath "$1")
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
    local line=$1 words
    read -ra words <<<"${line//=/ = }"
    [[ $line == *" " ]] && words+=("")
    complete_words "${words[@]}"
}
# The same for the given words, which may hold blanks.
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
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
    "valmor-data ap|apply"
    "valmor-data apply |maps sprites stats.csv"
    "valmor-data -C maps apply ~/st|~/stats.csv"
    "valmor-data diff --c|--changes"
    "valmor-data diff maps sprites --changes -o |maps maps.json sprites stats.csv"
    "valmor-data tu|tune"
    "valmor-data tune --targets |maps sprites stats.csv"
    "valmor-data tune --levers |stats frequencies stats,frequencies"
    "valmor-data tune --levers s|stats stats,frequencies"
    "valmor-data tune --fields o|offMax"
    "valmor-data tune --monsters |"
    "valmor-data tune --max-change |"
    "valmor-data tune --monsters 3,7-9 --max-change=20 --l|--levers"
    "valmor-data balance --monsters --f|--format"
)
for entry in "${cases[@]}"; do
    expect "${entry%%|*}" "${entry#*|}"
done

# Checks that the offer left in COMPREPLY for LINE is exactly the given words, each whole: a
# word may hold a newline or a blank.
expect_offer() {
    local line=$1 offered expected
    shift
    offered=$(printf '%q\n' "${COMPREPLY[@]}" | sort)
    expected=$(printf '%q\n' "$@" | sort)
    if [[ $offered == "$expected" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: '$line' offers" $offered ", expected" $expected
    fi
}
# Checks that LINE is offered exactly the given words, each whole.
expect_whole() {
    complete_line "$1"
    expect_offer "$@"
}
# Names holding a newline, made after the cases above.
mkdir odd "odd/dir"$'\n'"x" && touch odd/plain.csv "odd/a"$'\n'"b.csv" "odd/a"$'\n'"b.md"
expect "valmor-data import-stats ~/odd/p" "~/odd/plain.csv"
expect_whole "valmor-data import-stats odd/" "odd/plain.csv" "odd/a"$'\n'"b.csv" "odd/dir"$'\n'"x"
expect_whole "valmor-data -C odd/" "odd/dir"$'\n'"x"
expect_whole "valmor-data diff odd/d" "odd/dir"$'\n'"x"
# After ~/, bash would quote a newline with a backslash, which joins the lines: such a name,
# and every other offer with it, is given as the full path, which bash quotes whole.
expect_whole "valmor-data import-stats ~/odd/a" "$HOME/odd/a"$'\n'"b.csv"
expect_whole "valmor-data import-stats ~/odd/" "$HOME/odd/plain.csv" \
    "$HOME/odd/a"$'\n'"b.csv" "$HOME/odd/dir"$'\n'"x"

# Quoted words: the offers are the names, which bash quotes as the word began.
mkdir "my maps" && touch "my maps/t.csv" "my maps/u.md"
quoted=(
    "import-stats|'st|stats.csv"
    'import-stats|"my maps"/|my maps/t.csv'
    'import-stats|my\ maps/|my maps/t.csv'
    'diff|"my\ maps/|'
    "import-stats|'~/st|"
)
for entry in "${quoted[@]}"; do
    IFS='|' read -r command word offer <<<"$entry"
    complete_words valmor-data "$command" "$word"
    if [[ -n $offer ]]; then
        expect_offer "valmor-data $command $word" "$offer"
    else
        expect_offer "valmor-data $command $word"
    fi
done

# Lines typed into an interactive bash, on a terminal of its own (script), Tab and all: bash
# quotes what is offered, and the command (a stand-in that keeps its arguments) must get
# the very name that was completed.
if command -v script >/dev/null; then
    mkdir stand-in
    printf '#!/bin/sh\nprintf "%%s\\0" "$@" >"%s/arguments"\n' "$scratch" >stand-in/valmor-data
    chmod +x stand-in/valmor-data
    printf 'PATH=%q:$PATH\nsource %q\n' "$scratch/stand-in" "$completion" >bashrc
    typed=(
        "valmor-data import-stats ~/odd/a\t|$HOME/odd/a"$'\n'"b.csv"
        "valmor-data import-stats odd/a\t|odd/a"$'\n'"b.csv"
        "valmor-data import-stats ~/stats\t|$HOME/stats.csv"
        "valmor-data import-stats 'my\tt\t|my maps/t.csv"
    )
    for entry in "${typed[@]}"; do
        rm -f arguments
        INPUTRC=/dev/null timeout 20 script -qec "bash --noprofile --rcfile bashrc -i" /dev/null \
            < <(printf '%b\nexit\n' "${entry%%|*}") >/dev/null 2>&1
        arguments=()
        [[ -f arguments ]] && mapfile -d '' -t arguments <arguments
        COMPREPLY=("${arguments[@]:1}")
        expect_offer "${entry%%|*}" "${entry#*|}"
    done
else
    echo "script (util-linux) not found: lines typed into bash not checked"
fi

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
