// SPDX-License-Identifier: GPL-3.0-or-later
// The chart's state block: "KVCHART" + NUL, u32 version, then every property, the
// annotations and the data in a fixed order, all little-endian. Strings are u32 byte count +
// UTF-8; arrays are u32 count + elements. Loading checks every count against the bytes
// that are really left before it allocates anything. stateFields() is the one list of
// fields both directions walk; a field added in a later version is read only when
// io.version() says the block has it.
#include <QtEndian>
#include <bit>
#include <cstring>

#include "chart/chartmodel.h"

namespace kelvor {

namespace {

constexpr char kMagic[8] = {'K', 'V', 'C', 'H', 'A', 'R', 'T', '\0'};
constexpr quint32 kVersion = 2;  // 2: the window's reading aids, cursors and alarm events
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

// How a list's element count is checked when reading: at most `max` elements (exactly `max`
// when `exact`), and at least `minBytesEach` bytes per element still in the block.
struct CountRule {
    const char* what;
    quint32 max;
    std::int64_t minBytesEach;
    bool exact = false;
};

// Writes the fields that stateFields() hands it. It reads only, so it takes the state const.
class StateWriter {
public:
    static constexpr bool kReading = false;
    StateWriter(BlockWriter& w, quint32 version) : m_w(w), m_version(version) {}
    quint32 version() const { return m_version; }
    bool ok() const { return true; }
    template <typename Message>
    void check(bool, Message&&)
    {
    }

    void b(bool v, const char*) { m_w.boolean(v); }
    void i(int v, const char*) { m_w.i32(v); }
    void d(double v, const char*) { m_w.f64(v); }
    void s(const QString& v, const char*) { m_w.str(v); }
    void u8(quint8 v, const char*) { m_w.u8(v); }
    void u32(quint32 v, const char*) { m_w.u32(v); }
    void count(quint32 n, const CountRule&) { m_w.u32(n); }
    void f64s(const std::vector<double>& v, quint32, const char*) { m_w.f64Array(v); }
    void f32s(const std::vector<float>& v, quint32, const char*) { m_w.f32Array(v); }

    template <typename T, typename Element>
    void list(const std::vector<T>& v, const CountRule&, Element&& element)
    {
        m_w.u32(quint32(v.size()));
        for (quint32 i = 0; i < quint32(v.size()); ++i)
            element(v[i], i);
    }

private:
    BlockWriter& m_w;
    quint32 m_version;
};

// Reads the same fields into a fresh state; once a read or a check fails, nothing more is read.
class StateReader {
public:
    static constexpr bool kReading = true;
    StateReader(BlockReader& r, quint32 version) : m_r(r), m_version(version) {}
    // The version the block was written with: a field added later is read only from newer blocks.
    quint32 version() const { return m_version; }
    bool ok() const { return !m_r.failed(); }
    std::int64_t left() const { return m_r.left(); }
    template <typename Message>
    void check(bool good, Message&& message)
    {
        if (ok() && !good)
            m_r.fail(message());
    }

    void b(bool& v, const char* what) { v = m_r.boolean(what); }
    void i(int& v, const char* what) { v = m_r.i32(what); }
    void d(double& v, const char* what) { v = m_r.f64(what); }
    void s(QString& v, const char* what) { v = m_r.str(what); }
    void u8(quint8& v, const char* what) { v = m_r.u8(what); }
    void u32(quint32& v, const char* what) { v = m_r.u32(what); }
    void count(quint32& n, const CountRule& rule)
    {
        n = m_r.count(rule.what, rule.max, rule.minBytesEach);
        if (rule.exact && ok() && n != rule.max)
            m_r.fail(QStringLiteral("%1 is %2 instead of %3").arg(QLatin1String(rule.what)).arg(n).arg(rule.max));
    }
    void f64s(std::vector<double>& v, quint32 n, const char* what) { m_r.f64Array(v, n, what); }
    void f32s(std::vector<float>& v, quint32 n, const char* what) { m_r.f32Array(v, n, what); }

