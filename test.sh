#!/usr/bin/env bash
# Installs what is missing, builds Quarzel and runs every test through ctest.
# With --sanitize: builds into build-sanitize/ under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test that needs no display there;
# any memory error, leak or undefined behaviour fails the test.
# Further arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")"
sanitize=
if [ "${1:-}" = --sanitize ]; then
  sanitize=1
  shift
fi
./scripts/install-deps.sh
if [ -z "$sanitize" ]; then
  ./scripts/build.sh
  cd build
  exec ctest --output-on-failure -j "$(nproc)" "$@"
fi

./scripts/build.sh --sanitize
# Full stacks (slower) so that suppressions can only match a library's own frames.
export ASAN_OPTIONS="detect_leaks=1:fast_unwind_on_malloc=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
cd build-sanitize
exec ctest --output-on-failure -j "$(nproc)" -LE gl "$@"
