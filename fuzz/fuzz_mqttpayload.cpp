// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as the payloads of a remote meter. The first byte says what they are read
// as: a reading, a run or a status on their own, or a stream of messages handed to a
// remote meter as its connection would (each message a topic byte, a length and that
// many bytes). A reading that is taken reads back the same once the writer has written
// it again; a run keeps its fields through the writer; the remote meter's reading is
// always one that a payload carried, within the meter's range.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "base/clock.h"
#include "publish/payloads.h"
#include "publish/remotemeter.h"

namespace {

using namespace kelvor;

void readingRoundTrip(const QByteArray& bytes)
{
    const Result<ReadingPayload> r = ReadReadingPayload(bytes);
    if (!r) {
        if (r.error().isEmpty())
            std::abort();
        return;
    }
    for (const float t : r->t)
        if (!(std::fabs(t) <= kMaxPayloadDegrees))
            std::abort();
    // The writer's local times cover the years of the program's own clock.
    const QDateTime local = r->time.toLocalTime();
    if (local.date().year() < 1900 || local.date().year() > 2200)
        return;
    PayloadWriter w;
    const Result<ReadingPayload> again = ReadReadingPayload(w.sample({toDays(local), r->flags, r->t}, 0, r->run));
    // Compared as wall-clock times: in the hour a daylight-saving change repeats, the
    // writer may give the other offset.
    const auto wall = [](const QDateTime& t) {
        const QDateTime l = t.toLocalTime();
        return qint64(l.date().toJulianDay()) * 86400000 + l.time().msecsSinceStartOfDay();
    };
    if (!again || again->flags != r->flags || again->run != r->run || std::llabs(wall(again->time) - wall(local)) > 1)
        std::abort();
    for (int c = 0; c < 4; ++c)
        if (!(r->flags & (0x11u << c)) && again->t[std::size_t(c)] != r->t[std::size_t(c)])
            std::abort();
}

void runRoundTrip(const QByteArray& bytes)
{
    const Result<RunPayload> r = ReadRunPayload(bytes);
    if (!r)
        return;
    RunAnnouncement a;
    a.run = r->run;
    a.rateSeconds = r->rateSeconds;
    a.name = r->name;
    a.model = r->model;
    a.serial = r->serial;
    const Result<RunPayload> again = ReadRunPayload(RunStartedPayload(a));
    if (!again || again->run != r->run || again->rateSeconds != r->rateSeconds || again->name != r->name ||
        again->model != r->model || again->serial != r->serial)
        std::abort();
}

void stream(const std::uint8_t* data, std::size_t size)
{
    static ManualClock clock(QDateTime(QDate(2026, 12, 11), QTime(14, 0, 0)));
    MqttSettings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.prefix = QStringLiteral("kelvor/KV4-00017");
    RemoteMeter meter(settings, clock);
    const MqttTopics topics(settings.prefix);
    const QByteArray names[] = {topics.status, topics.run, topics.sample, topics.live, "kelvor/other"};
    std::size_t at = 0;
    while (at + 3 <= size) {
        const std::uint8_t kind = data[at];
        const std::size_t length = std::size_t(data[at + 1]) | std::size_t(data[at + 2]) << 8;
        at += 3;
        const std::size_t take = std::min(length, size - at);
        const QByteArray payload(reinterpret_cast<const char*>(data + at), qsizetype(take));
        at += take;
        meter.receive(names[kind % 5], payload, int(take) + (kind & 0x80 ? 5000 : 0));
        clock.advanceMs((kind >> 3) & 0x0f ? 200 * ((kind >> 3) & 0x0f) : 0);
        const CycleTick tick = meter.step();
        if (meter.hasReading()) {
            for (const float t : meter.reading().T)
                if (!(std::fabs(t) <= kMaxPayloadDegrees))
                    std::abort();
            if (tick.event != CycleEvent::Found && tick.event != CycleEvent::Reading)
                std::abort();
            meter.takeDueSample(0);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    switch (data[0] % 4) {
        case 0:
            readingRoundTrip(bytes);
            break;
        case 1:
            runRoundTrip(bytes);
            break;
        case 2:
            (void)ReadStatusPayload(bytes);
            break;
        default:
            stream(data + 1, size - 1);
            break;
    }
    return 0;
}
