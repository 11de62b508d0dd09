#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DKANRO_SANITIZE=ON -DKANRO_WERROR="$werror" -DBUILD_TESTING=ON >/dev/null
cmake --build build/test -j2
cd build/test
ctest --output-on-failure -j2 "$@"
