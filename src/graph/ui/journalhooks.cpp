// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/journalhooks.h"

#include <QPointer>
#include <QTimer>

#include "chart/chartmodel.h"
#include "graph/ui/tfrmgraph.h"
#include "library/libraryaccess.h"
#include "library/runjournal.h"
#include "program/program.h"
#include "program/prompts.h"
#include "widgets/dialogparent.h"

namespace kelvor {

namespace {

// Told from the event loop, not from inside the tick that met the problem: a modal box
// there would hold up the monitor loop.
void tell(Program& program, const QString& problem)
{
    if (problem.isEmpty())
        return;
    QPointer<QWidget> parent = DialogParent(program);
    QTimer::singleShot(0, [&program, parent, problem] { program.prompts.error(parent.data(), problem); });
}

QString serialOf(MeterDevice& device)
{
    char text[64] = {};
    if (device.GetSerialText(text, int(sizeof text)) != 0)
        return {};
    text[sizeof text - 1] = '\0';
    return QString::fromLatin1(text).trimmed();
}

}  // namespace

void JournalRunStarted(Program& program)
{
    const QString model = QStringLiteral("QZX");
    const QString serial = program.device ? serialOf(*program.device) : QString();
    if (TfrmGraph* w = program.graph.RealTimeGraph) {
        w->RecordingName.clear();
        w->RecordingMeter = MeterText(model, serial);
    }
    if (!program.library)
        return;
    if (!program.journal)
        program.journal = std::make_unique<RunJournal>(*program.library);
    RecordingHeader h;
    h.started = program.clock.nowDays();
    h.rateSeconds = program.realTime.RateSeconds;
    h.recordCount = program.graph.RealTimeGraph ? program.graph.RealTimeGraph->chart().Points() : 0;
    h.openEnded = program.realTime.OpenEnded;
    h.meterModel = model;
    h.meterSerial = serial;
    tell(program, program.journal->begin(h));
}

void JournalSampleTaken(Program& program, std::uint8_t flags, double time, const std::array<float, 4>& values)
{
    if (!program.journal || !program.journal->active())
        return;
    tell(program, program.journal->append(JournalSample{time, flags, values}));
    if (const auto status = program.journal->takeStatusChange())
        emit program.windowSignals.libraryStatus(*status);
}

void JournalAlarmEvent(Program& program, const ChartAlarmEvent& event)
{
    if (!program.journal || !program.journal->active())
        return;
    tell(program, program.journal->alarmEvent(event));
}

void JournalRunEnded(Program& program, const ChartModel* chart)
{
    if (!program.journal || !program.journal->active())
        return;
    std::vector<RecordingAnnotation> notes;
    if (chart)
        for (const GraphAnnotation& a : chart->graphAnnotations())
            if (!a.text.isEmpty() || a.type != sgTextOnly)
                notes.push_back({a.x, a.y, a.type, a.color, a.text});
    // Without the chart (its window is gone) the events the journal met still count.
    tell(program, program.journal->end(notes, chart ? chart->alarmEvents() : program.journal->alarmEvents()));
}

}  // namespace kelvor
