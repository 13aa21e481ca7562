// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <algorithm>
#include <memory>

#include "base/instancerequest.h"

namespace kelvor {

SingleInstance::SingleInstance(const QString& dataDir, QObject* parent) : QObject(parent), m_dataDir(dataDir) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString& dataDir)
{
    const QString canonical = QFileInfo(dataDir).canonicalFilePath();
    const QByteArray key =
        (QDir::homePath() + QLatin1Char('\n') + (canonical.isEmpty() ? dataDir : canonical)).toUtf8();
    return QStringLiteral("kelvor-") +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(20));
}

SingleInstance::Claim SingleInstance::claim()
{
    m_lock = std::make_unique<QLockFile>(QDir(m_dataDir).filePath(QStringLiteral("kelvor.lock")));
    // The lock lasts as long as the program; only a dead owner makes it stale.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        const bool taken = m_lock->error() == QLockFile::LockFailedError;
        m_lock.reset();
        return taken ? Claim::Taken : Claim::Unlocked;
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = serverName(m_dataDir);
    // A socket file left by a crashed copy: we hold the lock, so it is nobody's.
    if (!m_server->listen(name)) {
        QLocalServer::removeServer(name);
        m_server->listen(name);
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    return Claim::First;
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            bool bad = false;
            if (const auto files = DecodeInstanceRequest(*buffer, &bad)) {
                socket->write("ok", 2);
                socket->disconnectFromServer();
                emit requested(*files);
            } else if (bad) {
                socket->abort();
            }
        });
    }
}

bool SingleInstance::forward(const QStringList& files, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // The first copy may be starting up and not listen yet: try again for a while.
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(serverName(m_dataDir));
        if (socket.waitForConnected(int(std::max<qint64>(1, deadline.remainingTime())))) {
            socket.write(EncodeInstanceRequest(files));
            if (!socket.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime()))))
                return false;
            // The answer says the request was read whole.
            while (socket.bytesAvailable() < 2 &&
                   socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
                ;
            return socket.read(2) == "ok";
        }
        QThread::msleep(100);
    }
    return false;
}

}  // namespace kelvor
