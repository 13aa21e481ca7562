// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/datasetdecoder.h"

#include <QDateTime>

#include "base/clock.h"

namespace kelvor {

namespace {

// A BCD byte as the number its two digits show, -1 when a digit is above 9.
int fromBcd(std::uint8_t b)
{
    const int hi = b >> 4, lo = b & 0x0F;
    return (hi > 9 || lo > 9) ? -1 : hi * 10 + lo;
}

int be16(const std::uint8_t* p) { return (p[0] << 8) | p[1]; }

// Date-time of a data set's header; invalid BCD parts fall back part by part to
// `fallback`, an impossible date to the clock's "now".
double headerStart(const std::uint8_t* h, const QDateTime& fallback, const Clock& clock, int& badHours)
{
    const QDate fd = fallback.date();
    const QTime ft = fallback.time();
    const int parts[6] = {fromBcd(h[3]), fromBcd(h[4]), fromBcd(h[5]), fromBcd(h[6]), fromBcd(h[7]), fromBcd(h[8])};
    const int year = parts[0] >= 0 ? 2000 + parts[0] : fd.year();
    const int month = parts[1] >= 0 ? parts[1] : fd.month();
    const int day = parts[2] >= 0 ? parts[2] : fd.day();
    int hour = parts[3];
    if (hour < 0) {
        hour = ft.hour();  // same rule as the other parts: the current one
        ++badHours;
    }
    const int minute = parts[4] >= 0 ? parts[4] : ft.minute();
    const int second = parts[5] >= 0 ? parts[5] : ft.second();
    const QDate d(year, month, day);
    const QTime t(hour, minute, second);
    if (!d.isValid() || !t.isValid())
        return clock.nowDays();
    // The meter's clock knows no time zone: take its date and time as they read. A UTC
    // date-time holds them without consulting the system's zone, the cost of a header.
    return toDays(QDateTime(d, t, Qt::UTC));
}

// The data sets' headers in memory order, each placed in the image and in the value
// arrays. Stops at the first one that does not lie wholly inside the image.
std::vector<DataSet> readHeaders(const std::uint8_t* img, qsizetype n, int count, const Clock& clock,
                                 DataSetDecodeResult& r, std::size_t& totalValues)
{
    const QDateTime fallback = clock.now();
    std::vector<DataSet> sets;
    sets.reserve(std::size_t(count));
    qsizetype p = kDataSetArea;
    totalValues = 0;
    for (int k = 0; k < count; ++k) {
        // The whole record, end marker included, must lie inside the image.
        if (p + kDataSetOverhead > n) {
            r.cutShort = true;
            break;
        }
        const std::uint8_t* h = img + p;
        const int samples = be16(h + 12);
        const qsizetype last = p + 19 + qsizetype(kSampleBytes) * samples;
        if (last >= n) {
            r.cutShort = true;
            break;
        }
        DataSet s;
        s.sampleCount = samples;
        s.headerPos = int(p);
        s.lastPos = int(last);
        s.thermoType = h[11] & 0x0F;
        for (int c = 0; c < 4; ++c)
            s.offsets[c] = std::int8_t(h[14 + c]);
        s.interval = h[9] * 60 + h[10];
        s.start = headerStart(h, fallback, clock, r.badHours);
        s.inCelsius = (h[11] & 0x10) ? 1 : 0;
        s.firstValue = totalValues;
        totalValues += std::size_t(samples) * 4;
        sets.push_back(s);
        p = last + 1;
    }
    return sets;
}

// One data set's samples into its place in the value and time arrays: four channels
// per sample, in degrees of the set's unit, out-of-range readings as gaps.
void decodeSamples(const std::uint8_t* img, const DataSet& s, float* v, double* t)
{
    const std::uint8_t* src = img + s.headerPos + 18;
    const double step = s.interval * kDaysPerSecond;
    const ThermocoupleRangeF range = thermocoupleRangeF(s.thermoType);
    for (int i = 0; i < s.sampleCount; ++i) {
        const double ti = s.start + i * step;
        for (int c = 0; c < 4; ++c, src += 2, ++v, ++t) {
            const std::int16_t raw = std::int16_t(be16(src));
            float x = float(raw * 0.1);
            if (raw < range.lowTenthsF || raw > range.highTenthsF)
                x = kSampleGap;  // "OL", an open input: no temperature to draw or average
            else if (s.inCelsius)
                x = float((double(x) - 32.0) * 5.0 / 9.0);
            *v = x;
            *t = ti;
        }
    }
}

}  // namespace

DataSetDecodeResult DecodeDataSets(const char* data, qsizetype size, DataSetStore& store, const Clock& clock)
{
    DataSetDecodeResult r;
    const auto* img = reinterpret_cast<const std::uint8_t*>(data);
    // A header shorter than its count field cannot claim anything.
    const int count = size >= 10 ? be16(img + 8) : 0;
    r.declaredCount = count;
    if (count == 0) {
        r.code = kNoDataSet;
        return r;
    }
    if (count > kMaxDataSets) {
        r.code = kTooManyDataSets;
        return r;
    }

    std::size_t totalValues = 0;
    std::vector<DataSet> sets = readHeaders(img, size, count, clock, r, totalValues);
    r.decodedCount = int(sets.size());
    if (sets.empty()) {
        r.code = kImageCutShort;
        return r;
    }

    std::vector<float> values(totalValues);
    std::vector<double> times(totalValues);
    for (const DataSet& s : sets)
        decodeSamples(img, s, values.data() + s.firstValue, times.data() + s.firstValue);

    store.sets.swap(sets);
    store.values.swap(values);
    store.times.swap(times);
    return r;
}

DataSetDecodeResult DecodeDataSets(const QByteArray& image, DataSetStore& store, const Clock& clock)
{
    return DecodeDataSets(image.constData(), image.size(), store, clock);
}

QString DecodeWarning(const DataSetDecodeResult& r)
{
    if (r.code == kImageCutShort)
        return QStringLiteral(
                   "The memory image ends inside its first data set (the header claims %1): "
                   "nothing could be decoded.")
            .arg(r.declaredCount);
    if (!r.cutShort)
        return {};
    return QStringLiteral(
               "The memory image was cut short: it ends inside data set %1 of %2, "
               "so only the first %3 data sets are shown.")
        .arg(r.decodedCount + 1)
        .arg(r.declaredCount)
        .arg(r.decodedCount);
}

}  // namespace kelvor
