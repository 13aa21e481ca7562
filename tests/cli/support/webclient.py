# SPDX-License-Identifier: GPL-3.0-or-later
"""A small HTTP and WebSocket client on the standard library alone, for the browser-view
tests: they read what the program serves the way a browser or a script would, byte by
byte, without trusting the program's own code."""
import base64
import hashlib
import http.client
import os
import socket
import struct

GUID = b"258EAFA5-E914-47DA-95CA-C5AB0DC85B11"


def get(port, path, host="127.0.0.1", source=None, headers=None, timeout=10, tls=None):
    """GET path; returns (status, headers dict with lower-case names, body bytes).
    `tls`: an ssl.SSLContext to speak HTTPS with (it checks the server's certificate)."""
    where = (source, 0) if source else None
    if tls:
        conn = http.client.HTTPSConnection(host, port, timeout=timeout, source_address=where, context=tls)
    else:
        conn = http.client.HTTPConnection(host, port, timeout=timeout, source_address=where)
    conn.request("GET", path, headers=headers or {})
    reply = conn.getresponse()
    body = reply.read()
    conn.close()
    return reply.status, {k.lower(): v for k, v in reply.getheaders()}, body


def raw(port, data, host="127.0.0.1", timeout=10):
    """Sends bytes as they are and returns everything that comes back until the server closes."""
    s = socket.create_connection((host, port), timeout=timeout)
    s.sendall(data)
    got = b""
    try:
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            got += chunk
    except (ConnectionResetError, socket.timeout):
        pass
    s.close()
    return got


class Refused(Exception):
    def __init__(self, status, text):
        super().__init__("handshake refused: %s %s" % (status, text))
        self.status = status
        self.text = text


class WebSocket:
    def __init__(self, port, path, host="127.0.0.1", source=None, origin=None, rcvbuf=None, timeout=10, tls=None):
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        if rcvbuf:
            s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, rcvbuf)
        if source:
            s.bind((source, 0))
        s.settimeout(timeout)
        s.connect((host, port))
        if tls:
            s = tls.wrap_socket(s, server_hostname=host)
        key = base64.b64encode(os.urandom(16))
        head = ("GET %s HTTP/1.1\r\nHost: %s:%d\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                "Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n" % (path, host, port, key.decode()))
        if origin:
            head += "Origin: %s\r\n" % origin
        s.sendall((head + "\r\n").encode())
        buf = b""
        while b"\r\n\r\n" not in buf:
            chunk = s.recv(4096)
            if not chunk:
                raise Refused(0, buf.decode(errors="replace"))
            buf += chunk
        reply, self.buf = buf.split(b"\r\n\r\n", 1)
        status = int(reply.split(b" ")[1])
        if status != 101:
            rest = self.buf
            try:
                while True:
                    chunk = s.recv(4096)
                    if not chunk:
                        break
                    rest += chunk
            except OSError:
                pass
            s.close()
            raise Refused(status, rest.decode(errors="replace"))
        accept = base64.b64encode(hashlib.sha1(key + GUID).digest())
        given = [line.split(b":", 1)[1].strip() for line in reply.split(b"\r\n")[1:]
                 if line.lower().startswith(b"sec-websocket-accept:")]
        if given != [accept]:
            raise AssertionError("wrong Sec-WebSocket-Accept in %r" % reply)
        self.sock = s

    def _read(self, n):
        while len(self.buf) < n:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("the server closed the connection")
            self.buf += chunk
        out, self.buf = self.buf[:n], self.buf[n:]
        return out

    def _frame(self):
        b0, b1 = self._read(2)
        if b1 & 0x80:
            raise AssertionError("a server frame must not be masked")
        n = b1 & 0x7F
        if n == 126:
            n = struct.unpack(">H", self._read(2))[0]
        elif n == 127:
            n = struct.unpack(">Q", self._read(8))[0]
        return b0 & 0x80, b0 & 0x0F, self._read(n)

    def _send(self, opcode, payload):
        mask = os.urandom(4)
        n = len(payload)
        head = bytes([0x80 | opcode])
        if n < 126:
            head += bytes([0x80 | n])
        elif n < 65536:
            head += bytes([0x80 | 126]) + struct.pack(">H", n)
        else:
            head += bytes([0x80 | 127]) + struct.pack(">Q", n)
        masked = bytes(c ^ mask[i % 4] for i, c in enumerate(payload))
        self.sock.sendall(head + mask + masked)

    def recv(self):
        """('text', str) for a message; ('close', code, reason) when the server closes."""
        parts = b""
        while True:
            fin, opcode, payload = self._frame()
            if opcode == 0x9:
                self._send(0xA, payload)
                continue
            if opcode == 0xA:
                continue
            if opcode == 0x8:
                code = struct.unpack(">H", payload[:2])[0] if len(payload) >= 2 else None
                return ("close", code, payload[2:].decode())
            parts += payload
            if fin:
                return ("text", parts.decode())

    def close(self):
        try:
            self._send(0x8, struct.pack(">H", 1000))
            self.sock.shutdown(socket.SHUT_WR)
            while self.sock.recv(65536):
                pass
        except OSError:
            pass
        self.sock.close()
