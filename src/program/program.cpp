// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/program.h"

#include <QPrinter>
#include <QTimer>

#include "library/libraryaccess.h"
#include "library/runjournal.h"
#include "program/prompts.h"
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
