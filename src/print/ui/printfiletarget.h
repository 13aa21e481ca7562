// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>

class QPrinter;
class QTemporaryFile;

namespace kelvor {

// Printing to a file (a PDF) goes to a temporary file beside the chosen one first; only
// a complete printout then replaces the chosen file, through the checked writer every
// saved file uses. A full disk or an unwritable folder leaves an old file as it was and
// is reported, where the printer's own writer would leave a truncated file and succeed.
// Printing to a printer passes through untouched.
class PrintFileTarget {
public:
    // Points a printer that prints to a file at the temporary file.
    explicit PrintFileTarget(QPrinter& printer);
    // Points the printer back at the chosen file; the temporary file is removed.
    ~PrintFileTarget();
    PrintFileTarget(const PrintFileTarget&) = delete;
    PrintFileTarget& operator=(const PrintFileTarget&) = delete;

    // Why printing cannot start ("Cannot create "path": reason"); empty when it can.
    const QString& error() const { return m_error; }
    // After the printer has finished: replaces the chosen file with the printout.
    // Returns the error text, empty on success (and always when printing to a printer).
    QString commit();

private:
    QPrinter& m_printer;
    QString m_target;  // empty: not printing to a file
    std::unique_ptr<QTemporaryFile> m_temporary;
    QString m_error;
};

}  // namespace kelvor
