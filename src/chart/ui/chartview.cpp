// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ui/chartview.h"

#include <qcustomplot.h>
#include <QDialog>
#include <QPrinter>
#include <cmath>
#include <limits>

#include "base/localetext.h"
#include "chart/envelopebucket.h"
#include "chart/slidingextremes.h"
#include "chart/ui/chartcustomizedialog.h"

namespace kelvor {

namespace {

// Days since 30 Dec 1899 <-> plot keys. The chart's date-times are local wall-clock
// values; the key is that wall clock read as UTC seconds and the ticker shows UTC, so
// the axis prints exactly the stored clock time and a conversion is one multiply.
constexpr double kUnixEpochDays = 25569.0;
inline double keyOf(double days) { return (days - kUnixEpochDays) * 86400.0; }
inline double daysOf(double key) { return key / 86400.0 + kUnixEpochDays; }

QColor colorOf(int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

// A mark in (nearly) the plot's own background colour could not be seen - the default
// annotation colour is black and so is the default plot. Such marks are drawn in white
// or black instead; the stored colour stays what the user chose.
QColor visibleOn(const QColor& c, const QColor& background)
{
    const int dr = c.red() - background.red(), dg = c.green() - background.green(), db = c.blue() - background.blue();
    if (dr * dr + dg * dg + db * db >= 60 * 60)
        return c;
    return background.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

// WCAG relative luminance and contrast ratio of two colours.
double luminance(const QColor& c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A channel's line in the colour it was given when that reads well on the plot, else the
// same hue made lighter (dark plot) or darker (light plot) until it does: pure blue on
// the black plot becomes a light blue. Files keep the colour as it was given.
QColor readableOn(const QColor& c, const QColor& background)
{
    constexpr double kWanted = 4.5;
    if (contrast(c, background) >= kWanted)
        return c;
    const bool darkBackground = luminance(background) < 0.18;
    QColor out = c.toHsl();
    for (int step = 0; step < 20 && contrast(out, background) < kWanted; ++step) {
        const int l = out.lightness();
        out.setHsl(out.hslHue(), out.hslSaturation(), std::clamp(l + (darkBackground ? 12 : -12), 0, 255));
    }
    return out.toRgb();
}

// The first index in xs[0, n) whose time is at or after `days` (after it when `past`),
// found by stepping from `hint` when it is near - a run appending moves it a few places
// per sample - and by a binary search otherwise.
int boundNear(const std::vector<double>& xs, int n, int hint, double days, bool past)
{
    auto before = [&](int i) { return past ? xs[size_t(i)] <= days : xs[size_t(i)] < days; };
    constexpr int kSteps = 16;
    int i = std::clamp(hint, 0, n);
    if (i == 0 || before(i - 1)) {
        for (int k = 0; k < kSteps; ++k, ++i)
            if (i == n || !before(i))
                return i;
    }
    const auto first = xs.begin(), last = xs.begin() + n;
    return int((past ? std::upper_bound(first, last, days) : std::lower_bound(first, last, days)) - first);
}

constexpr int kHotSpotPixels = 6;
constexpr int kDragPixels = 4;
// Beyond this many points per pixel of width a subset is drawn from its envelope.
constexpr int kRawPointsPerPixel = 4;
// Envelope runs are made small enough for this many of them per pixel.
constexpr int kRunsPerPixel = 2;

// Time from the first sample as h:mm:ss, the ticks on whole steps from it.
class ElapsedTicker : public QCPAxisTickerTime {
public:
    ElapsedTicker()
    {
        setTimeFormat(QStringLiteral("%h:%m:%s"));
        setFieldWidth(tuHours, 1);
    }
    double origin = 0.0;  // the key of the first sample

protected:
    QVector<double> createTickVector(double step, const QCPRange& range) override
    {
        QVector<double> ticks =
            QCPAxisTickerTime::createTickVector(step, QCPRange(range.lower - origin, range.upper - origin));
        for (double& t : ticks)
            t += origin;
        return ticks;
    }
    QString getTickLabel(double tick, const QLocale& locale, QChar format, int precision) override
    {
        const double since = tick - origin;
        const QString text = QCPAxisTickerTime::getTickLabel(std::abs(since), locale, format, precision);
        return since < -0.5 ? QStringLiteral("-") + text : text;
    }
};

// Graph data that can give back its last points: the envelope of the run still filling
// is replaced on every sample.
class TailContainer : public QCPGraphDataContainer {
public:
    void dropLast(int n) { mData.resize(mData.size() - std::clamp(n, 0, size())); }
};

}  // namespace

// The QCustomPlot and what the view built on it.
class ChartPlotter : public QCustomPlot {
public:
    explicit ChartPlotter(QWidget* parent) : QCustomPlot(parent) {}
    // Lays the plot out at the view's size. A hidden widget gets its resize events only
    // when shown, so queries made before that set the size here.
    void layoutNow()
    {
        const QSize want = parentWidget()->size();
        if (size() != want || viewport().size() != want) {
            setGeometry(QRect(QPoint(0, 0), want));
            setViewport(QRect(QPoint(0, 0), want));
        }
        updateLayout();
    }

    std::vector<QCPAxisRect*> rects;
    std::vector<QCPGraph*> graphs;  // by subset, null when not drawn
    std::vector<int> synced;        // model points mirrored per subset
    // How a subset is handed to its graph: every point (bucket 1) or, when far more points
    // are in view than pixels, the envelope of runs of `bucket` points.
    struct Detail {
        TailContainer* data = nullptr;
        int bucket = 1;
        bool ordered = true;  // the mirrored X never goes back
        EnvelopeBucket open;  // the run still filling
        int openStart = 0;
        int openDrawn = 0;  // its points now in the graph
    };
    std::vector<Detail> detail;
    std::vector<SlidingExtremes> extremes;  // per subset: its values in view, for Auto scale
    QCPTextElement* title = nullptr;
    QCPMarginGroup* margins = nullptr;
    QSharedPointer<QCPAxisTickerDateTime> ticker;
    QSharedPointer<ElapsedTicker> elapsed = QSharedPointer<ElapsedTicker>(new ElapsedTicker);
    struct AnnotationItem {
        int index;
        QCPItemTracer* anchor;
        QCPItemText* text;
    };
    std::vector<AnnotationItem> annotations;
    struct VertLineItem {
        int index;
        QCPItemStraightLine* line;
    };
    std::vector<VertLineItem> vertLines;
};

ChartView::ChartView(ChartModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    m_plot = std::make_unique<ChartPlotter>(this);
    m_plot->setGeometry(rect());
    m_plot->setNoAntialiasingOnDrag(true);
    m_plot->setSelectionRectMode(QCP::srmCustom);
    m_plot->ticker = QSharedPointer<QCPAxisTickerDateTime>(new QCPAxisTickerDateTime);
    m_plot->ticker->setDateTimeSpec(Qt::UTC);
    m_plot->ticker->setDateTimeFormat(AxisDateTimeFormat(locale()));
    m_exec = [](QDialog& d) { return d.exec(); };

    connect(&m_model, &ChartModel::actionRequested, this, &ChartView::onAction);
    // Auto axes follow every change of the time range (zoom, wheel, scroll) and every
    // hidden or shown channel; the extremes are kept, so this is cheap when nothing moved.
    connect(m_plot.get(), &QCustomPlot::beforeReplot, this, &ChartView::fitAutoAxes);
    connect(m_plot.get(), &QCustomPlot::mousePress, this, &ChartView::handlePress);
    connect(m_plot.get(), &QCustomPlot::mouseRelease, this, &ChartView::handleRelease);
    connect(m_plot.get(), &QCustomPlot::mouseMove, this, &ChartView::handleMove);
    connect(m_plot.get(), &QCustomPlot::mouseDoubleClick, this, &ChartView::handleDoubleClick);
    connect(m_plot.get(), &QCustomPlot::mouseWheel, this, [this](QWheelEvent*) { handleWheel(); });
    connect(m_plot->selectionRect(), &QCPSelectionRect::accepted, this, [this](const QRect& r, QMouseEvent*) {
        if (r.normalized().width() >= kDragPixels || r.normalized().height() >= kDragPixels)
            zoomToPixels(r.normalized());
    });
    m_model.markAllChanged();
    reinit();
    m_plot->replot();
}

ChartView::~ChartView() = default;

void ChartView::setDialogExec(std::function<int(QDialog&)> exec) { m_exec = std::move(exec); }
void ChartView::setPrintHandler(std::function<void(ChartView&)> handler) { m_print = std::move(handler); }

void ChartView::setCustomCursor(const QCursor& cursor)
{
    m_customCursor = cursor;
    m_model.setArrowCursor(sgCustomCursor);
    applyCursor();
}

QCustomPlot* ChartView::customPlot() const { return m_plot.get(); }
QCPGraph* ChartView::graphOf(int subset) const
{
    return subset >= 0 && subset < int(m_plot->graphs.size()) ? m_plot->graphs[size_t(subset)] : nullptr;
}
QWidget* ChartView::plotWidget() const { return m_plot.get(); }

void ChartView::resizeEvent(QResizeEvent*)
{
    m_plot->setGeometry(rect());
    m_plot->setViewport(QRect(QPoint(0, 0), size()));
    if (!m_plot->detail.empty())
        fitDetail();
}

// ---------------------------------------------------------------- actions

void ChartView::onAction(int action)
{
    switch (action) {
        case sgReinitAndReset:
            reinit();
            m_plot->replot(QCustomPlot::rpQueuedReplot);
            break;
        case sgResetImage:
            resetImage();
            break;
        case sgInvalidateImage:
            m_plot->replot(QCustomPlot::rpQueuedReplot);
            break;
        case sgCustomize:
            customize();
            break;
        case sgPrintDialog:
            if (m_print)
                m_print(*this);
            break;
        case sgUndoZoom:
            undoZoom();
            break;
        default:
            break;
    }
}

void ChartView::reinit()
{
    ChartPlotter& p = *m_plot;
    p.clearItems();
    p.clearPlottables();
    p.annotations.clear();
    p.vertLines.clear();
    p.plotLayout()->clear();  // deletes title, rects and the legend inside them
    p.title = nullptr;
    p.rects.clear();
    delete p.margins;
    p.margins = new QCPMarginGroup(&p);

    p.title = new QCPTextElement(&p);
    p.plotLayout()->addElement(0, 0, p.title);

    const auto layout = m_model.axisLayout();
    const int nAxes = int(layout.size());
    for (int a = 0; a < nAxes; ++a) {
        auto* r = new QCPAxisRect(&p);
        p.plotLayout()->addElement(a + 1, 0, r);
        r->setMarginGroup(QCP::msLeft | QCP::msRight, p.margins);
        r->axis(QCPAxis::atBottom)->setTicker(p.ticker);
        r->axis(QCPAxis::atBottom)->setTickLabels(a == nAxes - 1);
        p.rects.push_back(r);
        connect(r->axis(QCPAxis::atBottom), qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
                [this, r](const QCPRange& range) {
                    for (QCPAxisRect* other : m_plot->rects)
                        if (other != r)
                            other->axis(QCPAxis::atBottom)->setRange(range);
                });
    }
    p.plotLayout()->setRowSpacing(0);
    // The legend lives in the first axis rect; QCustomPlot's default one went with clear().
    p.legend = new QCPLegend;
    p.rects.front()->insetLayout()->addElement(p.legend, Qt::AlignTop | Qt::AlignRight);
    p.legend->setLayer(QStringLiteral("legend"));

    p.graphs.assign(size_t(m_model.Subsets()), nullptr);
    p.synced.assign(size_t(m_model.Subsets()), 0);
    p.detail.assign(size_t(m_model.Subsets()), {});
    p.extremes.assign(size_t(m_model.Subsets()), {});
    for (int a = 0; a < nAxes; ++a) {
        for (int s : layout[size_t(a)]) {
            QCPGraph* g =
                p.addGraph(p.rects[size_t(a)]->axis(QCPAxis::atBottom), p.rects[size_t(a)]->axis(QCPAxis::atLeft));
            g->setAdaptiveSampling(true);
            auto* tail = new TailContainer;
            g->setData(QSharedPointer<QCPGraphDataContainer>(tail));
            p.detail[size_t(s)].data = tail;
            p.graphs[size_t(s)] = g;
        }
    }
    m_zoomed = false;
    m_model.markAllChanged();
    resetImage();
}

void ChartView::resetImage()
{
    const ChartChanges changes = m_model.takeChanges();
    ChartPlotter& p = *m_plot;
    const ChartState& s = m_model.state();
    if (int(p.graphs.size()) != s.subsets) {
        // Subsets changed without a rebuild: rebuild now rather than draw stale arrays.
        reinit();
        return;
    }
    if (changes.dataFrom >= 0 || changes.structure) {
        for (int sub = 0; sub < s.subsets; ++sub) {
            if (!p.graphs[size_t(sub)])
                continue;
            const std::vector<double>& xs = s.data[size_t(sub)].x;
            const int from = p.synced[size_t(sub)];
            const bool rebuild = changes.structure || changes.dataFrom < from;
            // Mirror the filled prefix: the first X of 0.0 is a point never written.
            int end = rebuild ? 0 : from;
            const int n = int(xs.size());
            while (end < n && xs[size_t(end)] != 0.0)
                ++end;
            ChartPlotter::Detail& d = p.detail[size_t(sub)];
            p.extremes[size_t(sub)].invalidateFrom(rebuild ? 0 : changes.dataFrom);
            if (rebuild) {
                // Until the new X range is known, judge by every point being in view.
                if (!m_zoomed)
                    d.bucket = bucketFor(end);
                if (d.bucket > 1)
                    drawEnvelope(sub, end);
                else
                    drawPoints(sub, 0, end);
            } else if (d.bucket > 1 && std::is_sorted(xs.begin() + std::max(0, from - 1), xs.begin() + end)) {
                for (int i = from; i < end; ++i)
                    extendEnvelope(sub, i);
            } else if (d.bucket > 1) {
                d.ordered = false;
                d.bucket = 1;
                drawPoints(sub, 0, end);
            } else {
                drawPoints(sub, from, end);
            }
            p.synced[size_t(sub)] = end;
        }
    }
    if (changes.look || changes.structure)
        applyLook();
    if (!m_zoomed)
        applyRanges();
    applyTimeAxis();
    fitAutoAxes();
    fitDetail();
}

void ChartView::applyTimeAxis()
{
    ChartPlotter& p = *m_plot;
    const ChartState& s = m_model.state();
    const bool elapsed = s.elapsedTimeAxis && !s.data.empty() && !s.data[0].x.empty() && s.data[0].x[0] != 0.0;
    if (elapsed)
        p.elapsed->origin = keyOf(s.data[0].x[0]);
    const QSharedPointer<QCPAxisTicker> want =
        elapsed ? p.elapsed.staticCast<QCPAxisTicker>() : p.ticker.staticCast<QCPAxisTicker>();
    for (QCPAxisRect* r : p.rects)
        if (r->axis(QCPAxis::atBottom)->ticker() != want)
            r->axis(QCPAxis::atBottom)->setTicker(want);
}

void ChartView::fitAutoAxes()
{
    ChartPlotter& p = *m_plot;
    const ChartState& s = m_model.state();
    const float nullY = float(s.nullDataValueY);
    for (int a = 0; a < int(p.rects.size()); ++a) {
        if (!m_model.AutoScaleY(a))
            continue;
        QCPAxisRect* r = p.rects[size_t(a)];
        const QCPRange keys = r->axis(QCPAxis::atBottom)->range();
        bool found = false;
        double lo = 0.0, hi = 0.0;
        for (int sub = 0; sub < int(p.graphs.size()); ++sub) {
            QCPGraph* g = p.graphs[size_t(sub)];
            if (!g || !g->visible() || g->keyAxis()->axisRect() != r)
                continue;
            const int n = mirrored(sub);
            const std::vector<double>& xs = s.data[size_t(sub)].x;
            SlidingExtremes& e = p.extremes[size_t(sub)];
            int from = 0, to = n;
            // Times that go back (a hand-made table) are read whole rather than searched.
            if (p.detail[size_t(sub)].ordered) {
                from = boundNear(xs, n, e.from(), daysOf(keys.lower), false);
                to = boundNear(xs, n, std::max(from, e.to()), daysOf(keys.upper), true);
            }
            e.moveTo(s.data[size_t(sub)].y.data(), from, to, nullY);
            if (e.empty())
                continue;
            lo = found ? std::min(lo, double(e.minimum())) : e.minimum();
            hi = found ? std::max(hi, double(e.maximum())) : e.maximum();
            found = true;
        }
        if (!found)
            continue;  // nothing in view: the axis keeps its range
        // A margin so the extremes do not sit on the frame; a flat line gets a degree.
        const double margin = std::max(0.5, (hi - lo) * 0.05);
        QCPAxis* y = r->axis(QCPAxis::atLeft);
        y->setRangeReversed(false);
        y->setRange(lo - margin, hi + margin);
    }
}

int ChartView::mirrored(int sub) const
{
    // The model may have shrunk since the last refresh; never read past its arrays.
    const ChartState& s = m_model.state();
    if (sub >= int(s.data.size()))
        return 0;
    return std::min(
        {m_plot->synced[size_t(sub)], int(s.data[size_t(sub)].x.size()), int(s.data[size_t(sub)].y.size())});
}

QCPGraphData ChartView::pointOf(int sub, int i) const
{
    const ChartState& s = m_model.state();
    const float y = s.data[size_t(sub)].y[size_t(i)];
    return QCPGraphData(keyOf(s.data[size_t(sub)].x[size_t(i)]),
                        y == float(s.nullDataValueY) ? std::numeric_limits<double>::quiet_NaN() : double(y));
}

void ChartView::drawPoints(int sub, int from, int end)
{
    ChartPlotter::Detail& d = m_plot->detail[size_t(sub)];
    const bool rebuild = from == 0;
    QVector<QCPGraphData> tail(end - from);
    bool sorted = true;
    double last =
        rebuild || d.data->isEmpty() ? -std::numeric_limits<double>::infinity() : (d.data->constEnd() - 1)->key;
    for (int i = from; i < end; ++i) {
        tail[i - from] = pointOf(sub, i);
        sorted = sorted && tail[i - from].key >= last;
        last = tail[i - from].key;
    }
    if (rebuild)
        d.data->set(tail, sorted);
    else if (!tail.isEmpty())
        d.data->add(tail, sorted);
    d.ordered = (d.ordered || rebuild) && sorted;
}

void ChartView::drawEnvelope(int sub, int end)
{
    ChartPlotter::Detail& d = m_plot->detail[size_t(sub)];
    const std::vector<double>& xs = m_model.state().data[size_t(sub)].x;
    if (!std::is_sorted(xs.begin(), xs.begin() + end)) {
        d.ordered = false;
        d.bucket = 1;
        drawPoints(sub, 0, end);
        return;
    }
    d.ordered = true;
    d.open = {};
    d.openStart = 0;
    d.openDrawn = 0;
    // A tight pass over the arrays: a full refresh of a long chart runs through here.
    const std::vector<float>& ys = m_model.state().data[size_t(sub)].y;
    const float nullY = float(m_model.state().nullDataValueY);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QVector<QCPGraphData> runs;
    runs.reserve(end / d.bucket * 4 + 8);
    std::array<int, 6> keep{};
    for (int start = 0; start < end; start += d.bucket) {
        // The last run stays open for the samples still to come.
        d.open = {};
        d.openStart = start;
        const int stop = std::min(end, start + d.bucket);
        for (int i = start; i < stop; ++i)
            d.open.add(i, ys[size_t(i)] == nullY, ys[size_t(i)]);
        d.openDrawn = d.open.keep(keep);
        for (int k = 0; k < d.openDrawn; ++k) {
            const size_t i = size_t(keep[size_t(k)]);
            runs.push_back(QCPGraphData(keyOf(xs[i]), ys[i] == nullY ? nan : double(ys[i])));
        }
    }
    d.data->set(runs, true);
}

void ChartView::extendEnvelope(int sub, int i)
{
    ChartPlotter::Detail& d = m_plot->detail[size_t(sub)];
    if (i >= d.openStart + d.bucket) {
        // The filling run is complete: what it drew stays, a new run begins.
        d.open = {};
        d.openStart = i;
        d.openDrawn = 0;
    }
    const QCPGraphData point = pointOf(sub, i);
    d.open.add(i, std::isnan(point.value), point.value);
    std::array<int, 6> keep{};
    const int n = d.open.keep(keep);
    QVector<QCPGraphData> run(n);
    for (int k = 0; k < n; ++k)
        run[k] = keep[size_t(k)] == i ? point : pointOf(sub, keep[size_t(k)]);
    d.data->dropLast(d.openDrawn);
    d.data->add(run, true);
    d.openDrawn = n;
}

int ChartView::wantedBucket(int sub) const
{
    const ChartPlotter::Detail& d = m_plot->detail[size_t(sub)];
    const int n = mirrored(sub);
    if (!d.ordered || bucketFor(n) == 1)
        return 1;
    const std::vector<double>& xs = m_model.state().data[size_t(sub)].x;
    const QCPRange range = m_plot->graphs[size_t(sub)]->keyAxis()->range();
    const auto lo = std::lower_bound(xs.begin(), xs.begin() + n, daysOf(range.lower));
    const auto hi = std::upper_bound(lo, xs.begin() + n, daysOf(range.upper));
    return bucketFor(int(hi - lo));
}

int ChartView::bucketFor(int inView) const
{
    const int pixels = std::max(1, width());
    if (inView <= kRawPointsPerPixel * pixels)
        return 1;
    int bucket = 2;
    while (inView / bucket > kRunsPerPixel * pixels)
        bucket *= 2;
    return bucket;
}

void ChartView::fitDetail()
{
    ChartPlotter& p = *m_plot;
    for (int sub = 0; sub < int(p.graphs.size()); ++sub) {
        if (!p.graphs[size_t(sub)])
            continue;
        const int want = wantedBucket(sub);
        ChartPlotter::Detail& d = p.detail[size_t(sub)];
        if (want == d.bucket)
            continue;
        d.bucket = want;
        p.synced[size_t(sub)] = mirrored(sub);
        if (want > 1)
            drawEnvelope(sub, p.synced[size_t(sub)]);
        else
            drawPoints(sub, 0, p.synced[size_t(sub)]);
    }
}

void ChartView::applyLook()
{
    ChartPlotter& p = *m_plot;
    const ChartState& s = m_model.state();
    const QColor text = colorOf(s.textColor);
    const QColor back = colorOf(s.graphBackColor);
    const QColor fore = colorOf(s.graphForeColor);
    p.setBackground(colorOf(s.deskColor));

    QString title = s.mainTitle;
    if (!s.subTitle.trimmed().isEmpty())
        title += (title.isEmpty() ? QString() : QStringLiteral("\n")) + s.subTitle;
    p.title->setText(title);
    p.title->setTextColor(text);
    p.title->setVisible(!title.trimmed().isEmpty());

    QPen gridPen(fore, 0, s.gridStyle == sgDot ? Qt::DotLine : s.gridStyle == sgDash ? Qt::DashLine : Qt::SolidLine);
    if (s.gridStyle == sgThick)
        gridPen.setWidth(2);
    const int nAxes = int(p.rects.size());
    for (int a = 0; a < nAxes; ++a) {
        QCPAxisRect* r = p.rects[size_t(a)];
        r->setBackground(back);
        // Proportions: rows share the height by their entries; missing ones count equal.
        double share = m_model.MultiAxesProportions(a);
        if (!(share > 0.0) || !std::isfinite(share))
            share = 1.0 / nAxes;
        p.plotLayout()->setRowStretchFactor(a + 1, nAxes == 1 ? 1.0 : share);
        for (QCPAxis* ax : {r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft)}) {
            ax->setBasePen(QPen(text));
            ax->setTickPen(QPen(text));
            ax->setSubTickPen(QPen(text));
            ax->setTickLabelColor(text);
            ax->setLabelColor(text);
            ax->grid()->setVisible(s.gridStyle != sgNoGrid);
            ax->grid()->setPen(gridPen);
            ax->grid()->setZeroLinePen(gridPen);
        }
        r->axis(QCPAxis::atLeft)->setLabel(m_model.shownAxisTitle(a));
        r->axis(QCPAxis::atBottom)->setLabel(a == nAxes - 1 ? s.xAxisLabel : QString());
        const int zoom = s.allowZooming;
        Qt::Orientations wheel;
        if ((zoom == sgHorzZooming || zoom == sgHorzPlusVertZooming) && s.scrollingHorzZoom)
            wheel |= Qt::Horizontal;
        if ((zoom == sgVertZooming || zoom == sgHorzPlusVertZooming) && s.scrollingVertZoom)
            wheel |= Qt::Vertical;
        r->setRangeZoom(wheel);
    }
    p.setInteraction(QCP::iRangeZoom, s.allowZooming != sgNoZooming);
    p.setSelectionRectMode(s.allowZooming != sgNoZooming ? QCP::srmCustom : QCP::srmNone);
    p.plotLayout()->setRowStretchFactor(0, 0.001);

    p.legend->setVisible(true);
    p.legend->setBrush(back);
    p.legend->setTextColor(fore);
    p.legend->setBorderPen(QPen(fore));
    for (int sub = 0; sub < s.subsets; ++sub) {
        QCPGraph* g = p.graphs[size_t(sub)];
        if (!g)
            continue;
        const QColor c = s.viewingStyle == sgMonochrome ? fore : readableOn(colorOf(m_model.SubsetColors(sub)), back);
        g->setPen(QPen(c));
        g->setName(m_model.SubsetLabels(sub));
        g->setLineStyle(s.plottingMethod == sgPoint ? QCPGraph::lsNone : QCPGraph::lsLine);
        g->setScatterStyle(s.plottingMethod == sgLine ? QCPScatterStyle()
                                                      : QCPScatterStyle(QCPScatterStyle::ssDisc, c, c, 4));
        if (g->name().isEmpty())
            g->removeFromLegend();
        else
            g->addToLegend();
    }
    applyAnnotations();
    applyCursor();
}

void ChartView::applyAnnotations()
{
    ChartPlotter& p = *m_plot;
    const ChartState& s = m_model.state();
    // Every item on the plot belongs to the annotations; they are few, so rebuild them.
    p.clearItems();
    p.annotations.clear();
    p.vertLines.clear();

    QCPAxisRect* r = p.rects.front();
    QCPAxis* xAxis = r->axis(QCPAxis::atBottom);
    QCPAxis* yAxis = r->axis(QCPAxis::atLeft);
    if (s.showGraphAnnotations) {
        QFont font = p.font();
        font.setPointSizeF(std::clamp(font.pointSizeF() * s.graphAnnotationTextSize / 100.0, 4.0, 72.0));
        for (int i = 0; i < int(s.graphAnnotations.size()); ++i) {
            const GraphAnnotation& a = s.graphAnnotations[size_t(i)];
            const bool cross = a.type == sgCrossMark;
            if (!cross && a.text.isEmpty())
                continue;
            auto* anchor = new QCPItemTracer(&p);
            anchor->setClipAxisRect(r);
            anchor->position->setAxes(xAxis, yAxis);
            anchor->position->setAxisRect(r);
            anchor->position->setCoords(keyOf(a.x), a.y);
            anchor->setStyle(QCPItemTracer::tsNone);
            const QColor c = visibleOn(colorOf(a.color), colorOf(s.graphBackColor));
            if (cross) {
                for (int k = 0; k < 2; ++k) {
                    auto* line = new QCPItemLine(&p);
                    line->setClipAxisRect(r);
                    line->setPen(QPen(c, 2));
                    line->start->setParentAnchor(anchor->position);
                    line->end->setParentAnchor(anchor->position);
                    line->start->setCoords(-5, k == 0 ? -5 : 5);
                    line->end->setCoords(5, k == 0 ? 5 : -5);
                }
            }
            QCPItemText* text = nullptr;
            if (!a.text.isEmpty()) {
                text = new QCPItemText(&p);
                text->setClipAxisRect(r);
                text->position->setParentAnchor(anchor->position);
                text->position->setCoords(cross ? 8 : 0, 0);
                text->setPositionAlignment(cross ? (Qt::AlignLeft | Qt::AlignVCenter) : (Qt::AlignLeft | Qt::AlignTop));
                text->setTextAlignment(Qt::AlignLeft);
                text->setText(QString(a.text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
                text->setColor(c);
                text->setFont(font);
            }
            p.annotations.push_back({i, anchor, text});
        }
    }
    if (s.showVertLineAnnotations) {
        for (int i = 0; i < int(s.vertLineAnnotations.size()); ++i) {
            const kelvor::VertLineAnnotation& v = s.vertLineAnnotations[size_t(i)];
            if (v.x == 0.0)
                continue;
            for (QCPAxisRect* rr : p.rects) {
                auto* line = new QCPItemStraightLine(&p);
                line->setClipAxisRect(rr);
                line->point1->setAxes(rr->axis(QCPAxis::atBottom), rr->axis(QCPAxis::atLeft));
                line->point2->setAxes(rr->axis(QCPAxis::atBottom), rr->axis(QCPAxis::atLeft));
                line->point1->setCoords(keyOf(v.x), 0);
                line->point2->setCoords(keyOf(v.x), 1);
                line->setPen(QPen(colorOf(v.color)));
                p.vertLines.push_back({i, line});
            }
        }
    }
}

void ChartView::applyRanges()
{
    ChartPlotter& p = *m_plot;
    const ChartState& s = m_model.state();
    for (int a = 0; a < int(p.rects.size()); ++a) {
        QCPAxisRect* r = p.rects[size_t(a)];
        QCPAxis* x = r->axis(QCPAxis::atBottom);
        QCPAxis* y = r->axis(QCPAxis::atLeft);
        bool found = false;
        QCPRange keys;
        QCPRange values;
        // A range search walks past leading and trailing gaps, the whole subset when it
        // holds only gaps: not worth it on every refresh when the X range is fixed anyway.
        const bool fixedX = s.manualScaleControlX == sgManualMinAndMax;
        for (QCPGraph* g : r->graphs()) {
            if (g->valueAxis() != y)
                continue;  // drawn on another axis of this plot by the window
            bool ok = false;
            const QCPRange k = fixedX ? QCPRange() : g->getKeyRange(ok);
            if (ok)
                keys = found ? QCPRange(std::min(keys.lower, k.lower), std::max(keys.upper, k.upper)) : k;
            bool okV = false;
            const QCPRange v =
                s.axesY[size_t(a)].manualScaleControl == sgManualMinAndMax ? QCPRange() : g->getValueRange(okV);
            if (okV)
                values = values.size() == 0 && values.lower == 0
                             ? v
                             : QCPRange(std::min(values.lower, v.lower), std::max(values.upper, v.upper));
            found = found || ok;
        }
        QCPRange xr = found ? keys : QCPRange(keyOf(s.manualMinX), keyOf(s.manualMaxX));
        if (s.manualScaleControlX == sgManualMin || s.manualScaleControlX == sgManualMinAndMax)
            xr.lower = keyOf(s.manualMinX);
        if (s.manualScaleControlX == sgManualMax || s.manualScaleControlX == sgManualMinAndMax)
            xr.upper = keyOf(s.manualMaxX);
        if (!(xr.upper > xr.lower))
            xr.upper = xr.lower + 1.0;
        x->setRange(xr);

        const ChartAxisY& ay = s.axesY[size_t(a)];
        QCPRange yr = values;
        if (yr.size() == 0)
            yr = QCPRange(yr.lower - 1.0, yr.upper + 1.0);
        if (ay.manualScaleControl == sgManualMin || ay.manualScaleControl == sgManualMinAndMax)
            yr.lower = ay.manualMin;
        if (ay.manualScaleControl == sgManualMax || ay.manualScaleControl == sgManualMinAndMax)
            yr.upper = ay.manualMax;
        // A MIN at or above its MAX is drawn reversed rather than refused.
        if (yr.lower == yr.upper)
            yr.upper = yr.lower + 1.0;
        y->setRangeReversed(yr.lower > yr.upper);
        y->setRange(QCPRange(std::min(yr.lower, yr.upper), std::max(yr.lower, yr.upper)));
    }
}

// ---------------------------------------------------------------- zoom

void ChartView::zoomToPixels(const QRect& pixels)
{
    ChartPlotter& p = *m_plot;
    p.layoutNow();
    const int zoom = m_model.AllowZooming();
    const bool horz = zoom == sgHorzZooming || zoom == sgHorzPlusVertZooming || zoom == sgNoZooming;
    const bool vert = zoom == sgVertZooming || zoom == sgHorzPlusVertZooming || zoom == sgNoZooming;
    QCPAxisRect* target = p.axisRectAt(pixels.center());
    if (!target)
        target = p.rects.front();
    if (horz) {
        QCPAxis* x = target->axis(QCPAxis::atBottom);
        const double a = x->pixelToCoord(pixels.left()), b = x->pixelToCoord(pixels.right());
        x->setRange(std::min(a, b), std::max(a, b));
    }
    if (vert) {
        QCPAxis* y = target->axis(QCPAxis::atLeft);
        const double a = y->pixelToCoord(pixels.bottom()), b = y->pixelToCoord(pixels.top());
        y->setRange(std::min(a, b), std::max(a, b));
    }
    m_zoomed = true;
    fitDetail();
    p.replot(QCustomPlot::rpQueuedReplot);
    emit OnZoomIn();
}

void ChartView::zoomBy(double factor)
{
    const int zoom = m_model.AllowZooming();
    const bool horz = zoom == sgHorzZooming || zoom == sgHorzPlusVertZooming || zoom == sgNoZooming;
    const bool vert = zoom == sgVertZooming || zoom == sgHorzPlusVertZooming || zoom == sgNoZooming;
    ChartPlotter& p = *m_plot;
    p.layoutNow();
    // The time axes follow one another: scaling the first scales them all.
    if (horz && !p.rects.empty())
        p.rects.front()->axis(QCPAxis::atBottom)->scaleRange(factor);
    if (vert)
        for (QCPAxisRect* rect : p.rects)
            rect->axis(QCPAxis::atLeft)->scaleRange(factor);
    m_zoomed = true;
    fitDetail();
    p.replot(QCustomPlot::rpQueuedReplot);
    emit OnZoomIn();
}

void ChartView::handleWheel()
{
    if (m_model.AllowZooming() == sgNoZooming)
        return;
    if (!m_zoomed) {
        m_zoomed = true;
        emit OnZoomIn();
    }
}

void ChartView::undoZoom()
{
    m_zoomed = false;
    applyRanges();
    fitDetail();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

// ---------------------------------------------------------------- queries

QRect ChartView::GetGridRect() const
{
    m_plot->layoutNow();
    return m_plot->rects.front()->rect().translated(m_plot->pos());
}

ChartPoint ChartView::PixelToData(int axis, int px, int py) const
{
    m_plot->layoutNow();
    const auto& rects = m_plot->rects;
    QCPAxisRect* r = rects[size_t(axis >= 0 && axis < int(rects.size()) ? axis : 0)];
    return {daysOf(r->axis(QCPAxis::atBottom)->pixelToCoord(px - m_plot->x())),
            r->axis(QCPAxis::atLeft)->pixelToCoord(py - m_plot->y())};
}

QPoint ChartView::DataToPixel(int axis, double xDays, double y) const
{
    m_plot->layoutNow();
    const auto& rects = m_plot->rects;
    QCPAxisRect* r = rects[size_t(axis >= 0 && axis < int(rects.size()) ? axis : 0)];
    return QPoint(int(std::lround(r->axis(QCPAxis::atBottom)->coordToPixel(keyOf(xDays)))),
                  int(std::lround(r->axis(QCPAxis::atLeft)->coordToPixel(y)))) +
           m_plot->pos();
}

NearestSubset ChartView::nearestSubset(QPoint pixel) const
{
    ChartPlotter& p = *m_plot;
    p.layoutNow();
    const QPointF pos(pixel.x() - p.x(), pixel.y() - p.y());
    const ChartState& s = m_model.state();
    NearestSubset best;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int sub = 0; sub < int(p.graphs.size()); ++sub) {
        QCPGraph* g = p.graphs[size_t(sub)];
        if (!g || !g->visible() || !g->keyAxis()->axisRect()->rect().contains(pos.toPoint()))
            continue;
        const int n = mirrored(sub);
        const std::vector<double>& xs = s.data[size_t(sub)].x;
        const std::vector<float>& ys = s.data[size_t(sub)].y;
        const double days = daysOf(g->keyAxis()->pixelToCoord(pos.x()));
        const int i = int(std::lower_bound(xs.begin(), xs.begin() + n, days) - xs.begin());
        const float nullY = float(s.nullDataValueY);
        auto valid = [&](int k) { return k >= 0 && k < n && ys[size_t(k)] != nullY; };
        double y = 0.0;
        if (valid(i - 1) && valid(i) && xs[size_t(i)] > xs[size_t(i - 1)]) {
            const double f = (days - xs[size_t(i - 1)]) / (xs[size_t(i)] - xs[size_t(i - 1)]);
            y = ys[size_t(i - 1)] + f * (ys[size_t(i)] - ys[size_t(i - 1)]);
        } else if (valid(i) && (i == 0 || !valid(i - 1)) && xs[size_t(i)] == days) {
            y = ys[size_t(i)];
        } else {
            continue;  // before the data, after it, or on a gap
        }
        const double distance = std::abs(g->valueAxis()->coordToPixel(y) - pos.y());
        if (distance < bestDistance) {
            bestDistance = distance;
            best = {sub, days, y};
        }
    }
    return best;
}

HotSpotType ChartView::HitTest(int x, int y)
{
    ChartPlotter& p = *m_plot;
    p.layoutNow();
    const QPointF pos(x - p.x(), y - p.y());
    const ChartState& s = m_model.state();
    m_hotSpot = {};

    if (s.allowGraphAnnotHotSpots) {
        for (const auto& a : p.annotations) {
            const QPointF at = a.anchor->position->pixelPosition();
            const bool onMark = QLineF(at, pos).length() <= kHotSpotPixels;
            const bool onText = a.text && a.text->selectTest(pos, false) >= 0 && a.text->selectTest(pos, false) <= 1.0;
            if (onMark || onText) {
                m_hotSpot = {HotSpotType::GraphAnnotation, a.index, -1};
                return m_hotSpot.type;
            }
        }
    }
    if (s.allowVertLineAnnotHotSpots) {
        for (const auto& v : p.vertLines) {
            if (std::abs(v.line->point1->pixelPosition().x() - pos.x()) <= 3.0) {
                m_hotSpot = {HotSpotType::VertLineAnnotation, v.index, -1};
                return m_hotSpot.type;
            }
        }
    }
    if (s.allowDataHotSpots) {
        double best = kHotSpotPixels + 1.0;
        for (int sub = 0; sub < int(p.graphs.size()); ++sub) {
            QCPGraph* g = p.graphs[size_t(sub)];
            if (!g || !g->keyAxis()->axisRect()->rect().contains(pos.toPoint()))
                continue;
            // Every point within reach across, not just the nearest keys: where many
            // points share a pixel a spike is still found.
            const double k1 = g->keyAxis()->pixelToCoord(pos.x() - kHotSpotPixels);
            const double k2 = g->keyAxis()->pixelToCoord(pos.x() + kHotSpotPixels);
            // The mirrored points are the model's points in order, so the position in
            // the container is the point index; an envelope is searched in the model.
            const bool envelope = p.detail[size_t(sub)].bucket > 1;
            const int count = envelope ? mirrored(sub) : g->data()->size();
            const std::vector<double>& xs = s.data[size_t(sub)].x;
            auto indexOf = [&](double key) {
                return envelope ? int(std::lower_bound(xs.begin(), xs.begin() + count, daysOf(key)) - xs.begin())
                                : int(g->data()->findBegin(key, false) - g->data()->constBegin());
            };
            const int first = std::max(0, indexOf(std::min(k1, k2)) - 1);
            const int last = std::min(count - 1, indexOf(std::max(k1, k2)) + 1);
            for (int cand = first; cand <= last; ++cand) {
                const QCPGraphData point = envelope ? pointOf(sub, cand) : *(g->data()->constBegin() + cand);
                if (std::isnan(point.value))
                    continue;
                const QPointF at(g->keyAxis()->coordToPixel(point.key), g->valueAxis()->coordToPixel(point.value));
                const double d = QLineF(at, pos).length();
                if (d < best) {
                    best = d;
                    m_hotSpot = {HotSpotType::Data, sub, cand};
                }
            }
        }
    }
    return m_hotSpot.type;
}

int ChartView::axisRectCount() const { return int(m_plot->rects.size()); }

int ChartView::plottedCount(int subset) const
{
    if (subset < 0 || subset >= int(m_plot->graphs.size()) || !m_plot->graphs[size_t(subset)])
        return 0;
    if (m_plot->detail[size_t(subset)].bucket > 1)
        return mirrored(subset);
    return m_plot->graphs[size_t(subset)]->data()->size();
}

double ChartView::plottedValue(int subset, int k) const
{
    if (k < 0 || k >= plottedCount(subset))
        return 0.0;
    if (m_plot->detail[size_t(subset)].bucket > 1)
        return pointOf(subset, k).value;
    return (m_plot->graphs[size_t(subset)]->data()->constBegin() + k)->value;
}

std::vector<ChartPoint> ChartView::drawnPoints(int subset) const
{
    std::vector<ChartPoint> out;
    if (subset < 0 || subset >= int(m_plot->graphs.size()) || !m_plot->graphs[size_t(subset)])
        return out;
    for (const QCPGraphData& d : *m_plot->graphs[size_t(subset)]->data())
        out.push_back({daysOf(d.key), d.value});
    return out;
}

// ---------------------------------------------------------------- mouse

void ChartView::applyCursor()
{
    switch (m_model.ArrowCursor()) {
        case sgTextCursor:
            m_plot->setCursor(Qt::IBeamCursor);
            break;
        case sgCustomCursor:
            m_plot->setCursor(m_customCursor);
            break;
        default:
            m_plot->setCursor(Qt::ArrowCursor);
            break;
    }
}

void ChartView::handlePress(QMouseEvent* e)
{
    m_pressPoint = e->pos() + m_plot->pos();
    m_mousePoint = m_pressPoint;
    m_pressed = true;
}

void ChartView::handleRelease(QMouseEvent* e)
{
    const QPoint at = e->pos() + m_plot->pos();
    m_mousePoint = at;
    const bool wasPress = m_pressed;
    m_pressed = false;
    if (!wasPress || e->button() != Qt::LeftButton || (at - m_pressPoint).manhattanLength() >= kDragPixels)
        return;
    clickAt(at, false);
}

void ChartView::handleDoubleClick(QMouseEvent* e)
{
    m_mousePoint = e->pos() + m_plot->pos();
    if (e->button() == Qt::LeftButton)
        clickAt(m_mousePoint, true);
}

void ChartView::clickAt(const QPoint& at, bool dbl)
{
    const HotSpotType hot = HitTest(at.x(), at.y());
    if (dbl)
        emit OnDblClick();
    else
        emit OnClick();
    if (hot == HotSpotType::GraphAnnotation)
        emit OnGraphAnnotHotSpot(dbl, m_hotSpot.w0);
    else if (hot == HotSpotType::Data)
        emit OnDataHotSpot(dbl, m_hotSpot.w0, m_hotSpot.w1);
}

void ChartView::handleMove(QMouseEvent* e)
{
    m_mousePoint = e->pos() + m_plot->pos();
    if (!m_pressed && m_model.AllowGraphAnnotHotSpots()) {
        const HotSpotData keep = m_hotSpot;
        if (HitTest(m_mousePoint.x(), m_mousePoint.y()) == HotSpotType::GraphAnnotation)
            emit OnGraphHotSpot();
        m_hotSpot = keep;
    }
    emit OnMouseMove();
}

// ---------------------------------------------------------------- dialog, printing

void ChartView::customize()
{
    ChartCustomizeDialog dialog(m_model, this);
    const int result = m_exec(dialog);
    if (result == QDialog::Accepted) {
        dialog.apply();
        m_model.setDialogResult(1);
        reinit();
        m_plot->replot(QCustomPlot::rpQueuedReplot);
    } else {
        m_model.setDialogResult(0);
    }
    emit OnCustomizeDlg();
}

bool ChartView::print(QPrinter& printer)
{
    // Fonts are given in points and the painter sizes them for the device it draws on.
    // The chart is therefore laid out and drawn in the window's own units: the printer
    // is asked for the window's resolution, so text, lines and margins keep the sizes
    // they have on screen while the page gives the chart more room. (Drawing at the
    // printer's resolution and scaling up would size the fonts twice.)
    const int resolution = printer.resolution();
    printer.setResolution(logicalDpiY());
    QCPPainter painter;
    const bool started = painter.begin(&printer);
    if (started) {
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        // A printer that insists on its own resolution is scaled to; its text may then
        // come out larger than on screen, but the chart still fills the page.
        const double scale = double(printer.resolution()) / logicalDpiY();
        painter.scale(scale, scale);
        m_plot->toPainter(&painter, int(printer.width() / scale), int(printer.height() / scale));
    }
    const bool printed = started && painter.end();
    printer.setResolution(resolution);
    m_plot->replot(QCustomPlot::rpQueuedReplot);
    return printed;
}

}  // namespace kelvor
