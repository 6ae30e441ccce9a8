#!/usr/bin/env bash
# Builds the application and runs it. Runs it on the user's own home when an engine is
# installed there; otherwise on a demo home in the build folder that holds the stand-in engine
# and the built-in page, and writes nothing into $HOME. With no display, runs it under Xvfb,
# saves a screenshot of the screen once the page has shown itself (artifacts/vorl-vorudi.png), and
# quits it.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/release
bash scripts/install-dependencies.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target vorl-vorudi
app="$PWD/$build/src/vorl-vorudi"

engine="$HOME/Library/Application Support/VORL Vorudi/_AI-analyse"
demo=no
if [ ! -f "$engine/server.py" ] || [ ! -x "$engine/venv/bin/python" ]; then
    demo=yes
    home="$PWD/$build/demo-home"
    # Fresh from the sources every run; install.sh would keep an older copy as it is.
    rm -rf "$home/Library/Application Support/VORL Vorudi"
    bash standin/install.sh "$home" >/dev/null
    echo "No engine is installed in $HOME; running on the stand-in engine in $home"
    # X clients find their cookie through $HOME unless told where it is.
    if [ -n "${DISPLAY:-}" ] && [ -z "${XAUTHORITY:-}" ] && [ -f "$HOME/.Xauthority" ]; then
        export XAUTHORITY="$HOME/.Xauthority"
    fi
    export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state"
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$app"
fi

# No display: a virtual one of our own, gone when this script ends.
display_file="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb=$!
app_pid=""
# However this script ends, the app quits first (stopping the engine it launched), then Xvfb.
cleanup() {
    if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
        kill -TERM "$app_pid"
        wait "$app_pid" || true
    fi
    kill "$xvfb" 2>/dev/null || true
    rm -f "$display_file"
}
trap cleanup EXIT

# Waits up to $1 tenths of a second for the command that follows to succeed, while the app runs.
wait_while_running() {
    local tenths=$1
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        if [ -n "$app_pid" ] && ! kill -0 "$app_pid" 2>/dev/null; then
            echo "vorl-vorudi exited before its page was shown" >&2
            exit 1
        fi
        sleep 0.1
    done
    return 1
}
wait_while_running 100 test -s "$display_file" || { echo "Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(head -n1 "$display_file")"
export DISPLAY GTK_A11Y=none GSETTINGS_BACKEND=memory

# The stand-in engine logs each request it answers, and the mark its page makes once it has drawn
# its waveform; only what this run adds to the log counts.
log="$HOME/Library/Logs/VORL Vorudi – motor.log"
logged_before=$(stat -c %s "$log" 2>/dev/null || echo 0)
page_drawn() { [[ "$(tail -c +$((logged_before + 1)) "$log" 2>/dev/null)" == *'"name": "waveform"'* ]]; }
window_shown() { xdotool search --name '^VORL Vorudi$' >/dev/null 2>&1; }

"$app" &
app_pid=$!
wait_while_running 600 window_shown || { echo "no VORL Vorudi window appeared" >&2; exit 1; }
if [ "$demo" = yes ] && wait_while_running 600 page_drawn; then
    sleep 2 # the web process paints its first frames
else
    # A real engine's log says nothing of the page: give it a few seconds.
    sleep 5
fi

mkdir -p artifacts
import -window root artifacts/vorl-vorudi.png
echo "Screenshot: $PWD/artifacts/vorl-vorudi.png"

# SIGTERM is the app's quit command: it asks the engine it launched to quit and stops it.
kill -TERM "$app_pid"
status=0
wait "$app_pid" || status=$?
app_pid=""
exit "$status"
