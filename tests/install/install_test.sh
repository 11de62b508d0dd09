#!/usr/bin/env bash
# Installs the build tree into a temporary prefix and checks the result as a
# desktop would meet it: the files are where the XDG rules put them, the menu
# entry and the AppStream metadata validate, and the launcher started with a
# fresh HOME runs the program in its data folder, where the program stores
# its settings when it is terminated.
#   install_test.sh <build dir>
set -euo pipefail

build=$1
id=example.kanro.Kanro_VEY_1
tmp=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" || true; fi
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" || { cat "$tmp/install.log"; fail "cmake --install"; }

for f in bin/Kanro_VEY_1 bin/kanro-vey-1 \
    share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$id.svg \
    share/icons/hicolor/48x48/apps/$id.png share/icons/hicolor/256x256/apps/$id.png; do
    [ -f "$prefix/$f" ] || fail "missing $f"
done
[ -x "$prefix/bin/kanro-vey-1" ] || fail "launcher is not executable"
[ -x "$prefix/bin/Kanro_VEY_1" ] || fail "program is not executable"
# The PNGs have the size their folder names.
for size in 48 256; do
    header=$(od -An -tx1 -j16 -N8 "$prefix/share/icons/hicolor/${size}x$size/apps/$id.png" | tr -d ' \n')
    [ "$header" = "$(printf '%08x%08x' "$size" "$size")" ] || fail "${size}px icon has header $header"
done

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=kanro-vey-1' "$prefix/share/applications/$id.desktop" || fail "Exec is not the launcher"
grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" || fail "Icon is not the installed icon"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

# run_launcher <expected data folder> [VAR=value...]: starts the launcher
# with a fresh HOME under the offscreen platform, waits for the program's
# instance socket, terminates it as the session end would and checks that
# the settings were written into the data folder and nowhere else.
run=0
run_launcher() {
    local expected=$1
    shift
    run=$((run + 1))
    local home=$tmp/home$run sockets=$tmp/sockets$run cwd=$tmp/cwd$run
    mkdir -p "$home" "$sockets" "$cwd"
    chmod 700 "$sockets"
    (cd "$cwd" && exec env -u XDG_DATA_HOME HOME="$home" TMPDIR="$sockets" XDG_RUNTIME_DIR="$sockets" \
        QT_QPA_PLATFORM=offscreen "$@" "$prefix/bin/kanro-vey-1") &
    pid=$!
    local i
    for i in $(seq 1 400); do
        if compgen -G "$sockets/kanro-*" >/dev/null; then break; fi
        kill -0 "$pid" 2>/dev/null || fail "run $run: program ended early"
        sleep 0.1
    done
    compgen -G "$sockets/kanro-*" >/dev/null || fail "run $run: program never listened"
    [ -d "$expected" ] || fail "run $run: data folder $expected not created"
    [ "$(stat -c %a "$expected")" = 700 ] || fail "run $run: data folder is not private"
    kill -TERM "$pid"
    local rc=0
    wait "$pid" || rc=$?
    pid=
    [ "$rc" = 0 ] || fail "run $run: exit code $rc after SIGTERM"
    [ -s "$expected/Kanro_Vey_1.ini" ] || fail "run $run: no settings in $expected"
    grep -q '^\[Kn_Vey_1prn\]' "$expected/Kanro_Vey_1.ini" || fail "run $run: settings without their section"
    [ -z "$(ls -A "$cwd")" ] || fail "run $run: files written in the caller's directory"
}

run_launcher "$tmp/home1/.local/share/Kanro_VEY_1"
run_launcher "$tmp/xdg/Kanro_VEY_1" XDG_DATA_HOME="$tmp/xdg"
run_launcher "$tmp/home3/.local/share/Kanro_VEY_1" XDG_DATA_HOME=relative/path
echo "install test passed"
