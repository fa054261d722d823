# What the zip's and the setup's checks share, sourced by both: a new Wine prefix with nothing on
# the path but Windows' own folders, and the window started on a laptop's screen.
#   wine_prefix FOLDER                      makes a new prefix there and exports what Wine needs
#   check_window PICTURE EXE ARGUMENTS...   px-system.exe opens its main window, connected to its
#                                           host, within a 1024 by 768 screen and keeps running;
#                                           the screen is saved as PICTURE (when not empty)
#   start_screen, wait_for_window, save_screen, stop_screen   the screen and what is on it
#   wine_cleanup                            ends Wine and the screen (the caller's EXIT trap)
# The caller defines fail MESSAGE, which ends the check.

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
xvfb_pid=""

wine_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=-all WINEARCH=win64
    # No Mono or Gecko prompts, and no menu entries written into this machine's own desktop.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    unset WINEPATH
    export DISPLAY=
    "$wine" wineboot --init >/dev/null 2>&1 || true
    "$wineserver" -w
    [[ -f $WINEPREFIX/system.reg ]] || fail "Wine could not make its prefix"
}

# Runs from an EXIT trap, where errexit still holds: nothing in it may fail (a server that has
# already ended is the usual case).
wine_cleanup() {
    if [[ -n ${WINEPREFIX:-} ]]; then
        "$wineserver" -k 2>/dev/null || true
    fi
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
}

# A 1024 by 768 screen in Xvfb, as a laptop has, for the Wine programs started after it. Wine's
# desktop takes the display its server starts with: a server started for the commands before,
# which had none, must end first.
start_screen() {
    scripts/deps.sh x11-utils x11-apps netpbm >/dev/null
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
    if [[ -z $xvfb_pid ]]; then
        local display=:$((90 + RANDOM % 100))
        Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=$display
        for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.2; done
    fi
}

# Ends the Wine programs and the screen.
stop_screen() {
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
    xvfb_pid=""
    export DISPLAY=
}

# Waits up to a minute for a window whose title matches PATTERN, while process PID runs:
# 0 when it shows, 1 when the process ended first, 2 when time ran out.
wait_for_window() {
    local pattern=$1 pid=$2
    for _ in $(seq 120); do
        xwininfo -root -tree 2>/dev/null | grep -q "$pattern" && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.5
    done
    return 2
}

save_screen() { # PICTURE
    xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$1"
}

check_window() {
    local picture=$1 log title="ZR4870PX设置系统----------"
    shift
    log=$(mktemp)
    start_screen
    "$wine" "$@" >"$log" 2>&1 &
    local window_pid=$! waited=0
    wait_for_window "$title\[已连接设备\]" "$window_pid" || waited=$?
    ((waited != 1)) || { cat "$log" >&2; fail "$(basename "$1") ended"; }
    ((waited == 0)) || { cat "$log" >&2; fail "no main window connected to the host"; }
    local geometry width height
    geometry=$(xwininfo -root -tree | grep "$title" | grep -oE '[0-9]+x[0-9]+\+' | head -n 1)
    width=${geometry%%x*}
    height=${geometry#*x}
    height=${height%+}
    ((width <= 1024 && height <= 768)) || fail "the window (${width}x${height}) is larger than the screen"
    sleep 2
    kill -0 "$window_pid" 2>/dev/null || fail "$(basename "$1") ended after opening"
    if [[ -n $picture ]]; then
        save_screen "$picture"
    fi
    window_size="${width}x${height}"
    rm -f "$log"
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
}
