// SPDX-License-Identifier: GPL-3.0-or-later
// Any byte string as a table laid under a graph as a reference: read, aligned on a
// crossing and looked up between its samples.
#include <QBuffer>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "files/texttable.h"
#include "graph/referencecurve.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    ReferenceCurve r;
    r.curves = CurvesFromTable(ReadTextTable(buffer, QLatin1Char('\t')).rows, QLocale::c());
    double temperature = 100.0;
    if (size >= sizeof(double))
        std::memcpy(&temperature, data, sizeof(double));
    for (int c = 0; c < kCurveChannels; ++c) {
        const CurvePoints& points = r.curves.channels[size_t(c)];
        if (points.x.size() != points.y.size() || !std::is_sorted(points.x.begin(), points.x.end()))
            std::abort();
        const std::optional<double> at = FirstCrossing(points, temperature);
        if (at && (points.x.empty() || *at < points.x.front() || *at > points.x.back()))
            std::abort();  // a crossing lies within the channel's time
        for (size_t k = 0; k + 1 < points.x.size() && k < 64; ++k) {
            const double t = (points.x[k] + points.x[k + 1]) / 2;
            const std::optional<double> v = ReferenceValueAt(r, c, t);
            if (v && std::isnan(*v))
                std::abort();  // a gap gives no value, never NaN
        }
    }
    return 0;
}
