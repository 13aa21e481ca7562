// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ui/filecommands.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QRadioButton>
#include <QTableView>
#include <algorithm>

#include "chart/chartmodel.h"
#include "files/collection.h"
#include "files/filetypename.h"
#include "files/tabledatetime.h"
#include "files/texttable.h"
#include "files/ui/openspreadsheet.h"
#include "files/ui/tfrmlist.h"
#include "files/ui/tfrmopensave.h"
#include "graph/graphfile.h"
#include "graph/graphtable.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/savegraph.h"
#include "graph/ui/showstatistics.h"
#include "graph/ui/tfrmgraph.h"
#include "logger/ui/loggerwindow.h"
#include "program/program.h"
#include "program/prompts.h"
#include "widgets/dialogparent.h"
#include "widgets/mdiwindows.h"
#include "widgets/tfrmscope.h"

namespace kelvor {

namespace {
bool decimalComma() { return QLocale().decimalPoint() == QStringLiteral(","); }

// The window as the user sees it: its MDI frame when it has one.
QWidget* frameOf(QWidget* w)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget()))
        return sub;
    return w;
}
}  // namespace

QString TableSaveFilterText()
{
    if (decimalComma())
        return QStringLiteral(" TXT file(*.txt,data seperated by tab) |*.TXT");
    return QStringLiteral(
        "TXT file(*.txt,data seperated by tab)|*.TXT                             "
        "|EXCEL file format(*.CSV,seperated by comma) |*.CSV");
}

QString DataFileOpenFilterText()
{
    QString f = QStringLiteral("Graph file(*.ghf,only for KELVOR)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT");
    if (!decimalComma())
        f += QStringLiteral("|EXCEL file format(*.CSV,seperated by comma)|*.CSV");
    return f;
}

// --- Open -----------------------------------------------------------------------------

void Open1Click(Program& program)
{
    TfrmOpenSave dialog(DialogParent(program));
    dialog.setOpenTexts();
    const int choice = program.prompts.exec(dialog);
    if (choice == TfrmOpenSave::AllSets)
        OpenCollection(program);
    else if (choice == TfrmOpenSave::SingleSet)
        OpenDataFile(program);
}

void OpenDataFile(Program& program)
{
    const FileChoice choice = program.prompts.openFile(DialogParent(program), QStringLiteral("Open"), program.dataDir,
                                                       QtFileFilter(DataFileOpenFilterText()));
    if (!choice.accepted())
        return;
    const QString ext = QFileInfo(choice.fileName).suffix().toLower();
    if (ext == QLatin1String("ghf"))
        OpenGraphFile(program, choice.fileName);
    else if (ext == QLatin1String("txt") || ext == QLatin1String("csv"))
        OpenTableFile(program, choice.fileName);
}

