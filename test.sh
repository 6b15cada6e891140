#!/usr/bin/env bash
# Builds Lyrabox with its tests and runs them. Installs what is missing on Debian 12.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
dir=${LYRABOX_BUILD_DIR:-build-test}
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${LYRABOX_CMAKE_ARGS:-} >/dev/null
cmake --build "$dir" -j "$(nproc)"
cd "$dir"
ctest --output-on-failure -j "$(nproc)"
