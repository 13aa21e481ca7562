// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/tabledatetime.h"

#include <QDateTime>

#include "base/clock.h"
#include "base/localetext.h"

namespace kelvor {

namespace {
// Qt reads "yy" as 19yy; the meter's dates are all after 2000.
QDate centuryFixed(QDate d, const QString& format)
{
    if (d.isValid() && !format.contains(QLatin1String("yyyy")) && d.year() < 2000)
        d = d.addYears(100);
    return d;
}
}  // namespace

std::optional<double> ParseTableDateTime(const QString& date, const QString& time, const QLocale& locale)
{
    const QString d = date.trimmed();
    const QString t = time.trimmed();
    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    QDate day = centuryFixed(locale.toDate(d, dateFormat), dateFormat);
    if (!day.isValid())
        day = QDate::fromString(d, Qt::ISODate);
    QTime clock = locale.toTime(t, LongTimeFormat(locale));
    if (!clock.isValid())
        clock = locale.toTime(t, QLocale::ShortFormat);
    if (!clock.isValid())
        clock = QTime::fromString(t, Qt::ISODate);
    if (!day.isValid() || !clock.isValid())
        return std::nullopt;
    return toDays(QDateTime(day, clock));
}

QString DateTimeConversionError(const QString& text)
{
    return QStringLiteral("'%1' is not a valid date and time").arg(text);
}

std::optional<float> ParseTableValue(const QString& cell, const QLocale& locale)
{
    bool ok = false;
    const double v = locale.toDouble(cell.trimmed(), &ok);
    if (!ok)
        return std::nullopt;
    return float(v);
}

}  // namespace kelvor
