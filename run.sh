#!/usr/bin/env bash
# Builds Lyrabox and starts it. Installs what is missing on Debian 12.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target lyrabox
exec ./build/lyrabox "$@"
