#!/usr/bin/env bash
# Installs what is missing, builds Quarzel and runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh
cd build
ctest --output-on-failure -j "$(nproc)" "$@"
