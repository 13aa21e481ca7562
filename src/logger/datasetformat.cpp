// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/datasetformat.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "base/clock.h"
#include "base/localetext.h"
#include "base/localoffsets.h"

namespace kelvor {

namespace {
QString twoDigits(int v)
{
    if (v >= 0 && v < 100) {
        const char text[3] = {char('0' + v / 10), char('0' + v % 10), 0};
        return QString::fromLatin1(text, 2);
    }
    return v < 10 ? QStringLiteral("0%1").arg(v) : QString::number(v);
}

// A date or time format of numbers, names of months and days, and separators ("dd.MM.yyyy",
// "M/d/yy", "d MMM yyyy", "HH:mm:ss"), written field by field as QLocale would write it with
// the digits 0-9 and the locale's names, asked for once; anything else (AM/PM, time zones)
// is left to QLocale.
class ClockFormat {
public:
    ClockFormat() = default;
    ClockFormat(const QString& format, const QLocale& locale)
    {
        m_fast = compile(format);
        for (int k = 0; k < 2; ++k) {
            const QLocale::FormatType type = k ? QLocale::LongFormat : QLocale::ShortFormat;
            for (int m = 0; m < 12; ++m)
                m_months[std::size_t(k)][std::size_t(m)] = locale.monthName(m + 1, type);
            for (int d = 0; d < 7; ++d)
                m_days[std::size_t(k)][std::size_t(d)] = locale.dayName(d + 1, type);
        }
    }
    bool fast() const { return m_fast; }

    void append(QString& out, const QDate& d, const QTime& t) const
    {
        for (const Field& f : m_fields) {
            switch (f.what) {
                case 'L':
                    out += f.text;
                    break;
                case 'd':
                    if (f.width >= 3)
                        out += m_days[f.width == 4][std::size_t(d.dayOfWeek() - 1)];
                    else
                        number(out, d.day(), f.width);
                    break;
                case 'M':
                    if (f.width >= 3)
                        out += m_months[f.width == 4][std::size_t(d.month() - 1)];
                    else
                        number(out, d.month(), f.width);
                    break;
                case 'y':
                    number(out, f.width == 2 ? d.year() % 100 : d.year(), f.width);
                    break;
                case 'h':
                    number(out, t.hour(), f.width);
                    break;
                case 'm':
                    number(out, t.minute(), f.width);
                    break;
                case 's':
                    number(out, t.second(), f.width);
                    break;
            }
        }
    }

private:
    struct Field {
        char what;  // 'L' literal text, else the field's letter (H and h are both 'h')
        int width;
        QString text;
    };
    static void number(QString& out, int v, int width)
    {
        char digits[4];
        int n = 0;
        if (width == 4) {
            digits[n++] = char('0' + v / 1000 % 10);
            digits[n++] = char('0' + v / 100 % 10);
        }
        if (width >= 2 || v >= 10)
            digits[n++] = char('0' + v / 10 % 10);
        digits[n++] = char('0' + v % 10);
        out += QLatin1String(digits, n);
    }
    bool compile(const QString& format)
    {
        for (qsizetype i = 0; i < format.size();) {
            const QChar c = format[i];
            if (c == QLatin1Char('\'')) {
                const qsizetype end = format.indexOf(QLatin1Char('\''), i + 1);
                if (end < 0 || end == i + 1)
                    return false;  // '' (a quote) and an open quote: QLocale's business
                m_fields.push_back({'L', 0, format.mid(i + 1, end - i - 1)});
                i = end + 1;
                continue;
            }
            qsizetype run = 1;
            while (i + run < format.size() && format[i + run] == c)
                ++run;
            const char l = c.toLatin1();
            if ((l >= 'a' && l <= 'z') || (l >= 'A' && l <= 'Z')) {
                const bool ok = l == 'y'                 ? (run == 2 || run == 4)
                                : (l == 'd' || l == 'M') ? run <= 4
                                                         : (run <= 2 && QByteArray("Hhms").contains(l));
                if (!ok)
                    return false;
                m_fields.push_back({l == 'H' ? 'h' : l, int(run), {}});
            } else {
                m_fields.push_back({'L', 0, format.mid(i, run)});
            }
            i += run;
        }
        return true;
    }

