#!/usr/bin/env bash
# Runs one Windows test program under Wine, in a Wine prefix of its own
# inside the test's temporary folder (tests/run-isolated.sh gives each test
# one), and ends that prefix's server afterwards. Wine's first start in a new
# prefix sets the prefix up, which takes a while.
# Usage: run-wine.sh <wine> <wineserver> <program.exe> [args...]
set -u
wine=$1
wineserver=$2
shift 2
for tool in "$wine" "$wineserver"; do
  if [ ! -x "$tool" ]; then
    echo "FAIL: $tool is missing (install wine64)" >&2
    exit 1
  fi
done
export WINEPREFIX="${TMPDIR:-/tmp}/wineprefix"
export WINEDEBUG=-all
# No Mono or Gecko: the tests need neither, and asking for them would wait.
export WINEDLLOVERRIDES="mscoree=;mshtml="
"$wine" "$@"
rc=$?
"$wineserver" -k 2>/dev/null
"$wineserver" -w 2>/dev/null
exit $rc
