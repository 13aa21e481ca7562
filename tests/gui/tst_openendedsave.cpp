// SPDX-License-Identifier: GPL-3.0-or-later
// An open-ended run saved from its graph window: the window shows only the latest
// samples, the file gets the whole run.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include "chart/chartmodel.h"
#include "graph/graphfile.h"
#include "graph/ui/graphexport.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/reportgraph.h"
#include "graph/ui/savegraph.h"
#include "graph/ui/tfrmgraph.h"
#include "graph/ui/tfrmsetuprealtime.h"
#include "library/libraryaccess.h"
#include "library/runjournal.h"
#include "logger/ui/librarycommands.h"
#include "shellrig.h"

using namespace kelvor;
using kelvor::test::ShellRig;

namespace {

constexpr int kCount = 10;
constexpr int kSamples = 30;

// Runs an open-ended run of count 10 at one sample a second until it has 30, and stops it.
TfrmGraph& recordOpenEndedRun(ShellRig& rig)
{
    InstallLibrary(*rig.program);
    rig.tick();  // connect
    rig.prompts.dialogs.push_back([](QDialog& d) {
        auto& s = dynamic_cast<TfrmSetupRealTime&>(d);
        s.edtRealTimeNo->setText(QString::number(kCount));
        s.chkOpenEnded->setChecked(true);
        s.ComboBox2->setCurrentIndex(1);
        emit s.ComboBox2->activated(1);
        return int(QDialog::Accepted);
    });
    rig.main->btnRunClick();
    for (int i = 0; i < 1000 && rig.runPoints() < kSamples; ++i)
        rig.tick();
    rig.main->btnStopClick();
    return *RealTimeGraph(*rig.program);
}

std::vector<JournalSample> librarySamples(ShellRig& rig)
{
    QString error;
    const auto data = rig.program->library->get()->loadRecording(*rig.program->journal()->recordingId(), 0, &error);
    return data ? data->samples : std::vector<JournalSample>{};
}

QList<QByteArray> linesOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = f.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

std::function<int(QDialog&)> wholeRange()
{
    return [](QDialog&) { return int(QDialog::Accepted); };  // the range window opens on "All"
}

}  // namespace

class TestOpenEndedSave : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    // A tab table, a spreadsheet table and a graph file each get all 30 samples, in order,
    // while the window keeps its latest 10.
    void everySaveTypeHoldsTheWholeRun()
    {
        ShellRig rig;
        TfrmGraph& w = recordOpenEndedRun(rig);
        QCOMPARE(rig.runPoints(), kSamples);
        QCOMPARE(w.chart().Points(), kCount);
        const std::vector<JournalSample> all = librarySamples(rig);
        QCOMPARE(int(all.size()), kSamples);
        const QStringList types = GraphSaveFilter().split(QStringLiteral(";;"));

        const QString table = rig.dir.filePath(QStringLiteral("run.txt"));
        rig.prompts.fileNames.push_back(table);
        rig.prompts.selectedFilters.push_back(types[1]);
        rig.prompts.dialogs.push_back(wholeRange());
        QVERIFY(SaveGraphAs(*rig.program, w.chart(), &w));
        const QList<QByteArray> rows = linesOf(table);
        QCOMPARE(rows.size(), kSamples);
        for (const QByteArray& row : rows)
            QCOMPARE(row.split('\t').size(), 6);

        const QString sheet = rig.dir.filePath(QStringLiteral("run.csv"));
        rig.prompts.fileNames.push_back(sheet);
        rig.prompts.selectedFilters.push_back(kSpreadsheetFilter);
        QVERIFY(SaveGraphAs(*rig.program, w.chart(), &w));
        QCOMPARE(linesOf(sheet).size(), 1 + kSamples);  // a header row, then the samples

        const QString graph = rig.dir.filePath(QStringLiteral("run.ghf"));
        rig.prompts.fileNames.push_back(graph);
        rig.prompts.selectedFilters.push_back(types[0]);
        QVERIFY(SaveGraphAs(*rig.program, w.chart(), &w));
        ChartModel back;
        QVERIFY(ReadGraphFile(back, graph).ok());
        QCOMPARE(back.Points(), kSamples);
        for (int i = 0; i < kSamples; ++i) {
            QCOMPARE(back.XDataII(0, i), all[size_t(i)].time);
            QCOMPARE(back.YData(1, i), all[size_t(i)].t[1]);
        }
        QCOMPARE(back.ManualMinX(), all.front().time);
        QVERIFY(rig.prompts.messages.isEmpty());
        QCOMPARE(w.chart().Points(), kCount);  // the window itself is left as it was
    }

    // The report of the run counts and lists every sample, not the window's ten.
    void reportCoversTheWholeRun()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed: the report cannot be read back");
        ShellRig rig;
        TfrmGraph& w = recordOpenEndedRun(rig);
        const QString pdf = rig.dir.filePath(QStringLiteral("run.pdf"));
        rig.prompts.dialogs.push_back([](QDialog&) { return int(QDialog::Accepted); });
        rig.prompts.fileNames.push_back(pdf);
        QVERIFY(ReportGraphWindow(*rig.program, w));
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Samples: %1\\b").arg(kSamples))), qPrintable(text));
    }

    // The earlier samples come from the recording session, not from the library: a
    // recording deleted from the library meanwhile still leaves the whole run to save.
    void theWholeRunIsSavedWithoutTheLibrarysCopy()
    {
        ShellRig rig;
        TfrmGraph& w = recordOpenEndedRun(rig);
        const std::vector<JournalSample> all = librarySamples(rig);
        QCOMPARE(int(all.size()), kSamples);
        QVERIFY(rig.program->library->get()->remove(*rig.program->journal()->recordingId()).ok());
        const QString table = rig.dir.filePath(QStringLiteral("run.txt"));
        rig.prompts.fileNames.push_back(table);
        rig.prompts.dialogs.push_back(wholeRange());
        QVERIFY(SaveGraphAs(*rig.program, w.chart(), &w));
        QVERIFY(rig.prompts.messages.isEmpty());
        const QList<QByteArray> rows = linesOf(table);
        QCOMPARE(rows.size(), kSamples);
        QCOMPARE(rows.first().split('\t').value(2).toDouble(), double(all.front().t[0]));
    }
};

QTEST_MAIN(TestOpenEndedSave)
#include "tst_openendedsave.moc"
