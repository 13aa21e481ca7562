// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelvor {

// One recording run of the meter, decoded from its memory image.
struct DataSet {
    double start = 0;     // days since 30 Dec 1899; the time of sample 0
    int interval = 0;     // seconds between samples
    int sampleCount = 0;  // n
    std::uint8_t inCelsius = 0;
    int thermoType = 0;                     // flags & 0x0F: 0 K, 1 J, 2 E, 3 T
    std::int8_t offsets[4] = {0, 0, 0, 0};  // tenths of a degree F, as stored
    int headerPos = 0;
    int lastPos = 0;
    std::size_t firstValue = 0;  // index of its first entry in values/times (4 per sample)
};

// Everything decoded from the last successful download or opened collection.
// values/times hold four entries per sample (T1..T4), each data set contiguous,
// so a data set is handed to the chart as one slice without copying.
struct DataSetStore {
    std::vector<DataSet> sets;
    std::vector<float> values;
    std::vector<double> times;
    QByteArray memoryImage;  // the download in progress (empty otherwise)
    // The image the listed data sets came from: what "save collection" writes. Kept in
    // memory so a save never picks up a stale working copy from an earlier run.
    QByteArray collectionImage;

    const float* valuesOf(std::size_t k) const { return values.data() + sets[k].firstValue; }
    const double* timesOf(std::size_t k) const { return times.data() + sets[k].firstValue; }
};

}  // namespace kelvor
