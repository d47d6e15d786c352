#!/bin/sh
# Makes the test Wine prefix once and keeps a wineserver alive for the run
# (each test program then starts in tens of milliseconds), or stops it.
#   wine-prefix.sh start|stop LOADER PREFIX
# Exits 77 (skipped) where the loader cannot start, as wine-run.sh does.
# The server's output goes to /dev/null: CTest waits for every process that
# holds its pipe.
action=$1 WINELOADER=$2 WINEPREFIX=$3
. "$(dirname "$0")/wine-env.sh"
case "$action" in
  start)
    wine_loader_starts || exit 77
    mkdir -p "$WINEPREFIX"
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    # wineboot also starts Wine's background services here, detached from
    # the pipes of the tests that follow.
    if [ -d "$WINEPREFIX/drive_c" ]; then
      "$WINELOADER" wineboot.exe </dev/null >/dev/null 2>&1
    else
      "$WINELOADER" wineboot.exe -i </dev/null >/dev/null 2>&1
    fi
    [ -d "$WINEPREFIX/drive_c" ]
    ;;
  stop)
    "$WINESERVER" -k </dev/null >/dev/null 2>&1
    "$WINESERVER" -w </dev/null >/dev/null 2>&1
    exit 0
    ;;
esac
