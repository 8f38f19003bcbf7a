#!/usr/bin/env bash
# Installs the dependencies, builds, and starts the program with emulated devices.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
exec build/zk412v --emulate "$@"
