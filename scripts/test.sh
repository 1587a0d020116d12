#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the optimised build with warnings as
# errors and the Debian package made from it, the sanitizer build, the Windows build under Wine,
# the short fuzzer runs and the house checks.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

step() { printf '\n=== %s\n' "$*"; }

step "House checks"
if grep -rn '#include <Q' core project eds params iomap app cli; then
    echo "Qt must not be used outside ui/" >&2
    exit 1
fi
clang-format --dry-run -Werror $(git ls-files '*.h' '*.cpp')

step "Optimised build and tests (warnings are errors)"
cmake --workflow --preset ci

step "Debian package: validators, file types, manual pages, the installed programs"
packaging/linux/check-package.sh build/ci

step "AddressSanitizer and UndefinedBehaviorSanitizer build and tests"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

step "Windows build (MinGW-w64) and its tests under Wine"
cmake --preset windows-cross -DQUILLON_HOST_CLI="$PWD/build/ci/cli/quillon-cli" >/dev/null
cmake --build --preset windows-cross
ctest --preset windows-cross

if [ -x fuzz/run.sh ]; then
    step "Fuzzers, ${QUILLON_FUZZ_SECONDS:-30} s each"
    fuzz/run.sh "${QUILLON_FUZZ_SECONDS:-30}"
fi

step "All tests passed"
