// SPDX-License-Identifier: GPL-3.0-or-later
// The data logger's download, its data set list and drawing, and collection files.
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableWidget>
#include <QTest>
#include <functional>

#include "../core/failingsavefile.h"
#include "chart/chartmodel.h"
#include "files/ui/filecommands.h"
#include "files/ui/tfrmopensave.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/tfrmgraph.h"
#include "logger/memorydownload.h"
#include "logger/ui/downloadprogress.h"
#include "logger/ui/loggercommands.h"
#include "loggerrig.h"

using namespace kelvor;
using kelvor::test::LoggerRig;

namespace {
// Connected to a meter that is not recording: the state the load command expects.
void connectMeter(LoggerRig& rig)
{
    rig.program->monitor.Connected = true;
    rig.program->live.MeterRecording = false;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The logger chart shows data set k exactly: four channels, every sample's time and value.
void verifyDrawn(const Program& p, int k)
{
    TfrmGraph* w = LoggerGraph(p);
    QVERIFY(w);
    const DataSet& set = p.store.sets[std::size_t(k)];
    const ChartModel& chart = w->chart();
    QCOMPARE(chart.Subsets(), 4);
    QCOMPARE(chart.Points(), set.sampleCount);
    const float* v = p.store.valuesOf(std::size_t(k));
    const double* t = p.store.timesOf(std::size_t(k));
    for (int i : {0, set.sampleCount / 2, set.sampleCount - 1})
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(chart.YData(c, i), v[4 * i + c]);
            QCOMPARE(chart.XDataII(c, i), t[4 * i + c]);
        }
    QCOMPARE(w->txtDataNo->text(), QString::number(set.sampleCount));
    QCOMPARE(w->ComboBox1->currentIndex(), set.interval / 60);
    QCOMPARE(w->ComboBox2->currentIndex(), set.interval % 60);
}

// Notes what a widget showed each time it was painted.
struct PaintedValues final : QObject {
    std::function<QString()> shown;
    QStringList values;
    PaintedValues(QWidget& w, std::function<QString()> f) : shown(std::move(f)) { w.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            values << shown();
        return false;
    }
};
}  // namespace

class TestDataLogger : public QObject {
    Q_OBJECT
private slots:
    void refusesWithoutConnectionOrWhileRecording();
    void erasedMeterHasNoData();
    void downloadListsAndDrawsTheFirstSet();
    void progressPaintsAtScreenRateAndEndsOnTheLastBlock();
    void unwritableWorkingCopyIsToldAndTheDownloadStillSaves();
    void fullDiskKeepsTheOldWorkingCopyAndSaysSo();
    void collectionSavedAndReopened();
    void zeroCollectionShowsAndSaysNothing();
    void saveCollectionWithNothingLoadedSaysSo();
};

void TestDataLogger::refusesWithoutConnectionOrWhileRecording()
{
    LoggerRig rig;
    LoadData1Click(*rig.program);
    rig.program->monitor.Connected = true;
    rig.program->live.MeterRecording = true;
    LoadData1Click(*rig.program);
    QCOMPARE(rig.prompts.messages,
             QStringList({QString::fromLatin1(kNoConnectionMessage), QString::fromLatin1(kMeterRecordingMessage)}));
    QVERIFY(!LoggerGraph(*rig.program));  // nothing started
    QVERIFY(!rig.program->LoadingData);
}

void TestDataLogger::erasedMeterHasNoData()
{
    LoggerRig rig(QStringLiteral("memory=erased"));
    connectMeter(rig);
    LoadData1Click(*rig.program);
    QCOMPARE(rig.prompts.messages, QStringList{QString::fromLatin1(kNoDataMessage)});
    QVERIFY(LoggerGraph(*rig.program));
    QVERIFY(!rig.program->graph.LoggerGraphUnsaved);
    QVERIFY(!QFile::exists(rig.program->workingCopyPath()));
    QVERIFY(rig.program->store.memoryImage.isEmpty());
    QVERIFY(!rig.program->LoadingData);
}

