#!/usr/bin/env bash
# Runs a Windows test binary under wine, quietly, in the prefix that scripts/test.sh prepared
# (or a throw-away one of its own when called directly).
set -u
: "${WINEPREFIX:=${KESTREL_WINEPREFIX:-/tmp/kestrel-wine-$(id -u)}}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exec timeout "${KESTREL_WINE_TIMEOUT:-300}" wine "$@"
