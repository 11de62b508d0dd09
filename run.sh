#!/usr/bin/env bash
# Installs what is missing, builds the program (release) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build build/release -j2 --target Kanro_VEY_1
exec ./build/release/Kanro_VEY_1 "$@"
