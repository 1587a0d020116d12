#!/bin/sh
# Runs a Windows program of the cross build under Wine. The Wine prefix is the build's own
# (QUILLON_WINEPREFIX, or "wineprefix" in the current build folder), made on first use; Wine's
# messages are off and it offers to install neither Mono nor Gecko.
set -e
: "${QUILLON_WINEPREFIX:=$(pwd)/wineprefix}"
export WINEPREFIX="$QUILLON_WINEPREFIX"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine hands the arguments over in the locale's encoding; file names in tests are UTF-8.
export LC_ALL=C.UTF-8
exec wine "$@"
