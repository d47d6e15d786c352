#!/bin/sh
# Makes the test Wine prefix once and keeps a wineserver alive for the run
# (each test program then starts in tens of milliseconds), or stops it.
#   wine-prefix.sh start|stop PREFIX
# The server's output goes to /dev/null: CTest waits for every process that
# holds its pipe.
WINEPREFIX=$2
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
case "$1" in
  start)
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    # wineboot also starts Wine's background services here, detached from
    # the pipes of the tests that follow.
    if [ -d "$WINEPREFIX/drive_c" ]; then
      wineboot </dev/null >/dev/null 2>&1
    else
      wineboot -i </dev/null >/dev/null 2>&1
    fi
    [ -d "$WINEPREFIX/drive_c" ]
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1
    wineserver -w </dev/null >/dev/null 2>&1
    exit 0
    ;;
esac
