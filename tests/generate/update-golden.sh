#!/bin/sh
# Rewrites tests/fixtures/generate/golden/ from the current generator and shows what changed.
# Usage: tests/generate/update-golden.sh [BUILD_DIR]   (default: build)
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target generate_golden_test
ORVEX_UPDATE_GOLDEN=1 "$build/tests/generate/generate_golden_test"
cd "$root"
git status --short -- tests/fixtures/generate/golden
git --no-pager diff --stat -- tests/fixtures/generate/golden
git --no-pager diff -- tests/fixtures/generate/golden
