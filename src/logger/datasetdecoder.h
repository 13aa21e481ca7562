// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include "logger/datasetstore.h"

namespace kelvor {

class Clock;

// Decoder result codes (the download's family shares 2 and 6).
enum DataSetDecodeCode : int {
    kDecodeOk = 0,
    kTooManyDataSets = 2,  // the header claims more than 4000
    kImageCutShort = 3,    // the header claims data sets but not even the first is complete
    kNoDataSet = 6,        // the header says the memory holds none
};

inline constexpr int kMaxDataSets = 4000;
inline constexpr int kDataSetArea = 2816;  // 0x0B00: the first data set's address
inline constexpr int kSampleBytes = 8;
inline constexpr int kDataSetOverhead = 20;  // header 18 + end marker 2

// A sample outside its thermocouple's range - the meter's over-range or open-input
// number among them - is stored as the chart's gap value: not drawn, not averaged,
// exported as "OL".
inline constexpr float kSampleGap = 9999.0f;
struct ThermocoupleRangeF {
    int lowTenthsF;
    int highTenthsF;
};
// Ranges in tenths of a degree F by type (0 K, 1 J, 2 E, 3 T; any other as K).
constexpr ThermocoupleRangeF thermocoupleRangeF(int thermoType)
{
    switch (thermoType) {
        case 1:
            return {-2380, 18320};
        case 2:
            return {-2380, 13820};
        case 3:
            return {-2920, 7520};
        default:
            return {-3280, 25016};
    }
}

struct DataSetDecodeResult {
    int code = kDecodeOk;
    int declaredCount = 0;  // what bytes 8, 9 of the header claim
    int decodedCount = 0;   // complete data sets found
    bool cutShort = false;  // the image ended inside data set decodedCount + 1
    int badHours = 0;       // hour bytes that were not BCD (the current hour was used)

    bool ok() const { return code == kDecodeOk; }
};

// Decodes a memory image into `store` (sets, values, times). On failure the store is
// left exactly as it was. A data set running past the end of the image ends the
// decode there: the complete ones before it are kept and cutShort says so.
// Date parts that are not BCD take the clock's current part; impossible dates take
// the clock's current date and time.
DataSetDecodeResult DecodeDataSets(const QByteArray& image, DataSetStore& store, const Clock& clock);
DataSetDecodeResult DecodeDataSets(const char* data, qsizetype size, DataSetStore& store, const Clock& clock);

// One line for the user when the image was cut short (empty otherwise).
QString DecodeWarning(const DataSetDecodeResult& r);

}  // namespace kelvor
