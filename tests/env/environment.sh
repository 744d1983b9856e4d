# shellcheck shell=sh
# Shared by the wrappers. Each runs one test executable in an environment of its own (a display,
# a compositor, a bus, a user) and takes the environment down again when it ends, however it
# ends: whatever the wrapper started is listed in $started and stopped on exit.
set -eu

started=""
scratch=$(mktemp -d "${TMPDIR:-/tmp}/lumatic-env.XXXXXX")

stop_environment() {
    for pid in $started; do kill "$pid" 2>/dev/null || true; done
    for pid in $started; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap stop_environment EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

fail() {
    echo "$(basename "$0"): $*" >&2
    exit 1
}

# Waits up to five seconds for a command to succeed.
wait_for() {
    for _ in $(seq 50); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# A virtual X server on a display number it picks itself, so parallel runs never meet. It must
# not reset when its last client leaves: a probe that came and went would make it refuse the
# next one for a moment. LUMATIC_SCREEN sets its size (1024x768).
start_xvfb() {
    mkfifo "$scratch/display"
    Xvfb -displayfd 3 -screen 0 "${LUMATIC_SCREEN:-1024x768}x24" -nolisten tcp -noreset \
        3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
    started="$started $!"
    { read -r number <"$scratch/display" && DISPLAY=":$number" wait_for xdpyinfo; } ||
        { cat "$scratch/xvfb.log" >&2; fail "Xvfb did not start"; }
    export DISPLAY=":$number"
    unset WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=xcb
}

# The test itself, in a process group of its own that is killed, children and all, should it
# hang: a timed-out test must not leave the environment behind for CTest to forget.
run_test() {
    timeout --kill-after=5 "${LUMATIC_ENV_TIMEOUT:-100}" "$@"
}
