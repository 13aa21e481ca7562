# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the browser view's tests, after they set $cli and $work, a pids array and fail().
# serve ARGS... starts kelvor-cli with its arguments in the background; sets $pid and $link
# from what it says.
serve() {
    local err="$work/err.$#.$RANDOM"
    "$cli" "$@" >"$err.out" 2>"$err" &
    pid=$!
    pids+=("$pid")
    for _ in $(seq 100); do
        link=$(sed -n 's/^kelvor-cli: live view at //p' "$err")
        [ -n "$link" ] && return 0
        kill -0 "$pid" 2>/dev/null || fail "kelvor-cli $* ended: $(cat "$err")"
        sleep 0.1
    done
    fail "kelvor-cli $* never said where the view is: $(cat "$err")"
}
