// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSaveFile>
#include <algorithm>
#include <memory>

#include "base/atomicfile.h"

namespace kelvor::test {

inline const QString kNoSpaceLeft = QStringLiteral("No space left on device");

// A QSaveFile that refuses to open (as in a read-only folder), or accepts `budget`
// bytes and then fails every write as a full disk does.
class FailingSaveFile final : public QSaveFile {
public:
    FailingSaveFile(const QString& path, bool failOpen, qint64 budget)
        : QSaveFile(path), m_failOpen(failOpen), m_budget(budget)
    {
    }
    bool open(OpenMode mode) override
    {
        if (m_failOpen) {
            setErrorString(QStringLiteral("Permission denied"));
            return false;
        }
        return QSaveFile::open(mode);
    }

protected:
    qint64 writeData(const char* data, qint64 len) override
    {
        const qint64 n = std::min(len, m_budget);
        m_budget -= n;
        if (n == 0) {
            setErrorString(kNoSpaceLeft);
            return -1;
        }
        return QSaveFile::writeData(data, n);
    }

private:
    bool m_failOpen;
    qint64 m_budget;
};

// While it exists, every file the program writes lands on a disk with `budget` bytes free.
struct FullDisk {
    explicit FullDisk(qint64 budget = 0)
        : override([budget](const QString& p) { return std::make_unique<FailingSaveFile>(p, false, budget); })
    {
    }
    AtomicFileDeviceOverride override;
};

}  // namespace kelvor::test
