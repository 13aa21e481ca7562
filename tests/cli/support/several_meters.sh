# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the export tests of a run of several meters. record_three_meters records item 1
# of "$work/data" with kelvor-cli record: OVEN-A (named "Oven A" in the settings, every
# channel with a thermocouple), OVEN-B (T4 without one, unplugged from its 8th exchange
# for 12 exchanges, so it misses rows mid-run and comes back) and COLD-1 (T3 over range),
# and keeps the run's own --csv table in "$work/run.csv" to check the exports against
# (several_meters.py reads both). Needs $cli, $work and fail().
record_three_meters() {
    export XDG_CONFIG_HOME="$work/config"
    mkdir -p "$XDG_CONFIG_HOME"
    printf '[MeterNames]\nOVEN-A=Oven A\n' >"$XDG_CONFIG_HOME/TOVRA.conf"
    timeout 60 "$cli" --data-dir "$work/data" record --meter=sim:serial=OVEN-A,unplugged= \
        --meter=sim:serial=OVEN-B,faults=unplug@8+12 --meter=sim:serial=COLD-1,unplugged=,ol=3 \
        --interval 00:00 --count 30 --csv "$work/run.csv" -q >/dev/null 2>"$work/record.err" ||
        fail "record of three meters: $(cat "$work/record.err")"
}

several_meters_py="$(dirname "${BASH_SOURCE[0]}")/several_meters.py"
