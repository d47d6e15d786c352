# What the demo scripts share: headings, a nelvo run under a console that
# shows every report line and IPC status it writes, and file listings. Sourced.
heading() { printf '\n==== %s ====\n' "$1"; }
# Prints every report line and every IPC status the run writes, in the
# order it writes them, from strace's record of its writes (read from the
# FIFO until the run ends). A reader that looks at the files now and then
# would miss the short-lived statuses: "Go" lasts only as long as the
# entry lookup. A report line is written piece by piece, and shown when its
# line end comes.
show_writes() {
  local fifo=$1 log=$2 ipc=$3 line text pending=""
  while IFS= read -r line; do
    text=${line#*, \"}
    text=${text%\", [0-9]*}
    case $line in
      *" write("*"/$ipc>, \""*)
        printf '  ipc | %s\n' "${text%"${text##*[! ]}"}" ;;
      *" write("*"/$log>, \""*)
        if [ "$text" = '\r\n' ]; then
          printf '  log | %s\n' "$pending"
          pending=""
        else
          pending+=$text
        fi ;;
    esac
  done <"$fifo"
}
# Shows a command, then runs nelvo under a pseudo-terminal (a console, as
# when it is started by hand, so the report goes to the /LOG: file) and
# under strace, showing its writes as they come.
run_nelvo() {
  local log=$1 ipc=$2 reader
  shift 2
  printf '$ nelvo %s\n' "$*"
  rm -f trace.fifo
  mkfifo trace.fifo
  show_writes trace.fifo "$log" "$ipc" & reader=$!
  script -qfec "strace -f -qq -y -s 64 -e trace=write -e signal=none -o trace.fifo \
    $bin/nelvo $*" /dev/null >/dev/null
  wait "$reader"
  rm -f trace.fifo
}
show_file() { printf -- '--- %s\n' "$1"; tr -d '\r' <"$1"; [ -n "$(tail -c1 "$1")" ] && echo; true; }
