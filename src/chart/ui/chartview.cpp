// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ui/chartview.h"

#include <qcustomplot.h>
#include <QDialog>
#include <QPrinter>
#include <cmath>
#include <limits>

#include "base/localetext.h"
#include "chart/ui/chartcustomizedialog.h"

namespace kelvor {

namespace {

inline double keyOf(double days) { return PlotKeyOf(days); }
// Marks a tool's curve: it is drawn on a subset's axes but counts for no range.
constexpr const char* kOverlayCurve = "kelvorOverlayCurve";

// The area between two curves, drawn as one polygon in the plot's coordinates.
class CurveBandItem : public QCPAbstractItem {
public:
    CurveBandItem(QCustomPlot* plot, QCPAxisRect* rect, const ChartCurveBand& band)
        : QCPAbstractItem(plot), m_rect(rect), m_band(band)
    {
        setClipAxisRect(rect);
        setSelectable(false);
    }
    double selectTest(const QPointF&, bool, QVariant*) const override { return -1; }

protected:
    void draw(QCPPainter* painter) override
    {
        QCPAxis* x = m_rect->axis(QCPAxis::atBottom);
        QCPAxis* y = m_rect->axis(QCPAxis::atLeft);
        const std::vector<ChartPoint>& upper = m_band.upper;
        const std::vector<ChartPoint>& lower = m_band.lower;
        if (upper.empty() && lower.empty())
            return;
        const double from =
            std::max(upper.empty() ? -1e300 : upper.front().x, lower.empty() ? -1e300 : lower.front().x);
        const double to = std::min(upper.empty() ? 1e300 : upper.back().x, lower.empty() ? 1e300 : lower.back().x);
        if (!(from <= to))
            return;
        auto edge = [&](const std::vector<ChartPoint>& curve, double pixelY, bool reverse) {
            QPolygonF out;
            if (curve.empty()) {
                out << QPointF(x->coordToPixel(keyOf(from)), pixelY) << QPointF(x->coordToPixel(keyOf(to)), pixelY);
            } else {
                auto at = [&](double t) {
                    for (std::size_t i = 1; i < curve.size(); ++i)
                        if (t <= curve[i].x && curve[i].x > curve[i - 1].x)
                            return curve[i - 1].y +
                                   (curve[i].y - curve[i - 1].y) * (t - curve[i - 1].x) / (curve[i].x - curve[i - 1].x);
                    return curve.back().y;
                };
                out << QPointF(x->coordToPixel(keyOf(from)), y->coordToPixel(at(from)));
                for (const ChartPoint& pt : curve)
                    if (pt.x > from && pt.x < to)
                        out << QPointF(x->coordToPixel(keyOf(pt.x)), y->coordToPixel(pt.y));
                out << QPointF(x->coordToPixel(keyOf(to)), y->coordToPixel(at(to)));
            }
            if (reverse)
                std::reverse(out.begin(), out.end());
            return out;
        };
        const QPolygonF shape = edge(upper, m_rect->top(), false) + edge(lower, m_rect->bottom(), true);
        painter->setPen(Qt::NoPen);
        painter->setBrush(m_band.color);
        painter->drawPolygon(shape);
    }

private:
    QCPAxisRect* m_rect;
    ChartCurveBand m_band;
};
inline double daysOf(double key) { return DaysOfPlotKey(key); }

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

constexpr int kHotSpotPixels = 6;
constexpr int kDragPixels = 4;

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

// A legend entry that keeps its size: the legend lays itself out on every replot and
// measuring the text each time was a good part of a small chart's cost.
class SizedLegendItem final : public QCPPlottableLegendItem {
public:
    SizedLegendItem(QCPLegend* legend, QCPAbstractPlottable* plottable) : QCPPlottableLegendItem(legend, plottable) {}
    QSize minimumOuterSizeHint() const override
    {
        const Key now{mPlottable->name(), getFont(), mParentLegend->iconSize(), mParentLegend->iconTextPadding(),
                      mMargins};
        if (!(now == m_key) || !m_hint.isValid()) {
            m_key = now;
            m_hint = QCPPlottableLegendItem::minimumOuterSizeHint();
        }
        return m_hint;
    }

private:
    struct Key {
        QString text;
        QFont font;
        QSize icon;
        int padding = 0;
        QMargins margins;
        bool operator==(const Key& o) const
        {
            return text == o.text && font == o.font && icon == o.icon && padding == o.padding && margins == o.margins;
        }
    };
    mutable Key m_key;
    mutable QSize m_hint;
};

// The heading of one meter's channels in a legend grouped by meter.
class GroupLegendItem final : public QCPAbstractLegendItem {
public:
    GroupLegendItem(QCPLegend* legend, QString text) : QCPAbstractLegendItem(legend), m_text(std::move(text))
    {
        setTextColor(legend->textColor());
        setFont(legend->font());
    }
    void setHiddenLook(bool hidden)
    {
        setTextColor(hidden ? QColor(128, 128, 128) : mParentLegend->textColor());
        QFont f = mParentLegend->font();
        f.setStrikeOut(hidden);
        setFont(f);
    }

protected:
    QFont headingFont() const
    {
        QFont f = mFont;
        f.setBold(true);
        return f;
    }
    void draw(QCPPainter* painter) override
    {
        painter->setFont(headingFont());
        painter->setPen(QPen(mTextColor));
        painter->drawText(mRect, Qt::AlignLeft | Qt::AlignVCenter, m_text);
    }
    QSize minimumOuterSizeHint() const override
    {
        const QSize text = QFontMetrics(headingFont()).size(Qt::TextSingleLine, m_text);
        return text + QSize(mMargins.left() + mMargins.right(), mMargins.top() + mMargins.bottom());
    }

private:
    QString m_text;
};

void addToLegend(QCPLegend* legend, QCPAbstractPlottable* g)
{
    if (legend && !legend->hasItemWithPlottable(g))
        legend->addItem(new SizedLegendItem(legend, g));
}

// Hands the mirror's points to a graph.
class GraphSink final : public PlotSeriesSink {
public:
    explicit GraphSink(TailContainer* data) : m_data(data) {}
    void replacePoints(const std::vector<PlotPoint>& points, bool sorted) override
    {
        m_data->set(toGraphData(points), sorted);
    }
    void appendPoints(const std::vector<PlotPoint>& points, bool sorted) override
    {
        if (points.size() == 1)
            m_data->add(QCPGraphData(points.front().key, points.front().value));
        else if (!points.empty())
            m_data->add(toGraphData(points), sorted);
    }
    void dropLastPoints(int n) override { m_data->dropLast(n); }

private:
    static QVector<QCPGraphData> toGraphData(const std::vector<PlotPoint>& points)
    {
        QVector<QCPGraphData> out(qsizetype(points.size()));
        for (qsizetype i = 0; i < out.size(); ++i)
            out[i] = QCPGraphData(points[size_t(i)].key, points[size_t(i)].value);
        return out;
    }
    TailContainer* m_data;
};

}  // namespace

// The QCustomPlot and what the view built on it.
class ChartPlotter : public QCustomPlot {
public:
    explicit ChartPlotter(QWidget* parent);
    // The desk colour around the plots and the plots' own background, painted in one
    // pass where QCustomPlot would clear its buffer, fill the desk and then each plot.
    QColor desk = Qt::white;
    QColor plotBackground = Qt::white;
    void paintBackgrounds(QPainter& painter) const
    {
        for (QCPAxisRect* r : rects)
            painter.fillRect(r->rect(), plotBackground);
        paintDesk(painter);
    }
    // The desk only, around the plots.
    void paintDesk(QPainter& painter) const
    {
        QRegion around(viewport());
        for (QCPAxisRect* r : rects)
            around -= r->rect();
        for (const QRect& part : around)
            painter.fillRect(part, desk);
    }
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
    std::vector<std::unique_ptr<GraphSink>> sinks;
    std::map<int, QCPGraph*> secondGraphs;  // second-axis series by id
    std::map<int, std::vector<QCPAbstractItem*>> overlayItems;
    std::map<int, std::vector<QCPGraph*>> overlayGraphs;  // the tools' curves, by overlay
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
    std::vector<GroupLegendItem*> groupItems;  // the meters' headings, owned by the legend

protected:
    // Printing and exporting draw through here, not through the buffer.
    void draw(QCPPainter* painter) override
    {
        updateLayout();
        paintBackgrounds(*painter);
        QCustomPlot::draw(painter);
    }
};

namespace {

// The plot's only paint buffer (every layer draws into one): it starts each replot
// with the backgrounds rather than cleared to transparent, so the widget has nothing
// to fill under it.
class BackgroundBuffer final : public QCPPaintBufferPixmap {
public:
    BackgroundBuffer(const ChartPlotter& plot, const QSize& size, double ratio)
        : QCPPaintBufferPixmap(size, ratio), m_plot(plot)
    {
    }
    void clear(const QColor&) override
    {
        // Kept in a format with alpha, as QCustomPlot's own buffer is: text is
        // antialiased the same way.
        if (!mBuffer.hasAlphaChannel())
            mBuffer.fill(Qt::transparent);
        // Most of it is plot: a plain fill, then the painter for the narrow desk around.
        mBuffer.fill(m_plot.rects.empty() ? m_plot.desk : m_plot.plotBackground);
        QPainter painter(&mBuffer);
        m_plot.paintDesk(painter);
    }

private:
    const ChartPlotter& m_plot;
};

}  // namespace

ChartPlotter::ChartPlotter(QWidget* parent) : QCustomPlot(parent)
{
    setBackground(Qt::NoBrush);
    // Every layer shares the first buffer (see the view's constructor), so this one is
    // kept by every replot.
    mPaintBuffers.clear();
    mPaintBuffers.append(QSharedPointer<QCPAbstractPaintBuffer>(
        new BackgroundBuffer(*this, viewport().size(), bufferDevicePixelRatio())));
}

ChartView::ChartView(ChartModel& model, QWidget* parent) : QWidget(parent), m_model(model), m_mirror(model)
{
    m_plot = std::make_unique<ChartPlotter>(this);
    m_plot->setGeometry(rect());
    // The plot fills all of itself (the desk colour): nothing under it needs painting.
    m_plot->setAttribute(Qt::WA_OpaquePaintEvent);
    // One paint buffer for every layer: the rubber band's own buffer would be cleared
    // and blended over the chart on every replot for the few moments it is dragged.
    m_plot->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
    m_plot->setAutoAddPlottableToLegend(false);  // entries that keep their size instead
    m_plot->setNoAntialiasingOnDrag(true);
    m_plot->setSelectionRectMode(QCP::srmCustom);
    m_plot->ticker = QSharedPointer<QCPAxisTickerDateTime>(new QCPAxisTickerDateTime);
    m_plot->ticker->setDateTimeSpec(Qt::UTC);
    m_plot->ticker->setDateTimeFormat(AxisDateTimeFormat(locale()));
    m_exec = [](QDialog& d) { return d.exec(); };

    connect(&m_model, &ChartModel::actionRequested, this, &ChartView::onAction);
    // Auto axes follow every change of the time range (zoom, wheel, scroll) and every
    // hidden or shown channel; the extremes are kept, so this is cheap when nothing moved.
    connect(m_plot.get(), &QCustomPlot::beforeReplot, this, [this] {
        fitAutoAxes();
        emit aboutToDraw();
    });
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
QCPGraph* ChartView::secondAxisGraph(int id) const
{
    const auto it = m_plot->secondGraphs.find(id);
    return it == m_plot->secondGraphs.end() ? nullptr : it->second;
}

void ChartView::redraw() { m_plot->replot(QCustomPlot::rpQueuedReplot); }

// ---------------------------------------------------------------- overlays

int ChartView::addOverlay()
{
    const int id = m_nextId++;
    m_overlays[id] = {};
    return id;
}

void ChartView::setOverlay(int id, ChartOverlay overlay)
{
    const auto it = m_overlays.find(id);
    if (it == m_overlays.end())
        return;
    it->second = std::move(overlay);
    applyOverlay(id);
}

void ChartView::applyOverlay(int id)
{
    ChartPlotter& p = *m_plot;
    std::vector<QCPAbstractItem*>& items = p.overlayItems[id];
    for (QCPAbstractItem* i : items)
        p.removeItem(i);
    items.clear();
    std::vector<QCPGraph*>& curves = p.overlayGraphs[id];
    for (QCPGraph* g : curves)
        p.removeGraph(g);
    curves.clear();
    if (p.rects.empty())
        return;
    const ChartOverlay& o = m_overlays[id];
    for (const ChartCurve& c : o.curves) {
        QCPGraph* under = graphOf(c.subset);
        if (!under)
            continue;
        auto* g = p.addGraph(under->keyAxis(), under->valueAxis());
        g->setProperty(kOverlayCurve, true);
        g->setPen(QPen(c.color.isValid() ? c.color : under->pen().color(), 1, c.style));
        g->setVisible(under->visible());
        g->setSelectable(QCP::stNone);
        QVector<QCPGraphData> samples;
        samples.reserve(qsizetype(c.points.size()));
        for (const ChartPoint& at : c.points)
            samples.push_back({keyOf(at.x), at.y});
        g->data()->set(samples, true);
        curves.push_back(g);
    }
    auto rectOf = [&](int subset) -> QCPAxisRect* {
        QCPGraph* g = graphOf(subset);
        return g ? g->keyAxis()->axisRect() : nullptr;
    };
    // The plots a mark is drawn on: its subset's, or every one.
    auto rectsOf = [&](int subset) {
        if (subset < 0)
            return p.rects;
        QCPAxisRect* r = rectOf(subset);
        return r ? std::vector<QCPAxisRect*>{r} : std::vector<QCPAxisRect*>{};
    };
    for (const ChartBand& b : o.bands) {
        for (QCPAxisRect* r : rectsOf(b.subset)) {
            auto* band = new QCPItemRect(&p);
            band->setClipAxisRect(r);
            for (QCPItemPosition* at : {band->topLeft, band->bottomRight}) {
                at->setAxes(r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft));
                at->setAxisRect(r);
                at->setTypeY(QCPItemPosition::ptAxisRectRatio);
            }
            band->topLeft->setCoords(keyOf(std::min(b.x1, b.x2)), 0.0);
            band->bottomRight->setCoords(keyOf(std::max(b.x1, b.x2)), 1.0);
            band->setPen(Qt::NoPen);
            band->setBrush(b.color);
            band->setSelectable(false);
            items.push_back(band);
        }
    }
    for (const ChartCurveBand& b : o.curveBands)
        if (QCPAxisRect* r = rectOf(b.subset))
            items.push_back(new CurveBandItem(&p, r, b));
    for (const ChartLimitLine& l : o.limits) {
        QCPAxisRect* r = rectOf(l.subset);
        if (!r)
            continue;
        auto* line = new QCPItemStraightLine(&p);
        line->setClipAxisRect(r);
        line->point1->setAxes(r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft));
        line->point2->setAxes(r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft));
        line->point1->setCoords(0, l.y);
        line->point2->setCoords(1, l.y);
        line->setPen(QPen(l.color.isValid() ? l.color : graphOf(l.subset)->pen().color(), 1, l.style));
        line->setSelectable(false);
        items.push_back(line);
    }
    for (const ChartMarker& m : o.markers) {
        for (QCPAxisRect* r : rectsOf(m.subset)) {
            auto* line = new QCPItemStraightLine(&p);
            line->setClipAxisRect(r);
            line->point1->setAxes(r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft));
            line->point2->setAxes(r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft));
            line->point1->setCoords(keyOf(m.x), 0);
            line->point2->setCoords(keyOf(m.x), 1);
            line->setPen(QPen(m.color, 1, m.style));
            line->setSelectable(false);
            items.push_back(line);
            if (m.label.isEmpty())
                continue;
            auto* text = new QCPItemText(&p);
            text->setClipAxisRect(r);
            text->position->setAxes(r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft));
            text->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
            text->position->setAxisRect(r);
            text->position->setCoords(keyOf(m.x), 0.02);
            text->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
            text->setText(m.label);
            text->setColor(m.color);
            text->setSelectable(false);
            items.push_back(text);
        }
    }
}

