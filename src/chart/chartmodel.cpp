// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/chartmodel.h"

#include <algorithm>
#include <cmath>

namespace kelvor {

namespace {
const std::vector<double> kNoX;
const std::vector<float> kNoY;
const ChartAxisY kNoAxis;

// One meter's channels are named "<meter> T1" ... "<meter> T4": the meter all of
// `subsets` belong to, empty when they do not share one.
QString commonMeterName(const ChartModel& chart, const std::vector<int>& subsets)
{
    QString meter;
    for (int s : subsets) {
        const QString label = chart.SubsetLabels(s);
        const qsizetype cut = label.lastIndexOf(QStringLiteral(" T"));
        if (cut <= 0 || (!meter.isEmpty() && label.left(cut) != meter))
            return {};
        meter = label.left(cut);
    }
    return meter;
}
}  // namespace

int defaultSubsetColor(int subset)
{
    // Blue, aqua, lime, fuchsia, then a few more distinct ones.
    static const int colors[] = {0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF, 0x0000FF, 0x00FFFF, 0x808080, 0xFFFFFF};
    return colors[std::abs(subset) % 8];
}

ChartModel::ChartModel(QObject* parent) : QObject(parent) { m_s.data.resize(size_t(m_s.subsets)); }

ChartModel::~ChartModel() = default;

// ---------------------------------------------------------------- size and data

void ChartModel::setSubsets(int n)
{
    n = std::clamp(n, 1, kChartMaxSubsets);
    if (n == m_s.subsets)
        return;
    const size_t old = m_s.data.size();
    m_s.data.resize(size_t(n));
    for (size_t s = old; s < size_t(n); ++s) {
        m_s.data[s].x.assign(size_t(m_s.points), 0.0);
        m_s.data[s].y.assign(size_t(m_s.points), float(m_s.nullDataValueY));
    }
    m_s.subsets = n;
    touchStructure();
}

void ChartModel::setPoints(int n)
{
    n = std::clamp(n, 0, kChartMaxPoints);
    if (n == m_s.points)
        return;
    for (auto& d : m_s.data) {
        d.x.resize(size_t(n), 0.0);
        d.y.resize(size_t(n), float(m_s.nullDataValueY));
    }
    m_s.points = n;
    if (m_pointFlags.size() > size_t(n))
        m_pointFlags.resize(size_t(n));
    touchStructure();
}

void ChartModel::setPointFlags(int point, std::uint8_t flags)
{
    if (point < 0 || point >= m_s.points)
        return;
    if (size_t(point) >= m_pointFlags.size()) {
        if (flags == 0)
            return;
        m_pointFlags.resize(size_t(point) + 1, 0);
    }
    m_pointFlags[size_t(point)] = flags;
}

double ChartModel::XDataII(int subset, int point) const
{
    if (subset < 0 || subset >= m_s.subsets || point < 0 || point >= m_s.points)
        return 0.0;
    return m_s.data[size_t(subset)].x[size_t(point)];
}

void ChartModel::setXDataII(int subset, int point, double x)
{
    if (point < 0 || point >= m_s.points || subset < -1 || subset >= m_s.subsets)
        return;
    if (subset == -1) {
        for (auto& d : m_s.data)
            d.x[size_t(point)] = x;
    } else {
        m_s.data[size_t(subset)].x[size_t(point)] = x;
    }
    touchData(point);
}

float ChartModel::YData(int subset, int point) const
{
    if (subset < 0 || subset >= m_s.subsets || point < 0 || point >= m_s.points)
        return float(m_s.nullDataValueY);
    return m_s.data[size_t(subset)].y[size_t(point)];
}

void ChartModel::setYData(int subset, int point, float y)
{
    if (point < 0 || point >= m_s.points || subset < -1 || subset >= m_s.subsets)
        return;
    if (subset == -1) {
        for (auto& d : m_s.data)
            d.y[size_t(point)] = y;
    } else {
        m_s.data[size_t(subset)].y[size_t(point)] = y;
    }
    touchData(point);
}

void ChartModel::SetAllXDataII(const double* values, std::int64_t count)
{
    if (!values || count <= 0)
        return;
    const int channels = std::min(4, m_s.subsets);
    const std::int64_t samples = std::min<std::int64_t>(count / 4, m_s.points);
    for (int c = 0; c < channels; ++c) {
        double* x = m_s.data[size_t(c)].x.data();
        for (std::int64_t i = 0; i < samples; ++i)
            x[i] = values[4 * i + c];
    }
    if (samples > 0)
        touchData(0);
}

void ChartModel::DropFirstPoints(int n)
{
    n = std::clamp(n, 0, m_s.points);
    if (n == 0)
        return;
    for (auto& d : m_s.data) {
        std::move(d.x.begin() + n, d.x.end(), d.x.begin());
        std::fill(d.x.end() - n, d.x.end(), 0.0);
        std::move(d.y.begin() + n, d.y.end(), d.y.begin());
        std::fill(d.y.end() - n, d.y.end(), float(m_s.nullDataValueY));
    }
    m_pointFlags.erase(m_pointFlags.begin(),
                       m_pointFlags.begin() + std::min<std::ptrdiff_t>(n, std::ptrdiff_t(m_pointFlags.size())));
    touchData(0);
}

void ChartModel::SetAllYData(const float* values, std::int64_t count)
{
    if (!values || count <= 0)
        return;
    const int channels = std::min(4, m_s.subsets);
    const std::int64_t samples = std::min<std::int64_t>(count / 4, m_s.points);
    for (int c = 0; c < channels; ++c) {
        float* y = m_s.data[size_t(c)].y.data();
        for (std::int64_t i = 0; i < samples; ++i)
            y[i] = values[4 * i + c];
    }
    if (samples > 0)
        touchData(0);
}

void ChartModel::setUsingXDataII(bool on)
{
    m_s.usingXDataII = on;
    touchLook();
}
void ChartModel::setDateTimeMode(int mode)
{
    m_s.dateTimeMode = mode;
    touchLook();
}

void ChartModel::setNullDataValueY(double v)
{
    m_s.nullDataValueY = v;
    touchData(0);  // what counts as a gap changed for every point
}

const std::vector<double>& ChartModel::xData(int subset) const
{
    return subset >= 0 && subset < m_s.subsets ? m_s.data[size_t(subset)].x : kNoX;
}

const std::vector<float>& ChartModel::yData(int subset) const
{
    return subset >= 0 && subset < m_s.subsets ? m_s.data[size_t(subset)].y : kNoY;
}

// ---------------------------------------------------------------- visible subsets

int ChartModel::RandomSubsetsToGraph(int slot) const
{
    const auto& v = m_s.randomSubsetsToGraph;
    return slot >= 0 && slot < int(v.size()) ? v[size_t(slot)] : 0;
}

void ChartModel::setRandomSubsetsToGraph(int slot, int subset)
{
    auto& v = m_s.randomSubsetsToGraph;
    if (slot == -1) {
        if (subset == 0)
            v.clear();
    } else if (slot >= 0 && slot < kChartMaxSubsets) {
        if (size_t(slot) >= v.size())
            v.resize(size_t(slot) + 1, 0);
        v[size_t(slot)] = subset;
    } else {
        return;
    }
    touchStructure();
}

// ---------------------------------------------------------------- axes

int ChartModel::MultiAxesSubsets(int axis) const
{
    const auto& v = m_s.multiAxesSubsets;
    return axis >= 0 && axis < int(v.size()) ? v[size_t(axis)] : 0;
}

void ChartModel::setMultiAxesSubsets(int axis, int count)
{
    auto& v = m_s.multiAxesSubsets;
    if (axis == -1) {
        if (count != 0)
            return;
        v.clear();
        m_s.multiAxesProportions.clear();
    } else if (axis >= 0 && axis < kChartMaxAxes) {
        if (size_t(axis) >= v.size())
            v.resize(size_t(axis) + 1, 0);
        v[size_t(axis)] = std::max(0, count);
    } else {
        return;
    }
    touchStructure();
}

double ChartModel::MultiAxesProportions(int axis) const
{
    const auto& v = m_s.multiAxesProportions;
    return axis >= 0 && axis < int(v.size()) ? v[size_t(axis)] : 0.0;
}

void ChartModel::setMultiAxesProportions(int axis, double p)
{
    auto& v = m_s.multiAxesProportions;
    if (axis == -1) {
        if (p == 0.0)
            v.clear();
    } else if (axis >= 0 && axis < kChartMaxAxes) {
        if (size_t(axis) >= v.size())
            v.resize(size_t(axis) + 1, 0.0);
        v[size_t(axis)] = p;
    } else {
        return;
    }
    touchStructure();
}

void ChartModel::setMultiAxesSeparators(int v)
{
    m_s.multiAxesSeparators = v;
    touchLook();
}

void ChartModel::setWorkingAxis(int axis) { m_s.workingAxis = std::clamp(axis, 0, kChartMaxAxes - 1); }

void ChartModel::setManualScaleControlX(int v)
{
    m_s.manualScaleControlX = v;
    touchLook();
}
void ChartModel::setManualMinX(double v)
{
    m_s.manualMinX = v;
    touchLook();
}
void ChartModel::setManualMaxX(double v)
{
    m_s.manualMaxX = v;
    touchLook();
}

ChartAxisY& ChartModel::workingAxisY() { return m_s.axesY[size_t(m_s.workingAxis)]; }

int ChartModel::ManualScaleControlY() const { return axisY(m_s.workingAxis).manualScaleControl; }
void ChartModel::setManualScaleControlY(int v)
{
    workingAxisY().manualScaleControl = v;
    touchLook();
}
double ChartModel::ManualMinY() const { return axisY(m_s.workingAxis).manualMin; }
void ChartModel::setManualMinY(double v)
{
    workingAxisY().manualMin = v;
    touchLook();
}
double ChartModel::ManualMaxY() const { return axisY(m_s.workingAxis).manualMax; }
void ChartModel::setManualMaxY(double v)
{
    workingAxisY().manualMax = v;
    touchLook();
}
QString ChartModel::YAxisLabel() const { return axisY(m_s.workingAxis).label; }
void ChartModel::setYAxisLabel(const QString& s)
{
    workingAxisY().label = s;
    touchLook();
}

const ChartAxisY& ChartModel::axisY(int axis) const
{
    return axis >= 0 && axis < int(m_s.axesY.size()) ? m_s.axesY[size_t(axis)] : kNoAxis;
}

std::vector<std::vector<int>> ChartModel::axisLayout() const
{
    // The visible subsets in drawing order.
    std::vector<int> shown;
    if (m_s.randomSubsetsToGraph.empty()) {
        for (int s = 0; s < m_s.subsets; ++s)
            shown.push_back(s);
    } else {
        for (int s : m_s.randomSubsetsToGraph)
            if (s >= 0 && s < m_s.subsets && std::find(shown.begin(), shown.end(), s) == shown.end())
                shown.push_back(s);
    }
    // Split: axis a takes the next MultiAxesSubsets(a) subsets; the subsets are counted
    // over all subsets, as the axes are numbered, and hidden ones are left out.
    std::vector<std::vector<int>> axes;
    int next = 0;
    for (int count : m_s.multiAxesSubsets) {
        if (count <= 0 || next >= m_s.subsets)
            break;
        std::vector<int> onAxis;
        for (int k = 0; k < count && next < m_s.subsets; ++k, ++next)
            if (std::find(shown.begin(), shown.end(), next) != shown.end())
                onAxis.push_back(next);
        axes.push_back(std::move(onAxis));
    }
    if (axes.size() <= 1)
        return {shown};
    // Subsets beyond the listed counts join the last axis.
    for (; next < m_s.subsets; ++next)
        if (std::find(shown.begin(), shown.end(), next) != shown.end())
            axes.back().push_back(next);
    return axes;
}

// ---------------------------------------------------------------- look

void ChartModel::setMainTitle(const QString& s)
{
    m_s.mainTitle = s;
    touchLook();
}
void ChartModel::setSubTitle(const QString& s)
{
    m_s.subTitle = s;
    touchLook();
}
void ChartModel::setXAxisLabel(const QString& s)
{
    m_s.xAxisLabel = s;
    touchLook();
}

QString ChartModel::SubsetLabels(int subset) const
{
    const auto& v = m_s.subsetLabels;
    return subset >= 0 && subset < int(v.size()) ? v[size_t(subset)] : QString();
}

void ChartModel::setSubsetLabels(int subset, const QString& s)
{
    if (subset < 0 || subset >= kChartMaxSubsets)
        return;
    if (size_t(subset) >= m_s.subsetLabels.size())
        m_s.subsetLabels.resize(size_t(subset) + 1);
    m_s.subsetLabels[size_t(subset)] = s;
    touchLook();
}

int ChartModel::SubsetColors(int subset) const
{
    const auto& v = m_s.subsetColors;
    if (subset >= 0 && subset < int(v.size()) && v[size_t(subset)] >= 0)
        return v[size_t(subset)];
    return defaultSubsetColor(subset);
}

void ChartModel::setSubsetColors(int subset, int bgr)
{
    if (subset < 0 || subset >= kChartMaxSubsets)
        return;
    if (size_t(subset) >= m_s.subsetColors.size())
        m_s.subsetColors.resize(size_t(subset) + 1, -1);
    m_s.subsetColors[size_t(subset)] = bgr & 0xFFFFFF;
    touchLook();
}

void ChartModel::setGraphForeColor(int bgr)
{
    m_s.graphForeColor = bgr;
    touchLook();
}
void ChartModel::setGraphBackColor(int bgr)
{
    m_s.graphBackColor = bgr;
    touchLook();
}
void ChartModel::setDeskColor(int bgr)
{
    m_s.deskColor = bgr;
    touchLook();
}
void ChartModel::setTextColor(int bgr)
{
    m_s.textColor = bgr;
    touchLook();
}
void ChartModel::setGridStyle(int v)
{
    m_s.gridStyle = v;
    touchLook();
}
void ChartModel::setViewingStyle(int v)
{
    m_s.viewingStyle = v;
    touchLook();
}
void ChartModel::setPlottingMethod(int v)
{
    m_s.plottingMethod = v;
    touchLook();
}
void ChartModel::setLineGapThreshold(double v)
{
    m_s.lineGapThreshold = v;
    touchLook();
}

// ---------------------------------------------------------------- switches

void ChartModel::setPrepareImages(bool on) { m_s.prepareImages = on; }
void ChartModel::setSubsetByPoint(bool on) { m_s.subsetByPoint = on; }
void ChartModel::setNoHelp(bool on) { m_s.noHelp = on; }
void ChartModel::setAllowPopup(bool on) { m_s.allowPopup = on; }
void ChartModel::setAllowDataLabels(int v)
{
    m_s.allowDataLabels = v;
    touchLook();
}
void ChartModel::setFocalRect(bool on) { m_s.focalRect = on; }
void ChartModel::setAllowBar(bool on) { m_s.allowBar = on; }
void ChartModel::setNoRandomPointsToExport(bool on) { m_s.noRandomPointsToExport = on; }
void ChartModel::setAllowZooming(int v)
{
    m_s.allowZooming = v;
    touchLook();
}
void ChartModel::setScrollingHorzZoom(bool on)
{
    m_s.scrollingHorzZoom = on;
    touchLook();
}
void ChartModel::setScrollingVertZoom(bool on)
{
    m_s.scrollingVertZoom = on;
    touchLook();
}

// ---------------------------------------------------------------- annotations

GraphAnnotation* ChartModel::annotationForWrite(int i)
{
    if (i < 0 || i >= kChartMaxAnnotations)
        return nullptr;
    if (size_t(i) >= m_s.graphAnnotations.size())
        m_s.graphAnnotations.resize(size_t(i) + 1);
    touchLook();
    return &m_s.graphAnnotations[size_t(i)];
}

#define KELVOR_ANNOT_GET(field, def)      \
    const auto& v = m_s.graphAnnotations; \
    return i >= 0 && i < int(v.size()) ? v[size_t(i)].field : def

double ChartModel::GraphAnnotationX(int i) const { KELVOR_ANNOT_GET(x, 0.0); }
double ChartModel::GraphAnnotationY(int i) const { KELVOR_ANNOT_GET(y, 0.0); }
int ChartModel::GraphAnnotationType(int i) const { KELVOR_ANNOT_GET(type, 0); }
int ChartModel::GraphAnnotationColor(int i) const { KELVOR_ANNOT_GET(color, 0); }
QString ChartModel::GraphAnnotationText(int i) const { KELVOR_ANNOT_GET(text, QString()); }
#undef KELVOR_ANNOT_GET

void ChartModel::setGraphAnnotationX(int i, double x)
{
    if (auto* a = annotationForWrite(i))
        a->x = x;
}
void ChartModel::setGraphAnnotationY(int i, double y)
{
    if (auto* a = annotationForWrite(i))
        a->y = y;
}
void ChartModel::setGraphAnnotationType(int i, int type)
{
    if (auto* a = annotationForWrite(i))
        a->type = type;
}
void ChartModel::setGraphAnnotationColor(int i, int bgr)
{
    if (auto* a = annotationForWrite(i))
        a->color = bgr;
}
void ChartModel::setGraphAnnotationText(int i, const QString& s)
{
    if (auto* a = annotationForWrite(i))
        a->text = s;
}

void ChartModel::setShowGraphAnnotations(bool on)
{
    m_s.showGraphAnnotations = on;
    touchLook();
}
void ChartModel::setGraphAnnotationTextSize(int v)
{
    m_s.graphAnnotationTextSize = v;
    touchLook();
}
void ChartModel::setAllowGraphAnnotHotSpots(bool on) { m_s.allowGraphAnnotHotSpots = on; }

kelvor::VertLineAnnotation* ChartModel::vertLineForWrite(int i)
{
    if (i < 0 || i >= kChartMaxAnnotations)
        return nullptr;
    if (size_t(i) >= m_s.vertLineAnnotations.size())
        m_s.vertLineAnnotations.resize(size_t(i) + 1);
    touchLook();
    return &m_s.vertLineAnnotations[size_t(i)];
}

#define KELVOR_VLINE_GET(field, def)         \
    const auto& v = m_s.vertLineAnnotations; \
    return i >= 0 && i < int(v.size()) ? v[size_t(i)].field : def

double ChartModel::VertLineAnnotation(int i) const { KELVOR_VLINE_GET(x, 0.0); }
int ChartModel::VertLineAnnotationType(int i) const { KELVOR_VLINE_GET(type, 0); }
int ChartModel::VertLineAnnotationColor(int i) const { KELVOR_VLINE_GET(color, 0); }
QString ChartModel::VertLineAnnotationText(int i) const { KELVOR_VLINE_GET(text, QString()); }
#undef KELVOR_VLINE_GET

void ChartModel::setVertLineAnnotation(int i, double x)
{
    if (auto* a = vertLineForWrite(i))
        a->x = x;
}
void ChartModel::setVertLineAnnotationType(int i, int type)
{
    if (auto* a = vertLineForWrite(i))
        a->type = type;
}
void ChartModel::setVertLineAnnotationColor(int i, int bgr)
{
    if (auto* a = vertLineForWrite(i))
        a->color = bgr;
}
void ChartModel::setVertLineAnnotationText(int i, const QString& s)
{
    if (auto* a = vertLineForWrite(i))
        a->text = s;
}

void ChartModel::setShowVertLineAnnotations(bool on)
{
    m_s.showVertLineAnnotations = on;
    touchLook();
}
void ChartModel::setAllowVertLineAnnotHotSpots(bool on) { m_s.allowVertLineAnnotHotSpots = on; }
void ChartModel::setLineAnnotationTextSize(int v)
{
    m_s.lineAnnotationTextSize = v;
    touchLook();
}

// ---------------------------------------------------------------- interaction, print

void ChartModel::setAllowDataHotSpots(bool on) { m_s.allowDataHotSpots = on; }
void ChartModel::setArrowCursor(int v)
{
    m_s.arrowCursor = v;
    touchLook();
}
void ChartModel::setAllowFontPage(bool on) { m_s.allowFontPage = on; }
void ChartModel::setAllowPage1(bool on) { m_s.allowPage1 = on; }
void ChartModel::setAllowPage2(bool on) { m_s.allowPage2 = on; }
void ChartModel::setAllowSubsetsPage(bool on) { m_s.allowSubsetsPage = on; }
void ChartModel::setAllowAxisPage(bool on) { m_s.allowAxisPage = on; }
void ChartModel::setDefOrientation(int v) { m_s.defOrientation = v; }
void ChartModel::setPrintStyleControl(int v) { m_s.printStyleControl = v; }

// ---------------------------------------------------------------- actions

void ChartModel::PEactions(int action) { emit actionRequested(action); }

ChartChanges ChartModel::takeChanges()
{
    ChartChanges c = m_changes;
    m_changes = {};
    return c;
}

void ChartModel::markAllChanged()
{
    m_changes.structure = true;
    m_changes.look = true;
    m_changes.dataFrom = 0;
}

// ---------------------------------------------------------------- reading aids

void ChartModel::setDataUnit(int unit)
{
    m_s.dataUnit = unit == chartFahrenheit ? chartFahrenheit : chartCelsius;
    touchLook();
}

QString ChartModel::unitText() const
{
    return m_s.dataUnit == chartFahrenheit ? QStringLiteral("°F") : QStringLiteral("°C");
}

bool ChartModel::AutoScaleY(int axis) const
{
    return axis >= 0 && axis < kChartMaxAxes && (m_s.autoScaleAxes >> axis & 1u);
}

void ChartModel::setAutoScaleY(int axis, bool on)
{
    if (axis < -1 || axis >= kChartMaxAxes)
        return;
    const unsigned bits = axis == -1 ? (1u << kChartMaxAxes) - 1 : 1u << axis;
    m_s.autoScaleAxes = on ? m_s.autoScaleAxes | bits : m_s.autoScaleAxes & ~bits;
    touchLook();
}

void ChartModel::setElapsedTimeAxis(bool on)
{
    m_s.elapsedTimeAxis = on;
    touchLook();
}

void ChartModel::setDerivedDifference(bool on)
{
    m_s.derivedDifference = on;
    touchLook();
}

bool ChartModel::DerivedRate(int subset) const
{
    return subset >= 0 && subset < 32 && (m_s.derivedRates >> subset & 1u);
}

void ChartModel::setDerivedRate(int subset, bool on)
{
    if (subset < 0 || subset >= 32)
        return;
    m_s.derivedRates = on ? m_s.derivedRates | 1u << subset : m_s.derivedRates & ~(1u << subset);
    touchLook();
}

void ChartModel::setDerivedRateWindow(double seconds)
{
    if (!(seconds > 0.0) || !std::isfinite(seconds))
        return;
    m_s.derivedRateWindow = seconds;
    touchLook();
}

void ChartModel::addAlarmEvent(const ChartAlarmEvent& e)
{
    m_s.alarmEvents.push_back(e);
    touchLook();
}

void ChartModel::setCursorState(bool on, double a, double b, double threshold)
{
    m_s.cursorsOn = on;
    m_s.cursorA = a;
    m_s.cursorB = b;
    m_s.cursorThreshold = threshold;
}

void ChartModel::clearAlarmEvents()
{
    m_s.alarmEvents.clear();
    touchLook();
}

QString ChartModel::shownAxisTitle(int axis) const
{
    QString title = axisY(axis).label.trimmed();
    if (title.isEmpty()) {
        // Each channel on a split chart has its own axis: name it there.
        const auto layout = axisLayout();
        if (layout.size() > 1 && axis >= 0 && axis < int(layout.size()) && layout[size_t(axis)].size() == 1)
            title = SubsetLabels(layout[size_t(axis)].front());
        else if (layout.size() > 1 && axis >= 0 && axis < int(layout.size()))
            title = commonMeterName(*this, layout[size_t(axis)]);  // one meter's plot
    }
    const QString unit = unitText();
    if (title.contains(QStringLiteral("°")))
        return title;  // the user named the unit already
    return title.isEmpty() ? unit : title + QStringLiteral(" (") + unit + QLatin1Char(')');
}

}  // namespace kelvor
