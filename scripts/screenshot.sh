#!/usr/bin/env bash
# Retakes the README's screenshots under Xvfb: the main window with a demo monster
# picked, a preview page, the balance window with an unsaved edit outlined and the same
# window coloured by target; and the top of the balance report in headless Chromium.
# Needs a build (scripts/run-editor.sh makes one, plus the valmor-data target).
set -euo pipefail
cd "$(dirname "$0")/.."

build="${BUILD_DIR:-build}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/make_demo_data" "$work" >/dev/null
# The demo's target bands; a few of our own where the generator writes none.
if [ ! -f "$work/targets.csv" ]; then
    printf '%s\n' 'maps,profile,defeat_min,defeat_max' '1-60,*,0,5' '61-180,*,0,15' \
        '181-268,*,5,30' >"$work/targets.csv"
fi
mkdir -p docs

xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    set -e
    work=$1 build=$2 repo=$3
    cd "$work"
    "$build/src/app/valmor-editor" &
    editor=$!
    sleep 2
    id=$(xdotool search --name "VALMOR Monster Editor" | head -1)
    xdotool windowmove "$id" 0 0
    sleep 0.3
    # Pick monster 12 with the keyboard: focus the list, then arrow down to it.
    xdotool mousemove 40 162 click 1
    for _ in $(seq 13); do xdotool key Down; done
    # Fill the calculator and the encounter editor as a designer would.
    for entry in "49 12" "73 25" "97 14" "121 9" "145 4" "169 60"; do
        read -r y value <<<"$entry"
        xdotool mousemove 568 "$y" click 1 type "$value"
    done
    xdotool mousemove 500 336 click 1
    xdotool mousemove 236 450 click 1
    sleep 0.5
    xdotool key Down Down Down Return
    # Leave the map list for its Save button, so no blinking text cursor is caught: two
    # shots of the same window are then the same to the pixel.
    xdotool key Tab Tab
    sleep 0.5
    import -window root -crop 637x560+0+0 "$repo/docs/main-window.png"
    xdotool mousemove 60 320 click 1
    sleep 1
    preview=$(xdotool search --name "Game Bosses" | head -1)
    xdotool windowmove "$preview" 0 0
    sleep 0.5
    import -window "$preview" "$repo/docs/preview-bosses.png"
    # The balance window (F9) while monster 12 has an HP typed but not saved.
    xdotool windowunmap --sync "$preview"
    xdotool mousemove 200 80 click 1 key ctrl+a type 120
    xdotool key F9
    sleep 1.5
    balance=$(xdotool search --name "VALMOR Balance" | head -1)
    xdotool windowmove "$balance" 0 0
    # Point at nothing, so no tooltip is caught.
    xdotool mousemove 1270 790
    sleep 0.5
    import -window "$balance" "$repo/docs/balance-window.png"
    # The same window coloured by target (Alt+T), then back to the damage share (Alt+D), the
    # colouring it is kept in.
    xdotool key alt+t
    sleep 0.5
    import -window "$balance" "$repo/docs/balance-target.png"
    xdotool key alt+d
    sleep 0.3
    kill "$editor"
' _ "$work" "$PWD/$build" "$PWD"
"$build/src/cli/valmor-data" -C "$work" report --characters "$work/characters.csv" \
    -o "$work/report.html"
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/browser" --hide-scrollbars --window-size=1280,2560 \
    --screenshot="$PWD/docs/report.png" "file://$work/report.html" 2>/dev/null
echo "Wrote docs/main-window.png, docs/preview-bosses.png, docs/balance-window.png," \
    "docs/balance-target.png and docs/report.png"
