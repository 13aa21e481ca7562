// SPDX-License-Identifier: GPL-3.0-or-later
// The request a second copy of the program sends the first: any bytes from the local
// socket must be refused or decoded, and what decodes must encode back to the same files.
#include <cstdlib>

#include "base/instancerequest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    bool bad = false;
    const std::optional<QStringList> files = DecodeInstanceRequest(bytes, &bad);
    if (!files)
        return 0;
    if (bad)
        std::abort();
    bool badAgain = false;
    const std::optional<QStringList> again = DecodeInstanceRequest(EncodeInstanceRequest(*files), &badAgain);
    if (!again || badAgain || *again != *files)
        std::abort();
    return 0;
}
