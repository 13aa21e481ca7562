// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/spreadsheetcsv.h"

#include <cmath>

#include "export/exportseries.h"
#include "export/localtimestamp.h"

namespace kelvor {

namespace {
// RFC 4180: a field holding a comma, quote or line break is quoted, quotes doubled.
QByteArray csvField(const QString& text)
{
    QByteArray b = text.toUtf8();
    if (!b.contains(',') && !b.contains('"') && !b.contains('\r') && !b.contains('\n'))
        return b;
    b.replace("\"", "\"\"");
    return '"' + b + '"';
}

void appendValue(QByteArray& out, float y)
{
    // Tenths as an integer: the same digits as fixed notation with one decimal, no "-0.0".
    const long long tenths = std::llround(double(y) * 10.0);
    if (tenths < 0)
        out += '-';
    const long long a = tenths < 0 ? -tenths : tenths;
    out += QByteArray::number(a / 10);
    out += '.';
    out += char('0' + a % 10);
}
}  // namespace

QByteArray SpreadsheetCsv(const ExportSeries& series)
{
    const int n = series.samples();
    const int channels = series.channels();
    const bool flags = HasMissingValues(series);
    QByteArray out;
    out.reserve(64 + qsizetype(n) * (flags ? 64 : 50) * (channels / 4));
    out += "Time";
    for (int c = 0; c < channels; ++c)
        out += ',' + csvField(QStringLiteral("%1 (%2)").arg(series.channelName(c), series.unit));
    if (flags)
        out += ",Flags";
    out += "\r\n";

    LocalTimestamp stamp = series.meterClock && n > 0
                               ? LocalTimestamp::withOffset(LocalOffsets().offsetAt(series.times.front()))
                               : LocalTimestamp();
    for (int i = 0; i < n; ++i) {
        stamp.append(out, series.times[size_t(i)]);
        for (int c = 0; c < channels; ++c) {
            out += ',';
            const float y = series.channelValue(i, c);
            if (!IsMissingValue(y))
                appendValue(out, y);
        }
        if (flags) {
            out += ',';
            out += csvField(MissingFlagsText(series, i));
        }
        out += "\r\n";
    }
    return out;
}

Status WriteSpreadsheetCsv(const ExportSeries& series, const QString& path)
{
    return SaveExportBytes(path, SpreadsheetCsv(series));
}

}  // namespace kelvor
