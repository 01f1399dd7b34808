#!/usr/bin/env bash
# Configures and builds with every core: into build/, or with --sanitize into
# build-sanitize/ under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
flags=()
if [ "${1:-}" = --sanitize ]; then
  dir=build-sanitize
  san="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
  flags=(-DCMAKE_CXX_FLAGS="$san" -DCMAKE_C_FLAGS="$san"
         -DCMAKE_EXE_LINKER_FLAGS="$san" -DCMAKE_SHARED_LINKER_FLAGS="$san")
fi
# A compiler cache, when installed, makes rebuilds of other checkouts cheap.
if command -v ccache >/dev/null; then
  flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
