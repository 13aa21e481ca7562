// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/livereading.h"

namespace kelvor {

void DecodeLiveReading(const std::uint8_t*, LiveReading&) {}  // placeholder

}  // namespace kelvor
