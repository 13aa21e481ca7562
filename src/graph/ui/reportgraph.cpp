// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/reportgraph.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>

#include "graph/ui/graphexport.h"
#include "graph/ui/tfrmgraph.h"
#include "graph/ui/wholerun.h"
#include "program/program.h"
#include "program/prompts.h"
#include "report/pdfreport.h"

namespace kelvor {

namespace {
// The report's options, asked before the file name.
class ReportOptionsDialog final : public QDialog {
public:
    explicit ReportOptionsDialog(QWidget* parent, const QString& title) : QDialog(parent)
    {
        setObjectName(QStringLiteral("ReportOptions"));
        setWindowTitle(QStringLiteral("Report"));
        edtTitle = new QLineEdit(title, this);
        edtTitle->setObjectName(QStringLiteral("edtTitle"));
        edtTitle->setMinimumWidth(320);
        chkSamples = new QCheckBox(QStringLiteral("Add every sample as a table"), this);
        chkSamples->setObjectName(QStringLiteral("chkSamples"));
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* form = new QFormLayout(this);
        form->addRow(QStringLiteral("&Title:"), edtTitle);
        form->addRow(QString(), chkSamples);
        form->addRow(buttons);
    }
    QLineEdit* edtTitle;
    QCheckBox* chkSamples;
};
}  // namespace

bool AskReportOptions(Program& program, QWidget* parent, ReportContent& content)
{
    ReportOptionsDialog options(parent, content.title);
    if (program.prompts.exec(options) != QDialog::Accepted)
        return false;
    if (!options.edtTitle->text().trimmed().isEmpty())
        content.title = options.edtTitle->text().trimmed();
    content.sampleTable = options.chkSamples->isChecked();
    return true;
}

bool ReportGraphWindow(Program& program, TfrmGraph& window)
{
    ReportContent content;
    if (!window.RecordingName.trimmed().isEmpty())
        content.title = window.RecordingName.trimmed();
    content.meter = window.RecordingMeter;
    if (!AskReportOptions(program, &window, content))
        return false;
    const FileChoice choice = program.prompts.saveFile(&window, QStringLiteral("Report"), program.dataDir,
                                                       QStringLiteral("PDF document (*.pdf)"), QStringLiteral("pdf"));
    if (!choice.accepted())
        return false;
    QString path = choice.fileName;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");

    WholeRun run(program, window.chart(), &window);
    const ChartModel* whole = run.chart();
    if (!whole)
        return false;
    const ChartModel& chart = *whole;
    const ExportSeries series = GraphSeries(program, chart, &window, false).front();
    // The annotations of a data logger graph belong to the set drawn; a file graph keeps its own.
    // The report leaves out those outside the samples (parked cells, other runs).
    for (const GraphAnnotation& a : chart.graphAnnotations())
        content.annotations.append({a.x, a.text.isEmpty() ? QStringLiteral("(cross mark)") : a.text});
    content.alarmEvents = chart.alarmEvents();
    content.created = program.clock.now();
    const Status r = WriteReport(series, content, path);
    if (!r.ok())
        program.prompts.error(&window, r.error());
    return r.ok();
}

void ReportActiveWindow(Program& program, QWidget* activeChild)
{
    if (auto* graph = qobject_cast<TfrmGraph*>(activeChild))
        ReportGraphWindow(program, *graph);
}

}  // namespace kelvor
