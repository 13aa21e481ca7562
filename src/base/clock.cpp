// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/clock.h"

#include "base/localoffsets.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cmath>

namespace kelvor {

namespace {
const QDateTime& epoch()
{
    static const QDateTime e(QDate(1899, 12, 30), QTime(0, 0));
    return e;
}
}  // namespace

double toDays(const QDateTime& dt)
{
    // Local wall-clock days: count the calendar days, then add the time of day, so a
    // daylight-saving change never shifts the fraction.
    const qint64 days = epoch().date().daysTo(dt.date());
    const double frac = dt.time().msecsSinceStartOfDay() / 86400000.0;
    return days >= 0 ? double(days) + frac : double(days) - frac;
}

namespace {
QDateTime dateTimeOfDays(double days, Qt::TimeSpec zone)
{
    if (!std::isfinite(days))
        return {};
    const double whole = std::trunc(days);
    double fracMs = std::round(std::fabs(days - whole) * 86400000.0);
    qint64 day = qint64(whole);
    if (fracMs >= 86400000.0) {
        fracMs -= 86400000.0;
        day += days >= 0 ? 1 : -1;
    }
    const QDate d = epoch().date().addDays(day);
    return QDateTime(d, QTime::fromMSecsSinceStartOfDay(int(fracMs)), zone);
}
}  // namespace

QDateTime fromDays(double days) { return dateTimeOfDays(days, Qt::LocalTime); }

QDateTime WallDateTime(double days) { return dateTimeOfDays(days, Qt::UTC); }

SystemClock::SystemClock() : m_startMs(QDateTime::currentMSecsSinceEpoch()) {}

QDateTime SystemClock::now() const { return QDateTime::currentDateTime(); }

std::uint32_t SystemClock::tickMs() const
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return std::uint32_t(timer.elapsed());
}

void SystemClock::processEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void SystemClock::processEventsWhileWaiting()
{
    processEvents();
    // Yield the core instead of spinning on the tick count.
    QThread::msleep(1);
}

ManualClock::ManualClock(QDateTime start) : m_start(std::move(start)) {}

QDateTime ManualClock::now() const { return m_start.addMSecs(m_elapsedMs); }

std::uint32_t ManualClock::tickMs() const { return m_tickBase + std::uint32_t(m_elapsedMs); }

void ManualClock::processEvents()
{
    if (m_runQtEvents && QCoreApplication::instance())
        QCoreApplication::processEvents();
    m_elapsedMs += m_step;
}

void ManualClock::advanceMs(std::int64_t ms) { m_elapsedMs += ms; }

void ManualClock::setNow(const QDateTime& dt)
{
    m_start = dt;
    m_elapsedMs = 0;
}

}  // namespace kelvor