void TestDataLogger::downloadListsAndDrawsTheFirstSet()
{
    LoggerRig rig;
    connectMeter(rig);
    LoadData1Click(*rig.program);
    QVERIFY2(rig.prompts.messages.isEmpty(), qPrintable(rig.prompts.messages.join('\n')));
    Program& p = *rig.program;
    TfrmGraph* w = LoggerGraph(p);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral("DataLogger"));
    QVERIFY(w->pnlDataSets->isVisibleTo(w));
    const int count = int(p.store.sets.size());
    QVERIFY(count >= 3);
    QCOMPARE(w->Grid2->rowCount(), count);
    for (int k = 0; k < count; ++k)
        QCOMPARE(w->Grid2->item(k, 0)->text(), QString::number(k + 1));
    QCOMPARE(w->Grid2->item(0, 4)->text(), QString::number(p.store.sets[0].sampleCount));
    QCOMPARE(w->Grid2->selectedRanges().size(), 1);
    QCOMPARE(w->Grid2->selectedRanges().first().topRow(), 0);
    verifyDrawn(p, 0);
    QVERIFY(p.graph.LoggerGraphUnsaved);
    QCOMPARE(readAll(p.workingCopyPath()), p.store.collectionImage);
    QVERIFY(p.store.memoryImage.isEmpty());

    // The user clicks row 3.
    w->Grid2->selectRow(2);
    w->Grid2Click();
    verifyDrawn(p, 2);
    QVERIFY(rig.prompts.unexpected.isEmpty());
}

void TestDataLogger::progressPaintsAtScreenRateAndEndsOnTheLastBlock()
{
    // A full memory from a meter that answers at once: the blocks arrive far faster
    // than a screen shows frames.
    const int blocks = 4088;
    DownloadProgressWindow progress(nullptr);
    progress.begin(blocks * kBlockBytes);
    TfrmScope* w = progress.window();
    QVERIFY(w);
    // Each paint must show the count of the latest block at that moment.
    int received = 0;
    PaintedValues label(*w->lblBytesReceived, [&] {
        return w->lblBytesReceived->text() + (w->lblBytesReceived->text() == QString::number(received) ? "" : " stale");
    });
    PaintedValues bar(*w->Progress1, [&] {
        return QString::number(w->Progress1->value()) + (w->Progress1->value() == received ? "" : " stale");
    });
    QElapsedTimer t;
    t.start();
    for (int b = 1; b <= blocks; ++b) {
        received = b * kBlockBytes;
        progress.progress(received);
    }
    const qint64 elapsed = t.elapsed();
    // Nothing paints more often than a screen shows frames (give or take the last one).
    for (const PaintedValues* p : {&label, &bar})
        QVERIFY2(p->values.size() <= elapsed / 16 + 4,
                 qPrintable(QStringLiteral("%1 paints in %2 ms").arg(p->values.size()).arg(elapsed)));
    for (const PaintedValues* p : {&label, &bar})
        QVERIFY2(p->values.filter(" stale").isEmpty(), qPrintable(p->values.filter(" stale").join(", ")));
    const QString total = QString::number(blocks * kBlockBytes);
    QCOMPARE(label.values.value(label.values.size() - 1), total);  // the finished count is on screen
    QCOMPARE(bar.values.value(bar.values.size() - 1), total);
    progress.end();
}

