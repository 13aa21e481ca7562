// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/localetext.h"

#include <QLocale>

#include "app/clock.h"

namespace kelvor {

namespace {
// Drops the time-zone letters ('t') outside quoted text, and the blank before them.
QString withoutZone(const QString& format)
{
    QString out;
    bool quoted = false;
    for (const QChar ch : format) {
        if (ch == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && ch == QLatin1Char('t'))
            continue;
        out += ch;
    }
    return out.trimmed();
}
}  // namespace

QString ShortDateText(double days)
{
    return QLocale().toString(fromDays(days).date(), QLocale::ShortFormat);
}

QString LongTimeText(double days)
{
    const QLocale locale;
    return locale.toString(fromDays(days).time(), withoutZone(locale.timeFormat(QLocale::LongFormat)));
}

QString DateTimeText(double days) { return ShortDateText(days) + QLatin1Char(' ') + LongTimeText(days); }

QString FixedText(double value, int decimals)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

}  // namespace kelvor
