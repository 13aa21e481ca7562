#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli record publishing over TLS to a private mosquitto broker whose certificates
# openssl makes here: with the right CA the samples arrive (read back against the
# library), with another CA the handshake fails and says why while the run goes on, and
# a broker that asks for a client certificate takes ours.
set -u
bin="$1"
cli="$bin/kelvor-cli"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
subs=()
cleanup() {
    for p in "${subs[@]}"; do kill "$p" 2>/dev/null; done
    stop_broker
    [ -n "${KEEP:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
. "$here/support/mosquitto.sh"
command -v openssl >/dev/null || { echo "SKIP: openssl is missing"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
export TZ=UTC

# A CA, the broker's certificate for localhost and 127.0.0.1, our client certificate,
# and a second CA that signed neither.
mk() { openssl "$@" >>"$work/openssl.log" 2>&1 || fail "openssl $1 failed: $(tail -3 "$work/openssl.log")"; }
mk req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Test CA" -keyout "$work/ca.key" -out "$work/ca.crt"
mk req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Other CA" -keyout "$work/other.key" -out "$work/other.crt"
mk req -newkey rsa:2048 -nodes -subj "/CN=localhost" -keyout "$work/server.key" -out "$work/server.csr"
printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\n' >"$work/san.ext"
mk x509 -req -in "$work/server.csr" -CA "$work/ca.crt" -CAkey "$work/ca.key" -CAcreateserial -days 2 \
    -extfile "$work/san.ext" -out "$work/server.crt"
mk req -newkey rsa:2048 -nodes -subj "/CN=kelvor" -keyout "$work/client.key" -out "$work/client.csr"
mk x509 -req -in "$work/client.csr" -CA "$work/ca.crt" -CAkey "$work/ca.key" -CAcreateserial -days 2 \
    -out "$work/client.crt"
chmod 644 "$work"/*.key

port=$(free_port)
cport=$(free_port)
write_broker_config "$work/broker.conf" "$port" "allow_anonymous true" "cafile $work/ca.crt" \
    "certfile $work/server.crt" "keyfile $work/server.key" \
    "listener $cport 127.0.0.1" "cafile $work/ca.crt" "certfile $work/server.crt" "keyfile $work/server.key" \
    "require_certificate true"
start_broker "$work/broker.conf"

mosquitto_sub -h localhost -p "$port" --cafile "$work/ca.crt" -q 1 -v -t 'kelvor/+/sample' >"$work/a.txt" 2>&1 &
subs+=($!)
sleep 0.5
"$cli" --meter=sim --data-dir "$work/a" record --interval 00:00 --count 8 -q --mqtt "mqtts://localhost:$port" \
    --mqtt-ca "$work/ca.crt" 2>"$work/a.err" || fail "record exit $?: $(cat "$work/a.err")"
grep -q 'MQTT: connected' "$work/a.err" || fail "no TLS connection: $(cat "$work/a.err")"
wait_for 8 "$work/a.txt" sample || fail "samples did not arrive over TLS: $(cat "$work/a.txt")"
python3 "$here/support/mqtt_samples.py" "$work/a/kelvor.sqlite" "$work/a.txt" kelvor/KV4-SIM-00001/sample ||
    fail "TLS samples differ from the library"

# Another CA: the broker's certificate is not trusted; said, and the run is recorded anyway.
"$cli" --meter=sim --data-dir "$work/b" record --interval 00:00 --count 8 -q --mqtt "mqtts://localhost:$port" \
    --mqtt-ca "$work/other.crt" 2>"$work/b.err" || fail "record with the wrong CA exit $?: $(cat "$work/b.err")"
grep -q 'MQTT: reconnecting (TLS failed: .*certificate verify failed' "$work/b.err" ||
    fail "the untrusted certificate was not told: $(cat "$work/b.err")"
grep -q '8 samples recorded' "$work/b.err" || fail "the run suffered from the TLS failure: $(cat "$work/b.err")"
# A CA file that is not there is named.
"$cli" --meter=sim --data-dir "$work/b" record --interval 00:00 --count 2 -q --mqtt "mqtts://localhost:$port" \
    --mqtt-ca "$work/missing.crt" 2>"$work/m.err"
grep -q "reconnecting (the CA file '$work/missing.crt' does not exist)" "$work/m.err" ||
    fail "a missing CA file was not named: $(cat "$work/m.err")"

# A broker that asks for our certificate.
mosquitto_sub -h localhost -p "$cport" --cafile "$work/ca.crt" --cert "$work/client.crt" --key "$work/client.key" \
    -q 1 -v -t 'kelvor/+/sample' >"$work/c.txt" 2>&1 &
subs+=($!)
sleep 0.5
"$cli" --meter=sim --data-dir "$work/c" record --interval 00:00 --count 5 -q --mqtt "mqtts://localhost:$cport" \
    --mqtt-ca "$work/ca.crt" --mqtt-cert "$work/client.crt" --mqtt-key "$work/client.key" 2>"$work/c.err" ||
    fail "record with a client certificate exit $?: $(cat "$work/c.err")"
wait_for 5 "$work/c.txt" sample || fail "nothing arrived with a client certificate: $(cat "$work/c.err")"

# A remote meter over TLS, the CA given as for publishing: B reads the meter A publishes.
"$cli" --meter=sim --data-dir "$work/d" record --interval 00:00 -q --mqtt "mqtts://localhost:$port" \
    --mqtt-ca "$work/ca.crt" --mqtt-live 0 2>"$work/d.err" &
subs+=($!)
remote="mqtts://localhost:$port/kelvor/KV4-SIM-00001"
timeout 30 "$cli" live --meter="$remote" --mqtt-ca "$work/ca.crt" --count 5 --csv >"$work/r.csv" 2>"$work/r.err" ||
    fail "live of a remote meter over TLS exit $?: $(cat "$work/r.err")"
python3 - "$work/r.csv" <<'PY' || fail "remote readings over TLS: $(cat "$work/r.csv")"
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="")))
assert rows[0] == ["time"] + ["KV4-SIM-00001 T%d" % c for c in range(1, 5)], rows[0]
assert len(rows) == 6 and all(float(r[1]) > 0 for r in rows[1:]), rows
PY
echo "ok"
