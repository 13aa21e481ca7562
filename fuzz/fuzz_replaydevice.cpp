// SPDX-License-Identifier: GPL-3.0-or-later
// The replay device driven by an arbitrary capture and an arbitrary sequence of
// calls: it must never read past an entry, and once the capture has run out every
// call fails.
#include <cstdlib>
#include <vector>

#include "meter/captureformat.h"
#include "meter/replaydevice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    // The capture text up to the first 0xFF byte; the calls after it.
    std::size_t split = 0;
    while (split < size && data[split] != 0xFF)
        ++split;
    std::vector<CaptureEntry> entries;
    QString error;
    if (!parseCapture(QByteArray(reinterpret_cast<const char*>(data), qsizetype(split)), &entries, &error))
        return 0;
    ReplayDevice device(std::move(entries));
    std::vector<std::uint8_t> buffer(kCaptureMaxReadBytes);
    static const int kLengths[] = {7, 32, 36, 64};
    for (std::size_t i = split + 1; i + 1 < size; i += 2) {
        const std::uint8_t op = data[i];
        const std::uint8_t arg = data[i + 1];
        const bool ended = device.atEnd();
        int r = kLinkOk;
        switch (op % 6) {
            case 0:
                r = device.OpenLink(kMeterVendorId, kMeterProductId);
                break;
            case 1:
                r = device.WriteFrame(&data[i + 1], std::min<int>(7, int(size - i - 1)));
                break;
            case 2:
                r = device.WriteBlock(&data[i + 1], std::min<int>(32, int(size - i - 1)));
                break;
            case 3:
                r = device.ReadReply(buffer.data(), (op & 0x80) ? 1 + arg * 16 : kLengths[arg % 4]);
                break;
            case 4:
                r = device.SyncLink();
                break;
            default:
                r = device.CloseLink();
                break;
        }
        if (ended && r == kLinkOk)
            std::abort();
    }
    return 0;
}