void ChartView::setSubsetHidden(int subset, bool hidden)
{
    if (subset < 0)
        return;
    if (subset >= int(m_hidden.size()))
        m_hidden.resize(size_t(subset) + 1, false);
    m_hidden[size_t(subset)] = hidden;
    applyHidden();
}

bool ChartView::isSubsetHidden(int subset) const
{
    return subset >= 0 && subset < int(m_hidden.size()) && m_hidden[size_t(subset)];
}

void ChartView::applyHidden()
{
    ChartPlotter& p = *m_plot;
    for (int sub = 0; sub < int(p.graphs.size()); ++sub) {
        QCPGraph* g = p.graphs[size_t(sub)];
        if (!g)
            continue;
        const bool hidden = isSubsetHidden(sub);
        g->setVisible(!hidden);
        if (p.legend)
            if (QCPPlottableLegendItem* item = p.legend->itemWithPlottable(g)) {
                item->setTextColor(hidden ? QColor(128, 128, 128) : p.legend->textColor());
                QFont f = p.legend->font();
                f.setStrikeOut(hidden);
                item->setFont(f);
            }
    }
    for (std::size_t g = 0; g < p.groupItems.size(); ++g) {
        bool all = true;
        for (int c = 0; c < kChannelsPerGroup; ++c)
            all = all && isSubsetHidden(int(g) * kChannelsPerGroup + c);
        p.groupItems[g]->setHiddenLook(all);
    }
}

