// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/localetext.h"

#include <QLocale>

#include "base/clock.h"
#include "base/localoffsets.h"

namespace kelvor {

// Drops the time-zone letters ('t') outside quoted text, and the blank before them: the
// program shows and stores wall-clock readings, and a zone name would only confuse the
// reader of a table on the way back.
QString LongTimeFormat(const QLocale& locale)
{
    QString out;
    bool quoted = false;
    for (const QChar ch : locale.timeFormat(QLocale::LongFormat)) {
        if (ch == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && ch == QLatin1Char('t'))
            continue;
        out += ch;
    }
    return out.trimmed();
}

QString LongTimeFormatWithMs(const QLocale& locale)
{
    const QString format = LongTimeFormat(locale);
    const QString fraction = QLatin1Char('\'') + locale.decimalPoint() + QStringLiteral("'zzz");
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && format[i] == QLatin1Char('s')) {
            qsizetype end = i;
            while (end < format.size() && format[end] == QLatin1Char('s'))
                ++end;
            return format.left(end) + fraction + format.mid(end);
        }
    }
    return format + fraction;  // a locale without seconds in its long time
}

QString AxisDateTimeFormat(const QLocale& locale)
{
    return LongTimeFormat(locale) + QLatin1Char('\n') + locale.dateFormat(QLocale::ShortFormat);
}

QString ShortDateText(double days) { return QLocale().toString(WallDateTime(days).date(), QLocale::ShortFormat); }

QString LongTimeText(double days)
{
    const QLocale locale;
    return locale.toString(WallDateTime(days).time(), LongTimeFormat(locale));
}

QString DateTimeText(double days) { return ShortDateText(days) + QLatin1Char(' ') + LongTimeText(days); }

QString FixedText(double value, int decimals)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

}  // namespace kelvor
