#!/bin/sh
# Runs a Windows program of this build under Wine: wine-run.sh PREFIX PROGRAM [ARGS...]
# The program's own folder supplies rasapi32.dll (the simulator), not Wine's stub.
WINEPREFIX=$1
shift
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="rasapi32=n;mscoree=;mshtml="
exec wine "$@"
