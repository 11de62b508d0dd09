#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on) in build/fuzz and runs each target for the
# given number of seconds (default 60), niced, one after the other.
#
#   tools/fuzz.sh [seconds] [target...]     targets: profile fixed numvalue transfer layout
#
# Each target starts from its seed corpus in tests/fuzz/corpus/<name>/ and
# keeps what it finds new in build/fuzz/corpus/<name>/; a finding is saved as
# build/fuzz/findings/<name>/crash-* and ends that target's run; its bytes are
# also printed in base64, so that a finding on another machine (CI) can be
# recovered from the log (base64 -d > tests/fuzz/corpus/<name>/<case>). The
# script exits non-zero when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(profile fixed numvalue transfer layout csv); fi

./tools/install-deps.sh
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DKANRO_FUZZ=ON -DBUILD_TESTING=ON "${launcher[@]}" >/dev/null
cmake --build build/fuzz -j2 --target "${targets[@]/#/fuzz_}"

export QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=Asia/Tokyo
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for t in "${targets[@]}"; do
  mkdir -p "build/fuzz/corpus/$t" "build/fuzz/findings/$t"
  echo "== fuzz_$t for ${seconds}s"
  touch "build/fuzz/findings/$t/.started"
  if ! nice -n 19 "build/fuzz/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=8192 \
      -artifact_prefix="build/fuzz/findings/$t/" -print_final_stats=1 \
      "build/fuzz/corpus/$t" "tests/fuzz/corpus/$t"; then
    echo "fuzz_$t: finding saved in build/fuzz/findings/$t/"
    find "build/fuzz/findings/$t" -type f -name '[a-z]*-*' -newer "build/fuzz/findings/$t/.started" |
      while read -r f; do
        echo "fuzz_$t finding $(basename "$f") ($(stat -c %s "$f") bytes), base64:"
        base64 -w 76 "$f"
      done
    status=1
  fi
done
exit $status
