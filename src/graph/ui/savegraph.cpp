// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/savegraph.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QRadioButton>

#include "chart/chartmodel.h"
#include "files/filetypename.h"
#include "graph/graphfile.h"
#include "graph/graphtable.h"
#include "graph/meterchannels.h"
#include "graph/ui/graphexport.h"
#include "graph/ui/wholerun.h"
#include "library/libraryexport.h"
#include "program/program.h"
#include "program/prompts.h"
#include "widgets/tfrmscope.h"

namespace kelvor {

QString QtFileFilter(const QString& pipeSeparated)
{
    const QStringList parts = pipeSeparated.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString t = p.trimmed();
            patterns << t;
            if (t.toLower() != t)
                patterns << t.toLower();
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString GraphSaveFilter()
{
    QString pipes =
        QStringLiteral("Graph file(*.ghf,only for KELVOR)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT");
    if (QLocale().decimalPoint() != QStringLiteral(","))
        pipes += QStringLiteral("|EXCEL file format(*.CSV,seperated by comma)|*.CSV");
    return QtFileFilter(pipes) + ExportSaveFilters();
}

namespace {
bool saveTable(Program& program, const ChartModel& chart, const QString& path, QChar separator, QWidget* parent)
{
    const int points = chart.Points();
    GraphTableRange range;
    {
        TfrmScope window(parent);
        window.showRangeGroup(points);
        if (program.prompts.exec(window) != QDialog::Accepted)
            return false;
        range =
            NormaliseTableRange(window.radAll->isChecked(), window.edtSelFrom->text(), window.edtSelTo->text(), points);
    }
    if (!range.ok()) {
        program.prompts.error(parent, range.error);
        return false;
    }

    TfrmScope progress(parent);
    progress.setWindowTitle(QStringLiteral("Saving Progress"));
    progress.showProgress(QStringLiteral("saving....."), range.last - range.first + 1, true);
    progress.show();
    const GraphTableResult r =
        WriteGraphTable(chart, path, range.first, range.last, separator, QLocale(), [&](int done, int) {
            progress.Progress1->setValue(done);
            program.clock.processEvents();
            return !progress.cancelled();
        });
    progress.close();
    if (!r.error.isEmpty())
        program.prompts.error(parent, r.error.contains(path)
                                          ? r.error
                                          : QStringLiteral("Can not write the file ") + QDir::toNativeSeparators(path) +
                                                QStringLiteral(": ") + r.error);
    return r.ok();
}
}  // namespace

bool SaveGraphAs(Program& program, ChartModel& chart, QWidget* parent)
{
    QString path;
    QString ext;
    WholeRun run(program, chart, parent);
    const ChartModel* whole = nullptr;
    for (;;) {
        const FileChoice choice = program.prompts.saveFile(parent, QStringLiteral("Save As"), program.dataDir,
                                                           GraphSaveFilter(), QStringLiteral("GHF"));
        if (!choice.accepted())
            return false;
        path = choice.fileName;
        ext = QFileInfo(path).suffix().toLower();
        if (!whole && !(whole = run.chart()))
            return false;
        if (const std::optional<bool> exported = SaveGraphExport(program, *whole, parent, path, choice.selectedFilter))
            return *exported;
        // The values are written with the locale's decimal separator.
        if (ext != QLatin1String("csv") || QLocale().decimalPoint() != QStringLiteral(","))
            break;
        program.prompts.error(parent, DecimalCommaCsvMessage(path));
    }
    if (ext == QLatin1String("ghf")) {
        // A graph file holds the four channels of one meter: a run of several is written
        // as one file per meter, the first at the name chosen.
        const int meters = ChartMeters(*whole);
        for (int m = 0; m < meters; ++m) {
            ChartModel one;
            if (meters > 1)
                CopyMeterChart(*whole, m, one);
            const GraphFileResult r = WriteGraphFile(meters > 1 ? one : *whole, MeterGraphPath(path, m + 1));
            if (!r.ok()) {
                program.prompts.error(parent, r.error);
                return false;
            }
        }
        return true;
    }
    if (ext == QLatin1String("txt"))
        return saveTable(program, *whole, path, QLatin1Char('\t'), parent);
    if (ext == QLatin1String("csv"))
        return saveTable(program, *whole, path, QLatin1Char(','), parent);
    // Saying nothing here would look like a save that worked.
    program.prompts.error(parent, QStringLiteral("The graph was not saved to ") + QDir::toNativeSeparators(path) +
                                      QStringLiteral(": only .ghf, .txt, .csv and .xlsx files can be written."));
    return false;
}

bool WriteTemplate(Program& program, const ChartModel& chart, QWidget* parent)
{
    const QString path = program.templatePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const GraphFileResult r = WriteGraphFile(chart, path);
    if (!r.ok())
        program.prompts.error(parent, r.error);
    return r.ok();
}

}  // namespace kelvor
