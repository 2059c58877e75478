#!/usr/bin/env bash
# Installs what is missing, builds all three builds and runs every test: the
# native ones and the Windows ones under Wine, in one ctest run. Arguments go
# to ctest (scripts/test.sh -R Registry runs the registry tests alone).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh

# One ctest run over both test builds.
printf 'subdirs("linux")\nsubdirs("win64")\n' > build/CTestTestfile.cmake

. scripts/wine-session.sh
trap wine_session_stop EXIT
rm -rf build/wine-tests
TOLVA_FORCE_XVFB=1 wine_session_start "$PWD/build/wine-tests" 1024x768

ctest --test-dir build --output-on-failure --timeout 300 "$@" </dev/null
