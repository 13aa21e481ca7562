// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/sim/simmeter.h"

#include <cmath>
#include <cstdio>

#include "base/clock.h"
#include "meter/lcdlayout.h"
#include "meter/sim/simdemo.h"

namespace kelvor {

namespace {
constexpr std::int16_t kOverRangeNumber = 0x7FFF;
constexpr std::int16_t kDashedNumber = std::int16_t(-0x8000);
// Beyond this many measurements at once (a clock jump of hours), only the last
// ones are looked at: statistics over a smooth process lose nothing that matters.
constexpr std::int64_t kMaxCatchUpSteps = 20000;
constexpr std::int64_t kMemShownMs = 2000;

// Tenths in the display unit; nullopt-like false when it does not fit 16 bits.
bool toTenths(double celsius, bool fahrenheit, int& tenths)
{
    const double v = fahrenheit ? celsius * 1.8 + 32.0 : celsius;
    const double t = std::round(v * 10.0);
    if (t > 32767.0 || t < -32767.0)
        return false;
    tenths = int(t);
    return true;
}

}  // namespace

LcdRow lcdRowOf(const ChannelSample& s, bool fahrenheit)
{
    int tenths = 0;
    if (s.state == ChannelState::Unplugged)
        return lcdRowFromText("----");
    if (s.state == ChannelState::OverRange || !toTenths(s.celsius, fahrenheit, tenths))
        return lcdRowFromText(" OL ");
    char text[16];
    const int a = std::abs(tenths);
    // Four cells: one decimal below 1000 degrees, whole degrees above.
    if (a < 10000)
        std::snprintf(text, sizeof text, "%s%d.%d", tenths < 0 ? "-" : "", a / 10, a % 10);
    else
        std::snprintf(text, sizeof text, "%s%d", tenths < 0 ? "-" : "", a / 10);
    return lcdRowFromText(text);
}

std::int16_t replyTenthsOf(const ChannelSample& s, bool fahrenheit)
{
    int tenths = 0;
    if (s.state == ChannelState::Unplugged)
        return kDashedNumber;
    if (s.state == ChannelState::OverRange || !toTenths(s.celsius, fahrenheit, tenths))
        return kOverRangeNumber;
    return std::int16_t(tenths);
}

SimMeter::SimMeter(Clock& clock, SimMeterConfig config)
    : m_clock(&clock), m_config(config), m_lastTick(clock.tickMs()), m_clockBase(clock.now())
{
    if (m_config.demoMemory)
        loadDemoDataSets(m_memory, m_config.seed, m_clockBase);
    m_current = measure(0);
}

void SimMeter::advance()
{
    const std::uint32_t tick = m_clock->tickMs();
    const std::uint32_t delta = tick - m_lastTick;
    m_lastTick = tick;
    if (delta < 0x80000000u)  // a clock set backwards is not time passing
        m_elapsedMs += delta;

    const std::int64_t step = m_elapsedMs / kMeasureMs;
    if (step - m_step > kMaxCatchUpSteps)
        m_step = step - kMaxCatchUpSteps;
    while (m_step < step) {
        ++m_step;
        m_current = measure(m_step);
        updateStatistics(m_current);
    }
    recordDueSamples();
    if (m_memShownUntilMs >= 0 && m_elapsedMs >= m_memShownUntilMs)
        m_memShownUntilMs = -1;
}

SimMeter::Readings SimMeter::measure(std::int64_t step) const
{
    Readings r;
    const double seconds = double(step) * kMeasureMs / 1000.0;
    for (int c = 0; c < 4; ++c) {
        r[std::size_t(c)] = m_config.channels[std::size_t(c)].sample(seconds, m_config.seed, c, step);
        if (r[std::size_t(c)].state == ChannelState::Value &&
            !withinThermocoupleRange(m_memory.thermoType(), r[std::size_t(c)].celsius))
            r[std::size_t(c)].state = ChannelState::OverRange;
    }
    return r;
}

void SimMeter::updateStatistics(const Readings& r)
{
    if (m_mma == MmaMode::Off)
        return;
    for (std::size_t c = 0; c < 4; ++c) {
        if (r[c].state != ChannelState::Value)
            continue;
        const double v = r[c].celsius;
        m_max[c] = m_count[c] ? std::max(m_max[c], v) : v;
        m_min[c] = m_count[c] ? std::min(m_min[c], v) : v;
        m_sum[c] += v;
        ++m_count[c];
    }
}

std::array<std::int16_t, 4> SimMeter::storedSample(std::int64_t atMs) const
{
    const Readings r = measure(atMs / kMeasureMs);
    std::array<std::int16_t, 4> v{};
    for (std::size_t c = 0; c < 4; ++c)
        v[c] = replyTenthsOf(r[c], true);  // memory holds tenths of degrees F
    return v;
}

void SimMeter::recordDueSamples()
{
    while (m_memory.recording() && m_nextSampleMs <= m_elapsedMs) {
        if (!m_memory.appendSample(storedSample(m_nextSampleMs))) {
            m_memory.endDataSet();
            m_full = true;
            return;
        }
        m_nextSampleMs += m_runIntervalMs;
    }
}

void SimMeter::startRecording()
{
    SimMemory::DataSetStart s;
    s.start = meterTime();
    s.intervalMinutes = m_memory.intervalMinutes();
    s.intervalSeconds = m_memory.intervalSeconds();
    s.celsius = !m_fahrenheit;
    s.thermoType = m_memory.thermoType();
    s.offsets = m_memory.offsets();
    if (!m_memory.beginDataSet(s)) {
        m_full = true;
        return;
    }
    // The run keeps the interval its header states, whatever "I" says meanwhile.
    m_runIntervalMs = std::int64_t(std::max(s.intervalMinutes * 60 + s.intervalSeconds, 1)) * 1000;
    m_nextSampleMs = m_elapsedMs;  // sample 0 is taken at the start time
    recordDueSamples();
}

bool SimMeter::pressKey(std::uint8_t letter)
{
    advance();
    switch (letter) {
        case 'H':
            if (!m_hold)
                m_held = shownReadings();
            m_hold = !m_hold;
            return true;
        case 'C':
            m_fahrenheit = !m_fahrenheit;
            return true;
        case 'M':
            switch (m_mma) {
                case MmaMode::Off:
                    m_max = m_min = m_sum = {};
                    m_count = {};
                    m_mma = MmaMode::Recording;
                    updateStatistics(m_current);
                    break;
                case MmaMode::Recording:
                    m_mma = MmaMode::Max;
                    break;
                case MmaMode::Max:
                    m_mma = MmaMode::Min;
                    break;
                case MmaMode::Min:
                    m_mma = MmaMode::Avg;
                    break;
                case MmaMode::Avg:
                    m_mma = MmaMode::Recording;
                    break;
            }
            return true;
        case 'N':
            m_mma = MmaMode::Off;
            return true;
        case 'E':
            if (m_memory.recording())
                m_memory.endDataSet();
            else
                startRecording();
            return true;
        case 'B':
            m_backlight = !m_backlight;
            return true;
        case 'm':
            if (m_saved.size() < 99)
                m_saved.push_back(shownReadings());
            m_memShownUntilMs = m_elapsedMs + kMemShownMs;
            return true;
        case 'R':
            // Newest slot first, one older per press, then back to measuring.
            if (m_recallSlot < 0)
                m_recallSlot = int(m_saved.size()) - 1;
            else
                --m_recallSlot;
            return true;
        default:
            return false;
    }
}

SimMeter::Readings SimMeter::shownReadings() const
{
    if (m_recallSlot >= 0)
        return m_saved[std::size_t(m_recallSlot)];
    if (m_hold)
        return m_held;
    if (m_mma == MmaMode::Off || m_mma == MmaMode::Recording)
        return m_current;
    Readings r;
    for (std::size_t c = 0; c < 4; ++c) {
        if (m_count[c] == 0) {
            r[c] = m_current[c];  // no value seen: the channel shows what it shows now
            continue;
        }
        r[c].state = ChannelState::Value;
        r[c].celsius = m_mma == MmaMode::Max ? m_max[c] : m_mma == MmaMode::Min ? m_min[c] : m_sum[c] / m_count[c];
    }
    return r;
}

LcdDisplay SimMeter::display()
{
    advance();
    Readings r = shownReadings();
    const bool t1t2 = m_memory.t1MinusT2();
    if (t1t2) {
        ChannelSample d;
        if (r[0].state != ChannelState::Value || r[1].state != ChannelState::Value)
            d.state = r[0].state == ChannelState::Unplugged || r[1].state == ChannelState::Unplugged
                          ? ChannelState::Unplugged
                          : ChannelState::OverRange;
        else
            d.celsius = r[0].celsius - r[1].celsius;
        // A difference converts without the 32 degree offset.
        if (m_fahrenheit && d.state == ChannelState::Value)
            d.celsius = (d.celsius * 1.8 - 32.0) / 1.8;
        r[1] = d;
    }

    LcdDisplay d;
    for (std::size_t c = 0; c < 4; ++c) {
        d.rows[c] = lcdRowOf(r[c], m_fahrenheit);
        d.units[c] = m_fahrenheit ? RowUnit::Fahrenheit : RowUnit::Celsius;
    }
    const int slot = m_recallSlot >= 0 ? m_recallSlot + 1 : m_memShownUntilMs >= 0 ? int(m_saved.size()) : -1;
    if (slot >= 0)
        d.small = {std::uint8_t(slot / 10), std::uint8_t(slot % 10)};
    d.hold = m_hold;
    const bool mmaAll = m_mma == MmaMode::Recording;
    d.max = mmaAll || m_mma == MmaMode::Max;
    d.min = mmaAll || m_mma == MmaMode::Min;
    d.avg = mmaAll || m_mma == MmaMode::Avg;
    d.mem = m_memShownUntilMs >= 0;
    d.recall = m_recallSlot >= 0;
    d.rec = m_memory.recording() || m_full;
    d.full = m_full;
    d.typeLabel = true;
    static constexpr ThermoMark kMarks[] = {ThermoMark::K, ThermoMark::J, ThermoMark::E, ThermoMark::T};
    const int type = m_memory.thermoType();
    d.thermo = type >= 0 && type < 4 ? kMarks[type] : ThermoMark::None;
    d.t1MinusT2 = t1t2;
    d.autoOff = m_memory.sleepIndex() != 0;
    d.battery = m_config.battery;
    if (m_memory.alarmOn()) {
        d.alarm = true;
        for (const auto& s : m_current) {
            if (s.state != ChannelState::Value)
                continue;
            const double f = s.celsius * 1.8 + 32.0;  // the limits are whole degrees F
            d.alarmHi = d.alarmHi || f > m_memory.alarmHigh();
            d.alarmLo = d.alarmLo || f < m_memory.alarmLow();
        }
    }
    return d;
}

std::array<std::uint8_t, 64> SimMeter::liveReply()
{
    const LcdDisplay d = display();  // advances the model
    Readings r = shownReadings();
    std::array<std::uint8_t, 64> reply{};
    reply[0] = 0x02;
    reply[63] = 0x03;
    reply[kReplyUnitByte] = m_fahrenheit ? 0x80 : 0x00;
    std::uint8_t status = 0;
    if (m_memory.recording())
        status |= 0x08;
    if (m_full)
        status |= 0x10;
    if (m_mma == MmaMode::Recording) {
        status |= 0x40;
        reply[kReplyTimedByte] = 0x08;
    }
    reply[kReplyStatusByte] = status;

    // The numbers are the rows as shown, so a reader of either sees the same thing.
    std::uint8_t flags = 0;
    for (int c = 0; c < 4; ++c) {
        const LcdRow& row = d.rows[std::size_t(c)];
        std::int16_t n;
        if (row == lcdRowFromText("----")) {
            flags |= std::uint8_t(0x10 << c);
            n = kDashedNumber;
        } else if (row == lcdRowFromText(" OL ")) {
            flags |= std::uint8_t(1 << c);
            n = kOverRangeNumber;
        } else {
            n = replyTenthsOf(r[std::size_t(c)], m_fahrenheit);
            int shown = 0;
            // The difference row is read back from the LCD so both agree to the tenth.
            if (c == 1 && d.t1MinusT2 && lcdRowTenths(row, shown))
                n = std::int16_t(shown);
        }
        reply[std::size_t(kReplyFirstValueByte + 2 * c)] = std::uint8_t(std::uint16_t(n) >> 8);
        reply[std::size_t(kReplyFirstValueByte + 2 * c + 1)] = std::uint8_t(n);
    }
    reply[kReplyChannelFlagsByte] = flags;
    encodeLcd(d, reply.data());
    return reply;
}

QDateTime SimMeter::meterTime() const { return m_clockBase.addMSecs(m_elapsedMs - m_clockBaseMs); }

void SimMeter::setMeterTime(const QDateTime& t)
{
    advance();
    m_clockBase = t;
    m_clockBaseMs = m_elapsedMs;
}

bool SimMeter::setInterval(int minutes, int seconds)
{
    if (minutes == 0 && seconds == 0)
        return false;
    m_memory.setInterval(minutes, seconds);
    return true;
}

bool SimMeter::eraseMemory()
{
    advance();
    if (m_memory.recording())
        return false;
    m_memory.erase();
    m_full = false;
    return true;
}

}  // namespace kelvor
