#!/bin/sh
# Types into the program's fields through a real input method: fcitx5 with
# mozc and its Qt 6 front end, in a private X server (Xvfb) and a private
# session bus, as an unprivileged user (mozc refuses root; as root the
# check runs as "nobody"). The probe (tests/mainwindow/ime_probe.cpp) prints
# one line per field and exits with the number of failed fields.
#
#   tools/ime-check.sh [build folder]     (default build/test)
#
# Installs fcitx5, fcitx5-mozc and fcitx5-frontend-qt6 when missing.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/test}
probe=$(realpath "$build/tests/mainwindow/kanro_ime_probe")
[ -x "$probe" ] || { echo "build the probe first: cmake --build $build --target kanro_ime_probe" >&2; exit 2; }

missing=""
for p in fcitx5 fcitx5-mozc fcitx5-frontend-qt6 xvfb xdotool dbus; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
    sudo_=""; [ "$(id -u)" -eq 0 ] || sudo_=sudo
    DEBIAN_FRONTEND=noninteractive $sudo_ apt-get install -y --no-install-recommends $missing
fi

home=$(mktemp -d /tmp/kanro-ime.XXXXXX)
trap 'rm -rf "$home" 2>/dev/null || true' EXIT
mkdir -p "$home/.config/fcitx5/conf"
# Two input methods, mozc the one switched on; one input state shared by
# every window, so the input method switched on in the name field is still
# on in each field that follows.
cat > "$home/.config/fcitx5/profile" <<'EOF'
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=mozc

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=mozc
Layout=

[GroupOrder]
0=Default
EOF
cat > "$home/.config/fcitx5/config" <<'EOF'
[Behavior]
ShareInputState=All
EOF

# The session: Xvfb on a free display, the bus, fcitx5, then the probe.
cat > "$home/session.sh" <<'EOF'
#!/bin/sh
set -u
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$display"
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
export QT_IM_MODULE=fcitx XMODIFIERS=@im=fcitx QT_QPA_PLATFORM=xcb LANG=ja_JP.UTF-8
fcitx5 --disable=wayland,waylandim >"$HOME/fcitx5.log" 2>&1 &
fcitx=$!
for _ in $(seq 100); do fcitx5-remote >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1
ASAN_OPTIONS=detect_leaks=0 "$PROBE"
rc=$?
kill "$fcitx" "$xvfb" 2>/dev/null
# mozc's converter leaves the session as a daemon: end the one of this home.
for p in $(pgrep -u "$(id -u)" -x mozc_server); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "HOME=$HOME" && kill "$p"
done
exit $rc
EOF
chmod 755 "$home/session.sh"

run_as=""
if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody:nogroup "$home"
    run_as="setpriv --reuid=nobody --regid=nogroup --clear-groups"
fi
rc=0
$run_as env -i HOME="$home" PATH=/usr/bin:/bin PROBE="$probe" \
    dbus-run-session -- "$home/session.sh" || rc=$?
exit $rc