void ChartView::setLegendGroups(std::vector<QString> names)
{
    if (names == m_legendGroups)
        return;
    m_legendGroups = std::move(names);
    applyLegendGroups();
    applyHidden();
    redraw();
}

void ChartView::applyLegendGroups()
{
    ChartPlotter& p = *m_plot;
    if (!p.legend || (m_legendGroups.empty() && p.groupItems.empty()))
        return;  // a chart of one meter keeps its legend as it is
    p.legend->clearItems();
    p.groupItems.clear();
    p.legend->setWrap(m_legendGroups.empty() ? 0 : kChannelsPerGroup + 1);
    // Each meter's heading above its channels, a column per meter.
    for (std::size_t g = 0; g < m_legendGroups.size(); ++g) {
        auto* heading = new GroupLegendItem(p.legend, m_legendGroups[g]);
        p.legend->addItem(heading);
        p.groupItems.push_back(heading);
        for (int c = 0; c < kChannelsPerGroup; ++c) {
            const std::size_t sub = g * kChannelsPerGroup + std::size_t(c);
            QCPGraph* graph = sub < p.graphs.size() ? p.graphs[sub] : nullptr;
            if (graph && !graph->name().isEmpty())
                addToLegend(p.legend, graph);
        }
    }
    for (int sub = int(m_legendGroups.size()) * kChannelsPerGroup; sub < int(p.graphs.size()); ++sub)
        if (QCPGraph* graph = p.graphs[size_t(sub)]; graph && !graph->name().isEmpty())
            addToLegend(p.legend, graph);
    for (const auto& [id, graph] : p.secondGraphs)
        addToLegend(p.legend, graph);
}

