// SPDX-License-Identifier: GPL-3.0-or-later
// The library in the windowed program: a run journalled as it is taken (open-ended too),
// the interrupted run offered back, and the Library window.
#include <qcustomplot.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include "../core/memoryimage_builder.h"
#include "base/localetext.h"
#include "chart/chartmodel.h"
#include "chart/ui/chartview.h"
#include "graph/alarms.h"
#include "graph/realtimerun.h"
#include "graph/ui/alarmtool.h"
#include "graph/ui/graphexport.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/tfrmgraph.h"
#include "graph/ui/tfrmsetuprealtime.h"
#include "library/libraryaccess.h"
#include "library/runjournal.h"
#include "library/ui/librarymodel.h"
#include "library/ui/tfrmlibrary.h"
#include "logger/datasetdecoder.h"
#include "logger/ui/librarycommands.h"
#include "logger/ui/loggercommands.h"
#include "loggerrig.h"
#include "shellrig.h"

using namespace kelvor;
using namespace kelvor::test;

namespace {

JournalSample sampleAt(int i)
{
    JournalSample s;
    s.time = 46027.5 + i * 2.0 / 86400.0;
    s.t = {20.0f + float(i), 30.0f - float(i), 25.0f, 0.0f};
    s.flags = 0x80;  // T4 "----"
    return s;
}

// A recording that a program began and never ended (it was killed).
std::int64_t leaveInterruptedRun(const QString& dataDir, int samples, const QString& name = {})
{
    LibraryAccess access(dataDir);
    RunJournal journal(access);
    RecordingHeader h;
    h.started = sampleAt(0).time;
    h.rateSeconds = 2;
    h.recordCount = 2000;
    h.name = name;
    journal.begin(h);
    for (int i = 0; i < samples; ++i)
        journal.append(sampleAt(i));
    return *journal.recordingId();
}

void endRun(const QString& dataDir, std::int64_t id)
{
    auto r = Library::open(dataDir);
    LibraryStatus s;
    r.library->endRecording(id, kStateComplete, {}, {});
}

}  // namespace

