# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the MQTT tests: a private mosquitto broker in the test's folder on a free
# port of 127.0.0.1. Without the broker or its clients the test skips (exit 77).
mosquitto_bin=$(command -v mosquitto || echo /usr/sbin/mosquitto)
[ -x "$mosquitto_bin" ] || { echo "SKIP: the mosquitto broker is not installed"; exit 77; }
command -v mosquitto_sub >/dev/null || { echo "SKIP: mosquitto_sub (mosquitto-clients) is not installed"; exit 77; }
command -v python3 >/dev/null || { echo "SKIP: python3 is missing"; exit 77; }

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# write_broker_config FILE PORT [LINES...]: a listener on 127.0.0.1:PORT, persistence in
# the file's folder (a subscriber's session survives a restart), a log beside it.
write_broker_config() {
    local conf="$1" port="$2"
    shift 2
    {
        echo "listener $port 127.0.0.1"
        echo "persistence true"
        echo "persistence_location $(dirname "$conf")/"
        # Run as root, mosquitto would become the mosquitto user, who cannot write here.
        echo "user $(id -un)"
        echo "log_dest file $conf.log"
        echo "log_type all"
        printf '%s\n' "$@"
    } >"$conf"
}

# start_broker FILE: starts it and waits until it listens; sets broker_pid. A broker
# that does not come up the first time means the machine cannot run one: skip.
broker_started_once=""
start_broker() {
    local conf="$1" i
    : >>"$conf.log"
    local before
    before=$(grep -c ' running' "$conf.log")
    "$mosquitto_bin" -c "$conf" >>"$conf.out" 2>&1 &
    broker_pid=$!
    for i in $(seq 1 200); do
        [ "$(grep -c ' running' "$conf.log")" -gt "$before" ] && { broker_started_once=1; return 0; }
        kill -0 "$broker_pid" 2>/dev/null || break
        sleep 0.05
    done
    echo "mosquitto did not start: $(tail -3 "$conf.out" "$conf.log")"
    [ -n "$broker_started_once" ] && exit 1
    exit 77
}

stop_broker() {
    [ -n "${broker_pid:-}" ] || return 0
    kill "$broker_pid" 2>/dev/null
    wait "$broker_pid" 2>/dev/null
    broker_pid=""
}

# wait_for COUNT FILE PATTERN [SECONDS]: until FILE holds COUNT lines matching PATTERN.
wait_for() {
    local n="$1" file="$2" pattern="$3" seconds="${4:-20}" i
    for i in $(seq 1 $((seconds * 20))); do
        [ "$(grep -c -- "$pattern" "$file" 2>/dev/null)" -ge "$n" ] && return 0
        sleep 0.05
    done
    return 1
}
