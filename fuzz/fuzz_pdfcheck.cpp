// SPDX-License-Identifier: GPL-3.0-or-later
// The printout check reads a file's last bytes: no input may crash it, and it never
// accepts what lacks the PDF header.
#include <cstdlib>

#include "print/pdfcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (kelvor::IsCompletePdf(bytes) && !bytes.startsWith("%PDF-"))
        std::abort();
    return 0;
}
