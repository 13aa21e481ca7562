// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/publishpositions.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "base/atomicfile.h"
#include "base/eventlog.h"

namespace kelvor {

namespace {
// A file of positions is a few hundred bytes; anything this large is not one.
constexpr qint64 kMaxFileBytes = 4 << 20;
}  // namespace

PublishPositions PublishPositions::fromJson(const QByteArray& bytes, QString* problem)
{
    PublishPositions p;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (!doc.isObject()) {
        if (problem)
            *problem =
                error.error != QJsonParseError::NoError ? error.errorString() : QStringLiteral("not a JSON object");
        return p;
    }
    const QJsonObject brokers = doc.object().value(QLatin1String("brokers")).toObject();
    for (auto b = brokers.begin(); b != brokers.end(); ++b) {
        const QJsonObject runs = b.value().toObject();
        for (auto r = runs.begin(); r != runs.end(); ++r) {
            bool ok = false;
            const qlonglong run = r.key().toLongLong(&ok);
            const double acked = r.value().toDouble(-1);
            // Whole numbers only, within what a double holds exactly.
            if (!ok || run <= 0 || acked < 0 || acked > 9.0e15 || acked != double(std::int64_t(acked)))
                continue;
            p.m_brokers[b.key()][run] = std::int64_t(acked);
        }
    }
    return p;
}

QByteArray PublishPositions::toJson() const
{
    QJsonObject brokers;
    for (const auto& [broker, runs] : m_brokers) {
        QJsonObject o;
        for (const auto& [run, acked] : runs)
            o.insert(QString::number(run), double(acked));
        if (!o.isEmpty())
            brokers.insert(broker, o);
    }
    QJsonObject root;
    root.insert(QLatin1String("version"), 1);
    root.insert(QLatin1String("brokers"), brokers);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

PublishPositions PublishPositions::load(const QString& dataDir)
{
    const QString path = QDir(dataDir).filePath(QLatin1String(kFileName));
    PublishPositions p;
    QFile f(path);
    if (f.exists()) {
        QString problem;
        if (f.size() > kMaxFileBytes)
            problem = QStringLiteral("larger than %1 bytes").arg(kMaxFileBytes);
        else if (!f.open(QIODevice::ReadOnly))
            problem = f.errorString();
        else
            p = fromJson(f.readAll(), &problem);
        if (!problem.isEmpty()) {
            qCWarning(lcFiles, "%s: %s; publishing starts each run from its beginning", qPrintable(path),
                      qPrintable(problem));
            f.close();
            QFile::remove(path + QLatin1String(".damaged"));
            QFile::rename(path, path + QLatin1String(".damaged"));
        }
    }
    p.m_path = path;
    return p;
}

QString PublishPositions::save() const
{
    if (m_path.isEmpty())
        return {};
    return WriteFileAtomically(m_path, toJson());
}

const PublishPositions::Runs& PublishPositions::runs(const QString& broker) const
{
    static const Runs none;
    const auto it = m_brokers.find(broker);
    return it == m_brokers.end() ? none : it->second;
}

void PublishPositions::set(const QString& broker, std::int64_t run, std::int64_t acknowledged)
{
    m_brokers[broker][run] = acknowledged;
}

void PublishPositions::remove(const QString& broker, std::int64_t run)
{
    const auto it = m_brokers.find(broker);
    if (it == m_brokers.end())
        return;
    it->second.erase(run);
    if (it->second.empty())
        m_brokers.erase(it);
}

}  // namespace kelvor
