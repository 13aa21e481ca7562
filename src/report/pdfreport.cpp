// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/pdfreport.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPicture>
#include <algorithm>
#include <cmath>

#include "base/clock.h"
#include "base/localoffsets.h"
#include "base/meternames.h"
#include "chart/runspan.h"
#include "export/channelstyle.h"
#include "graph/alarms.h"
#include "graph/statistics.h"
#include "report/reportverdict.h"

namespace kelvor {

namespace {

// Dark enough for a monochrome copy, distinct on a colour one.
const QColor kChannelColours[4] = {QColor(0xC0, 0x1C, 0x28), QColor(0x1A, 0x5F, 0xB4), QColor(0x26, 0x80, 0x3A),
                                   QColor(0x6B, 0x2F, 0x9E)};
constexpr double kMargin = 50.0;  // points
constexpr double kRowHeight = 14.0;
constexpr double kFooter = 30.0;
constexpr double kLegendRow = 12.0;

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
    static const double steps[] = {1,   2,    5,    10,   15,    30,    60,    120,   300,    600,
                                   900, 1800, 3600, 7200, 10800, 21600, 43200, 86400, 172800, 604800};
    const double raw = spanDays * 86400.0 / std::max(count, 1);
    for (double s : steps)
        if (raw <= s)
            return s / 86400.0;
    return std::ceil(raw / 604800.0) * 7.0;
}

// The chart's value and time ranges, and the mapping of both onto the plot rectangle.
struct ChartScale {
    double yMin, yMax, yStep, xMin, xMax;
    QRectF plot;
    double px(double x) const { return plot.left() + (x - xMin) / (xMax - xMin) * plot.width(); }
    double py(double y) const { return plot.bottom() - (y - yMin) / (yMax - yMin) * plot.height(); }
};

// Rows of the legend: one for a run of one meter, a row per two meters of several.
int legendRows(const ExportSeries& s) { return s.meterCount() == 1 ? 1 : (s.meterCount() + 1) / 2; }

ChartScale chartScale(const QRectF& box, const ExportSeries& s)
{
    const int n = s.samples();
    float lo = 1e9f, hi = -1e9f;
    auto take = [&lo, &hi](const std::vector<float>& values) {
        for (float v : values)
            if (!IsMissingValue(v))
                lo = std::min(lo, v), hi = std::max(hi, v);
    };
    take(s.values);
    for (int m = 1; m < s.meterCount(); ++m)
        take(s.meters[size_t(m)].values);
    if (lo > hi)
        lo = 0.0f, hi = 100.0f;
    ChartScale k;
    k.yStep = niceStep(std::max(double(hi - lo), 1.0), 6);
    k.yMin = std::floor(lo / k.yStep) * k.yStep;
    k.yMax = std::max(std::ceil(hi / k.yStep) * k.yStep, k.yMin + k.yStep);
    k.xMin = n > 0 ? s.times.front() : 0.0;
    k.xMax = n > 1 && s.times.back() > k.xMin ? s.times.back() : k.xMin + 1.0 / 1440.0;
    k.plot = box.adjusted(44, 8, -8, -34 - kLegendRow * (legendRows(s) - 1));
    return k;
}

void drawAxes(QPainter& p, const QRectF& box, const ChartScale& k, const QString& unit, const QLocale& locale)
{
    const QRectF& plot = k.plot;
    p.setFont(font(7));
    const QPen grid(QColor(0xD0, 0xD0, 0xD0), 0.4);
    const QPen dark(Qt::black, 0.8);
    for (double y = k.yMin; y <= k.yMax + k.yStep / 2; y += k.yStep) {
        p.setPen(grid);
        p.drawLine(QPointF(plot.left(), k.py(y)), QPointF(plot.right(), k.py(y)));
        p.setPen(dark);
        p.drawText(QRectF(box.left(), k.py(y) - 6, 40, 12), Qt::AlignRight | Qt::AlignVCenter,
                   locale.toString(y, 'f', k.yStep < 1 ? 1 : 0));
    }
    const double xStep = niceTimeStep(k.xMax - k.xMin, 6);
    const bool days = k.xMax - k.xMin > 1.5;
    for (double x = std::ceil(k.xMin / xStep - 1e-9) * xStep; x <= k.xMax + 1e-9; x += xStep) {
        p.setPen(grid);
        p.drawLine(QPointF(k.px(x), plot.top()), QPointF(k.px(x), plot.bottom()));
        p.setPen(dark);
        const QDateTime t = WallDateTime(x);
        const QString label =
            days ? locale.toString(t.date(), QLocale::ShortFormat)
                 : t.time().toString(xStep * 86400 < 60 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
        p.drawText(QRectF(k.px(x) - 40, plot.bottom() + 2, 80, 12), Qt::AlignHCenter | Qt::AlignTop, label);
    }
    p.setPen(dark);
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);
    p.save();
    p.translate(box.left() + 6, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-40, -6, 80, 12), Qt::AlignCenter, unit);
    p.restore();
}

