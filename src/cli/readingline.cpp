// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/readingline.h"

#include <QStringList>

#include "base/localetext.h"

namespace kelvor {

namespace {

QString csvField(const QString& s)
{
    if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')))
        return s;
    QString quoted = s;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Readings come five times a second, so the time carries milliseconds; the clock is
// the computer's wall clock, so no zone is shown.
QString timeText(const QDateTime& t, const LineFormat& f)
{
    if (f.iso)
        return t.toString(Qt::ISODateWithMs);
    return f.locale.toString(t.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           f.locale.toString(t.time(), LongTimeFormatWithMs(f.locale));
}

QString channelText(const LiveReading& r, int channel, const LineFormat& f)
{
    if (r.overRange(channel))
        return QStringLiteral("OL");
    if (r.dashed(channel))
        return QStringLiteral("----");
    const double v = r.T[std::size_t(channel)];
    return f.iso ? QString::number(v, 'f', 1) : f.locale.toString(v, 'f', 1);
}

}  // namespace

QString readingLine(const QDateTime& t, const LiveReading& r, const LineFormat& f)
{
    QStringList fields{timeText(t, f)};
    for (int ch = 0; ch < 4; ++ch)
        fields << channelText(r, ch, f);
    if (!f.csv)
        return fields.join(QLatin1Char('\t'));
    for (QString& s : fields)
        s = csvField(s);
    return fields.join(QLatin1Char(','));
}

}  // namespace kelvor
