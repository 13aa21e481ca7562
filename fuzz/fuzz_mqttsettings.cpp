// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a broker address (--mqtt, the Publishing dialog) and as the saved
// publishing positions. An address that is taken names a host, a port of 1 to 65535 and
// a prefix whose topics are valid; positions read back the same after saving, and none
// is negative.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "publish/mqttsettings.h"
#include "publish/publishpositions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (data[0] & 1) {
        const Result<MqttSettings> s = ParseMqttUrl(QString::fromUtf8(bytes));
        if (!s)
            return s.error().isEmpty() ? (std::abort(), 0) : 0;
        if (s->host.isEmpty() || s->port < 1 || s->port > 65535)
            std::abort();
        const QString prefix = s->topicPrefix(QString::fromUtf8(bytes));
        if (!TopicPrefixProblem(prefix).isEmpty())
            std::abort();
        return 0;
    }
    const PublishPositions p = PublishPositions::fromJson(bytes);
    const PublishPositions again = PublishPositions::fromJson(p.toJson());
    if (!(again == p))
        std::abort();
    return 0;
}
