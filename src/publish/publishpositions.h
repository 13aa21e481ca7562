// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <map>

namespace kelvor {

// How far each broker has acknowledged each run: run id -> the number of samples from
// the run's start the broker holds. Kept in the data folder (mqtt-positions.json), so a
// program that is started again sends a broker what it has not acknowledged. A position
// may lag behind the broker (it is saved every few seconds): that only sends some
// samples twice, which QoS 1 allows and the sample's seq tells apart.
class PublishPositions {
public:
    static constexpr const char* kFileName = "mqtt-positions.json";
    using Runs = std::map<std::int64_t, std::int64_t>;

    // Reads the positions in `dataDir`; a missing file is none, a damaged one is set aside
    // with a line in the log and none are used (a broker then gets runs again, never less).
    static PublishPositions load(const QString& dataDir);
    // The positions in a file's bytes; nothing of what is not well formed.
    static PublishPositions fromJson(const QByteArray& bytes, QString* problem = nullptr);
    QByteArray toJson() const;
    // Writes the file; empty, or why it could not be written.
    QString save() const;

    const Runs& runs(const QString& broker) const;
    void set(const QString& broker, std::int64_t run, std::int64_t acknowledged);
    void remove(const QString& broker, std::int64_t run);
    bool operator==(const PublishPositions& o) const { return m_brokers == o.m_brokers; }

private:
    QString m_path;
    std::map<QString, Runs> m_brokers;
};

}  // namespace kelvor