    std::vector<Field> m_fields;
    bool m_fast = false;
    std::array<std::array<QString, 12>, 2> m_months;  // [long][month - 1]
    std::array<std::array<QString, 7>, 2> m_days;     // [long][day of week - 1]
};

// The locale numbers are written with, and its symbols, made once per locale rather than
// per cell: the system locale answers each question by asking the system again.
struct NumberFormat {
    QLocale given;
    bool iso = false;
    QLocale locale;  // grouping off: 2500.0 as "2,500.0" is read by no reader of these tables
    QChar point;
    QString minus;
    bool plainDigits = false;  // '0'..'9', which the fast path writes

    // The table's date and time formats, and the last date written (rows share dates).
    QString dateFormat;
    QString timeFormat;
    bool timeInC = false;  // the time format writes the same in the C locale, which is quicker
    ClockFormat fastDate;
    ClockFormat fastTime;
    qint64 lastDay = std::numeric_limits<qint64>::min();
    QString lastDate;

    explicit NumberFormat(const TextStyle& style)
        : given(style.locale), iso(style.iso), locale(style.iso ? QLocale::c() : style.locale)
    {
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        const QString decimal = locale.decimalPoint();
        point = decimal.size() == 1 ? decimal[0] : QChar();
        minus = locale.negativeSign();
        plainDigits = locale.zeroDigit() == QLatin1String("0") && !point.isNull();
        if (!style.iso) {
            dateFormat = style.locale.dateFormat(QLocale::ShortFormat);
            timeFormat = LongTimeFormat(style.locale);
            timeInC = plainDigits && !timeFormat.contains(QLatin1Char('a'), Qt::CaseInsensitive);
            if (plainDigits) {
                fastDate = ClockFormat(dateFormat, style.locale);
                fastTime = ClockFormat(timeFormat, style.locale);
            }
        }
    }
    bool serves(const TextStyle& style) const { return iso == style.iso && (iso || given == style.locale); }
};

NumberFormat& numberFormat(const TextStyle& style)
{
    thread_local std::optional<NumberFormat> cached;
    if (!cached || !cached->serves(style))
        cached.emplace(style);
    return *cached;
}

// v with one decimal as QLocale writes it (halves away from zero, "-0.0" for a small
// negative value), when it is sure of the rounding; false to leave it to QLocale.
bool appendOneDecimal(QString& out, double v, const NumberFormat& f)
{
    const double scaled = std::fabs(v) * 10.0;
    if (!f.plainDigits || !(scaled < 1e15))
        return false;
    const double whole = std::floor(scaled);
    const double rest = scaled - whole;
    // A value this close to a half may be one exactly or just either side: QLocale knows.
    if (std::fabs(rest - 0.5) < 1e-6)
        return false;
    const auto tenths = std::int64_t(whole) + (rest > 0.5 ? 1 : 0);
    char digits[24];
    int n = 0;
    std::int64_t units = tenths / 10;
    do {
        digits[n++] = char('0' + units % 10);
        units /= 10;
    } while (units > 0);
    out.reserve(n + 3 + int(f.minus.size()));
    if (v < 0)
        out += f.minus;
    while (n > 0)
        out += QLatin1Char(digits[--n]);
    out += f.point;
    out += QLatin1Char(char('0' + tenths % 10));
    return true;
}

}  // namespace

QStringList DataSetListHeaders()
{
    return {QStringLiteral("Set"),       QStringLiteral("DATE"),      QStringLiteral("TIME"),
            QStringLiteral("Rate"),      QStringLiteral("Nums"),      QStringLiteral("Unit"),
            QStringLiteral("Couple"),    QStringLiteral("T1 Offset"), QStringLiteral("T2 Offset"),
            QStringLiteral("T3 Offset"), QStringLiteral("T4 Offset")};
}

QStringList DataSetListRow(const DataSet& s, int k, const TextStyle& style)
{
    const QDateTime start = WallDateTime(s.start);
    QStringList row;
    row.reserve(11);
    row << QString::number(k + 1)
        << (style.iso ? start.date().toString(Qt::ISODate) : style.locale.toString(start.date(), QLocale::ShortFormat))
        << start.time().toString(QStringLiteral("HH:mm:ss")) << FormatRate(s.interval) << QString::number(s.sampleCount)
        << FormatUnit(s) << FormatCouple(s.thermoType);
    for (int c = 0; c < 4; ++c)
        row << FormatDecimal(OffsetInUnit(s, c), style);
    return row;
}

QString FormatRate(int intervalSeconds)
{
    const int minutes = intervalSeconds / 60;
    const int seconds = intervalSeconds % 60;
    if (minutes >= 0 && minutes < 100 && seconds >= 0) {  // one string, not three (a list prints thousands)
        const char text[5] = {char('0' + minutes / 10), char('0' + minutes % 10), ':', char('0' + seconds / 10),
                              char('0' + seconds % 10)};
        return QString::fromLatin1(text, 5);
    }
    return twoDigits(minutes) + QLatin1Char(':') + twoDigits(seconds);
}

QString FormatUnit(const DataSet& s) { return s.inCelsius ? QStringLiteral("C") : QStringLiteral("F"); }

QString FormatCouple(int thermoType)
{
    static const char* const names[] = {"K", "J", "E", "T"};
    return QString::fromLatin1(thermoType >= 0 && thermoType < 4 ? names[thermoType] : "K");
}

double OffsetInUnit(const DataSet& s, int channel)
{
    const int o = s.offsets[channel];
    return s.inCelsius ? o * 5.0 / 90.0 : o * 0.1;
}

QString FormatTableDate(const QDateTime& dt, const TextStyle& style)
{
    const QDate date = dt.date();
    if (style.iso)
        return date.toString(Qt::ISODate);
    NumberFormat& f = numberFormat(style);
    if (date.toJulianDay() != f.lastDay) {
        f.lastDay = date.toJulianDay();
        // Four-digit years only: QLocale pads and signs the others its own way.
        if (f.fastDate.fast() && date.year() >= 1000 && date.year() <= 9999) {
            QString text;
            text.reserve(f.dateFormat.size() + 16);  // names are longer than their letters
            f.fastDate.append(text, date, {});
            f.lastDate = text;
        } else {
            f.lastDate = style.locale.toString(date, f.dateFormat);
        }
    }
    return f.lastDate;
}

QString FormatTableTime(const QDateTime& dt, const TextStyle& style)
{
    if (style.iso)
        return dt.time().toString(QStringLiteral("HH:mm:ss"));
    const NumberFormat& f = numberFormat(style);
    const QTime t = dt.time();
    if (f.fastTime.fast() && t.isValid()) {
        QString out;
        out.reserve(f.timeFormat.size() + 2);
        f.fastTime.append(out, {}, t);
        return out;
    }
    return f.timeInC ? QLocale::c().toString(t, f.timeFormat) : style.locale.toString(t, f.timeFormat);
}

QString FormatDecimal(double v, const TextStyle& style)
{
    const NumberFormat& f = numberFormat(style);
    QString out;
    if (appendOneDecimal(out, v, f))
        return out;
    return f.locale.toString(v, 'f', 1);
}

QString FormatTemperature(double y, const TextStyle& style)
{
    if (!(y <= 2500.0 && y >= -328.0))  // NaN is over range too
        return QStringLiteral("OL");
    return FormatDecimal(y, style);
}

}  // namespace kelvor
