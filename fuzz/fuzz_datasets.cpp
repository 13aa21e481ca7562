// SPDX-License-Identifier: GPL-3.0-or-later
// Any byte string as a memory image: the decoder must never read past it, and the
// store it fills must be consistent with what it claims.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "base/clock.h"
#include "logger/datasetdecoder.h"
#include "logger/datasetformat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    static ManualClock clock;
    // Keep the images small enough to run fast but let the data area be reached:
    // the fuzzer's bytes land at the start of the header and of the data set area.
    QByteArray image(reinterpret_cast<const char*>(data), qsizetype(size));
    if (size > 12 && data[0] == 'X') {
        // Second shape: header from the first 12 bytes, data sets from the rest.
        QByteArray grown(2816, '\0');
        grown.replace(0, 12, image.left(12));
        grown += image.mid(12);
        image = grown;
    }
    DataSetStore store;
    const DataSetDecodeResult r = DecodeDataSets(image, store, clock);
    if (r.ok()) {
        std::size_t values = 0;
        for (std::size_t k = 0; k < store.sets.size(); ++k) {
            const DataSet& s = store.sets[k];
            if (s.firstValue != values || s.lastPos >= image.size())
                std::abort();
            values += std::size_t(s.sampleCount) * 4;
            DataSetListRow(s, int(k), TextStyle::isoStyle());
        }
        if (values != store.values.size() || values != store.times.size())
            std::abort();
    } else if (!store.sets.empty()) {
        std::abort();
    }
    return 0;
}
