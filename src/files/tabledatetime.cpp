// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/tabledatetime.h"

#include <QDateTime>
#include <QRegularExpression>

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

// The locale's short date format with a two-digit and with a four-digit year, then
// its long format. Tables written by other programs and spreadsheets often carry
// four-digit years and days or months without a leading zero ("d" and "M" read one
// or two digits).
QStringList dateFormats(const QLocale& locale)
{
    static const QRegularExpression twoLetterDay(QStringLiteral("(?<!d)dd(?!d)"));
    static const QRegularExpression twoLetterMonth(QStringLiteral("(?<!M)MM(?!M)"));
    QString twoDigits = locale.dateFormat(QLocale::ShortFormat);
    twoDigits.replace(twoLetterDay, QStringLiteral("d")).replace(twoLetterMonth, QStringLiteral("M"));
    twoDigits.replace(QLatin1String("yyyy"), QLatin1String("yy"));
    QString fourDigits = twoDigits;
    fourDigits.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return {twoDigits, fourDigits, locale.dateFormat(QLocale::LongFormat)};
}

QDate readDate(const QString& text, const QLocale& locale)
{
    // A table is read row by row in one locale: build its formats once.
    thread_local QLocale cachedLocale(QLocale::C);
    thread_local QStringList formats = dateFormats(cachedLocale);
    if (!(locale == cachedLocale)) {
        cachedLocale = locale;
        formats = dateFormats(locale);
    }
    for (const QString& format : formats) {
        const QDate day = centuryFixed(locale.toDate(text, format), format);
        if (day.isValid())
            return day;
    }
    return QDate::fromString(text, Qt::ISODate);
}
}  // namespace

std::optional<double> ParseTableDateTime(const QString& date, const QString& time, const QLocale& locale)
{
    const QString d = date.trimmed();
    const QString t = time.trimmed();
    const QDate day = readDate(d, locale);
    QTime clock = locale.toTime(t, LongTimeFormat(locale));
    if (!clock.isValid())
        clock = locale.toTime(t, QLocale::ShortFormat);
    if (!clock.isValid())
        clock = QTime::fromString(t, Qt::ISODate);
    if (!clock.isValid())
        clock = QTime::fromString(t, QStringLiteral("H:mm:ss"));  // 24-hour without a leading zero
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

bool IsReadableTableRow(const TableRow& row, const QLocale& locale)
{
    for (std::size_t c = 2; c < row.size(); ++c) {
        const QString cell = row[c].trimmed();
        if (cell == QLatin1String("OL") || ParseTableValue(cell, locale) || ParseTableValue(cell, QLocale::c()))
            return true;
    }
    return ParseTableDateTime(row[0], row[1], locale).has_value();
}

}  // namespace kelvor