int ChartView::legendGroupAt(QPoint pixel) const
{
    ChartPlotter& p = *m_plot;
    if (!p.legend || !p.legend->visible())
        return -1;
    const QPoint at = pixel - p.pos();
    for (std::size_t g = 0; g < p.groupItems.size(); ++g)
        if (p.groupItems[g]->rect().contains(at))
            return int(g);
    return -1;
}

int ChartView::legendSubsetAt(QPoint pixel) const
{
    ChartPlotter& p = *m_plot;
    if (!p.legend || !p.legend->visible())
        return -1;
    const QPoint at = pixel - p.pos();
    for (int sub = 0; sub < int(p.graphs.size()); ++sub) {
        QCPGraph* g = p.graphs[size_t(sub)];
        QCPPlottableLegendItem* item = g ? p.legend->itemWithPlottable(g) : nullptr;
        if (item && item->rect().contains(at))
            return sub;
    }
    return -1;
}

int ChartView::addSecondAxisSeries(const QString& name, const QColor& color, Qt::PenStyle style)
{
    const int id = m_nextId++;
    m_secondSeries[id] = {name, color, style};
    makeSecondAxisGraph(id);
    return id;
}

void ChartView::makeSecondAxisGraph(int id)
{
    ChartPlotter& p = *m_plot;
    if (p.rects.empty())
        return;
    const SecondAxisSeries& series = m_secondSeries[id];
    QCPAxisRect* r = p.rects.back();
    QCPAxis* right = r->axis(QCPAxis::atRight);
    right->setVisible(true);
    auto* g = p.addGraph(r->axis(QCPAxis::atBottom), right);
    g->setName(series.name);
    g->setPen(QPen(series.color, 1, series.style));
    addToLegend(p.legend, g);
    p.secondGraphs[id] = g;
}