// One channel's line, reduced to the first, lowest, highest and last value of each
// quarter point of width: the printed line is the same, the file stays small.
QPainterPath channelPath(const ExportSeries& s, int c, const ChartScale& k)
{
    const int columns = int(k.plot.width() * 4);
    QPainterPath path;
    bool drawing = false;
    int column = -1;
    int firstI = -1, lowI = -1, highI = -1, lastI = -1;
    auto flush = [&] {
        if (firstI < 0)
            return;
        int keep[4] = {firstI, lowI, highI, lastI};
        std::sort(keep, keep + 4);
        for (int j = 0; j < 4; ++j) {
            if (j > 0 && keep[j] == keep[j - 1])
                continue;
            const QPointF pt(k.px(s.times[size_t(keep[j])]), k.py(s.channelValue(keep[j], c)));
            if (drawing)
                path.lineTo(pt);
            else
                path.moveTo(pt), drawing = true;
        }
        firstI = -1;
    };
    for (int i = 0; i < s.samples(); ++i) {
        const float v = s.channelValue(i, c);
        if (IsMissingValue(v)) {
            flush();
            drawing = false;  // a gap breaks the line
            continue;
        }
        const int col = int((s.times[size_t(i)] - k.xMin) / (k.xMax - k.xMin) * columns);
        if (col != column) {
            flush();
            column = col;
        }
        if (firstI < 0)
            firstI = lowI = highI = i;
        if (v < s.channelValue(lowI, c))
            lowI = i;
        if (v > s.channelValue(highI, c))
            highI = i;
        lastI = i;
    }
    flush();
    return path;
}

QPen channelPen(const ExportSeries& s, int c, double width)
{
    if (s.meterCount() == 1)
        return QPen(kChannelColours[c], width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    static constexpr Qt::PenStyle kStyles[4] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine};
    return QPen(QColor(QRgb(SeveralMetersColour(c))), width, kStyles[int(SeveralMetersDash(c))], Qt::FlatCap,
                Qt::RoundJoin);
}

// Legend under the time labels; of several meters, a meter's name (else its serial) and its
// four channels, two meters to a row.
void drawLegend(QPainter& p, const QRectF& plot, const ExportSeries& s)
{
    const double y0 = plot.bottom() + 20;
    p.setFont(font(8));
    if (s.meterCount() == 1) {
        double x = plot.left();
        for (int c = 0; c < 4; ++c) {
            p.setPen(QPen(kChannelColours[c], 2.0));
            p.drawLine(QPointF(x, y0 + 5), QPointF(x + 16, y0 + 5));
            p.setPen(QPen(Qt::black, 0.8));
            p.drawText(QRectF(x + 20, y0, 40, 11), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("T%1").arg(c + 1));
            x += 60;
        }
        return;
    }
    const double half = plot.width() / 2;
    constexpr double kEntry = 30;  // a channel's line and its "T1"
    const double nameWidth = half - 4 * kEntry - 6;
    for (int m = 0; m < s.meterCount(); ++m) {
        double x = plot.left() + (m % 2) * half;
        const double y = y0 + kLegendRow * (m / 2);
        p.setPen(QPen(Qt::black, 0.8));
        p.setFont(font(8, true));
        // The short name (the details above give the serials): it fits beside the channels.
        const ExportMeter& meter = s.meters[size_t(m)];
        const QString name =
            QFontMetricsF(p.font()).elidedText(MeterLabel(meter.name, meter.serial, m), Qt::ElideRight, nameWidth);
        p.drawText(QRectF(x, y, nameWidth, 11), Qt::AlignLeft | Qt::AlignVCenter, name);
        p.setFont(font(8));
        x += nameWidth + 6;
        for (int c = 4 * m; c < 4 * m + 4; ++c) {
            p.setPen(channelPen(s, c, 1.6));
            p.drawLine(QPointF(x, y + 5), QPointF(x + 16, y + 5));
            p.setPen(QPen(Qt::black, 0.8));
            p.drawText(QRectF(x + 18, y, kEntry - 18, 11), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("T%1").arg(c % 4 + 1));
            x += kEntry;
        }
    }
}

