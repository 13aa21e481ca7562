// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/sim/simdevice.h"

#include <QStringList>
#include <QThread>
#include <algorithm>
#include <cstring>

#include "base/clock.h"

namespace kelvor {

SimDevice::SimDevice(Clock& clock, SimMeterConfig config, SimFaultPlan plan)
    : m_clock(&clock), m_meter(clock, config), m_protocol(m_meter), m_faults(std::move(plan)), m_serial(config.serial)
{
}

void SimDevice::wait(int ms)
{
    if (ms <= 0)
        return;
    // A real read blocks the thread; a test clock just moves on.
    if (auto* manual = dynamic_cast<ManualClock*>(m_clock))
        manual->advanceMs(ms);
    else
        QThread::msleep(unsigned(ms));
}

int SimDevice::OpenLink(std::uint16_t vendorId, std::uint16_t productId)
{
    if (vendorId != kMeterVendorId || productId != kMeterProductId || !m_faults.open()) {
        m_openProblem = QStringLiteral("no meter found (the simulated meter is unplugged)");
        return kLinkFailed;
    }
    m_openProblem.clear();
    m_open = true;
    return kLinkOk;
}

int SimDevice::SetLinkTimeouts(int, int) { return m_faults.unplugged() ? kLinkFailed : kLinkOk; }

int SimDevice::WriteFrame(const std::uint8_t* frame, int length)
{
    m_pending.reset();
    m_hit = m_faults.beginExchange(length >= 2 ? frame[1] : 0);
    if (m_hit.unplugged || length != 7)
        return kLinkFailed;
    std::vector<std::uint8_t> reply = m_protocol.handleFrame(frame, length);
    if (!reply.empty() && !m_hit.drop) {
        m_faults.damage(m_hit, reply);
        m_pending = std::move(reply);
    }
    return kLinkOk;
}

int SimDevice::WriteBlock(const std::uint8_t* block, int length)
{
    m_pending.reset();
    if (m_faults.unplugged() || length != 32)
        return kLinkFailed;
    std::vector<std::uint8_t> reply = m_protocol.handleBlock(block, length);
    if (!reply.empty() && !m_hit.drop) {
        m_faults.damage(m_hit, reply);
        m_pending = std::move(reply);
    }
    return kLinkOk;
}

int SimDevice::SyncLink() { return kLinkOk; }

int SimDevice::ReadReply(std::uint8_t* buffer, int length)
{
    wait(m_faults.plan().latencyMs);
    std::optional<std::vector<std::uint8_t>> reply;
    reply.swap(m_pending);
    // A read shorter than the reply takes its head (the download reads 32 bytes of a
    // live reply); a longer one finds nothing more arriving and fails.
    if (m_faults.unplugged() || !reply || length <= 0 || std::size_t(length) > reply->size())
        return kLinkFailed;
    std::copy_n(reply->begin(), length, buffer);
    return kLinkOk;
}

int SimDevice::CloseLink()
{
    m_open = false;
    return kLinkOk;
}

QString SimDevice::serialText() const
{
    if (!m_serial.isEmpty())
        return m_serial;
    return QStringLiteral("KV4-SIM-%1").arg(m_meter.seed() % 100000, 5, 10, QLatin1Char('0'));
}

std::vector<FoundMeter> SimDevice::findMeters()
{
    return {{QStringLiteral("sim"), serialText(),
             m_faults.unplugged() ? QStringLiteral("the simulated meter is unplugged") : QString()}};
}

int SimDevice::GetSerialText(char* buffer, int size)
{
    if (size <= 0)
        return kLinkFailed;
    const QByteArray text = serialText().toLatin1();
    const int n = std::min(int(text.size()), size - 1);
    std::memcpy(buffer, text.constData(), std::size_t(n));
    buffer[n] = '\0';
    return m_faults.unplugged() ? kLinkFailed : kLinkOk;
}

namespace {
bool parseChannels(const QString& value, std::vector<int>& out)
{
    out.clear();
    for (QChar c : value) {
        if (c < QLatin1Char('1') || c > QLatin1Char('4'))
            return false;
        out.push_back(c.unicode() - '1');
    }
    return true;
}
bool isSerialText(const QString& value)
{
    if (value.isEmpty() || value.size() > 32)
        return false;
    for (QChar c : value)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-') && c != QLatin1Char('_') &&
            c != QLatin1Char('.'))
            return false;
    return true;
}

// A meter named by its serial alone gets its own noise and its own temperatures: the
// seed comes from the serial (FNV-1a, the same on every computer) and shifts the
// channels' levels by up to 10 degrees either way.
void seedFromSerial(SimMeterConfig& config, SimFaultPlan& plan)
{
    std::uint32_t h = 2166136261u;
    for (char c : config.serial.toLatin1())
        h = (h ^ std::uint8_t(c)) * 16777619u;
    config.seed = plan.seed = h % 1000000u + 1u;
    const double shift = double(int(h % 201u) - 100) / 10.0;
    for (SimChannel& c : config.channels)
        if (c.kind == ChannelKind::Ambient || c.kind == ChannelKind::Heating || c.kind == ChannelKind::Cooling) {
            c.from += shift;
            c.to += shift;
        }
}

}  // namespace

