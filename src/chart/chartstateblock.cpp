// SPDX-License-Identifier: GPL-3.0-or-later
// The chart's state block: "KVCHART" + NUL, u32 version, then every property, the data
// and the annotations in a fixed order, all little-endian. Strings are u32 byte count +
// UTF-8; arrays are u32 count + elements. Loading checks every count against the bytes
// that are really left before it allocates anything.
#include <bit>
#include <cstring>
#include <QtEndian>

#include "chart/chartmodel.h"

namespace kelvor {

namespace {

constexpr char kMagic[8] = {'K', 'V', 'C', 'H', 'A', 'R', 'T', '\0'};
constexpr quint32 kVersion = 1;
constexpr quint32 kMaxStringBytes = 1u << 20;

class BlockWriter {
public:
    explicit BlockWriter(QByteArray& out) : m_out(out) {}
    void raw(const void* p, qsizetype n) { m_out.append(static_cast<const char*>(p), n); }
    void u8(quint8 v) { m_out.append(char(v)); }
    void u32(quint32 v)
    {
        const quint32 le = qToLittleEndian(v);
        raw(&le, 4);
    }
    void i32(qint32 v) { u32(quint32(v)); }
    void f64(double v) { u64(std::bit_cast<quint64>(v)); }
    void u64(quint64 v)
    {
        const quint64 le = qToLittleEndian(v);
        raw(&le, 8);
    }
    void boolean(bool b) { u8(b ? 1 : 0); }
    void str(const QString& s)
    {
        const QByteArray utf8 = s.toUtf8().left(kMaxStringBytes);
        u32(quint32(utf8.size()));
        m_out.append(utf8);
    }
    void f64Array(const std::vector<double>& v)
    {
        if constexpr (std::endian::native == std::endian::little)
            raw(v.data(), qsizetype(v.size() * sizeof(double)));
        else
            for (double d : v)
                f64(d);
    }
    void f32Array(const std::vector<float>& v)
    {
        if constexpr (std::endian::native == std::endian::little)
            raw(v.data(), qsizetype(v.size() * sizeof(float)));
        else
            for (float f : v)
                u32(std::bit_cast<quint32>(f));
    }

private:
    QByteArray& m_out;
};

// Reads with bounds checks; the first fault sticks and every later read yields zero.
class BlockReader {
public:
    BlockReader(const char* p, std::int64_t n) : m_p(p), m_left(n) {}
    bool failed() const { return !m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    std::int64_t left() const { return m_left; }
    void fail(const QString& why)
    {
        if (m_error.isEmpty())
            m_error = why;
        m_left = 0;
    }
    bool take(void* dst, std::int64_t n, const char* what)
    {
        if (failed())
            return false;
        if (n > m_left) {
            fail(QStringLiteral("the block ends inside %1").arg(QLatin1String(what)));
            return false;
        }
        if (n > 0)  // an empty array has no storage to copy into
            std::memcpy(dst, m_p, size_t(n));
        m_p += n;
        m_left -= n;
        return true;
    }
    quint8 u8(const char* what)
    {
        quint8 v = 0;
        take(&v, 1, what);
        return v;
    }
    quint32 u32(const char* what)
    {
        quint32 v = 0;
        take(&v, 4, what);
        return qFromLittleEndian(v);
    }
    qint32 i32(const char* what) { return qint32(u32(what)); }
    double f64(const char* what)
    {
        quint64 v = 0;
        take(&v, 8, what);
        return std::bit_cast<double>(qFromLittleEndian(v));
    }
    bool boolean(const char* what)
    {
        const quint8 v = u8(what);
        if (v > 1)
            fail(QStringLiteral("%1 holds %2 where a yes/no value belongs").arg(QLatin1String(what)).arg(v));
        return v == 1;
    }
    // A count that must lie in [0, max] and for which at least `minBytesEach` bytes per
    // element must still be there.
    quint32 count(const char* what, quint32 max, std::int64_t minBytesEach)
    {
        const quint32 n = u32(what);
        if (failed())
            return 0;
        if (n > max) {
            fail(QStringLiteral("%1 is %2, more than the %3 allowed").arg(QLatin1String(what)).arg(n).arg(max));
            return 0;
        }
        if (minBytesEach > 0 && std::int64_t(n) * minBytesEach > m_left) {
            fail(QStringLiteral("%1 is %2, but the block is too short to hold them").arg(QLatin1String(what)).arg(n));
            return 0;
        }
        return n;
    }
    QString str(const char* what)
    {
        const quint32 n = count(what, kMaxStringBytes, 1);
        if (failed() || n == 0)
            return {};
        const QByteArray bytes(m_p, qsizetype(n));
        m_p += n;
        m_left -= n;
        return QString::fromUtf8(bytes);
    }
    void f64Array(std::vector<double>& v, quint32 n, const char* what)
    {
        if (std::int64_t(n) * 8 > m_left) {
            fail(QStringLiteral("the block ends inside %1").arg(QLatin1String(what)));
            return;
        }
        v.resize(n);
        take(v.data(), std::int64_t(n) * 8, what);
        if constexpr (std::endian::native != std::endian::little)
            for (double& d : v)
                d = std::bit_cast<double>(qFromLittleEndian(std::bit_cast<quint64>(d)));
    }
    void f32Array(std::vector<float>& v, quint32 n, const char* what)
    {
        if (std::int64_t(n) * 4 > m_left) {
            fail(QStringLiteral("the block ends inside %1").arg(QLatin1String(what)));
            return;
        }
        v.resize(n);
        take(v.data(), std::int64_t(n) * 4, what);
        if constexpr (std::endian::native != std::endian::little)
            for (float& f : v)
                f = std::bit_cast<float>(qFromLittleEndian(std::bit_cast<quint32>(f)));
    }

private:
    const char* m_p;
    std::int64_t m_left;
    QString m_error;
};

// One list of every scalar property, used by both directions so they cannot drift.
template <typename Io>
void scalars(Io& io, ChartState& s)
{
    io.b(s.usingXDataII, "UsingXDataII");
    io.i(s.dateTimeMode, "DateTimeMode");
    io.d(s.nullDataValueY, "NullDataValueY");
    io.i(s.multiAxesSeparators, "MultiAxesSeparators");
    io.i(s.workingAxis, "WorkingAxis");
    io.i(s.manualScaleControlX, "ManualScaleControlX");
    io.d(s.manualMinX, "ManualMinX");
    io.d(s.manualMaxX, "ManualMaxX");
    io.s(s.mainTitle, "MainTitle");
    io.s(s.subTitle, "SubTitle");
    io.s(s.xAxisLabel, "XAxisLabel");
    io.i(s.graphForeColor, "GraphForeColor");
    io.i(s.graphBackColor, "GraphBackColor");
    io.i(s.deskColor, "DeskColor");
    io.i(s.textColor, "TextColor");
    io.i(s.gridStyle, "GridStyle");
    io.i(s.viewingStyle, "ViewingStyle");
    io.i(s.plottingMethod, "PlottingMethod");
    io.d(s.lineGapThreshold, "LineGapThreshold");
    io.b(s.prepareImages, "PrepareImages");
    io.b(s.subsetByPoint, "SubsetByPoint");
    io.b(s.noHelp, "NoHelp");
    io.b(s.allowPopup, "AllowPopup");
    io.i(s.allowDataLabels, "AllowDataLabels");
    io.b(s.focalRect, "FocalRect");
    io.b(s.allowBar, "AllowBar");
    io.b(s.noRandomPointsToExport, "NoRandomPointsToExport");
    io.i(s.allowZooming, "AllowZooming");
    io.b(s.scrollingHorzZoom, "ScrollingHorzZoom");
    io.b(s.scrollingVertZoom, "ScrollingVertZoom");
    io.b(s.showGraphAnnotations, "ShowGraphAnnotations");
    io.i(s.graphAnnotationTextSize, "GraphAnnotationTextSize");
    io.b(s.allowGraphAnnotHotSpots, "AllowGraphAnnotHotSpots");
    io.b(s.showVertLineAnnotations, "ShowVertLineAnnotations");
    io.b(s.allowVertLineAnnotHotSpots, "AllowVertLineAnnotHotSpots");
    io.i(s.lineAnnotationTextSize, "LineAnnotationTextSize");
    io.b(s.allowDataHotSpots, "AllowDataHotSpots");
    io.i(s.arrowCursor, "ArrowCursor");
    io.b(s.allowFontPage, "AllowFontPage");
    io.b(s.allowPage1, "AllowPage1");
    io.b(s.allowPage2, "AllowPage2");
    io.b(s.allowSubsetsPage, "AllowSubsetsPage");
    io.b(s.allowAxisPage, "AllowAxisPage");
    io.i(s.defOrientation, "DefOrientation");
    io.i(s.printStyleControl, "PrintStyleControl");
}

struct ScalarWriter {
    BlockWriter& w;
    void b(bool& v, const char*) { w.boolean(v); }
    void i(int& v, const char*) { w.i32(v); }
    void d(double& v, const char*) { w.f64(v); }
    void s(QString& v, const char*) { w.str(v); }
};

struct ScalarReader {
    BlockReader& r;
    void b(bool& v, const char* what) { v = r.boolean(what); }
    void i(int& v, const char* what) { v = r.i32(what); }
    void d(double& v, const char* what) { v = r.f64(what); }
    void s(QString& v, const char* what) { v = r.str(what); }
};

constexpr quint8 kOwnX = 0;
constexpr quint8 kSameXAsFirst = 1;

}  // namespace

QByteArray ChartModel::StoreState() const
{
    ChartState& s = const_cast<ChartState&>(m_s);  // the writers only read
    QByteArray out;
    qsizetype dataBytes = 0;
    for (const auto& d : s.data)
        dataBytes += qsizetype(d.x.size() * 8 + d.y.size() * 4);
    out.reserve(dataBytes + 4096 + qsizetype(s.graphAnnotations.size()) * 40);
    BlockWriter w(out);
    w.raw(kMagic, 8);
    w.u32(kVersion);

    ScalarWriter sw{w};
    scalars(sw, s);

    w.u32(quint32(s.axesY.size()));
    for (const auto& a : s.axesY) {
        w.i32(a.manualScaleControl);
        w.f64(a.manualMin);
        w.f64(a.manualMax);
        w.str(a.label);
    }
    w.u32(quint32(s.multiAxesSubsets.size()));
    for (int v : s.multiAxesSubsets)
        w.i32(v);
    w.u32(quint32(s.multiAxesProportions.size()));
    for (double v : s.multiAxesProportions)
        w.f64(v);
    w.u32(quint32(s.randomSubsetsToGraph.size()));
    for (int v : s.randomSubsetsToGraph)
        w.i32(v);
    w.u32(quint32(s.subsetLabels.size()));
    for (const auto& v : s.subsetLabels)
        w.str(v);
    w.u32(quint32(s.subsetColors.size()));
    for (int v : s.subsetColors)
        w.i32(v);

    w.u32(quint32(s.graphAnnotations.size()));
    for (const auto& a : s.graphAnnotations) {
        w.f64(a.x);
        w.f64(a.y);
        w.i32(a.type);
        w.i32(a.color);
        w.str(a.text);
    }
    w.u32(quint32(s.vertLineAnnotations.size()));
    for (const auto& a : s.vertLineAnnotations) {
        w.f64(a.x);
        w.i32(a.type);
        w.i32(a.color);
        w.str(a.text);
    }

    // Data last: the real-time run gives every subset the same times, stored once.
    w.u32(quint32(s.subsets));
    w.u32(quint32(s.points));
    for (int i = 0; i < s.subsets; ++i) {
        const auto& d = s.data[size_t(i)];
        if (i > 0 && d.x == s.data[0].x) {
            w.u8(kSameXAsFirst);
        } else {
            w.u8(kOwnX);
            w.f64Array(d.x);
        }
        w.f32Array(d.y);
    }
    return out;
}

ChartLoadResult ChartModel::LoadState(const QByteArray& block)
{
    return LoadState(block.constData(), block.size());
}

ChartLoadResult ChartModel::LoadState(const char* data, std::int64_t size)
{
    if (!data || size < 12)
        return {QStringLiteral("the chart block is too short (%1 bytes)").arg(size < 0 ? 0 : size)};
    if (std::memcmp(data, kMagic, 8) != 0)
        return {QStringLiteral("the block is not a KELVOR chart")};
    BlockReader r(data + 8, size - 8);
    const quint32 version = r.u32("the version");
    if (version == 0 || version > kVersion)
        return {QStringLiteral("the chart block has version %1, this program reads up to version %2")
                    .arg(version)
                    .arg(kVersion)};

    ChartState s;
    ScalarReader sr{r};
    scalars(sr, s);
    if (!r.failed() && (s.workingAxis < 0 || s.workingAxis >= kChartMaxAxes))
        r.fail(QStringLiteral("WorkingAxis is %1").arg(s.workingAxis));

    // The per-axis list always has kChartMaxAxes entries.
    const quint32 axes = r.count("the axis count", kChartMaxAxes, 24);
    if (!r.failed() && axes != quint32(kChartMaxAxes))
        r.fail(QStringLiteral("the axis count is %1 instead of %2").arg(axes).arg(kChartMaxAxes));
    for (quint32 i = 0; i < axes && !r.failed(); ++i) {
        auto& a = s.axesY[i];
        a.manualScaleControl = r.i32("ManualScaleControlY");
        a.manualMin = r.f64("ManualMinY");
        a.manualMax = r.f64("ManualMaxY");
        a.label = r.str("YAxisLabel");
    }
    const quint32 nSplit = r.count("the MultiAxesSubsets count", kChartMaxAxes, 4);
    for (quint32 i = 0; i < nSplit && !r.failed(); ++i) {
        const int v = r.i32("MultiAxesSubsets");
        if (v < 0 || v > kChartMaxSubsets)
            r.fail(QStringLiteral("MultiAxesSubsets(%1) is %2").arg(i).arg(v));
        s.multiAxesSubsets.push_back(v);
    }
    const quint32 nProp = r.count("the MultiAxesProportions count", kChartMaxAxes, 8);
    for (quint32 i = 0; i < nProp && !r.failed(); ++i)
        s.multiAxesProportions.push_back(r.f64("MultiAxesProportions"));
    const quint32 nRandom = r.count("the RandomSubsetsToGraph count", kChartMaxSubsets, 4);
    for (quint32 i = 0; i < nRandom && !r.failed(); ++i)
        s.randomSubsetsToGraph.push_back(r.i32("RandomSubsetsToGraph"));
    const quint32 nLabels = r.count("the SubsetLabels count", kChartMaxSubsets, 4);
    for (quint32 i = 0; i < nLabels && !r.failed(); ++i)
        s.subsetLabels.push_back(r.str("SubsetLabels"));
    const quint32 nColors = r.count("the SubsetColors count", kChartMaxSubsets, 4);
    for (quint32 i = 0; i < nColors && !r.failed(); ++i)
        s.subsetColors.push_back(r.i32("SubsetColors"));

    const quint32 nAnnot = r.count("the graph annotation count", kChartMaxAnnotations, 28);
    if (!r.failed())
        s.graphAnnotations.resize(nAnnot);
    for (quint32 i = 0; i < nAnnot && !r.failed(); ++i) {
        auto& a = s.graphAnnotations[i];
        a.x = r.f64("GraphAnnotationX");
        a.y = r.f64("GraphAnnotationY");
        a.type = r.i32("GraphAnnotationType");
        a.color = r.i32("GraphAnnotationColor");
        a.text = r.str("GraphAnnotationText");
    }
    const quint32 nVert = r.count("the vertical line annotation count", kChartMaxAnnotations, 20);
    if (!r.failed())
        s.vertLineAnnotations.resize(nVert);
    for (quint32 i = 0; i < nVert && !r.failed(); ++i) {
        auto& a = s.vertLineAnnotations[i];
        a.x = r.f64("VertLineAnnotation");
        a.type = r.i32("VertLineAnnotationType");
        a.color = r.i32("VertLineAnnotationColor");
        a.text = r.str("VertLineAnnotationText");
    }

    const quint32 subsets = r.u32("Subsets");
    if (!r.failed() && (subsets < 1 || subsets > quint32(kChartMaxSubsets)))
        r.fail(QStringLiteral("Subsets is %1, allowed are 1 to %2").arg(subsets).arg(kChartMaxSubsets));
    // Every subset needs at least its Y values and one marker byte.
    const quint32 points = r.count("Points", kChartMaxPoints, 0);
    if (!r.failed() && std::int64_t(subsets) * (1 + std::int64_t(points) * 4) > r.left())
        r.fail(QStringLiteral("Points is %1, but the block is too short to hold %2 subsets of them")
                   .arg(points)
                   .arg(subsets));
    if (!r.failed()) {
        s.subsets = int(subsets);
        s.points = int(points);
        s.data.resize(subsets);
    }
    for (quint32 i = 0; i < subsets && !r.failed(); ++i) {
        auto& d = s.data[i];
        const quint8 mode = r.u8("the data of a subset");
        if (mode == kOwnX)
            r.f64Array(d.x, points, "the X data");
        else if (mode == kSameXAsFirst && i > 0)
            d.x = s.data[0].x;
        else
            r.fail(QStringLiteral("subset %1 has an unknown data layout %2").arg(i).arg(mode));
        r.f32Array(d.y, points, "the Y data");
    }
    if (!r.failed() && r.left() != 0)
        r.fail(QStringLiteral("%1 unexpected bytes follow the chart data").arg(r.left()));
    if (r.failed())
        return {QStringLiteral("damaged chart block: %1").arg(r.error())};

    m_s = std::move(s);
    markAllChanged();
    return {};
}

}  // namespace kelvor
