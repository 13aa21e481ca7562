// SPDX-License-Identifier: GPL-3.0-or-later
// Any byte string as the settings file: what is read is always a rate the rate lists
// can hold and a colour of 0x00BBGGRR, whatever the file says; the same for the
// publishing choice kept beside them.
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "base/settings.h"
#include "publish/publishsettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KELVOR.conf"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const StoredSettings s = readSettings(*openProgramSettings(path));
    if (s.RealTimeRate < kMinRealTimeRate || s.RealTimeRate > kMaxRealTimeRate)
        std::abort();
    if (s.AnnoColor < 0 || s.AnnoColor > 0xFFFFFF)
        std::abort();
    // The publishing choice from the same file: a port, a QoS and a prefix it can use.
    const PublishingSettings p = ReadPublishing(*openProgramSettings(path));
    if (p.mqtt.port < 1 || p.mqtt.port > 65535 || (p.mqtt.qos != 0 && p.mqtt.qos != 1) || p.mqtt.liveIntervalMs < 0)
        std::abort();
    if (!p.mqtt.prefix.isEmpty() && !TopicPrefixProblem(p.mqtt.prefix).isEmpty())
        std::abort();
    return 0;
}
