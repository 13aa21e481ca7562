// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryaccess.h"

#include <QDir>
#include <QLockFile>

#include "library/unsavedsamples.h"

namespace kelvor {

LibraryAccess::LibraryAccess(QString dataDir) : m_dataDir(std::move(dataDir)) {}
LibraryAccess::~LibraryAccess() = default;

Library* LibraryAccess::get()
{
    if (m_library)
        return m_library.get();
    const auto now = std::chrono::steady_clock::now();
    if (m_tried && now - m_lastTry < m_retryAfter)
        return nullptr;
    m_tried = true;
    m_lastTry = now;
    LibraryOpenResult opened = Library::open(m_dataDir);
    if (!opened.notice.isEmpty())
        m_notice = opened.notice;
    m_error = opened.error;
    m_library = std::move(opened.library);
    // Samples an earlier run could not write wait beside the library: they go in first.
    if (m_library)
        if (const QString taken = TakeBackUnsavedSamples(*m_library, m_dataDir); !taken.isEmpty())
            m_notice = m_notice.isEmpty() ? taken : m_notice + QLatin1Char(' ') + taken;
    return m_library.get();
}

void LibraryAccess::reset()
{
    m_library.reset();
    m_tried = true;
    m_lastTry = std::chrono::steady_clock::now();
}

QString LibraryAccess::takeNotice() { return std::exchange(m_notice, QString()); }

QString LibraryAccess::lockPath(std::int64_t id) const
{
    return QDir(m_dataDir).filePath(QStringLiteral("kelvor-recording-%1.lock").arg(id));
}

bool LibraryAccess::isBeingWritten(std::int64_t id) const
{
    // QLockFile takes over a lock whose owner process is gone (a killed program).
    QLockFile lock(lockPath(id));
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) {
        lock.unlock();
        return false;
    }
    return lock.error() == QLockFile::LockFailedError;
}

}  // namespace kelvor
