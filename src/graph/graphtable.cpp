// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/graphtable.h"

#include <QDir>
#include <cmath>
#include <cstdlib>

#include "base/atomicfile.h"
#include "base/clock.h"
#include "base/localoffsets.h"
#include "chart/chartmodel.h"
#include "logger/datasetformat.h"

namespace kelvor {

namespace {
bool parseEntry(const QString& text, qint64& value)
{
    bool ok = false;
    value = text.trimmed().toLongLong(&ok);
    return ok && value >= -0x7fffffffLL && value <= 0x7fffffffLL;
}
}  // namespace

GraphTableRange NormaliseTableRange(bool all, const QString& from, const QString& to, int points)
{
    GraphTableRange r;
    if (all) {
        r.first = 1;
        r.last = points;
        return r;
    }
    qint64 a = 0;
    qint64 b = 0;
    if (!parseEntry(from, a) || !parseEntry(to, b)) {
        r.error = QStringLiteral("invalid integer");
        return r;
    }
    a = std::llabs(a);
    b = std::llabs(b);
    if (b < a)
        std::swap(a, b);
    if (b > points)
        b = points;
    if (a == 0)
        a = 1;
    r.first = int(a);
    r.last = int(b);
    return r;
}

QString TableValueText(float y, const QLocale& locale)
{
    return FormatTemperature(double(y), TextStyle{locale, false});
}

void AppendGraphTableLine(QString& line, double xDays, const std::array<float, 4>& y, QChar separator,
                          const TextStyle& style)
{
    const QDateTime when = WallDateTime(xDays);
    line += FormatTableDate(when, style);
    line += separator;
    line += FormatTableTime(when, style);
    for (float v : y) {
        line += separator;
        line += FormatTemperature(double(v), style);
    }
}

GraphTableResult WriteGraphTable(const ChartModel& chart, const QString& path, int first, int last, QChar separator,
                                 const QLocale& givenLocale, const TableProgress& progress)
{
    GraphTableResult result;
    const TextStyle style{givenLocale, false};

    const int from = std::max(first, 1) - 1;
    const int to = std::min(last, chart.Points()) - 1;
    const int total = std::max(0, to - from + 1);

    AtomicFile file(path);
    if (!file.open()) {
        result.error = file.error();
        return result;
    }
    const std::vector<double>& x0 = chart.xData(0);
    QString line;
    int lines = 0;
    for (int i = from; i <= to && !file.failed(); ++i) {
        const double x = x0[size_t(i)];
        if (x == 0.0)
            break;
        if (progress && !progress(lines, total)) {
            file.cancel();
            result.cancelled = true;
            return result;
        }
        line.clear();
        AppendGraphTableLine(line, x, {chart.YData(0, i), chart.YData(1, i), chart.YData(2, i), chart.YData(3, i)},
                             separator, style);
        line += QLatin1String("\r\n");
        file.write(line.toLocal8Bit());
        ++lines;
    }
    if (!file.commit()) {
        result.error = file.error();
        return result;
    }
    result.lines = lines;
    return result;
}

}  // namespace kelvor
