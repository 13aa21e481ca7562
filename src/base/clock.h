// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <cstdint>

namespace kelvor {

// Date-times inside the program: days since 30 December 1899 00:00 (local time).
double toDays(const QDateTime& dt);
// Rounds to the nearest millisecond (never truncates: start + 2 s must print :02).
QDateTime fromDays(double days);
inline constexpr double kSecondsPerDay = 86400.0;
inline constexpr double kDaysPerSecond = 1.0 / 86400.0;

// The program's notion of time and of "let the UI breathe". Everything that waits,
// polls or stamps a sample takes it, so tests can run minutes of meter time at once.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    double nowDays() const { return toDays(now()); }
    // Millisecond tick count; wraps like a 32-bit system tick.
    virtual std::uint32_t tickMs() const = 0;
    // Process pending events and return at once: long work calls this every few
    // hundred rows to let the window repaint and take a Cancel.
    virtual void processEvents() = 0;
    // One turn of a loop that waits for time to pass (between looks at tickMs):
    // processes events and may give up the core for a moment.
    virtual void processEventsWhileWaiting() { processEvents(); }
};

// Wall clock and the real event loop.
class SystemClock final : public Clock {
public:
    SystemClock();
    QDateTime now() const override;
    std::uint32_t tickMs() const override;
    void processEvents() override;
    void processEventsWhileWaiting() override;

private:
    std::int64_t m_startMs;
};

// A clock that only moves when told to, for tests and benchmarks. processEvents()
// advances it by `stepOnProcessEvents` ms (1 ms by default) so that waits finish,
// and optionally runs the Qt event loop too.
class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 1, 5), QTime(10, 0, 0)));
    QDateTime now() const override;
    std::uint32_t tickMs() const override;
    void processEvents() override;

    void advanceMs(std::int64_t ms);
    void setNow(const QDateTime& dt);
    void setStepOnProcessEvents(int ms) { m_step = ms; }
    void setRunQtEvents(bool on) { m_runQtEvents = on; }

private:
    QDateTime m_start;
    std::int64_t m_elapsedMs = 0;
    std::uint32_t m_tickBase = 1000;
    int m_step = 1;
    bool m_runQtEvents = false;
};

}  // namespace kelvor
