// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/exportresult.h"

#include "base/atomicfile.h"

namespace kelvor {

ExportResult SaveExportBytes(const QString& path, const QByteArray& bytes)
{
    return {WriteFileAtomically(path, bytes)};
}

}  // namespace kelvor
