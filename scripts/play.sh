#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game from its asset folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DKELVARINE_TESTS=OFF
cmake --build build
cd build/assets
exec ../kelvarine "$@"