    // A list of exact length keeps the elements the state already has; any other is sized
    // to the count read (checked against the bytes left, so never huge).
    template <typename T, typename Element>
    void list(std::vector<T>& v, const CountRule& rule, Element&& element)
    {
        quint32 n = 0;
        count(n, rule);
        if (!ok())
            return;
        if (!rule.exact)
            v.resize(n);
        for (quint32 i = 0; i < n && ok(); ++i)
            element(v[i], i);
    }

private:
    BlockReader& m_r;
    quint32 m_version;
};

constexpr quint8 kOwnX = 0;
constexpr quint8 kSameXAsFirst = 1;

// The state block's fields in their stored order, for both directions: State is
// `const ChartState` for the writer and `ChartState` for the reader.
template <typename Io, typename State>
void scalarFields(Io& io, State& s)
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
    io.check(s.workingAxis >= 0 && s.workingAxis < kChartMaxAxes,
             [&] { return QStringLiteral("WorkingAxis is %1").arg(s.workingAxis); });
}

template <typename Io, typename State>
void axisFields(Io& io, State& s)
{
    // Every axis is stored, used or not.
    io.list(s.axesY, {"the axis count", kChartMaxAxes, 24, true}, [&io](auto& a, quint32) {
        io.i(a.manualScaleControl, "ManualScaleControlY");
        io.d(a.manualMin, "ManualMinY");
        io.d(a.manualMax, "ManualMaxY");
        io.s(a.label, "YAxisLabel");
    });
    io.list(s.multiAxesSubsets, {"the MultiAxesSubsets count", kChartMaxAxes, 4}, [&io](auto& v, quint32 i) {
        io.i(v, "MultiAxesSubsets");
        io.check(v >= 0 && v <= kChartMaxSubsets,
                 [&] { return QStringLiteral("MultiAxesSubsets(%1) is %2").arg(i).arg(v); });
    });
    io.list(s.multiAxesProportions, {"the MultiAxesProportions count", kChartMaxAxes, 8},
            [&io](auto& v, quint32) { io.d(v, "MultiAxesProportions"); });
}

template <typename Io, typename State>
void subsetFields(Io& io, State& s)
{
    io.list(s.randomSubsetsToGraph, {"the RandomSubsetsToGraph count", kChartMaxSubsets, 4},
            [&io](auto& v, quint32) { io.i(v, "RandomSubsetsToGraph"); });
    io.list(s.subsetLabels, {"the SubsetLabels count", kChartMaxSubsets, 4},
            [&io](auto& v, quint32) { io.s(v, "SubsetLabels"); });
    io.list(s.subsetColors, {"the SubsetColors count", kChartMaxSubsets, 4},
            [&io](auto& v, quint32) { io.i(v, "SubsetColors"); });
}

template <typename Io, typename State>
void annotationFields(Io& io, State& s)
{
    io.list(s.graphAnnotations, {"the graph annotation count", kChartMaxAnnotations, 28}, [&io](auto& a, quint32) {
        io.d(a.x, "GraphAnnotationX");
        io.d(a.y, "GraphAnnotationY");
        io.i(a.type, "GraphAnnotationType");
        io.i(a.color, "GraphAnnotationColor");
        io.s(a.text, "GraphAnnotationText");
    });
    io.list(s.vertLineAnnotations, {"the vertical line annotation count", kChartMaxAnnotations, 20},
            [&io](auto& a, quint32) {
                io.d(a.x, "VertLineAnnotation");
                io.i(a.type, "VertLineAnnotationType");
                io.i(a.color, "VertLineAnnotationColor");
                io.s(a.text, "VertLineAnnotationText");
            });
}

// The data comes last. A real-time run gives every subset the same times: those are
// stored once, with the later subsets marked as sharing the first one's.
template <typename Io, typename State>
void dataFields(Io& io, State& s)
{
    quint32 subsets = quint32(s.subsets);
    io.u32(subsets, "Subsets");
    io.check(subsets >= 1 && subsets <= quint32(kChartMaxSubsets),
             [&] { return QStringLiteral("Subsets is %1, allowed are 1 to %2").arg(subsets).arg(kChartMaxSubsets); });
    quint32 points = quint32(s.points);
    io.count(points, {"Points", kChartMaxPoints, 0});
    // Every subset needs at least its Y values and one layout byte.
    if constexpr (Io::kReading) {
        io.check(std::int64_t(subsets) * (1 + std::int64_t(points) * 4) <= io.left(), [&] {
            return QStringLiteral("Points is %1, but the block is too short to hold %2 subsets of them")
                .arg(points)
                .arg(subsets);
        });
        if (!io.ok())
            return;
        s.subsets = int(subsets);
        s.points = int(points);
        s.data.resize(subsets);
    }
    for (quint32 i = 0; i < subsets && io.ok(); ++i) {
        auto& d = s.data[i];
        quint8 layout = kOwnX;
        if constexpr (!Io::kReading)
            layout = i > 0 && d.x == s.data[0].x ? kSameXAsFirst : kOwnX;
        io.u8(layout, "the data of a subset");
        if (layout == kOwnX) {
            io.f64s(d.x, points, "the X data");
        } else if (layout == kSameXAsFirst && i > 0) {
            if constexpr (Io::kReading)
                d.x = s.data[0].x;
        } else {
            io.check(false,
                     [&] { return QStringLiteral("subset %1 has an unknown data layout %2").arg(i).arg(layout); });
        }
        io.f32s(d.y, points, "the Y data");
    }
}

// Version 2 adds how the window reads the chart: unit, Auto axes, elapsed time, derived
// channels, the cursors and the alarm events of the run. A version 1 block has none of
// them and its chart keeps the defaults.
template <typename Io, typename State>
void readingFields(Io& io, State& s)
{
    if (io.version() < 2)
        return;
    io.i(s.dataUnit, "DataUnit");
    io.check(s.dataUnit == chartCelsius || s.dataUnit == chartFahrenheit,
             [&] { return QStringLiteral("DataUnit is %1").arg(s.dataUnit); });
    io.u32(s.autoScaleAxes, "AutoScaleY");
    io.b(s.elapsedTimeAxis, "ElapsedTimeAxis");
    io.b(s.derivedDifference, "DerivedDifference");
    io.u32(s.derivedRates, "DerivedRates");
    io.d(s.derivedRateWindow, "DerivedRateWindow");
    io.check(s.derivedRateWindow > 0.0 && s.derivedRateWindow < 1e7,
             [&] { return QStringLiteral("DerivedRateWindow is %1").arg(s.derivedRateWindow); });
    io.b(s.cursorsOn, "CursorsOn");
    io.d(s.cursorA, "CursorA");
    io.d(s.cursorB, "CursorB");
    io.d(s.cursorThreshold, "CursorThreshold");
    io.list(s.alarmEvents, {"the alarm event count", kChartMaxAnnotations, 24}, [&io](auto& e, quint32 i) {
        io.d(e.x, "AlarmEventX");
        io.i(e.subset, "AlarmEventSubset");
        double value = e.value;
        io.d(value, "AlarmEventValue");
        io.i(e.kind, "AlarmEventKind");
        if constexpr (Io::kReading)
            e.value = float(value);
        io.check(e.subset >= 0 && e.subset < kChartMaxSubsets && e.kind >= 0 && e.kind <= 3, [&] {
            return QStringLiteral("alarm event %1 has subset %2 and kind %3").arg(i).arg(e.subset).arg(e.kind);
        });
    });
}

template <typename Io, typename State>
void stateFields(Io& io, State& s)
{
    scalarFields(io, s);
    axisFields(io, s);
    subsetFields(io, s);
    annotationFields(io, s);
    dataFields(io, s);
    readingFields(io, s);
}

// The oldest version that holds the chart: one that uses none of the later fields is
// written as before, so it stays byte for byte what earlier versions wrote and read.
quint32 versionNeeded(const ChartState& s)
{
    const ChartState plain;
    const bool reading = s.dataUnit != plain.dataUnit || s.autoScaleAxes != plain.autoScaleAxes ||
                         s.elapsedTimeAxis != plain.elapsedTimeAxis || s.derivedDifference != plain.derivedDifference ||
                         s.derivedRates != plain.derivedRates || s.derivedRateWindow != plain.derivedRateWindow ||
                         s.cursorsOn != plain.cursorsOn || s.cursorA != plain.cursorA || s.cursorB != plain.cursorB ||
                         s.cursorThreshold != plain.cursorThreshold || !s.alarmEvents.empty();
    return reading ? 2 : 1;
}

}  // namespace

QByteArray ChartModel::StoreState() const
{
    QByteArray out;
    qsizetype dataBytes = 0;
    for (const auto& d : m_s.data)
        dataBytes += qsizetype(d.x.size() * 8 + d.y.size() * 4);
    out.reserve(dataBytes + 4096 + qsizetype(m_s.graphAnnotations.size()) * 40);
    BlockWriter w(out);
    w.raw(kMagic, 8);
    const quint32 version = versionNeeded(m_s);
    w.u32(version);
    StateWriter io(w, version);
    stateFields(io, m_s);
    return out;
}

ChartLoadResult ChartModel::LoadState(const QByteArray& block) { return LoadState(block.constData(), block.size()); }

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
    StateReader io(r, version);
    stateFields(io, s);
    if (!r.failed() && r.left() != 0)
        r.fail(QStringLiteral("%1 unexpected bytes follow the chart data").arg(r.left()));
    if (r.failed())
        return {QStringLiteral("damaged chart block: %1").arg(r.error())};

    m_s = std::move(s);
    m_pointFlags.clear();
    markAllChanged();
    return {};
}

}  // namespace kelvor