class TestLibrary : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void interruptedRunIsOfferedOnceAndOpensAsUnsavedData()
    {
        ShellRig rig;
        InstallLibrary(*rig.program);
        leaveInterruptedRun(rig.dir.path(), 25);
        rig.prompts.answers = {QMessageBox::Yes, QMessageBox::No};
        OfferInterruptedRecordings(*rig.program);
        QCOMPARE(rig.prompts.messages.size(), 1);
        QCOMPARE(rig.prompts.messages[0], QStringLiteral("A real-time recording started %1 with 25 samples was "
                                                         "interrupted. Open it?")
                                              .arg(DateTimeText(sampleAt(0).time)));
        TfrmGraph* w = NewestFileGraph(*rig.program);
        QVERIFY(w);
        QCOMPARE(w->chart().Points(), 25);
        QCOMPARE(w->chart().YData(1, 24), 30.0f - 24.0f);
        QCOMPARE(w->chart().YData(3, 0), kGapValue);
        QCOMPARE(w->maxField(0)->text(), ExtremeText(0x80, 0, 44.0f, sampleAt(24).time));
        QCOMPARE(w->avgField(3)->text(), QStringLiteral("****"));
        QCOMPARE(w->txtDataNo->text(), QStringLiteral("25"));
        QVERIFY(w->UnsavedData);
        // Closing asks to save, as for any unsaved run, naming this window; "No" lets it go.
        QCOMPARE(w->windowTitle(), QStringLiteral("Recording ") + DateTimeText(sampleAt(0).time));
        QVERIFY(w->FormCloseQuery());
        QCOMPARE(rig.prompts.messages.last(),
                 QStringLiteral("Save Recording %1 ?").arg(DateTimeText(sampleAt(0).time)));
        // Asked once: the recording is now marked interrupted and stays in the library.
        rig.prompts.messages.clear();
        OfferInterruptedRecordings(*rig.program);
        QVERIFY(rig.prompts.messages.isEmpty());
        QString error;
        const auto rows = rig.program->library->get()->list(&error);
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(rows[0].state, QString::fromLatin1(kStateInterrupted));
    }

    // A run that met alarm events is killed (its journal goes without ending it): the
    // recovered run brings the events back to the list and to the chart.
    void killedRunComesBackWithItsAlarmEvents()
    {
        ShellRig rig;
        InstallLibrary(*rig.program);
        rig.tick();  // connect
        TfrmGraph& live = *RealTimeGraph(*rig.program);
        AlarmLimits limits;
        QString why;
        QVERIFY(ParseAlarmRules(QStringLiteral("T1>-5 T2<5"), limits, &why));  // the meter reads 0
        live.alarms().setLimits(limits);
        live.alarms().setNotifier([](const QString&, const QString&) {});
        rig.prompts.dialogs.push_back([](QDialog& d) {
            dynamic_cast<TfrmSetupRealTime&>(d).edtRealTimeNo->setText(QStringLiteral("50"));
            return int(QDialog::Accepted);
        });
        rig.main->btnRunClick();
        for (int i = 0; i < 400 && rig.runPoints() < 6; ++i)
            rig.tick();
        QCOMPARE(rig.runPoints(), 6);
        const std::vector<ChartAlarmEvent> events = live.chart().alarmEvents();
        QCOMPARE(int(events.size()), 2);

        rig.program->dropJournal();  // killed: nothing more reaches the library
        rig.program->session.stop();
        rig.prompts.messages.clear();
        rig.prompts.answers = {QMessageBox::Yes};
        OfferInterruptedRecordings(*rig.program);
        QCOMPARE(rig.prompts.messages.size(), 1);
        TfrmGraph* w = NewestFileGraph(*rig.program);
        QVERIFY(w && w != &live);
        QCOMPARE(w->chart().Points(), 6);
        QCOMPARE(w->chart().alarmEvents(), events);
        QCOMPARE(w->alarms().list()->rowCount(), 2);
        w->resize(1200, 700);
        w->show();
        QCustomPlot* plot = w->view().customPlot();
        plot->replot();
        QStringList marks;
        for (int i = 0; i < plot->itemCount(); ++i)
            if (auto* text = qobject_cast<QCPItemText*>(plot->item(i)))
                marks << text->text().trimmed();
        marks.sort();
        QCOMPARE(marks, (QStringList{QStringLiteral("T1 HIGH 0.0"), QStringLiteral("T2 LOW 0.0")}));
    }

    void openEndedRunKeepsTheLatestInTheGraphAndEverySampleInTheLibrary()
    {
        ShellRig rig;
        InstallLibrary(*rig.program);
        rig.tick();  // connect
        rig.prompts.dialogs.push_back([](QDialog& d) {
            auto& s = dynamic_cast<TfrmSetupRealTime&>(d);
            s.edtRealTimeNo->setText(QStringLiteral("5"));
            s.chkOpenEnded->setChecked(true);
            return int(QDialog::Accepted);
        });
        rig.main->btnRunClick();
        for (int i = 0; i < 400 && rig.runPoints() < 12; ++i)
            rig.tick();
        QCOMPARE(rig.runPoints(), 12);
        QVERIFY(rig.recording());  // past its count of 5
        TfrmGraph& w = *RealTimeGraph(*rig.program);
        ChartModel& chart = w.chart();
        QCOMPARE(chart.Points(), 5);
        rig.main->btnStopClick();
        const std::int64_t id = *rig.program->journal()->recordingId();
        QString error;
        const auto data = rig.program->library->get()->loadRecording(id, 0, &error);
        QVERIFY(data);
        QCOMPARE(data->samples.size(), std::size_t(12));
        QCOMPARE(data->entry.state, QString::fromLatin1(kStateComplete));
        QVERIFY(data->header.openEnded);
        for (int i = 0; i < 5; ++i) {  // the graph shows the last five, in order
            const JournalSample& s = data->samples[std::size_t(7 + i)];
            QCOMPARE(chart.XDataII(0, i), s.time);
            QCOMPARE(chart.YData(0, i), SampleValue(s.flags, 0, s.t[0]));
        }
        // The averages are those of all twelve samples, as the library has them.
        QCOMPARE(w.avgField(1)->text(),
                 AverageText(data->statistics.channels[1].sum, data->statistics.channels[1].averaged));
    }

    // A profile chosen in the Library window: a Verdict column and a filter by verdict.
    // T1 of the runs climbs from 20 °C by 1 °C a sample: 49 °C after 30 samples breaks a
    // peak of at most 30 °C, 23 °C after 4 keeps it.
    void libraryWindowShowsEachItemsVerdictAgainstAProfile()
    {
        ShellRig rig;
        InstallLibrary(*rig.program);
        const QString dir = rig.dir.path();
        endRun(dir, leaveInterruptedRun(dir, 30, QStringLiteral("kiln firing")));
        endRun(dir, leaveInterruptedRun(dir, 4, QStringLiteral("fridge")));
        const QString good = rig.dir.filePath(QStringLiteral("peak.json"));
        const QString bad = rig.dir.filePath(QStringLiteral("bad.json"));
        for (const auto& [path, text] :
             {std::pair{
                  good,
                  QByteArray(R"({"kelvorProfile": 1, "name": "Peak 30", "rules": [{"kind": "peak", "max": 30}]})")},
              std::pair{bad,
                        QByteArray("{\"kelvorProfile\": 1,\n \"rules\": [{\"kind\": \"peak\", \"max\": \"x\"}]}")}}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        }
        TfrmLibrary* w = OpenLibraryWindow(*rig.program);
        QVERIFY(w->grdLibrary->isColumnHidden(LibraryTableModel::Verdict));
        QVERIFY(!w->cmbVerdict->isEnabled());

        rig.prompts.fileNames = {bad};
        rig.prompts.answers = {QMessageBox::Ok};
        w->chooseProfile();
        QCOMPARE(rig.prompts.messages.size(), 1);
        QVERIFY2(rig.prompts.messages[0].contains(QStringLiteral("line 2: rule 1: \"max\"")),
                 qPrintable(rig.prompts.messages[0]));
        QVERIFY(w->grdLibrary->isColumnHidden(LibraryTableModel::Verdict));

        rig.prompts.fileNames = {good};
        w->chooseProfile();
        QVERIFY(!w->grdLibrary->isColumnHidden(LibraryTableModel::Verdict));
        QCOMPARE(w->btnProfile->text(), QStringLiteral("Profile: Peak 30"));
        auto verdictOf = [w](const QString& name) {
            for (int r = 0; r < w->filter().rowCount(); ++r)
                if (w->filter().index(r, LibraryTableModel::Name).data().toString() == name)
                    return w->filter().index(r, LibraryTableModel::Verdict).data().toString();
            return QStringLiteral("(not shown)");
        };
        QCOMPARE(verdictOf(QStringLiteral("kiln firing")), QStringLiteral("FAIL"));
        QCOMPARE(verdictOf(QStringLiteral("fridge")), QStringLiteral("PASS"));

        w->cmbVerdict->setCurrentIndex(w->cmbVerdict->findText(QStringLiteral("FAIL")));
        QCOMPARE(w->filter().rowCount(), 1);
        QCOMPARE(verdictOf(QStringLiteral("kiln firing")), QStringLiteral("FAIL"));
        w->cmbVerdict->setCurrentIndex(w->cmbVerdict->findText(QStringLiteral("PASS")));
        QCOMPARE(w->filter().rowCount(), 1);
        QCOMPARE(verdictOf(QStringLiteral("fridge")), QStringLiteral("PASS"));
        // The filter words find the verdict too.
        w->cmbVerdict->setCurrentIndex(0);
        w->edtFilter->setText(QStringLiteral("fail"));
        QCOMPARE(w->filter().rowCount(), 1);
        w->edtFilter->clear();

        w->clearProfile();
        QVERIFY(w->grdLibrary->isColumnHidden(LibraryTableModel::Verdict));
        QCOMPARE(w->filter().rowCount(), 2);
        QCOMPARE(verdictOf(QStringLiteral("fridge")), QString());
        QVERIFY2(rig.prompts.unexpected.isEmpty(), qPrintable(rig.prompts.unexpected.join(QLatin1Char('\n'))));
    }

    void libraryWindowListsFiltersOpensEditsAndDeletes()
    {
        ShellRig rig;
        InstallLibrary(*rig.program);
        const QString dir = rig.dir.path();
        endRun(dir, leaveInterruptedRun(dir, 30, QStringLiteral("kiln firing")));
        endRun(dir, leaveInterruptedRun(dir, 4, QStringLiteral("fridge")));
        {
            TestDataSet a, b, c;
            a.values = {250, 260, 270, 280, 251, 261, 271, 281};
            b.values = {100, 101, 102, 103};
            c.values = std::vector<std::int16_t>(40, 300);
            const QByteArray image = buildImage({a, b, c});
            DataSetStore store;
            QVERIFY(DecodeDataSets(image, store, rig.clock).ok());
            LibraryStatus s;
            QVERIFY(rig.program->library->get()->storeDownload(image, store.sets, 46028.0, QStringLiteral("SN-9"),
                                                               QStringLiteral("download"), &s));
        }
        TfrmLibrary* w = OpenLibraryWindow(*rig.program);
        QVERIFY(w);
        QCOMPARE(OpenLibraryWindow(*rig.program), w);  // one window
        QCOMPARE(w->filter().rowCount(), 3);

        w->edtFilter->setText(QStringLiteral("KILN"));
        QCOMPARE(w->filter().rowCount(), 1);
        w->edtFilter->setText(QStringLiteral("download sn-9"));
        QCOMPARE(w->filter().rowCount(), 1);
        w->edtFilter->clear();
        w->chkFrom->setChecked(true);
        w->dtFrom->setDate(QDate(2026, 1, 6));  // the runs were on the 5th, the download on the 6th
        QCOMPARE(w->filter().rowCount(), 1);
        w->chkFrom->setChecked(false);
        QCOMPARE(w->filter().rowCount(), 3);

        // Sorting by samples is numeric: 4, 13 (the download), 30.
        w->grdLibrary->sortByColumn(LibraryTableModel::Length, Qt::AscendingOrder);
        QCOMPARE(w->filter().index(0, LibraryTableModel::Name).data().toString(), QStringLiteral("fridge"));
        QCOMPARE(w->filter().index(2, LibraryTableModel::Name).data().toString(), QStringLiteral("kiln firing"));

        // Open the recording: a graph window with its samples.
        w->selectId(1);
        w->btnOpenClick();
        QVERIFY(NewestFileGraph(*rig.program));
        QCOMPARE(NewestFileGraph(*rig.program)->chart().Points(), 30);
        QVERIFY(!NewestFileGraph(*rig.program)->UnsavedData);

        // Open the download: the DataLogger window lists its three data sets.
        w->grdLibrary->clearSelection();
        w->selectId(3);
        w->btnOpenClick();
        QVERIFY(LoggerGraph(*rig.program));
        QCOMPARE(rig.program->store.sets.size(), std::size_t(3));

        // Name and note.
        w->grdLibrary->clearSelection();
        w->selectId(2);
        QString nameShown;
        rig.prompts.dialogs.push_back([&nameShown](QDialog& d) {
            auto& e = dynamic_cast<TfrmLibraryEdit&>(d);
            nameShown = e.edtName->text();
            e.edtName->setText(QStringLiteral("freezer"));
            e.edtNote->setPlainText(QStringLiteral("door left open\nat 10:00"));
            return int(QDialog::Accepted);
        });
        w->btnEditClick();
        QCOMPARE(nameShown, QStringLiteral("fridge"));
        QString error;
        auto entry = rig.program->library->get()->entry(2, &error);
        QCOMPARE(entry->name, QStringLiteral("freezer"));
        QCOMPARE(entry->note, QStringLiteral("door left open\nat 10:00"));

        // Delete two at once, after the question; "No" keeps them.
        w->grdLibrary->clearSelection();
        w->selectId(1);
        w->selectId(2);
        QCOMPARE(w->selectedIds().size(), std::size_t(2));
        rig.prompts.answers = {QMessageBox::No, QMessageBox::Yes};
        w->btnDeleteClick();
        QCOMPARE(w->filter().rowCount(), 3);
        w->btnDeleteClick();
        QCOMPARE(rig.prompts.messages.last(),
                 QStringLiteral("Delete the 2 selected items from the library? This cannot be undone."));
        QCOMPARE(w->filter().rowCount(), 1);
        QCOMPARE(rig.program->library->get()->list(&error).size(), std::size_t(1));
        QVERIFY(rig.prompts.unexpected.isEmpty());
    }

    // Export… offers what the graph and data set windows offer; a name without an
    // extension gets the chosen type's.
    void libraryWindowExportsEveryKindOfFile()
    {
        ShellRig rig;
        InstallLibrary(*rig.program);
        const QString dir = rig.dir.path();
        endRun(dir, leaveInterruptedRun(dir, 5, QStringLiteral("kiln firing")));
        {
            TestDataSet a, b, c;
            a.values = {250, 260, 270, 280, 251, 261, 271, 281};
            b.values = {100, 101, 102, 103};
            c.values = std::vector<std::int16_t>(40, 300);
            const QByteArray image = buildImage({a, b, c});
            DataSetStore store;
            QVERIFY(DecodeDataSets(image, store, rig.clock).ok());
            LibraryStatus s;
            QVERIFY(rig.program->library->get()->storeDownload(image, store.sets, 46028.0, QStringLiteral("SN-9"),
                                                               QStringLiteral("download"), &s));
        }
        TfrmLibrary* w = OpenLibraryWindow(*rig.program);
        QVERIFY(w);
        const QString report = QStringLiteral("PDF report (*.pdf)");
        const QString setReport = QStringLiteral("PDF report of the first data set (*.pdf)");
        const QString setSheet = QStringLiteral("Spreadsheet table of the first data set (*.csv)");
        const QString setBook = QStringLiteral("Excel workbook, every data set (*.xlsx)");
        auto save = [&](std::int64_t id, const QString& name, const QString& filter) {
            w->grdLibrary->clearSelection();
            w->selectId(id);
            rig.prompts.fileNames = {rig.dir.filePath(name)};
            rig.prompts.selectedFilters = {filter};
            w->btnExportClick();
        };
        auto read = [&](const QString& name) {
            QFile f(rig.dir.filePath(name));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        QString titleShown;
        auto acceptReport = [&titleShown](QDialog& d) {
            titleShown = d.findChild<QLineEdit*>(QStringLiteral("edtTitle"))->text();
            return int(QDialog::Accepted);
        };

        save(1, QStringLiteral("run"), kSpreadsheetFilter);
        QCOMPARE(rig.prompts.filtersOffered.last(),
                 QStringLiteral("Comma table (*.csv);;Text table, tab separated (*.txt);;Graph file (*.ghf);;") +
                     kSpreadsheetFilter + QStringLiteral(";;") + kWorkbookFilter + QStringLiteral(";;") + report);
        QList<QByteArray> rows = read(QStringLiteral("run.csv")).split('\n');
        QCOMPARE(rows.size(), 1 + 5 + 1);  // the header, the samples and the end of the last line
        QVERIFY2(rows[0].startsWith("Time,T1 (\xc2\xb0"
                                    "C)"),
                 rows[0].constData());
        QVERIFY2(rows[1].contains(",20.0,30.0,25.0,,"), rows[1].constData());
        save(1, QStringLiteral("run"), kWorkbookFilter);
        QVERIFY(read(QStringLiteral("run.xlsx")).startsWith("PK"));
        rig.prompts.dialogs.push_back(acceptReport);
        save(1, QStringLiteral("run"), report);
        QCOMPARE(titleShown, QStringLiteral("kiln firing"));
        QVERIFY(read(QStringLiteral("run.pdf")).startsWith("%PDF"));

        save(2, QStringLiteral("download"), setSheet);
        QVERIFY(rig.prompts.filtersOffered.last().contains(setSheet + QStringLiteral(";;") + setBook +
                                                           QStringLiteral(";;") + setReport));
        QCOMPARE(read(QStringLiteral("download.csv")).count('\n'), 1 + 2);  // the first set's two samples
        save(2, QStringLiteral("download"), setBook);
        const QByteArray book = read(QStringLiteral("download.xlsx"));
        QVERIFY(book.startsWith("PK"));
        QVERIFY(book.contains("xl/worksheets/sheet4.xml"));  // three data sets and Info
        rig.prompts.dialogs.push_back(acceptReport);
        save(2, QStringLiteral("download"), setReport);
        QCOMPARE(titleShown, QStringLiteral("Temperature report"));
        QVERIFY(read(QStringLiteral("download.pdf")).startsWith("%PDF"));
        QVERIFY(rig.prompts.unexpected.isEmpty());
        QVERIFY2(rig.prompts.messages.isEmpty(), qPrintable(rig.prompts.messages.join(QLatin1Char('\n'))));

        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed: the reports' text is not read back");
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {rig.dir.filePath(QStringLiteral("run.pdf")), QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(text.startsWith(QStringLiteral("kiln firing")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Recording 1 of the library")), qPrintable(text));
    }

    void downloadIsInTheLibraryBeforeTheWorkingCopy()
    {
        LoggerRig rig;
        InstallLibrary(*rig.program);
        // A working copy that cannot be written (a file where its folder should be) does
        // not keep the download out of the library.
        QFile blocker(rig.path(QStringLiteral("temp")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        rig.program->monitor.Connected = true;
        rig.prompts.answers = {QMessageBox::Ok, QMessageBox::Ok};
        LoadData1Click(*rig.program);
        QString error;
        const auto rows = rig.program->library->get()->list(&error);
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(rows[0].kind, EntryKind::Download);
        QCOMPARE(rows[0].dataSets, int(rig.program->store.sets.size()));
        const auto d = rig.program->library->get()->loadDownload(rows[0].id, &error);
        QCOMPARE(d->image, rig.program->store.collectionImage);
        QVERIFY(!QFileInfo(rig.path(QStringLiteral("temp/DataSetsTemp.tmp"))).exists());
    }
};

QTEST_MAIN(TestLibrary)
#include "tst_library.moc"