void drawChart(QPainter& p, const QRectF& box, const ExportSeries& s, const QLocale& locale)
{
    const ChartScale k = chartScale(box, s);
    drawAxes(p, box, k, s.unit, locale);
    p.setClipRect(k.plot);
    for (int c = 0; c < s.channels(); ++c) {
        p.setPen(channelPen(s, c, 1.0));
        p.drawPath(channelPath(s, c, k));
    }
    p.setClipping(false);
    drawLegend(p, k.plot, s);
}

// A ruled table row: cells left-aligned in the given column widths.
void tableRow(QPainter& p, double top, double left, const QList<double>& widths, const QStringList& cells, bool header)
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

namespace {

// Lays the report out top to bottom: title, source, chart, statistics, annotations,
// alarm events, then the samples on pages of their own; whatever does not fit on a page
// goes on to the next. `y` is where the next thing goes. The layout runs twice: once
// into a recording that is thrown away, to count the pages, then into the PDF, so
// "Page N of M" is what the file holds.
class ReportLayout {
public:
    ReportLayout(QPdfWriter& writer, const ExportSeries& s, const ReportContent& content)
        : m_writer(writer), m_s(s), m_content(content), m_l(content.locale)
    {
        // Grouping would make "1,008.8" of a temperature.
        m_l.setNumberOptions(QLocale::OmitGroupSeparator);
        m_size = writer.pageLayout().fullRect(QPageLayout::Point).size();
        m_body = QRectF(kMargin, kMargin, m_size.width() - 2 * kMargin, m_size.height() - 2 * kMargin - kFooter);
        // Only what lies within the samples: the chart also keeps parked annotation cells
        // and those of other runs.
        const int n = s.samples();
        const double first = n ? s.times.front() : 0.0;
        const double last = n ? s.times.back() : 0.0;
        const double slack = RunSlackDays(first, last, n);
        for (const auto& a : content.annotations)
            if (n && LiesWithinRun(a.first, first, last, slack))
                m_annotations.append(a);
        for (const ChartAlarmEvent& e : content.alarmEvents)
            if (n && LiesWithinRun(e.x, first, last, slack))
                m_alarms.push_back(e);
    }

    void draw(QPainter& p)
    {
        QPicture scratch;
        {
            QPainter counting(&scratch);
            run(counting, false);
        }
        m_pages = m_page;
        run(p, true);
    }

private:
    void run(QPainter& p, bool output)
    {
        m_p = &p;
        m_output = output;
        m_page = 1;
        m_y = m_body.top();
        title();
        verdictLine();
        sourceDetails();
        chart();
        statistics();
        profileCheck();
        annotations();
        alarmEvents();
        samples();
        footer();
    }

    QPainter& p() { return *m_p; }

    // Room for `height` more on this page, or a new page.
    void room(double height)
    {
        if (m_y + height > m_body.bottom())
            nextPage();
    }

    void heading(const QString& text)
    {
        room(18 + kRowHeight);  // never a heading alone at the foot of a page
        p().setFont(font(11, true));
        p().setPen(Qt::black);
        p().drawText(QRectF(m_body.left(), m_y, m_body.width(), 16), Qt::AlignLeft | Qt::AlignVCenter, text);
        m_y += 18;
    }

    void line(const QString& text)
    {
        p().setFont(font(8.5));
        p().drawText(QRectF(m_body.left(), m_y, m_body.width(), 13), Qt::AlignLeft | Qt::AlignVCenter, text);
    }

