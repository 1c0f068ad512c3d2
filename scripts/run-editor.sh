#!/usr/bin/env bash
# Builds the editor and starts it on the demo data, in a working directory of its own
# that is created on the first run and kept, so saved edits stay.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target valmor-editor make_demo_data

work="${VALMOR_DEMO_DIR:-$PWD/demo-work}"
if [ ! -e "$work/monster.dat" ]; then
    build/tools/make_demo_data "$work"
fi
echo "Editing the demo data in $work"
cd "$work"
exec "$OLDPWD/build/src/app/valmor-editor"
