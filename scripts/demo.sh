#!/usr/bin/env bash
# The main job: builds the host program and runs it as a user would.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset host >/dev/null
cmake --build --preset host -j2 --target nelvo >/dev/null
work=$(mktemp -d)
cd "$work"
echo "\$ nelvo"
"$OLDPWD/build/host/bin/nelvo" | cat
