// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/livereading.h"

#include "meter/lcdcodes.h"
#include "meter/lcdlayout.h"

namespace kelvor {

void DecodeLiveReading(const std::uint8_t* reply, LiveReading& out)
{
    for (std::size_t i = 0; i < kDigitPlaces.size(); ++i) {
        const DigitPlace& d = kDigitPlaces[i];
        out.Glyphs[i] = d.largeCode ? glyphOfLargeCode(reply[d.byte]) : glyphOfSmallCode(reply[d.byte]);
    }
    for (std::size_t i = 0; i < kSegmentPlaces.size(); ++i)
        out.Segments[i] = (reply[kSegmentPlaces[i].byte] >> kSegmentPlaces[i].bit) & 1u;

    out.Fahrenheit = reply[kReplyUnitByte] & 0x80;
    for (int c = 0; c < 4; ++c) {
        const int hi = reply[kReplyFirstValueByte + 2 * c];
        const int lo = reply[kReplyFirstValueByte + 2 * c + 1];
        const auto raw = std::int16_t(std::uint16_t(hi << 8 | lo));
        // Extended precision first, then float: 235 gives exactly the float nearest 23.5.
        out.T[std::size_t(c)] = float(static_cast<long double>(raw) * 0.1L);
    }
    if (out.Fahrenheit)
        for (float& v : out.T)
            v = float((static_cast<long double>(v) - 32.0L) * 5.0L * (1.0L / 9.0L));

    out.ChannelFlags = reply[kReplyChannelFlagsByte];
    const std::uint8_t status = reply[kReplyStatusByte];
    out.MeterRecording = status & 0x08;
    out.RecFullBlink = status & 0x10;
    out.MaxMinTimed = reply[kReplyTimedByte] & 0x08;
    out.MaxMinBlink = (status & 0x40) && out.MaxMinTimed;
}

}  // namespace kelvor