void TestDataLogger::unwritableWorkingCopyIsToldAndTheDownloadStillSaves()
{
    LoggerRig rig;
    connectMeter(rig);
    Program& p = *rig.program;
    // A file where the "temp" folder should be: the folder cannot be made.
    {
        QFile blocker(rig.path(QStringLiteral("temp")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    LoadData1Click(p);
    QCOMPARE(rig.prompts.messages.size(), 1);
    QVERIFY2(rig.prompts.messages[0].contains(QStringLiteral("temp")), qPrintable(rig.prompts.messages[0]));
    QVERIFY(LoggerGraph(p)->Grid2->rowCount() >= 3);
    verifyDrawn(p, 0);
    QVERIFY(p.graph.LoggerGraphUnsaved);

    // "Save collection" writes this download, not whatever was on disk before.
    const QString target = rig.path(QStringLiteral("now.ch4"));
    rig.prompts.dialogs.push_back([](QDialog& d) {
        (void)d;
        return int(TfrmOpenSave::AllSets);
    });
    rig.prompts.fileNames.push_back(target);
    QVERIFY(Save1Click(p, LoggerGraph(p)));
    QCOMPARE(readAll(target), p.store.collectionImage);
    QVERIFY(!p.graph.LoggerGraphUnsaved);
}

void TestDataLogger::fullDiskKeepsTheOldWorkingCopyAndSaysSo()
{
    LoggerRig rig;
    connectMeter(rig);
    Program& p = *rig.program;
    const QByteArray older = "the download of an earlier run";
    QDir().mkpath(QFileInfo(p.workingCopyPath()).absolutePath());
    {
        QFile f(p.workingCopyPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(older);
    }
    {
        test::FullDisk full(100);
        LoadData1Click(p);
    }
    QCOMPARE(readAll(p.workingCopyPath()), older);
    QCOMPARE(rig.prompts.messages.size(), 1);
    QVERIFY2(rig.prompts.messages[0].contains(QDir::toNativeSeparators(p.workingCopyPath())) &&
                 rig.prompts.messages[0].contains(test::kNoSpaceLeft),
             qPrintable(rig.prompts.messages[0]));
    verifyDrawn(p, 0);

    // Saving that download onto the full disk fails the same way and keeps it unsaved.
    const QString target = rig.path(QStringLiteral("kept.ch4"));
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(older);
    }
    rig.prompts.dialogs.push_back([](QDialog&) { return int(TfrmOpenSave::AllSets); });
    rig.prompts.fileNames.push_back(target);
    {
        test::FullDisk full;
        QVERIFY(!Save1Click(p, LoggerGraph(p)));
    }
    QCOMPARE(readAll(target), older);
    QCOMPARE(rig.prompts.messages.size(), 2);
    QVERIFY2(rig.prompts.messages[1].contains(test::kNoSpaceLeft), qPrintable(rig.prompts.messages[1]));
    QVERIFY(p.graph.LoggerGraphUnsaved);
}

void TestDataLogger::collectionSavedAndReopened()
{
    const QString target = [] {
        static QTemporaryDir keep;
        return keep.filePath(QStringLiteral("three.ch4"));
    }();
    std::vector<DataSet> sets;
    {
        LoggerRig rig;
        connectMeter(rig);
        LoadData1Click(*rig.program);
        QString title;
        rig.prompts.dialogs.push_back([&title](QDialog& d) {
            title = d.windowTitle();
            return int(TfrmOpenSave::AllSets);
        });
        rig.prompts.fileNames.push_back(target);
        QVERIFY(Save1Click(*rig.program, LoggerGraph(*rig.program)));
        QCOMPARE(title, QStringLiteral("Save File"));
        QCOMPARE(readAll(target), rig.program->store.collectionImage);
        sets = rig.program->store.sets;
    }
    LoggerRig rig;  // a fresh program, as after a restart
    Program& p = *rig.program;
    QString title;
    rig.prompts.dialogs.push_back([&title](QDialog& d) {
        title = d.windowTitle();
        return int(TfrmOpenSave::AllSets);
    });
    rig.prompts.fileNames.push_back(target);
    Open1Click(p);
    QCOMPARE(title, QStringLiteral("Open File"));
    QVERIFY2(rig.prompts.messages.isEmpty(), qPrintable(rig.prompts.messages.join('\n')));
    QCOMPARE(p.store.sets.size(), sets.size());
    QCOMPARE(LoggerGraph(p)->Grid2->rowCount(), int(sets.size()));
    for (std::size_t k = 0; k < sets.size(); ++k)
        QCOMPARE(p.store.sets[k].start, sets[k].start);
    verifyDrawn(p, 0);
    QVERIFY(!p.graph.LoggerGraphUnsaved);  // an opened collection is on disk already
    QCOMPARE(readAll(p.workingCopyPath()), readAll(target));
}

void TestDataLogger::zeroCollectionShowsAndSaysNothing()
{
    LoggerRig rig;
    Program& p = *rig.program;
    const QString zeros = rig.path(QStringLiteral("zeros.ch4"));
    {
        QFile f(zeros);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100, '\0'));
    }
    rig.prompts.dialogs.push_back([](QDialog&) { return int(TfrmOpenSave::AllSets); });
    rig.prompts.fileNames.push_back(zeros);
    Open1Click(p);
    QVERIFY(rig.prompts.messages.isEmpty());
    QVERIFY(rig.prompts.unexpected.isEmpty());
    QVERIFY(p.store.sets.empty());
    TfrmGraph* w = LoggerGraph(p);
    QVERIFY(w);  // made sure of before the dialog
    QCOMPARE(w->Grid2->rowCount(), 1);
    QVERIFY(!w->Grid2->item(0, 1) || w->Grid2->item(0, 1)->text().isEmpty());
    QCOMPARE(w->chart().Subsets(), 1);
    QVERIFY(!QFile::exists(p.workingCopyPath()));
}

void TestDataLogger::saveCollectionWithNothingLoadedSaysSo()
{
    LoggerRig rig;
    const QString target = rig.path(QStringLiteral("none.ch4"));
    rig.prompts.fileNames.push_back(target);
    QVERIFY(!SaveCollection(*rig.program));
    QCOMPARE(rig.prompts.messages.size(), 1);
    QVERIFY(!QFile::exists(target));
}

QTEST_MAIN(TestDataLogger)
#include "tst_datalogger.moc"
