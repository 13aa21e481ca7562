// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/ui/printfiletarget.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryFile>

#include "base/atomicfile.h"
#include "print/pdfcheck.h"

namespace kelvor {

PrintFileTarget::PrintFileTarget(QPrinter& printer) : m_printer(printer), m_target(printer.outputFileName())
{
    if (m_target.isEmpty())
        return;
    const QFileInfo target(m_target);
    // The same suffix: QPrinter picks its output format from a ".pdf" name.
    const QString suffix = target.suffix().isEmpty() ? QString() : QLatin1Char('.') + target.suffix();
    // Beside the target, so that it is renamed over it; a pipe or a device is written
    // where it is, and its folder (/dev) is no place for a file of ours.
    const QDir folder = IsDirectTarget(m_target) ? QDir::temp() : target.dir();
    m_temporary = std::make_unique<QTemporaryFile>(
        folder.filePath(QLatin1Char('.') + target.completeBaseName() + QStringLiteral(".XXXXXX") + suffix));
    if (!m_temporary->open()) {
        m_error = QStringLiteral("Cannot create \"%1\": %2")
                      .arg(QDir::toNativeSeparators(m_target), m_temporary->errorString());
        m_temporary.reset();
        return;
    }
    m_temporary->close();  // the printer opens it by name
    m_printer.setOutputFileName(m_temporary->fileName());
}

PrintFileTarget::~PrintFileTarget()
{
    if (m_temporary)
        m_printer.setOutputFileName(m_target);
}

QString PrintFileTarget::commit()
{
    if (!m_temporary)
        return m_error;
    // The printer's writer does not report failed writes: read back what reached the disk.
    QFile printed(m_temporary->fileName());
    const QByteArray bytes = printed.open(QIODevice::ReadOnly) ? printed.readAll() : QByteArray();
    if (!IsCompletePdf(bytes))
        return QStringLiteral("Cannot write \"%1\": the printout is incomplete (is the disk full?)")
            .arg(QDir::toNativeSeparators(m_target));
    return WriteFileAtomically(m_target, bytes);
}

}  // namespace kelvor