void ChartView::removeSecondAxisSeries(int id)
{
    if (QCPGraph* g = secondAxisGraph(id))
        m_plot->removeGraph(g);
    m_plot->secondGraphs.erase(id);
    m_secondSeries.erase(id);
}

void ChartView::setSecondAxisPoints(int id, const std::vector<ChartPoint>& points, bool replace)
{
    QCPGraph* g = secondAxisGraph(id);
    if (!g)
        return;
    if (replace)
        g->data()->clear();
    QVector<QCPGraphData> tail(qsizetype(points.size()));
    for (qsizetype i = 0; i < tail.size(); ++i)
        tail[i] = QCPGraphData(keyOf(points[size_t(i)].x), points[size_t(i)].y);
    g->data()->add(tail, true);
}

void ChartView::setSecondAxisLabel(const QString& label)
{
    if (label == m_secondAxisLabel)
        return;
    m_secondAxisLabel = label;
    applySecondAxis();
}

void ChartView::applySecondAxis()
{
    ChartPlotter& p = *m_plot;
    if (p.rects.empty())
        return;
    QCPAxisRect* lowest = p.rects.back();
    QCPAxis* right = lowest->axis(QCPAxis::atRight);
    right->setVisible(!m_secondAxisLabel.isEmpty());
    right->setLabel(m_secondAxisLabel);
    right->setTickLabels(true);
    // Drawn like the left-hand axis beside it.
    const QCPAxis* left = lowest->axis(QCPAxis::atLeft);
    right->setBasePen(left->basePen());
    right->setTickPen(left->tickPen());
    right->setSubTickPen(left->subTickPen());
    right->setTickLabelColor(left->tickLabelColor());
    right->setLabelColor(left->labelColor());
}

