#!/usr/bin/env bash
# Runs one test with its own home, settings, data, cache and temporary
# folders, so nothing leaks between tests or into the user's files.
# Usage: run-isolated.sh offscreen|gl <test executable> [args...]
set -u
mode=$1; shift
root=$(mktemp -d "${TMPDIR:-/tmp}/quarzel-test.XXXXXX")
mkdir -p "$root/home" "$root/config" "$root/data" "$root/cache" "$root/tmp" "$root/runtime"
chmod 700 "$root/runtime"
export HOME="$root/home"
export XDG_CONFIG_HOME="$root/config"
export XDG_DATA_HOME="$root/data"
export XDG_CACHE_HOME="$root/cache"
export TMPDIR="$root/tmp"
export XDG_RUNTIME_DIR="$root/runtime"
export LC_ALL=C.UTF-8
export TZ=UTC
if [ "$mode" = offscreen ]; then
  export QT_QPA_PLATFORM=offscreen
else
  export QT_QPA_PLATFORM=xcb
  export LIBGL_ALWAYS_SOFTWARE=1
fi
"$@"
rc=$?
rm -rf "$root"
exit $rc
