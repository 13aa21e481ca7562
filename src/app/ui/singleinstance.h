// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

class QLocalServer;
class QLockFile;

namespace kelvor {

// One copy of the program per data folder: the first copy holds a lock file in the
// folder and listens on a local socket named after it; a second copy finds the lock
// taken, hands its files to the first and ends. A lock left behind by a copy that
// crashed is taken over (the process it names is gone).
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& dataDir, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Claim {
        First,     // this copy holds the folder; requests from others arrive as `requested`
        Taken,     // another copy holds it
        Unlocked,  // the folder cannot hold a lock (read-only): run without the guard
    };
    Claim claim();

    // From a second copy: asks the first one to come forward and open `files`. False
    // when it could not be reached in `timeoutMs`.
    bool forward(const QStringList& files, int timeoutMs = 5000);

    // The socket name for a data folder (the same folder always gives the same name).
    static QString serverName(const QString& dataDir);

signals:
    // A second copy asked this one to come forward and open these files.
    void requested(const QStringList& files);

private:
    void acceptConnection();

    QString m_dataDir;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

}  // namespace kelvor
