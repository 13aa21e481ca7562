// SPDX-License-Identifier: GPL-3.0-or-later
// Any 64 bytes decode without fault, and every glyph index stays in range.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "meter/lcdencoder.h"
#include "meter/livereading.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::array<std::uint8_t, 64> reply{};
    std::memcpy(reply.data(), data, size < reply.size() ? size : reply.size());
    kelvor::LiveReading out;
    kelvor::DecodeLiveReading(reply.data(), out);
    for (std::uint8_t g : out.Glyphs)
        if (g > 24)
            std::abort();
    // Reading the display back and encoding it again reproduces every known bit.
    std::array<std::uint8_t, 64> again{};
    kelvor::encodeLcd(kelvor::lcdDisplayOf(out), again.data());
    kelvor::LiveReading second;
    kelvor::DecodeLiveReading(again.data(), second);
    if (second.Glyphs != out.Glyphs)
        std::abort();
    return 0;
}
