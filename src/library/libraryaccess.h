// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <chrono>
#include <memory>

#include "library/library.h"

namespace kelvor {

// The program's way to its library: opened on first use, and opened again after a
// failure once in a while (the disk was cleared, the folder made writable again).
// Whatever the user must hear (a damaged file set aside) waits in takeNotice().
class LibraryAccess {
public:
    explicit LibraryAccess(QString dataDir);
    ~LibraryAccess();

    const QString& dataDir() const { return m_dataDir; }
    QString path() const { return Library::pathIn(m_dataDir); }

    // The open library, or nullptr with lastError() saying why.
    Library* get();
    const QString& lastError() const { return m_error; }
    // Drops the connection after a failure so that the next get() opens the file again.
    void reset();
    QString takeNotice();
    // How long a library that failed is left alone before the next try (5 s).
    void setRetryInterval(std::chrono::milliseconds interval) { m_retryAfter = interval; }

    // A live program is writing recording `id` (it holds the recording's lock file).
    bool isBeingWritten(std::int64_t id) const;
    QString lockPath(std::int64_t id) const;

private:
    QString m_dataDir;
    std::unique_ptr<Library> m_library;
    QString m_error;
    QString m_notice;
    bool m_tried = false;
    std::chrono::steady_clock::time_point m_lastTry{};
    std::chrono::milliseconds m_retryAfter{5000};
};

}  // namespace kelvor
