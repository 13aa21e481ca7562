#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli record --serve over HTTPS with a certificate openssl makes here: a client
# that trusts this test's CA reads /api/status and the WebSocket's frames over TLS (wss),
# one that trusts only the system's CAs is refused by its own check, plain HTTP on the
# port gets no data, a PEM holding the certificate and its key together serves as well,
# and a file without a certificate is refused with its name.
set -u
bin="$1"
cli="$bin/kelvor-cli"
here=$(cd "$(dirname "$0")" && pwd)
command -v openssl >/dev/null || { echo "SKIP: openssl is missing"; exit 77; }
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A CA and the view's certificate for 127.0.0.1 and localhost, signed by it.
mk() { openssl "$@" >>"$work/openssl.log" 2>&1 || fail "openssl $1 failed: $(tail -3 "$work/openssl.log")"; }
mk req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Test CA" -keyout "$work/ca.key" -out "$work/ca.crt"
mk req -newkey rsa:2048 -nodes -subj "/CN=localhost" -keyout "$work/server.key" -out "$work/server.csr"
printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\n' >"$work/san.ext"
mk x509 -req -in "$work/server.csr" -CA "$work/ca.crt" -CAkey "$work/ca.key" -CAcreateserial -days 2 \
    -extfile "$work/san.ext" -out "$work/server.crt"
cat "$work/server.crt" "$work/server.key" >"$work/both.pem"

. "$here/support/webserve.sh"

"$cli" --meter=sim record --data-dir "$work/refused" --serve 127.0.0.1:0 --serve-cert "$work/ca.key" \
    >/dev/null 2>"$work/bad.err" && fail "a key given as the certificate was taken"
grep -q "no PEM certificate in \"$work/ca.key\"" "$work/bad.err" || fail "the refusal: $(cat "$work/bad.err")"

for cert in separate together; do
    if [ $cert = separate ]; then
        serve --meter=sim record --interval 00:00 --data-dir "$work/$cert" -q --serve 127.0.0.1:0 \
            --serve-cert "$work/server.crt" --serve-key "$work/server.key"
    else
        serve --meter=sim record --interval 00:00 --data-dir "$work/$cert" -q --serve 127.0.0.1:0 \
            --serve-cert "$work/both.pem"
    fi
    port=${link##*:}
    port=${port%%/*}
    [ "$link" = "https://127.0.0.1:$port/" ] || fail "the link of an HTTPS view: $link"
    PYTHONPATH="$here/support" python3 - "$port" "$work/ca.crt" "$cert" <<'PY' || exit 1
import json, ssl, sys, time
from webclient import get, raw, WebSocket

port, ca, cert = int(sys.argv[1]), sys.argv[2], sys.argv[3]
def fail(why):
    print("FAIL (%s):" % cert, why)
    sys.exit(1)

trusting = ssl.create_default_context(cafile=ca)  # checks the chain and the host name
status, headers, body = get(port, "/api/status", tls=trusting)
if status != 200 or headers.get("content-type") != "application/json":
    fail("/api/status over TLS: %s %s" % (status, body[:200]))
status = json.loads(body)
if status["meters"][0]["model"] != "QZX" or len(status["channels"]) != 4:
    fail("status over TLS: %s" % status)

ws = WebSocket(port, "/ws?since=0", origin="https://127.0.0.1:%d" % port, tls=trusting)
if ws.sock.version() is None or ws.sock.getpeercert()["subjectAltName"] != (("DNS", "localhost"), ("IP Address", "127.0.0.1")):
    fail("the WebSocket is not over TLS with the view's certificate")
kinds, seqs = [], []
end = time.time() + 10
while time.time() < end and not seqs:
    kind, *rest = ws.recv()
    if kind == "close":
        fail("wss closed: %s" % rest)
    m = json.loads(rest[0])
    kinds.append(m["type"])
    if m["type"] == "samples":
        seqs += [s["seq"] for s in m["samples"]]
ws.close()
if kinds[0] != "hello" or not seqs or seqs != list(range(len(seqs))):
    fail("frames over wss: %s %s" % (kinds, seqs))

# The same view to a client that trusts only the system's CAs: its check refuses it.
try:
    get(port, "/api/status", tls=ssl.create_default_context())
    fail("a certificate of an unknown CA passed the client's check")
except ssl.SSLCertVerificationError:
    pass
# Plain HTTP on the TLS port learns nothing.
reply = raw(port, b"GET /api/status HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n", timeout=5)
if b"\"run\"" in reply or reply.startswith(b"HTTP/1.1 200"):
    fail("plain HTTP was answered on the HTTPS port: %r" % reply[:200])
print("%s: /api/status and %d samples over TLS" % (cert, len(seqs)))
PY
    kill -INT "$pid"
    wait "$pid" || fail "record exit $? after Ctrl-C"
done
exit 0
