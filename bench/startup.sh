#!/usr/bin/env bash
# Start-up time as a new user meets it: from starting the program to the
# first map of its window on a virtual X server, against a bare Qt window of
# the same size. Builds both (Release) in build/bench, then runs them in turn
# RUNS times (default 12) on one private Xvfb, each program in a fresh empty
# working directory, and prints both medians and their ratio.
#   bench/startup.sh           no CUPS scheduler reachable
#   bench/startup.sh --cups    a private scheduler holding three printers
#                              (the test scheduler of tests/cups/)
#   BASELINE=<binary>          also times another build of the program in the
#                              same rounds (before/after a change)
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
runs=${RUNS:-12}
with_cups=0
[ "${1:-}" = "--cups" ] && with_cups=1

build=$src/build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKANRO_BENCH=ON -DBUILD_TESTING=OFF \
    ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER} >/dev/null
cmake --build "$build" -j2 --target Kanro_VEY_1 bare_window map_timer >/dev/null

tmp=$(mktemp -d)
xvfb_pid=
cupsd_pid=
cleanup() {
    [ -n "$cupsd_pid" ] && kill "$cupsd_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

# A private X server on a display number of its own choosing.
exec 3>"$tmp/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 600); do [ -s "$tmp/display" ] && break; sleep 0.05; done
[ -s "$tmp/display" ] || { echo "Xvfb did not start: $(cat "$tmp/xvfb.log")" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$tmp/display")
export QT_QPA_PLATFORM=xcb

if [ "$with_cups" = 1 ]; then
    root=$tmp/cups
    mkdir -p "$root"/{etc,state,cache,spool,tmp,log,out}
    chmod 755 "$root"
    chmod 1777 "$root/out"
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
    for f in cupsd.conf cups-files.conf; do
        sed -e "s|@ROOT@|$root|g" -e "s|@PORT@|$port|g" "tests/cups/$f.in" >"$root/etc/$f"
    done
    cupsd -f -c "$root/etc/cupsd.conf" -s "$root/etc/cups-files.conf" >"$tmp/cupsd.log" 2>&1 &
    cupsd_pid=$!
    export CUPS_SERVER=localhost:$port
    for _ in $(seq 200); do lpstat -r >/dev/null 2>&1 && break; sleep 0.05; done
    for p in Kanro_A Kanro_B Kanro_C; do
        lpadmin -p "$p" -E -v "file://$root/out/$p.pdf" -P tests/cups/kanro-test.ppd
    done
    echo "scheduler $CUPS_SERVER with $(lpstat -e | wc -l) printers"
else
    # Nothing listens here: the program finds no scheduler at once.
    export CUPS_SERVER=$tmp/no-cupsd.sock
fi

# time_one <program>: seconds from start to the first map, in a fresh
# working directory with its own socket folder (single instance per user).
time_one() {
    local run
    run=$(mktemp -d "$tmp/run.XXXXXX")
    (cd "$run" && TMPDIR=$run XDG_RUNTIME_DIR=$run "$build/bench/map_timer" 30 "$1")
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.4f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$tmp/bare"
: >"$tmp/program"
: >"$tmp/baseline"
time_one "$build/bench/bare_window" >/dev/null # warm the caches once
time_one "$build/Kanro_VEY_1" >/dev/null
for i in $(seq "$runs"); do
    time_one "$build/bench/bare_window" >>"$tmp/bare"
    time_one "$build/Kanro_VEY_1" >>"$tmp/program"
    [ -n "${BASELINE:-}" ] && time_one "$BASELINE" >>"$tmp/baseline"
done
bare=$(median <"$tmp/bare")
program=$(median <"$tmp/program")
echo "bare Qt window: median $bare s of $runs ($(sort -g "$tmp/bare" | tr '\n' ' '))"
echo "Kanro_VEY_1:    median $program s of $runs ($(sort -g "$tmp/program" | tr '\n' ' '))"
awk -v a="$program" -v b="$bare" 'BEGIN { printf "ratio %.2f\n", a / b }'
if [ -n "${BASELINE:-}" ]; then
    baseline=$(median <"$tmp/baseline")
    echo "baseline:       median $baseline s of $runs ($(sort -g "$tmp/baseline" | tr '\n' ' '))"
    awk -v a="$baseline" -v b="$bare" 'BEGIN { printf "baseline ratio %.2f\n", a / b }'
fi
