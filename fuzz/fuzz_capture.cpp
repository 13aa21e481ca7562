// SPDX-License-Identifier: GPL-3.0-or-later
// Capture reader: no input may crash it, and whatever it accepts must survive a
// write and a second read unchanged.
#include <cstdlib>

#include "meter/captureformat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<CaptureEntry> entries;
    QString error;
    if (!parseCapture(text, &entries, &error)) {
        if (error.isEmpty() || !entries.empty())
            std::abort();
        return 0;
    }
    QByteArray written;
    for (const CaptureEntry& e : entries)
        written += formatCaptureEntry(e);
    std::vector<CaptureEntry> again;
    if (!parseCapture(written, &again, &error) || again.size() != entries.size())
        std::abort();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const CaptureEntry& a = entries[i];
        const CaptureEntry& b = again[i];
        if (a.kind != b.kind || a.ok != b.ok || a.anyFrame != b.anyFrame || a.length != b.length || a.bytes != b.bytes)
            std::abort();
    }
    return 0;
}
