#!/usr/bin/env bash
# The main job: builds the host program and the simulated remote-access
# service, then dials, cancels a dial and hangs up as a user would, with
# standard output a terminal so that the report goes to the log file.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh
cmake --preset host >/dev/null
cmake --build --preset host -j2 --target nelvo rassim rasapi32 >/dev/null
bin=$root/build/host/bin

work=$(mktemp -d)
cd "$work"
export RASSIM_DIR=$work/service
"$bin/rassim" demo
# Names with a blank cannot be given after /ENTRY:, so one more entry that
# dials and then never connects, for the cancel.
"$bin/rassim" phonebook add Lab --phone 5550042 --user frank --password pw --never-finish

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

heading "The phone book of the simulated service"
"$bin/rassim" phonebook list

heading "Dial Office (report lines and every IPC status as they come)"
run_nelvo office.log status.ipc /ENTRY:office /LOG:office.log /IPC:status.ipc /USER:alice \
  /PASS:secret /PHONE:5551234
show_file office.log
echo "--- active connections (handle state error name)"
"$bin/rassim" connections

heading "Dial Lab, which never connects, cancelled by creating the cancel file after 2 s"
(sleep 2; echo "  (cancel.now created)"; : >cancel.now) & canceller=$!
run_nelvo lab.log lab.ipc /ENTRY:Lab /LOG:lab.log /IPC:lab.ipc /CANCEL:cancel.now /USER:frank \
  /PASS:pw /PHONE:5550042
wait "$canceller"
show_file lab.log

heading "Hang up Office"
run_nelvo hangup.log hangup.ipc /ENTRY:Office /LOG:hangup.log /IPC:hangup.ipc /HANGUP
show_file hangup.log
printf -- '--- hangup.ipc: [%s]\n' "$(cat hangup.ipc)"

heading "Active connections afterwards"
connections=$("$bin/rassim" connections)
echo "${connections:-(none)}"
