#!/usr/bin/env bash
# Builds and runs every test: the normal build, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a short run of each fuzz target (FUZZ_SECONDS each).
# Each tree is one of CMakePresets.json's: cmake --workflow --preset NAME builds one alone.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# A locale whose decimal separator is a comma, built into the build tree, so the tests can
# show that numbers never depend on the locale. The system's locale settings stay as they are.
mkdir -p build/locale
if [ ! -d build/locale/de_DE.UTF-8 ]; then
    localedef -i de_DE -f UTF-8 build/locale/de_DE.UTF-8 2>/dev/null || true
fi
export LOCPATH="$PWD/build/locale"

echo "== Source checks"
# The files, game and balance layers stay free of Qt, and every source file is formatted.
if grep -rnE '#include <Q|#include "(images|editor|cli|app)/' src/files src/game src/balance tests/files \
    tests/game tests/balance; then
    echo "src/files, src/game, src/balance and their tests must not include Qt or the layers above" >&2
    exit 1
fi
# A layer includes only the layers below it; the build checks the same of their links
# (cmake/Layers.cmake).
for rule in "src/files:game|balance|images|editor|cli|app" "src/game:balance|images|editor|cli|app" \
    "src/balance:images|editor|cli|app" "src/images:balance|editor|cli|app" "src/editor:cli|app" \
    "src/cli:editor|app"; do
    if grep -rnE "#include \"(${rule#*:})/" "${rule%%:*}"; then
        echo "${rule%%:*} must not include the layers above it or beside it" >&2
        exit 1
    fi
done
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== Build and test"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

# Root writes through file permissions, so the read-only cases skip above; run them again
# as an unprivileged user.
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null && id nobody >/dev/null 2>&1; then
    echo "== Tests as an unprivileged user"
    for binary in build/tests/files/files_tests build/tests/game/game_tests \
        build/tests/balance/balance_tests build/tests/editor/editor_tests \
        build/tests/cli/cli_tests; do
        as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
        if [ -x "$binary" ] && "${as_nobody[@]}" test -x "$binary"; then
            "${as_nobody[@]}" "$binary" --gtest_brief=1
        else
            echo "skipped $binary: not reachable by an unprivileged user here"
        fi
    done
fi

echo "== Build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

echo "== Fuzz smoke run"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz
