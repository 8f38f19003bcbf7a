#!/usr/bin/env bash
# Installs the dependencies, builds, and runs the whole test suite: the
# program's build with every test, the program under Wayland, the Debian
# package built, installed and validated, then the core libraries and their tests
# under ThreadSanitizer and under AddressSanitizer + UndefinedBehaviorSanitizer
# (which also runs the fuzz targets over their seeds and generated inputs).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
ctest --preset default
# The program as a native Wayland client under a headless weston.
scripts/wayland-smoke.sh build
# The Debian package, installed with apt and validated.
scripts/package.sh
# The performance figures of the default build: printed, never a failure.
scripts/measure.sh build || true
for preset in tsan asan; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
