# Sourced by wine-run.sh and wine-prefix.sh, with WINELOADER and WINEPREFIX
# set: the rest of the Wine environment of a build. The prefix's
# architecture follows the loader, so a 32-bit prefix stays 32-bit on a
# machine that has both loaders.
case "$WINELOADER" in
  *64) WINEARCH=win64 WINESERVER=/usr/lib/wine/wineserver64 ;;
  *) WINEARCH=win32 WINESERVER=/usr/lib/wine/wineserver32 ;;
esac
[ -x "$WINESERVER" ] || WINESERVER=wineserver
export WINELOADER WINEPREFIX WINEARCH WINESERVER WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="

# Succeeds when the loader starts on this machine; otherwise prints why.
# A missing loader is a broken set-up and fails; one that is there but
# cannot be executed (no 32-bit emulation) gives a reason to skip.
wine_loader_starts() {
  if [ ! -x "$WINELOADER" ]; then
    echo "wine: $WINELOADER is not installed (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
  reason=$("$WINELOADER" --version 2>&1 >/dev/null) && return 0
  echo "skipped: this machine cannot start $WINELOADER, so it runs no programs of this build: ${reason##*: }" >&2
  return 1
}
