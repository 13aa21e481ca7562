#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks the sample messages a subscriber received against the library, byte for byte.

Usage: mqtt_samples.py DB RECEIVED TOPIC [RUN...]

RECEIVED holds "topic payload" lines (mosquitto_sub -v). For each run (default: every
recording in DB) the first arrival of each seq must be 0..N-1 in order, where N is the
run's sample count in the library; a seq may come again (QoS 1 after a reconnect) but
every copy must be the payload built here from the library row: the keys in their
order, the ISO time with its UTC offset (TZ), each channel the shortest text of its
float or "OL" / "----". Prints "<run>: <n> samples, <d> duplicates" per run.
"""
import datetime
import decimal
import json
import os
import sqlite3
import struct
import sys
import zoneinfo

EPOCH = datetime.datetime(1899, 12, 30)


def float32_text(v):
    for p in range(1, 10):
        s = "%.*g" % (p, v)
        if struct.unpack("f", struct.pack("f", float(s)))[0] == v:
            return format(decimal.Decimal(s), "f")
    raise ValueError(v)


def time_text(days, zone):
    ms = round(days * 86400000)
    wall = EPOCH + datetime.timedelta(milliseconds=ms)
    offset = wall.replace(tzinfo=zone).utcoffset()
    minutes = int(offset.total_seconds()) // 60
    sign = "+" if minutes >= 0 else "-"
    minutes = abs(minutes)
    text = wall.strftime("%Y-%m-%dT%H:%M:%S")
    if wall.microsecond:
        text += ".%03d" % (wall.microsecond // 1000)
    return text + "%s%02d:%02d" % (sign, minutes // 60, minutes % 60)


def expected(row, run, zone):
    seq, days, flags, *t = row
    fields = ['"time":"%s"' % time_text(days, zone), '"seq":%d' % seq, '"run":%d' % run]
    for c in range(4):
        if flags & (1 << c):
            value = '"OL"'
        elif flags & (1 << (c + 4)):
            value = '"----"'
        else:
            value = float32_text(struct.unpack("f", struct.pack("f", t[c]))[0])
        fields.append('"T%d":%s' % (c + 1, value))
    over = [c + 1 for c in range(4) if flags & (1 << c)]
    dashed = [c + 1 for c in range(4) if flags & (1 << (c + 4))]
    fields.append('"flags":{"OL":%s,"----":%s}' % (json.dumps(over).replace(" ", ""), json.dumps(dashed).replace(" ", "")))
    return "{" + ",".join(fields) + "}"


def main():
    db, received, topic = sys.argv[1:4]

    zone = zoneinfo.ZoneInfo(os.environ.get("TZ", "UTC"))
    con = sqlite3.connect("file:%s?mode=ro" % db, uri=True)
    runs = [int(r) for r in sys.argv[4:]] or [r[0] for r in con.execute("SELECT id FROM recordings ORDER BY id")]
    messages = {}
    for line in open(received, encoding="utf-8"):
        line = line.rstrip("\n")
        t, _, payload = line.partition(" ")
        if t != topic:
            continue
        doc = json.loads(payload)
        messages.setdefault(doc["run"], []).append((doc["seq"], payload))
    failed = False
    for run in runs:
        rows = con.execute("SELECT seq, time, flags, t1, t2, t3, t4 FROM samples WHERE recording_id = ? ORDER BY seq",
                           (run,)).fetchall()
        want = [expected(r, run, zone) for r in rows]
        got = messages.get(run, [])
        seen, firsts = set(), []
        for seq, payload in got:
            if seq >= len(want) or payload != want[seq]:
                print("run %d seq %d: got  %s\n%*s want %s" % (run, seq, payload, 0, "",
                                                               want[seq] if seq < len(want) else "(no such sample)"))
                failed = True
                break
            if seq not in seen:
                seen.add(seq)
                firsts.append(seq)
        if firsts != list(range(len(want))):
            missing = sorted(set(range(len(want))) - seen)
            print("run %d: %d samples in the library, first arrivals out of order or missing (missing: %s)"
                  % (run, len(want), missing[:20]))
            failed = True
        print("%d: %d samples, %d duplicates" % (run, len(want), len(got) - len(seen)))
    sys.exit(1 if failed else 0)


main()
