// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/pdfreport.h"

#include <algorithm>
#include <cmath>
#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include "base/clock.h"
#include "graph/statistics.h"

namespace kelvor {

namespace {

// Dark enough for a monochrome copy, distinct on a colour one.
const QColor kChannelColours[4] = {QColor(0xC0, 0x1C, 0x28), QColor(0x1A, 0x5F, 0xB4), QColor(0x26, 0x80, 0x3A),
                                   QColor(0x6B, 0x2F, 0x9E)};
constexpr double kMargin = 50.0;  // points
constexpr double kRowHeight = 14.0;
constexpr double kFooter = 30.0;

struct Page {
    QPainter& p;
    QRectF body;  // inside the margins, above the footer
};

QFont font(double points, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    // No ligatures: copied or extracted text must read "Offsets", not "O\uFB00sets".
    f.setStyleStrategy(QFont::PreferNoShaping);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QString tenths(float v, const QLocale& l) { return l.toString(double(v), 'f', 1); }

// Tick step 1, 2 or 5 times a power of ten giving about `count` ticks over span.
double niceStep(double span, int count)
{
    const double raw = span / std::max(count, 1);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * power)
            return m * power;
    return 10.0 * power;
}

// Time ticks: whole seconds, minutes, hours or days so the labels read naturally.
double niceTimeStep(double spanDays, int count)
{
    static const double steps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800,
                                   21600, 43200, 86400, 172800, 604800};
    const double raw = spanDays * 86400.0 / std::max(count, 1);
    for (double s : steps)
        if (raw <= s)
            return s / 86400.0;
    return std::ceil(raw / 604800.0) * 7.0;
}

void drawChart(QPainter& p, const QRectF& box, const ExportSeries& s, const QLocale& locale)
{
    const int n = s.samples();
    float lo = 1e9f, hi = -1e9f;
    for (float v : s.values)
        if (!IsMissingValue(v))
            lo = std::min(lo, v), hi = std::max(hi, v);
    if (lo > hi)
        lo = 0.0f, hi = 100.0f;
    const double yStep = niceStep(std::max(double(hi - lo), 1.0), 6);
    const double yMin = std::floor(lo / yStep) * yStep;
    const double yMax = std::max(std::ceil(hi / yStep) * yStep, yMin + yStep);
    const double xMin = n > 0 ? s.times.front() : 0.0;
    const double xMax = n > 1 && s.times.back() > xMin ? s.times.back() : xMin + 1.0 / 1440.0;

    const QRectF plot = box.adjusted(44, 8, -8, -34);
    auto px = [&](double x) { return plot.left() + (x - xMin) / (xMax - xMin) * plot.width(); };
    auto py = [&](double y) { return plot.bottom() - (y - yMin) / (yMax - yMin) * plot.height(); };

    p.setFont(font(7));
    const QPen grid(QColor(0xD0, 0xD0, 0xD0), 0.4);
    const QPen dark(Qt::black, 0.8);
    for (double y = yMin; y <= yMax + yStep / 2; y += yStep) {
        p.setPen(grid);
        p.drawLine(QPointF(plot.left(), py(y)), QPointF(plot.right(), py(y)));
        p.setPen(dark);
        p.drawText(QRectF(box.left(), py(y) - 6, 40, 12), Qt::AlignRight | Qt::AlignVCenter,
                   locale.toString(y, 'f', yStep < 1 ? 1 : 0));
    }
    const double xStep = niceTimeStep(xMax - xMin, 6);
    const bool days = xMax - xMin > 1.5;
    for (double x = std::ceil(xMin / xStep - 1e-9) * xStep; x <= xMax + 1e-9; x += xStep) {
        p.setPen(grid);
        p.drawLine(QPointF(px(x), plot.top()), QPointF(px(x), plot.bottom()));
        p.setPen(dark);
        const QDateTime t = fromDays(x);
        const QString label = days ? locale.toString(t.date(), QLocale::ShortFormat)
                                   : t.time().toString(xStep * 86400 < 60 ? QStringLiteral("HH:mm:ss")
                                                                          : QStringLiteral("HH:mm"));
        p.drawText(QRectF(px(x) - 40, plot.bottom() + 2, 80, 12), Qt::AlignHCenter | Qt::AlignTop, label);
    }
    p.setPen(dark);
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);
    p.save();
    p.translate(box.left() + 6, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-40, -6, 80, 12), Qt::AlignCenter, s.unit);
    p.restore();

    // One path per channel, reduced to the first, lowest, highest and last value of
    // each quarter point of width: the printed line is the same, the file stays small.
    p.setClipRect(plot);
    const int columns = int(plot.width() * 4);
    for (int c = 0; c < 4; ++c) {
        QPainterPath path;
        bool drawing = false;
        int column = -1;
        int firstI = -1, lowI = -1, highI = -1, lastI = -1;
        auto flush = [&] {
            if (firstI < 0)
                return;
            int keep[4] = {firstI, lowI, highI, lastI};
            std::sort(keep, keep + 4);
            for (int k = 0; k < 4; ++k) {
                if (k > 0 && keep[k] == keep[k - 1])
                    continue;
                const QPointF pt(px(s.times[size_t(keep[k])]), py(s.value(keep[k], c)));
                if (drawing)
                    path.lineTo(pt);
                else
                    path.moveTo(pt), drawing = true;
            }
            firstI = -1;
        };
        for (int i = 0; i < n; ++i) {
            const float v = s.value(i, c);
            if (IsMissingValue(v)) {
                flush();
                drawing = false;  // a gap breaks the line
                continue;
            }
            const int col = int((s.times[size_t(i)] - xMin) / (xMax - xMin) * columns);
            if (col != column) {
                flush();
                column = col;
            }
            if (firstI < 0)
                firstI = lowI = highI = i;
            if (v < s.value(lowI, c))
                lowI = i;
            if (v > s.value(highI, c))
                highI = i;
            lastI = i;
        }
        flush();
        p.setPen(QPen(kChannelColours[c], 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
    }
    p.setClipping(false);

    // Legend under the time labels.
    double x = plot.left();
    const double y = plot.bottom() + 20;
    p.setFont(font(8));
    for (int c = 0; c < 4; ++c) {
        p.setPen(QPen(kChannelColours[c], 2.0));
        p.drawLine(QPointF(x, y + 5), QPointF(x + 16, y + 5));
        p.setPen(dark);
        p.drawText(QRectF(x + 20, y, 40, 11), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("T%1").arg(c + 1));
        x += 60;
    }
}

// A ruled table row: cells left-aligned in the given column widths.
void tableRow(QPainter& p, double top, double left, const QList<double>& widths, const QStringList& cells,
              bool header)
{
    p.setFont(font(8, header));
    p.setPen(Qt::black);
    double x = left;
    for (int i = 0; i < widths.size(); ++i) {
        if (i < cells.size())
            p.drawText(QRectF(x + 3, top, widths[i] - 6, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter, cells[i]);
        x += widths[i];
    }
    p.setPen(QPen(header ? Qt::black : QColor(0xB0, 0xB0, 0xB0), header ? 0.8 : 0.4));
    p.drawLine(QPointF(left, top + kRowHeight), QPointF(x, top + kRowHeight));
    p.setPen(Qt::black);
}

}  // namespace

bool UsesLetterPaper(const QLocale& locale)
{
    switch (locale.territory()) {
    case QLocale::UnitedStates:
    case QLocale::Canada:
    case QLocale::Mexico:
    case QLocale::Chile:
    case QLocale::Colombia:
    case QLocale::Venezuela:
    case QLocale::Philippines:
    case QLocale::PuertoRico:
        return true;
    default:
        return false;
    }
}

QByteArray ReportPdf(const ExportSeries& s, const ReportContent& content)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(content.title);
    writer.setCreator(QStringLiteral("KELVOR desktop"));
    writer.setPageSize(QPageSize(UsesLetterPaper(content.locale) ? QPageSize::Letter : QPageSize::A4));
    writer.setPageOrientation(QPageLayout::Portrait);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);  // one unit is one point

    // Grouping would make "1,008.8" of a temperature.
    QLocale l = content.locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    const QSizeF size = writer.pageLayout().fullRect(QPageLayout::Point).size();
    const QRectF body(kMargin, kMargin, size.width() - 2 * kMargin, size.height() - 2 * kMargin - kFooter);
    const GraphStatistics st = SeriesStatistics(s);
    const int n = s.samples();

    // Rows that fit: what does not fit on the first page follows on pages of its own.
    const int rowsPerPage = int((body.height() - kRowHeight - 20) / kRowHeight);
    const int annotationRowsFirst = 8;
    const int extraAnnotationPages =
        std::max(0, int(std::ceil(double(content.annotations.size() - annotationRowsFirst) / rowsPerPage)));
    const int samplePages = content.sampleTable && n > 0 ? (n + rowsPerPage - 1) / rowsPerPage : 0;
    const int pages = 1 + extraAnnotationPages + samplePages;

    QPainter p(&writer);
    int page = 1;
    auto footer = [&] {
        p.setFont(font(7.5));
        p.setPen(QColor(0x40, 0x40, 0x40));
        const QRectF line(kMargin, size.height() - kMargin - 10, body.width(), 12);
        p.drawLine(QPointF(line.left(), line.top() - 4), QPointF(line.right(), line.top() - 4));
        p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("%1 · created %2").arg(content.title, l.toString(content.created, QLocale::ShortFormat)));
        p.drawText(line, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Page %1 of %2").arg(page).arg(pages));
    };
    auto nextPage = [&] {
        footer();
        writer.newPage();
        ++page;
    };

    double y = body.top();
    p.setPen(Qt::black);
    p.setFont(font(16, true));
    p.drawText(QRectF(body.left(), y, body.width(), 24), Qt::AlignLeft | Qt::AlignVCenter, content.title);
    y += 30;

    // Source details as label and text.
    QList<QPair<QString, QString>> details = s.source;
    details.append({QStringLiteral("Meter"), content.meter.isEmpty() ? QStringLiteral("not known") : content.meter});
    p.setFont(font(8.5));
    for (const auto& [label, text] : details) {
        p.setFont(font(8.5, true));
        p.drawText(QRectF(body.left(), y, 110, 13), Qt::AlignLeft | Qt::AlignVCenter, label);
        p.setFont(font(8.5));
        p.drawText(QRectF(body.left() + 110, y, body.width() - 110, 13), Qt::AlignLeft | Qt::AlignVCenter, text);
        y += 13;
    }
    y += 8;

    const QRectF chartBox(body.left(), y, body.width(), 270);
    if (n == 0) {
        p.setPen(QPen(Qt::black, 0.8));
        p.drawRect(chartBox.adjusted(44, 8, -8, -34));
        p.setFont(font(11));
        p.drawText(chartBox, Qt::AlignCenter, QStringLiteral("No samples: there is nothing to draw."));
    } else {
        drawChart(p, chartBox, s, l);
    }
    y = chartBox.bottom() + 12;

    // Statistics exactly as the graph window's fields show them.
    p.setFont(font(11, true));
    p.setPen(Qt::black);
    p.drawText(QRectF(body.left(), y, body.width(), 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Statistics"));
    y += 18;
    p.setFont(font(8.5));
    p.drawText(QRectF(body.left(), y, body.width(), 13), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Start: %1    Samples: %2    Interval: %3 s")
                   .arg(st.startTimeText.isEmpty() ? QStringLiteral("-") : st.startTimeText, st.dataNoText)
                   .arg(st.intervalSeconds));
    y += 16;
    const QList<double> statWidths = {50, 165, 165, 80, body.width() - 460};
    tableRow(p, y, body.left(), statWidths,
             {QStringLiteral("Channel"), QStringLiteral("Maximum (%1)").arg(s.unit),
              QStringLiteral("Minimum (%1)").arg(s.unit), QStringLiteral("Average (%1)").arg(s.unit),
              QStringLiteral("Values")},
             true);
    y += kRowHeight;
    for (int c = 0; c < 4; ++c, y += kRowHeight)
        tableRow(p, y, body.left(), statWidths,
                 {QStringLiteral("T%1").arg(c + 1), st.maxText[c], st.minText[c], st.avgText[c],
                  QString::number(st.channel[c].count)},
                 false);
    y += 12;

    // Annotations.
    p.setFont(font(11, true));
    p.drawText(QRectF(body.left(), y, body.width(), 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Annotations"));
    y += 18;
    const QList<double> annoWidths = {130, body.width() - 130};
    if (content.annotations.isEmpty()) {
        p.setFont(font(8.5));
        p.drawText(QRectF(body.left(), y, body.width(), 13), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("None."));
    }
    for (int i = 0; i < content.annotations.size(); ++i) {
        if (i == annotationRowsFirst || (i > annotationRowsFirst && (i - annotationRowsFirst) % rowsPerPage == 0)) {
            nextPage();
            y = body.top();
        }
        const auto& [when, text] = content.annotations[i];
        tableRow(p, y, body.left(), annoWidths, {l.toString(fromDays(when), QLocale::ShortFormat), text}, false);
        y += kRowHeight;
    }

    // The samples, one row each, the header repeated on every page.
    if (samplePages > 0) {
        const QList<double> widths = {150, 80, 80, 80, 80};
        const QStringList head = {QStringLiteral("Time"),
                                  QStringLiteral("T1 (%1)").arg(s.unit),
                                  QStringLiteral("T2 (%1)").arg(s.unit),
                                  QStringLiteral("T3 (%1)").arg(s.unit),
                                  QStringLiteral("T4 (%1)").arg(s.unit)};
        QStringList cells;
        for (int i = 0; i < n; ++i) {
            if (i % rowsPerPage == 0) {
                nextPage();
                y = body.top();
                p.setFont(font(11, true));
                p.drawText(QRectF(body.left(), y, body.width(), 16), Qt::AlignLeft | Qt::AlignVCenter,
                           QStringLiteral("Samples"));
                y += 20;
                tableRow(p, y, body.left(), widths, head, true);
                y += kRowHeight;
            }
            cells = {l.toString(fromDays(s.times[size_t(i)]), QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
            for (int c = 0; c < 4; ++c) {
                const float v = s.value(i, c);
                cells << (IsMissingValue(v) ? QStringLiteral("OL") : tenths(v, l));
            }
            tableRow(p, y, body.left(), widths, cells, false);
            y += kRowHeight;
        }
    }
    footer();
    p.end();
    return bytes;
}

ExportResult WriteReport(const ExportSeries& series, const ReportContent& content, const QString& path)
{
    return SaveExportBytes(path, ReportPdf(series, content));
}

}  // namespace kelvor
