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
trap 'rm -rf "$work"' EXIT
cd "$work"
export RASSIM_DIR=$work/service
"$bin/rassim" demo
# Names with a blank cannot be given after /ENTRY:, so one more entry that
# dials and then never connects, for the cancel.
"$bin/rassim" phonebook add Lab --phone 5550042 --user frank --password pw --never-finish

source "$root/scripts/demo-helpers.sh"

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
