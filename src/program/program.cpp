// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/program.h"

#include <QPrinter>
#include <QTimer>

#include "library/libraryaccess.h"
#include "library/runjournal.h"
#include "program/prompts.h"
#include "publish/samplepublisher.h"
#include "session/sessionjournal.h"

namespace kelvor {

Program::Program(std::unique_ptr<MeterDevice> dev, Clock& clk, Prompts& p, QString dir)
    : clock(clk),
      prompts(p),
      device(std::move(dev)),
      link(*device, clk),
      session(clk),
      web(clk),
      dataDir(std::move(dir))
{
    QObject::connect(&session, &RecordingSession::stateChanged, &windowSignals, [this](SessionState state) {
        if (state == SessionState::Idle)
            return;
        const bool recording = state == SessionState::Recording;
        emit windowSignals.runEnabled(!recording);
        emit windowSignals.stopEnabled(recording);
    });
    web.setMeterIdentity(0, QStringLiteral("QZX"), QString());
    web.watch(&session);
}

Program::~Program()
{
    // The publisher reads the library; the connection's end sends the last will.
    m_publisher.reset();
    // The journal must let go of the library before the library goes.
    m_sessionJournal.reset();
    // A window shown without a main window would otherwise outlive what it points to.
    windowSignals.deleteOwnWindows();
}

void Program::keepRunsInLibrary()
{
    if (!library || m_sessionJournal)
        return;
    m_sessionJournal = std::make_unique<SessionJournal>(session, *library);
    // Told from the event loop, not from inside the tick that met the problem: a modal box
    // there would hold up the monitor loop.
    QObject::connect(m_sessionJournal.get(), &SessionJournal::problem, &windowSignals, [this](const QString& problem) {
        QPointer<QWidget> parent = mainWindow;
        QTimer::singleShot(0, &windowSignals, [this, parent, problem] { prompts.error(parent.data(), problem); });
    });
    QObject::connect(m_sessionJournal.get(), &SessionJournal::libraryStatus, &windowSignals,
                     &WindowSignals::libraryStatus);
}

void Program::setPublishing(const PublishingSettings& choice)
{
    publishing = choice;
    m_publisher.reset();
    m_publishedSerial.clear();
    if (!choice.active()) {
        emit windowSignals.publishingStatus(QString());
        return;
    }
    auto runId = [this]() -> std::optional<std::int64_t> {
        const RunJournal* j = journal();
        return j && j->active() ? j->recordingId() : std::nullopt;
    };
    m_publisher = std::make_unique<SamplePublisher>(choice.mqtt, &session, runId, library.get());
    QObject::connect(m_publisher.get(), &SamplePublisher::statusChanged, &windowSignals, [this](const QString& text) {
        emit windowSignals.publishingStatus(QStringLiteral("MQTT: ") + text);
    });
    emit windowSignals.publishingStatus(QStringLiteral("MQTT: waiting for the meter"));
    if (monitor.Connected)
        publishMeter();
}

void Program::publishMeter()
{
    if (!m_publisher || !device)
        return;
    char text[64] = {};
    const QString serial = device->GetSerialText(text, int(sizeof text)) == 0
                               ? QString::fromLatin1(text, qsizetype(qstrnlen(text, sizeof text))).trimmed()
                               : QString();
    if (m_publisher->started() && serial == m_publishedSerial)
        return;
    if (m_publisher->started()) {
        setPublishing(publishing);  // another meter: its own topics
        if (!m_publisher)
            return;
    }
    m_publishedSerial = serial;
    m_publisher->start(QStringLiteral("QZX"), serial);
}

void Program::publishLive(double days)
{
    if (m_publisher && m_publisher->started())
        m_publisher->liveReading(days, live);
}

void Program::dropJournal() { m_sessionJournal.reset(); }

RunJournal* Program::journal() const { return m_sessionJournal ? &m_sessionJournal->journal() : nullptr; }

QString Program::templatePath() const { return dataDir + QStringLiteral("/template/graph.ghf"); }
QString Program::workingCopyPath() const { return dataDir + QStringLiteral("/temp/DataSetsTemp.tmp"); }
QPrinter& Program::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

QString Program::helpPath() const { return dataDir + QStringLiteral("/KELVORHELP.htm"); }

}  // namespace kelvor
