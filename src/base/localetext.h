// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

namespace kelvor {

// Texts in the user's locale (QLocale() - the default locale, which tests set).
// Times use the locale's long time format without its time-zone part: the program
// shows local clock times only.
QString ShortDateText(double days);
QString LongTimeText(double days);
// The locale's long time format without its time-zone part.
QString LongTimeFormat(const QLocale& locale);
// The same with milliseconds after the seconds, behind the locale's decimal separator
// (10:00:01.200 AM, 10:00:01,200), for readings taken several times a second.
QString LongTimeFormatWithMs(const QLocale& locale);
// The chart's time axis: long time over short date.
QString AxisDateTimeFormat(const QLocale& locale);
// Short date, a blank, long time.
QString DateTimeText(double days);
// Fixed notation with the locale's decimal separator (12.3 / 12,3).
QString FixedText(double value, int decimals);

}  // namespace kelvor
