// SPDX-License-Identifier: GPL-3.0-or-later
// The memory download fed arbitrary replies: it must end (never hang) with a whole
// image of the size it announced, or with an error code.
#include <cstdlib>

#include "base/clock.h"
#include "logger/memorydownload.h"
#include "meter/meterlink.h"
#include "scripteddevice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    ManualClock clock;
    fuzz::ScriptedDevice device(data, size);
    MeterLink link(device, clock);
    MemoryDownload download(link);
    QByteArray image;
    const int code = download.DownloadMemory(image);
    if (code == kDownloadOk && (image.size() != download.total() || download.received() != download.total()))
        std::abort();
    // Each reply is at least one byte of input; a download that kept reading far past
    // its input's end would be retrying without a bound.
    if (device.reads > long(size) + 100000)
        std::abort();
    return 0;
}