TfrmGraph* OpenGraphFile(Program& program, const QString& path)
{
    auto* w = new TfrmGraph(program);
    const GraphFileResult r = ReadGraphFile(w->chart(), path);
    if (!r.ok()) {
        delete w;
        program.prompts.error(DialogParent(program), r.error);
        return nullptr;
    }
    w->setWindowTitle(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    EnrollGraph(program, *w);
    program.windowSignals.showWindow(w);
    QWidget* frame = frameOf(w);
    if (QWidget* client = frame->parentWidget())
        frame->setGeometry(0, 0, client->width(), std::max(200, client->height() - 40));

    ChartModel& chart = w->chart();
    ShowStatistics(*w);
    w->chkSplit->setChecked(chart.MultiAxesSubsets(1) != 0);
    chart.setAllowDataLabels(sgNoDataLabels);
    chart.PEactions(sgReinitAndReset);
    w->updateAnnotationTools();
    chart.setAllowGraphAnnotHotSpots(true);
    emit program.windowSignals.fileOpened(path);
    return w;
}

TfrmList* OpenTextTable(Program& program, const QString& path)
{
    QWidget* parent = DialogParent(program);
    if (!QFileInfo(path).isFile()) {
        program.prompts.error(
            parent, QStringLiteral("Cannot open \"%1\": there is no such file.").arg(QDir::toNativeSeparators(path)));
        return nullptr;
    }
    TfrmScope progress(parent);
    progress.setWindowTitle(QStringLiteral("Open Progress"));
    progress.showProgress(QStringLiteral("0"), 0, true);
    progress.Progress1->setVisible(false);
    progress.show();
    TableReadResult r = ReadTextTable(path, [&](int rows) {
        progress.SText1->setText(QString::number(rows));
        program.clock.processEvents();
        return !progress.cancelled();
    });
    progress.close();
    // The window opens only for a file with something to show: a file that is no
    // table at all is named, not shown as an empty or junk table.
    if (!std::any_of(r.rows.begin(), r.rows.end(), [](const TableRow& row) { return IsReadableTableRow(row); })) {
        if (!r.error.isEmpty())
            program.prompts.error(parent, r.error);
        else if (!r.cancelled)
            program.prompts.error(parent,
                                  QStringLiteral("\"%1\" holds no table rows.").arg(QDir::toNativeSeparators(path)));
        return nullptr;
    }
    auto* list = new TfrmList(program);
    list->setWindowTitle(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    program.windowSignals.showWindow(list);
    list->setRows(std::move(r.rows));
    list->fitColumnsToContents();
    if (QMdiSubWindow* frame = MdiFrameOf(list)) {
        frame->resize(frame->sizeHint());
        FitIntoArea(*frame);
    }
    if (!r.error.isEmpty())
        program.prompts.error(parent, r.error);
    emit program.windowSignals.fileOpened(path);
    return list;
}

// --- Save -----------------------------------------------------------------------------

bool Save1Click(Program& program, QWidget* active)
{
    if (!active)
        return false;
    if (auto* list = qobject_cast<TfrmList*>(active))
        return SaveTableAsText(program, *list);
    auto* graph = qobject_cast<TfrmGraph*>(active);
    if (!graph)
        return false;
    if (!graph->isLoggerWindow())
        return SaveGraphAs(program, graph->chart(), graph);
    TfrmOpenSave dialog(graph);
    dialog.setSaveTexts();
    const int choice = program.prompts.exec(dialog);
    if (choice == TfrmOpenSave::AllSets)
        return SaveCollection(program);
    if (choice == TfrmOpenSave::SingleSet)
        return SaveGraphAs(program, graph->chart(), graph);
    return false;
}

bool SaveTableAsText(Program& program, TfrmList& list)
{
    Prompts& prompts = program.prompts;
    const int lastRow = list.dataRows();
    // The cells are saved as they are: one holding a comma (a decimal comma) cannot go
    // into a comma-separated file.
    const bool commaInCells = std::any_of(list.rows().begin(), list.rows().end(), [](const TableRow& row) {
        return std::any_of(row.begin(), row.end(), [](const QString& cell) { return cell.contains(QLatin1Char(',')); });
    });
    FileChoice choice;
    for (;;) {
        choice = prompts.saveFile(&list, QStringLiteral("Save As"), program.dataDir,
                                  QtFileFilter(TableSaveFilterText()), QStringLiteral("TXT"));
        if (!choice.accepted())
            return false;
        if (!commaInCells || TableSaveSeparator(choice.fileName) != QLatin1Char(','))
            break;
        prompts.error(&list, DecimalCommaCsvMessage(choice.fileName));
    }

    GraphTableRange range;
    {
        TfrmScope window(&list);
        window.showRangeGroup(lastRow);
        if (prompts.exec(window) != QDialog::Accepted)
            return false;
        range = NormaliseTableRange(window.radAll->isChecked(), window.edtSelFrom->text(), window.edtSelTo->text(),
                                    lastRow);
    }
    if (!range.ok()) {
        prompts.error(&list, range.error);
        return false;
    }

    TfrmScope progress(&list);
    progress.setWindowTitle(QStringLiteral("Saving Progress"));
    progress.showProgress(QStringLiteral("saving....."), std::max(0, range.last - range.first + 1), true);
    progress.show();
    const TableSaveResult r =
        kelvor::SaveTableAsText(list.rows(), choice.fileName, range.first, range.last, [&](int done) {
            progress.Progress1->setValue(done);
            program.clock.processEvents();
            return !progress.cancelled();
        });
    progress.close();
    if (!r.error.isEmpty())
        prompts.error(&list, r.error);
    return r.ok();
}

// --- Collections ------------------------------------------------------------------------

bool SaveCollection(Program& program)
{
    QWidget* parent = DialogParent(program);
    if (TfrmGraph* logger = LoggerGraph(program))
        parent = logger;
    const FileChoice choice =
        program.prompts.saveFile(parent, QStringLiteral("Save As"), program.dataDir,
                                 QtFileFilter(QString::fromLatin1(kCollectionSaveFilterText)), QStringLiteral("CH4"));
    if (!choice.accepted())
        return false;
    const Status r = kelvor::SaveCollection(program.store, program.workingCopyPath(), choice.fileName);
    if (!r.ok()) {
        // The download stays marked unsaved: nothing reached the disk.
        program.prompts.error(parent, r.error());
        return false;
    }
    program.graph.LoggerGraphUnsaved = false;
    return true;
}

void OpenCollection(Program& program)
{
    TfrmGraph* window = EnsureLoggerGraph(program);
    Prompts& prompts = program.prompts;
    const FileChoice choice = prompts.openFile(window, QStringLiteral("Open"), program.dataDir,
                                               QtFileFilter(QString::fromLatin1(kCollectionOpenFilterText)));
    if (!choice.accepted())
        return;
    OpenCollectionFile(program, choice.fileName);
}

bool OpenCollectionFile(Program& program, const QString& path)
{
    TfrmGraph* window = EnsureLoggerGraph(program);
    Prompts& prompts = program.prompts;
    const CollectionOpenResult r =
        kelvor::OpenCollection(path, program.store, program.clock, program.workingCopyPath());
    if (!r.ok()) {
        // A file whose header counts no data set ends quietly; a damaged or unreadable
        // one is named with what is wrong.
        if (!r.error.isEmpty())
            prompts.error(window, r.error);
        return false;
    }
    if (TfrmGraph* w = LoggerGraph(program)) {
        FillDataSetList(*w, program.store);
        w->RecordingName.clear();  // a file does not say which meter
        w->RecordingMeter.clear();
    }
    if (!r.workingCopyError.isEmpty())
        prompts.error(window, r.workingCopyError);
    if (!r.warning.isEmpty())
        prompts.message(window, QMessageBox::Warning, Prompts::title(), r.warning);
    ShowDataSet(program, 0);
    emit program.windowSignals.fileOpened(path);
    return true;
}

void InstallFileHooks(Program& program)
{
    QObject::connect(&program.windowSignals, &WindowSignals::saveWindowRequested, &program.windowSignals,
                     [&program](QWidget* w, bool* saved) { *saved = Save1Click(program, w); });
}

}  // namespace kelvor
