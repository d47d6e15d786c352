#!/bin/sh
# Runs a Windows program of this build under Wine, or a Linux-side test
# driver that starts such programs:
#   wine-run.sh LOADER PREFIX PROGRAM [ARGS...]
#   wine-run.sh LOADER PREFIX --host COMMAND [ARGS...]
# LOADER is Wine's loader for the build (/usr/lib/wine/wine for 32-bit
# programs, /usr/lib/wine/wine64 for 64-bit ones). A machine whose kernel
# runs no 32-bit programs cannot start the 32-bit loader at all: then this
# says why and exits 77, which CTest reports as a skipped test.
# The program's own folder supplies rasapi32.dll (the simulator), not Wine's stub.
WINELOADER=$1 WINEPREFIX=$2
shift 2
. "$(dirname "$0")/wine-env.sh"
wine_loader_starts || exit 77
if [ "$1" = "--host" ]; then
  shift
  exec "$@"
fi
export WINEDLLOVERRIDES="rasapi32=n;$WINEDLLOVERRIDES"
exec "$WINELOADER" "$@"