    void footer()
    {
        p().setFont(font(7.5));
        p().setPen(QColor(0x40, 0x40, 0x40));
        const QRectF band(kMargin, m_size.height() - kMargin - 10, m_body.width(), 12);
        p().drawLine(QPointF(band.left(), band.top() - 4), QPointF(band.right(), band.top() - 4));
        p().drawText(band, Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("%1 · created %2")
                         .arg(m_content.title, m_l.toString(m_content.created, QLocale::ShortFormat)));
        p().drawText(band, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Page %1 of %2").arg(m_page).arg(m_pages));
    }

    void nextPage()
    {
        footer();
        if (m_output)
            m_writer.newPage();
        ++m_page;
        m_y = m_body.top();
    }

    void title()
    {
        p().setPen(Qt::black);
        p().setFont(font(16, true));
        p().drawText(QRectF(m_body.left(), m_y, m_body.width(), 24), Qt::AlignLeft | Qt::AlignVCenter, m_content.title);
        m_y += 30;
    }

    // Source details as label and text.
    void sourceDetails()
    {
        QList<QPair<QString, QString>> details = m_s.source;
        if (m_s.meterCount() == 1)
            details.append(
                {QStringLiteral("Meter"), m_content.meter.isEmpty() ? QStringLiteral("not known") : m_content.meter});
        for (int m = 0; m < m_s.meterCount() && m_s.meterCount() > 1; ++m) {
            const QString& model = m_s.meters[size_t(m)].model;
            details.append(
                {QStringLiteral("Meter %1").arg(m + 1),
                 model.isEmpty() ? m_s.meterHeading(m) : m_s.meterHeading(m) + QStringLiteral(", ") + model});
        }
        for (const auto& [label, text] : details) {
            p().setFont(font(8.5, true));
            p().drawText(QRectF(m_body.left(), m_y, 110, 13), Qt::AlignLeft | Qt::AlignVCenter, label);
            p().setFont(font(8.5));
            p().drawText(QRectF(m_body.left() + 110, m_y, m_body.width() - 110, 13), Qt::AlignLeft | Qt::AlignVCenter,
                         text);
            m_y += 13;
        }
        m_y += 8;
    }

    void chart()
    {
        const double legend = kLegendRow * (legendRows(m_s) - 1);
        room(282 + legend);
        const QRectF chartBox(m_body.left(), m_y, m_body.width(), 270 + legend);
        if (m_s.samples() == 0) {
            p().setPen(QPen(Qt::black, 0.8));
            p().drawRect(chartBox.adjusted(44, 8, -8, -34));
            p().setFont(font(11));
            p().drawText(chartBox, Qt::AlignCenter, QStringLiteral("No samples: there is nothing to draw."));
        } else {
            drawChart(p(), chartBox, m_s, m_l);
        }
        m_y = chartBox.bottom() + 12;
    }

    // Statistics exactly as the graph window's fields show them.
    // Every sample of channel c without a reading ("----", no thermocouple).
    bool noReadingThroughout(int c) const
    {
        if (m_s.samples() == 0)
            return false;
        for (int i = 0; i < m_s.samples(); ++i)
            if (!IsMissingValue(m_s.channelValue(i, c)) || m_s.missingText(i, c) != QLatin1String("----"))
                return false;
        return true;
    }

    // The statistics of meter m's channels; the start line goes with the first meter's.
    GraphStatistics meterStatistics(int m) const
    {
        GraphStatistics st = SeriesStatistics(m_s, m);
        // The window shows such a channel's extremes as "----"; the gap value alone says "OL".
        for (int c = 0; c < 4; ++c)
            if (noReadingThroughout(4 * m + c))
                st.maxText[c] = st.minText[c] = QStringLiteral("----");
        return st;
    }

    // Of a run of several meters, a table per meter under its name.
    void statistics()
    {
        const GraphStatistics first = meterStatistics(0);
        room(18 + 16 + 5 * kRowHeight + (m_s.meterCount() > 1 ? 14 : 0));
        heading(QStringLiteral("Statistics"));
        line(QStringLiteral("Start: %1    Samples: %2    Interval: %3 s")
                 .arg(first.startTimeText.isEmpty() ? QStringLiteral("-") : first.startTimeText, first.dataNoText)
                 .arg(first.intervalSeconds));
        m_y += 16;
        for (int m = 0; m < m_s.meterCount(); ++m) {
            const GraphStatistics st = m == 0 ? first : meterStatistics(m);
            if (m_s.meterCount() > 1) {
                room(14 + 5 * kRowHeight);
                p().setFont(font(9, true));
                p().drawText(QRectF(m_body.left(), m_y, m_body.width(), 13), Qt::AlignLeft | Qt::AlignVCenter,
                             m_s.meterHeading(m));
                m_y += 14;
            }
            statisticsTable(st);
        }
    }

    void statisticsTable(const GraphStatistics& st)
    {
        const QString& unit = m_s.unit;
        const QList<double> widths = {50, 165, 165, 80, m_body.width() - 460};
        tableRow(p(), m_y, m_body.left(), widths,
                 {QStringLiteral("Channel"), QStringLiteral("Maximum (%1)").arg(unit),
                  QStringLiteral("Minimum (%1)").arg(unit), QStringLiteral("Average (%1)").arg(unit),
                  QStringLiteral("Values")},
                 true);
        m_y += kRowHeight;
        for (int c = 0; c < 4; ++c, m_y += kRowHeight)
            tableRow(p(), m_y, m_body.left(), widths,
                     {QStringLiteral("T%1").arg(c + 1), st.maxText[c], st.minText[c], st.avgText[c],
                      QString::number(st.channel[c].count)},
                     false);
        m_y += 12;
    }

    // The overall verdict, under the title on page 1.
    void verdictLine()
    {
        if (!m_content.check)
            return;
        const SeriesCheck& c = *m_content.check;
        p().setPen(VerdictColour(c.verdict));
        p().setFont(font(13, true));
        p().drawText(QRectF(m_body.left(), m_y, m_body.width(), 20), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Verdict: %1").arg(VerdictText(c.verdict)));
        m_y += 20;
        p().setPen(Qt::black);
        line(VerdictSummary(c));
        m_y += 21;
    }

    // Each rule: its result, what was measured, its limit and the first violation.
    void profileCheck()
    {
        if (!m_content.check)
            return;
        const SeriesCheck& c = *m_content.check;
        heading(QStringLiteral("Profile check: %1").arg(c.profile.name));
        const QList<double> widths = {62, 90, 44, 100, 110, m_body.width() - 406};
        const QStringList head = {QStringLiteral("Result"),  QStringLiteral("Rule"),
                                  QStringLiteral("Channel"), QStringLiteral("Measured"),
                                  QStringLiteral("Limit"),   QStringLiteral("First violation")};
        tableRow(p(), m_y, m_body.left(), widths, head, true);
        m_y += kRowHeight;
        for (std::size_t i = 0; i < c.results.size(); ++i) {
            const QStringList cells = VerdictCells(c, i);
            const double height = wrappedRowHeight(widths, cells);
            if (m_y + height > m_body.bottom()) {
                nextPage();
                tableRow(p(), m_y, m_body.left(), widths, head, true);
                m_y += kRowHeight;
            }
            wrappedRow(widths, cells, height, VerdictColour(c.results[i].verdict));
            m_y += height;
        }
        m_y += 4;
        line(QStringLiteral("Verdict: %1").arg(VerdictText(c.verdict)));
        m_y += kRowHeight + 12;
    }

    // Measured against the PDF itself, in both runs of the layout, so both break the pages alike.
    double wrappedRowHeight(const QList<double>& widths, const QStringList& cells)
    {
        double height = kRowHeight;
        for (int i = 0; i < widths.size() && i < cells.size(); ++i) {
            const QFontMetricsF metrics(font(8, i == 0), &m_writer);
            const QRectF box =
                metrics.boundingRect(QRectF(0, 0, widths[i] - 6, 1000), Qt::TextWordWrap | Qt::AlignLeft, cells[i]);
            height = std::max(height, box.height() + 4);
        }
        return height;
    }

    // A ruled row whose cells wrap; the first cell in the result's colour.
    void wrappedRow(const QList<double>& widths, const QStringList& cells, double height, const QColor& first)
    {
        double x = m_body.left();
        for (int i = 0; i < widths.size() && i < cells.size(); ++i) {
            p().setFont(font(8, i == 0));
            p().setPen(i == 0 ? first : QColor(Qt::black));
            p().drawText(QRectF(x + 3, m_y + 2, widths[i] - 6, height - 2),
                         Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, cells[i]);
            x += widths[i];
        }
        p().setPen(QPen(QColor(0xB0, 0xB0, 0xB0), 0.4));
        p().drawLine(QPointF(m_body.left(), m_y + height), QPointF(x, m_y + height));
        p().setPen(Qt::black);
    }

    QString when(double days) const { return m_l.toString(fromDays(days), QLocale::ShortFormat); }

    void annotations()
    {
        heading(QStringLiteral("Annotations"));
        const QList<double> widths = {130, m_body.width() - 130};
        if (m_annotations.isEmpty()) {
            line(QStringLiteral("None."));
            m_y += kRowHeight;
        }
        for (const auto& [at, text] : m_annotations) {
            room(kRowHeight);
            tableRow(p(), m_y, m_body.left(), widths, {when(at), text}, false);
            m_y += kRowHeight;
        }
        m_y += 12;
    }

    QString channelOf(int subset) const
    {
        return subset >= 0 && subset < m_s.channels() ? m_s.channelName(subset) : QStringLiteral("T%1").arg(subset + 1);
    }

    void alarmEvents()
    {
        heading(QStringLiteral("Alarm events"));
        const QList<double> widths = {130, 50, 90, m_body.width() - 270};
        if (m_alarms.empty()) {
            line(QStringLiteral("None."));
            m_y += kRowHeight;
        }
        for (const ChartAlarmEvent& e : m_alarms) {
            room(kRowHeight);
            tableRow(p(), m_y, m_body.left(), widths,
                     {when(e.x), channelOf(e.subset), QStringLiteral("%1 %2").arg(tenths(e.value, m_l), m_s.unit),
                      AlarmKindText(e.kind)},
                     false);
            m_y += kRowHeight;
        }
    }

    // The samples, one row each, the header repeated on every page; of a run of several
    // meters, each meter's in a part of its own.
    void samples()
    {
        if (!m_content.sampleTable || m_s.samples() == 0)
            return;
        for (int m = 0; m < m_s.meterCount(); ++m)
            meterSamples(m);
    }

    void meterSamples(int m)
    {
        const QString& unit = m_s.unit;
        const QList<double> widths = {150, 80, 80, 80, 80};
        const QStringList head = {QStringLiteral("Time"), QStringLiteral("T1 (%1)").arg(unit),
                                  QStringLiteral("T2 (%1)").arg(unit), QStringLiteral("T3 (%1)").arg(unit),
                                  QStringLiteral("T4 (%1)").arg(unit)};
        const QString title =
            m_s.meterCount() == 1 ? QStringLiteral("Samples") : QStringLiteral("Samples: %1").arg(m_s.meterHeading(m));
        QStringList cells;
        for (int i = 0; i < m_s.samples(); ++i) {
            if (i == 0 || m_y + kRowHeight > m_body.bottom()) {
                nextPage();
                heading(title);
                m_y += 2;
                tableRow(p(), m_y, m_body.left(), widths, head, true);
                m_y += kRowHeight;
            }
            cells = {m_l.toString(WallDateTime(m_s.times[size_t(i)]), QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
            for (int c = 4 * m; c < 4 * m + 4; ++c) {
                const float v = m_s.channelValue(i, c);
                cells << (IsMissingValue(v) ? m_s.missingText(i, c) : tenths(v, m_l));
            }
            tableRow(p(), m_y, m_body.left(), widths, cells, false);
            m_y += kRowHeight;
        }
    }

    QPdfWriter& m_writer;
    const ExportSeries& m_s;
    const ReportContent& m_content;
    QLocale m_l;
    QSizeF m_size;
    QRectF m_body;
    QList<QPair<double, QString>> m_annotations;
    std::vector<ChartAlarmEvent> m_alarms;
    bool m_output = false;
    int m_pages = 1;
    int m_page = 1;
    double m_y = 0.0;
    QPainter* m_p = nullptr;
};

}  // namespace

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

    ReportLayout layout(writer, s, content);
    QPainter p(&writer);
    layout.draw(p);
    p.end();
    return bytes;
}

Status WriteReport(const ExportSeries& series, const ReportContent& content, const QString& path)
{
    return SaveExportBytes(path, ReportPdf(series, content));
}

}  // namespace kelvor
