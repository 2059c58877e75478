#!/usr/bin/env bash
# How ctest starts a Windows test program: under wine64, in the Wine session
# that scripts/test.sh sets up. Started any other way, Wine would make a
# prefix in the home folder and its background processes would keep ctest
# waiting, so this refuses instead.
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
    echo "wine-emulator: no Wine session (WINEPREFIX and DISPLAY unset); run the tests with scripts/test.sh" >&2
    exit 2
fi
exec /usr/lib/wine/wine64 "$@"
