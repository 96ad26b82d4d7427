#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: unit tests first, then
# the end-to-end tests that drive the real game under their own X servers, then
# the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build
ctest --test-dir build --output-on-failure -L unit -j2
ctest --test-dir build --output-on-failure -L e2e
# The same sources under AddressSanitizer and UndefinedBehaviorSanitizer: the unit
# tests, a smoke run of the game and a soak of random input (label sanitize).
cmake -S . -B build-asan -G Ninja -DKELVARINE_SANITIZE=ON
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -L unit -j2
ctest --test-dir build-asan --output-on-failure -L sanitize
