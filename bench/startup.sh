#!/usr/bin/env bash
# Start-up time as a new user meets it: from starting the program to the
# first map of its window on a virtual X server, and to the window's first
# picture (its first paint), against a bare Qt window of the same size, and
# against the same window holding one label and one line edit in the
# window's font (what showing any text costs).
# Builds both (Release) in build/bench, then runs them in turn RUNS times
# (default 12) on one private Xvfb, each program in a fresh empty working
# directory, and prints the medians and their ratios.
#   bench/startup.sh           no CUPS scheduler reachable
#   bench/startup.sh --cups    a private scheduler holding three printers
#                              (the test scheduler of tests/cups/)
#   bench/startup.sh --cups-stopped   the same scheduler stopped (SIGSTOP)
#                              before the runs: it takes connections and
#                              answers nothing
#   BASELINE=<binary>          also times another build of the program in the
#                              same rounds (before/after a change)
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
runs=${RUNS:-12}
with_cups=0
stopped=0
[ "${1:-}" = "--cups" ] && with_cups=1
[ "${1:-}" = "--cups-stopped" ] && with_cups=1 && stopped=1

build=$src/build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKANRO_BENCH=ON -DBUILD_TESTING=OFF \
    ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER} >/dev/null
cmake --build "$build" -j2 --target Kanro_VEY_1 bare_window map_timer >/dev/null

tmp=$(mktemp -d)
xvfb_pid=
cupsd_pid=
cleanup() {
    [ -n "$cupsd_pid" ] && kill -CONT "$cupsd_pid" 2>/dev/null && kill "$cupsd_pid" 2>/dev/null || true
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
    # lpstat -r succeeds also when it finds no scheduler: its text tells.
    for _ in $(seq 200); do lpstat -r 2>/dev/null | grep -q 'is running' && break; sleep 0.05; done
    for p in Kanro_A Kanro_B Kanro_C; do
        lpadmin -p "$p" -E -v "file://$root/out/$p.pdf" -P tests/cups/kanro-test.ppd
    done
    echo "scheduler $CUPS_SERVER with $(lpstat -e | wc -l) printers"
    if [ "$stopped" = 1 ]; then
        kill -STOP "$cupsd_pid"
        echo "scheduler stopped"
    fi
else
    # Nothing listens here: the program finds no scheduler at once.
    export CUPS_SERVER=$tmp/no-cupsd.sock
fi

# time_one <program> [args]: seconds from start to the first map and to the first
# paint, in a fresh working directory with its own socket folder (single
# instance per user).
time_one() {
    local run
    run=$(mktemp -d "$tmp/run.XXXXXX")
    (cd "$run" && TMPDIR=$run XDG_RUNTIME_DIR=$run "$build/bench/map_timer" -p 30 "$@")
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.4f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$tmp/bare"
: >"$tmp/text"
: >"$tmp/program"
: >"$tmp/baseline"
time_one "$build/bench/bare_window" >/dev/null # warm the caches once
time_one "$build/Kanro_VEY_1" >/dev/null
for i in $(seq "$runs"); do
    time_one "$build/bench/bare_window" >>"$tmp/bare"
    time_one "$build/bench/bare_window" --text >>"$tmp/text"
    time_one "$build/Kanro_VEY_1" >>"$tmp/program"
    [ -n "${BASELINE:-}" ] && time_one "$BASELINE" >>"$tmp/baseline"
done
# report <label> <file> [<bare file>]: medians of map and paint, and the
# ratios to the bare window's.
report() {
    local map paint
    map=$(cut -d' ' -f1 "$2" | median)
    paint=$(cut -d' ' -f2 "$2" | median)
    printf '%-16s map median %s s, first paint median %s s of %s (maps: %s)\n' "$1" "$map" "$paint" "$runs" \
        "$(cut -d' ' -f1 "$2" | sort -g | tr '\n' ' ')"
    if [ -n "${3:-}" ]; then
        awk -v a="$map" -v b="$(cut -d' ' -f1 "$3" | median)" -v c="$paint" -v d="$(cut -d' ' -f2 "$3" | median)" \
            'BEGIN { printf "%-16s ratio %.2f (map), %.2f (first paint)\n", "", a / b, c / d }'
    fi
}
report "bare Qt window:" "$tmp/bare"
report "bare with text:" "$tmp/text" "$tmp/bare"
report "Kanro_VEY_1:" "$tmp/program" "$tmp/bare"
report "" "$tmp/program" "$tmp/text" | tail -n 1 | sed 's/ratio/ratio to the window with text/'
[ -n "${BASELINE:-}" ] && report "baseline:" "$tmp/baseline" "$tmp/bare"
exit 0
