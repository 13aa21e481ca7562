// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/exportresult.h"

#include "base/atomicfile.h"

namespace kelvor {

Status SaveExportBytes(const QString& path, const QByteArray& bytes)
{
    return StatusOf(WriteFileAtomically(path, bytes));
}

}  // namespace kelvor
