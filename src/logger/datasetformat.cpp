// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/datasetformat.h"

#include "base/clock.h"
#include "base/localetext.h"

namespace kelvor {

namespace {
QString twoDigits(int v) { return v < 10 ? QStringLiteral("0%1").arg(v) : QString::number(v); }

// Grouping would turn 2500.0 into "2,500.0", which no reader of these tables expects.
QLocale numberLocale(const TextStyle& style)
{
    QLocale l = style.iso ? QLocale::c() : style.locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l;
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
    const QDateTime start = fromDays(s.start);
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
    return twoDigits(intervalSeconds / 60) + QLatin1Char(':') + twoDigits(intervalSeconds % 60);
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
    return style.iso ? dt.date().toString(Qt::ISODate) : style.locale.toString(dt.date(), QLocale::ShortFormat);
}

QString FormatTableTime(const QDateTime& dt, const TextStyle& style)
{
    return style.iso ? dt.time().toString(QStringLiteral("HH:mm:ss"))
                     : style.locale.toString(dt.time(), LongTimeFormat(style.locale));
}

QString FormatDecimal(double v, const TextStyle& style) { return numberLocale(style).toString(v, 'f', 1); }

QString FormatTemperature(double y, const TextStyle& style)
{
    if (!(y <= 2500.0 && y >= -328.0))  // NaN is over range too
        return QStringLiteral("OL");
    return FormatDecimal(y, style);
}

}  // namespace kelvor
