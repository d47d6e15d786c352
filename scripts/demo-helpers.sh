# What the demo scripts share: headings, a nelvo run under a console, and a
# watcher printing report lines and IPC status as they appear. Sourced.
heading() { printf '\n==== %s ====\n' "$1"; }
# Shows a command, then runs nelvo ($bin/nelvo) under a pseudo-terminal: a
# console, as when it is started by hand.
run_nelvo() {
  printf '$ nelvo %s\n' "$*"
  script -qfec "$bin/nelvo $*" /dev/null >/dev/null
}
# Prints each new IPC status and each new log line as they appear, until
# stopped.
watch_run() {
  local log=$1 ipc=$2 last="" shown=0 now lines
  while true; do
    if [ -f "$ipc" ]; then
      now=$(head -c 64 "$ipc" | sed 's/ *$//')
      [ "$now" != "$last" ] && printf '  ipc | %s\n' "$now" && last=$now
    fi
    if [ -f "$log" ]; then
      lines=$(wc -l <"$log")
      if [ "$lines" -gt "$shown" ]; then
        sed -n "$((shown + 1)),${lines}p" "$log" | tr -d '\r' | sed 's/^/  log | /'
        shown=$lines
      fi
    fi
    sleep 0.1
  done
}
show_file() { printf -- '--- %s\n' "$1"; tr -d '\r' <"$1"; [ -n "$(tail -c1 "$1")" ] && echo; true; }
