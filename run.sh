#!/usr/bin/env bash
# Installs what is missing, builds Quarzel and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" ./build/Quarzel "$@"
fi
exec ./build/Quarzel "$@"
