#!/bin/bash
# Every command's output on the demo data, byte for byte: standard output, standard error and
# exit status of every export, import, --help, textconv, diff, check, balance and report,
# and of a few refusals, held against the hashes in outputs.sha256.
# Usage: outputs_test.sh VALMOR_DATA VALMOR_DEMO_DATA [--record]
# --record writes outputs.sha256 anew from this build, for a change of output meant as such.
set -u
tool=$(realpath "$1") demo=$(realpath "$2")
expected=$(dirname "$0")/outputs.sha256
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out=$work/out
mkdir -p "$out"
"$demo" "$work/a" >/dev/null || exit 1
"$demo" "$work/b" >/dev/null || exit 1
run() { # NAME ARGUMENTS...
    local name=$1
    shift
    (cd "$work/a" && "$tool" "$@" >"$out/$name.out" 2>"$out/$name.err"; echo $? >"$out/$name.status")
}
cmds="export-stats import-stats export-encounters import-encounters export-sprites import-sprite import-sprites balance where report check textconv diff apply"
run help --help
for c in $cmds; do run "help-$c" "$c" --help; done
run help-as-command help check
for f in csv json; do
    run "export-stats-$f" export-stats --format $f
    run "export-encounters-$f" export-encounters --format $f
    run "balance-$f" balance --characters characters.csv --format $f
    run "balance-monsters-$f" balance --characters characters.csv --monsters --format $f
done
run balance-one balance --character 5,10,10,4,3,40
run where where 1
run where-profile where 2 --characters characters.csv
run report report --characters characters.csv --monster 1
run check check
for f in mypal.pal monster.dat monsters.tat encountr.mon itemlist.txt; do run "textconv-$f" textconv $f; done
(cd "$work/a" && "$tool" export-stats > "$work/stats.csv" && "$tool" export-encounters --format json > "$work/enc.json")
sed -i '2s/^\(.\{8\}\)/\1x/' "$work/stats.csv"
run import-bad-stats import-stats "$work/stats.csv"
printf 'map,monIndex0\n1,zz\n' > "$work/enc.csv"
run import-bad-enc import-encounters --format csv "$work/enc.csv"
printf '[{"map": 1, "monIndex0": }]' > "$work/bad.json"
run import-bad-json import-encounters "$work/bad.json"
printf 'name,level,strength,agility,item_damage,item_defense,hp\n"x,1,2,3,4,5,6\n' > "$work/chars.csv"
run balance-bad-chars balance --characters "$work/chars.csv"
printf 'name,level\nx,1\n' > "$work/chars2.csv"
run balance-bad-chars2 balance --characters "$work/chars2.csv"
run balance-bad-option balance --character 1,2
run usage-unknown frobnicate
run usage-args export-stats extra
run usage-format export-stats --format xml
run usage-option check --nope
run no-command
run missing-dir -C /nonexistent check
run textconv-missing textconv nothere.tat
(cd "$work/b" && "$tool" export-stats | sed '3s/,[0-9]*,/,999,/' > "$work/s2.csv" && "$tool" import-stats "$work/s2.csv" >/dev/null 2>&1)
run diff diff "$work/a" "$work/b"
run diff-same diff "$work/a" "$work/a"
run diff-changes diff "$work/a" "$work/b" --changes
"$tool" diff "$work/a" "$work/b" --changes >"$work/changes.csv"
cp -r "$work/a" "$work/c"
run apply apply -C "$work/c" "$work/changes.csv"
run apply-again apply -C "$work/c" "$work/changes.csv"
awk -F, 'NR == 2 { $4 = 30000 } 1' OFS=, "$work/changes.csv" >"$work/stale.csv"
cp -r "$work/a" "$work/d"
run apply-stale apply -C "$work/d" "$work/stale.csv"
cmp "$work/c/monsters.tat" "$work/b/monsters.tat" >"$out/apply-roundtrip.cmp" 2>&1
run export-sprites export-sprites "$work/png"
(cd "$work/png" && sha256sum * > "$out/sprites.sha256")
run import-sprite import-sprite 0 "$work/png/001.png"
run import-sprites import-sprites "$work/png"
cmp "$work/a/monster.dat" "$work/b/monster.dat" >"$out/sprite-roundtrip.cmp" 2>&1
sed -i "s#$work#WORK#g" "$out"/*
actual=$( (cd "$out" && sha256sum -- * | cut -c1-16,65-) )
if [ "${3:-}" = --record ]; then
    printf '%s\n' "$actual" >"$expected"
    exit 0
fi
if ! diff <(cat "$expected") <(printf '%s\n' "$actual"); then
    echo "outputs differ from outputs.sha256 (lines < expected, > this build)"
    exit 1
fi
