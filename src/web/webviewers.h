// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

#include "web/webmodel.h"

class QWebSocket;

namespace kelvor {

inline constexpr int kDefaultMaxViewers = 32;
// A viewer's backlog is sent while less than this waits to go out; readings are skipped
// for a viewer past kReadingsSkipBytes; one whose bytes have not moved for kStallMs is dropped.
inline constexpr qint64 kPumpBytes = 64 * 1024;
inline constexpr qint64 kReadingsSkipBytes = 256 * 1024;
inline constexpr int kStallMs = 10000;
inline constexpr int kBatchSamples = 500;
inline constexpr int kReadingsEveryMs = 500;

// The browsers watching through a WebSocket. Each has its place in the run: it gets
// every sample from there on, once and in order, in batches paced by what its connection
// takes, so a slow one falls behind on its own and a stalled one is dropped; nothing
// here waits for a client.
class WebViewers : public QObject {
    Q_OBJECT
public:
    WebViewers(WebModel& model, int maxViewers, QObject* parent = nullptr);
    ~WebViewers() override;

    // A WebSocket the HTTP server upgraded; `since`/`run` say what the client has seen.
    void add(std::unique_ptr<QWebSocket> socket, std::int64_t since, std::optional<std::int64_t> run);
    int count() const { return int(m_viewers.size()); }

    // The run has new samples: every viewer gets what it has not had.
    void samplesAdded();
    // A new run (or the samples were cleared): every viewer starts again from its start.
    void runRestarted();
    // The latest readings changed: sent at most every kReadingsEveryMs (the meter reads five
    // times a second), or at once when `now` (the meter came or went).
    void readingsChanged(bool now = false);
    void statusChanged();
    // Drops every viewer (the server stops).
    void closeAll();

signals:
    void countChanged(int viewers);

private:
    struct Viewer;
    void pump(Viewer& v);
    void sendToAll(const QString& message, qint64 skipAbove);
    // `now`: deleted at once (never from inside one of the socket's own signals).
    void drop(QWebSocket* socket, bool abort, bool now = false);
    void checkStalls();
    QString batch(std::int64_t from, std::int64_t to);
    QString hello() const;

    WebModel& m_model;
    int m_max;
    std::vector<std::unique_ptr<Viewer>> m_viewers;
    QTimer m_stallCheck;
    QElapsedTimer m_elapsed;
    std::uint32_t m_readingsSentAt = 0;  // the clock's tick count
    bool m_readingsSent = false;
    // The last batch built: viewers that keep up all ask for the same one.
    std::int64_t m_batchFrom = -1, m_batchTo = -1, m_batchRun = -1;
    QString m_batchText;
};

}  // namespace kelvor