bool parseSimOptions(const QString& options, SimMeterConfig& config, SimFaultPlan& plan, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("simulated meter: %1").arg(why);
        return false;
    };
    bool seedGiven = false;
    for (const QString& item : options.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int eq = item.indexOf(QLatin1Char('='));
        const QString key = item.left(eq).trimmed();
        const QString value = eq < 0 ? QString() : item.mid(eq + 1).trimmed();
        if (eq < 0)
            return fail(QStringLiteral("option '%1' needs a value (key=value)").arg(item));
        bool ok = true;
        if (key == QLatin1String("seed")) {
            config.seed = value.toUInt(&ok);
            plan.seed = config.seed;
            seedGiven = true;
            if (!ok)
                return fail(QStringLiteral("seed must be a whole number, not '%1'").arg(value));
        } else if (key == QLatin1String("faults")) {
            QString why;
            if (!plan.parseRules(value, &why))
                return fail(why);
        } else if (key == QLatin1String("latency")) {
            plan.latencyMs = value.toInt(&ok);
            if (!ok || plan.latencyMs < 0 || plan.latencyMs > 10000)
                return fail(QStringLiteral("latency must be 0..10000 ms, not '%1'").arg(value));
        } else if (key == QLatin1String("loss")) {
            plan.lossPercent = value.toInt(&ok);
            if (!ok || plan.lossPercent < 0 || plan.lossPercent > 100)
                return fail(QStringLiteral("loss must be a percentage 0..100, not '%1'").arg(value));
        } else if (key == QLatin1String("memory")) {
            if (value != QLatin1String("demo") && value != QLatin1String("erased"))
                return fail(QStringLiteral("memory must be demo or erased, not '%1'").arg(value));
            config.demoMemory = value == QLatin1String("demo");
        } else if (key == QLatin1String("ol") || key == QLatin1String("unplugged")) {
            std::vector<int> channels;
            if (!parseChannels(value, channels))
                return fail(QStringLiteral("%1 takes channel numbers 1..4, e.g. %1=23, not '%2'").arg(key, value));
            const bool over = key == QLatin1String("ol");
            if (!over) {
                // Naming the unplugged channels replaces the default (T4).
                const SimMeterConfig defaults;
                for (int c = 0; c < 4; ++c)
                    if (config.channels[std::size_t(c)].kind == ChannelKind::Unplugged)
                        config.channels[std::size_t(c)] =
                            c == 3 ? SimChannel::ambient(23.4) : defaults.channels[std::size_t(c)];
            }
            for (int c : channels)
                config.channels[std::size_t(c)] = over ? SimChannel::overRange() : SimChannel::unplugged();
        } else if (key == QLatin1String("battery")) {
            if (value == QLatin1String("full"))
                config.battery = BatteryMark::Full;
            else if (value == QLatin1String("2"))
                config.battery = BatteryMark::TwoBars;
            else if (value == QLatin1String("1"))
                config.battery = BatteryMark::OneBar;
            else if (value == QLatin1String("empty"))
                config.battery = BatteryMark::Empty;
            else
                return fail(QStringLiteral("battery must be full, 2, 1 or empty, not '%1'").arg(value));
        } else if (key == QLatin1String("serial")) {
            if (!isSerialText(value))
                return fail(
                    QStringLiteral("serial takes 1 to 32 letters, digits, '-', '_' or '.', not '%1'").arg(value));
            config.serial = value;
        } else {
            return fail(QStringLiteral("unknown option '%1' (known: seed, faults, latency, loss, memory, ol, "
                                       "unplugged, battery, serial)")
                            .arg(key));
        }
    }
    if (!config.serial.isEmpty() && !seedGiven)
        seedFromSerial(config, plan);
    return true;
}

std::unique_ptr<MeterDevice> createSimDevice(const QString& options, Clock& clock, QString* error)
{
    SimMeterConfig config;
    SimFaultPlan plan;
    if (!parseSimOptions(options, config, plan, error))
        return nullptr;
    return std::make_unique<SimDevice>(clock, config, std::move(plan));
}

}  // namespace kelvor