void ChartView::setSecondAxisRange(double lo, double hi)
{
    if (!m_plot->rects.empty())
        m_plot->rects.back()->axis(QCPAxis::atRight)->setRange(lo, hi);
}

void ChartView::resizeEvent(QResizeEvent*)
{
    m_plot->setGeometry(rect());
    m_plot->setViewport(QRect(QPoint(0, 0), size()));
    if (m_mirror.subsets() > 0)
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
    p.overlayGraphs.clear();
    p.annotations.clear();
    p.vertLines.clear();
    p.overlayItems.clear();
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
    p.groupItems.clear();

    p.graphs.assign(size_t(m_model.Subsets()), nullptr);
    p.sinks.clear();
    p.sinks.resize(size_t(m_model.Subsets()));
    std::vector<PlotSeriesSink*> sinks(size_t(m_model.Subsets()), nullptr);
    for (int a = 0; a < nAxes; ++a) {
        for (int s : layout[size_t(a)]) {
            QCPGraph* g =
                p.addGraph(p.rects[size_t(a)]->axis(QCPAxis::atBottom), p.rects[size_t(a)]->axis(QCPAxis::atLeft));
            g->setAdaptiveSampling(true);
            addToLegend(p.legend, g);
            auto* tail = new TailContainer;
            g->setData(QSharedPointer<QCPGraphDataContainer>(tail));
            p.sinks[size_t(s)] = std::make_unique<GraphSink>(tail);
            sinks[size_t(s)] = p.sinks[size_t(s)].get();
            p.graphs[size_t(s)] = g;
        }
    }
    m_mirror.attach(std::move(sinks));
    m_hidden.resize(size_t(m_model.Subsets()), false);
    p.secondGraphs.clear();
    for (const auto& [id, series] : m_secondSeries)
        makeSecondAxisGraph(id);
    applySecondAxis();
    m_zoomed = false;
    m_model.markAllChanged();
    resetImage();
    emit rebuilt();
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
    m_mirror.takeOver(changes, m_zoomed, width());
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
            double low = 0.0, high = 0.0;
            if (!m_mirror.extremesIn(sub, daysOf(keys.lower), daysOf(keys.upper), low, high))
                continue;
            lo = found ? std::min(lo, low) : low;
            hi = found ? std::max(hi, high) : high;
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

void ChartView::fitDetail()
{
    ChartPlotter& p = *m_plot;
    for (int sub = 0; sub < int(p.graphs.size()); ++sub) {
        if (!p.graphs[size_t(sub)])
            continue;
        const QCPRange range = p.graphs[size_t(sub)]->keyAxis()->range();
        m_mirror.fitDetail(sub, daysOf(range.lower), daysOf(range.upper), width());
    }
}

void ChartView::applyLook()
{
    ChartPlotter& p = *m_plot;
    const ChartState& s = m_model.state();
    const QColor text = colorOf(s.textColor);
    const QColor back = colorOf(s.graphBackColor);
    const QColor fore = colorOf(s.graphForeColor);
    p.desk = colorOf(s.deskColor);
    p.plotBackground = back;

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
            addToLegend(p.legend, g);
    }
    applyLegendGroups();
    applyAnnotations();
    applyHidden();
    applySecondAxis();
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
    p.overlayItems.clear();

    QCPAxisRect* r = p.rects.front();
    QCPAxis* xAxis = r->axis(QCPAxis::atBottom);
    QCPAxis* yAxis = r->axis(QCPAxis::atLeft);
    if (s.showGraphAnnotations) {
        const QFont font = annotationFont();
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
    // The tools' marks go on above the annotations.
    for (const auto& [id, overlay] : m_overlays)
        applyOverlay(id);
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
            if (g->valueAxis() != y || g->property(kOverlayCurve).toBool())
                continue;  // drawn on another axis of this plot by the window, or a tool's
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

std::optional<QPoint> ChartView::subsetPixel(int subset, double xDays, double y) const
{
    QCPGraph* g = graphOf(subset);
    if (!g || !g->visible() || !std::isfinite(y))
        return std::nullopt;
    m_plot->layoutNow();
    const QPointF at(g->keyAxis()->coordToPixel(keyOf(xDays)), g->valueAxis()->coordToPixel(y));
    if (!g->keyAxis()->axisRect()->rect().contains(at.toPoint()))
        return std::nullopt;
    return at.toPoint() + m_plot->pos();
}

bool ChartView::isSubsetShown(int subset) const
{
    QCPGraph* g = graphOf(subset);
    return g && g->visible();
}

int ChartView::plotAt(QPoint pixel) const
{
    m_plot->layoutNow();
    for (int i = 0; i < int(m_plot->rects.size()); ++i)
        if (m_plot->rects[size_t(i)]->rect().translated(m_plot->pos()).contains(pixel))
            return i;
    return -1;
}

ChartTimeRange ChartView::shownTimeRange(int plot) const
{
    const auto& rects = m_plot->rects;
    if (rects.empty())
        return {};
    const QCPRange r = rects[size_t(std::clamp(plot, 0, int(rects.size()) - 1))]->axis(QCPAxis::atBottom)->range();
    return {daysOf(r.lower), daysOf(r.upper)};
}

double ChartView::timeAtX(double px) const
{
    if (m_plot->rects.empty())
        return 0.0;
    return daysOf(m_plot->rects.front()->axis(QCPAxis::atBottom)->pixelToCoord(px - m_plot->x()));
}

double ChartView::xOfTime(double days) const
{
    if (m_plot->rects.empty())
        return 0.0;
    return m_plot->rects.front()->axis(QCPAxis::atBottom)->coordToPixel(keyOf(days)) + m_plot->x();
}

QFont ChartView::annotationFont() const
{
    QFont font = m_plot->font();
    font.setPointSizeF(std::clamp(font.pointSizeF() * m_model.state().graphAnnotationTextSize / 100.0, 4.0, 72.0));
    return font;
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
        const int n = m_mirror.mirrored(sub);
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
            const bool envelope = m_mirror.bucket(sub) > 1;
            const int count = envelope ? m_mirror.mirrored(sub) : g->data()->size();
            const std::vector<double>& xs = s.data[size_t(sub)].x;
            auto indexOf = [&](double key) {
                return envelope ? int(std::lower_bound(xs.begin(), xs.begin() + count, daysOf(key)) - xs.begin())
                                : int(g->data()->findBegin(key, false) - g->data()->constBegin());
            };
            const int first = std::max(0, indexOf(std::min(k1, k2)) - 1);
            const int last = std::min(count - 1, indexOf(std::max(k1, k2)) + 1);
            for (int cand = first; cand <= last; ++cand) {
                const QCPGraphData point =
                    envelope ? QCPGraphData(m_mirror.pointOf(sub, cand).key, m_mirror.pointOf(sub, cand).value)
                             : *(g->data()->constBegin() + cand);
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
    if (m_mirror.bucket(subset) > 1)
        return m_mirror.mirrored(subset);
    return m_plot->graphs[size_t(subset)]->data()->size();
}

double ChartView::plottedValue(int subset, int k) const
{
    if (k < 0 || k >= plottedCount(subset))
        return 0.0;
    if (m_mirror.bucket(subset) > 1)
        return m_mirror.pointOf(subset, k).value;
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
