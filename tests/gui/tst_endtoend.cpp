// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program over the simulated meter, driven through the main window's
// commands as a user would: connect, run, save, reopen, export, download.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "app/ui/monitorloop.h"
#include "app/ui/tfrmmain.h"
#include "base/clock.h"
#include "base/localetext.h"
#include "chart/chartmodel.h"
#include "files/ui/tfrmlist.h"
#include "files/ui/tfrmopensave.h"
#include "graph/graphfile.h"
#include "graph/realtimestate.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/realtimeview.h"
#include "graph/ui/tfrmgraph.h"
#include "graph/ui/tfrmsetuprealtime.h"
#include "meter/choice/devicechoice.h"
#include "meter/sim/simdevice.h"
#include "panel/ui/tfrmpanel.h"
#include "program/program.h"
#include "scriptedprompts.h"

using namespace kelvor;

namespace {

// Passes everything to the meter behind it and keeps the command letter of every frame
// written, in order; `onFrame` sees each one as it goes out.
class FrameWatch final : public MeterDevice {
public:
    explicit FrameWatch(std::unique_ptr<MeterDevice> inner) : m_inner(std::move(inner)) {}
    QByteArray letters;
    std::function<void(char)> onFrame;

    int OpenLink(std::uint16_t v, std::uint16_t p) override { return m_inner->OpenLink(v, p); }
    int SetLinkTimeouts(int r, int w) override { return m_inner->SetLinkTimeouts(r, w); }
    int WriteFrame(const std::uint8_t* frame, int length) override
    {
        letters.append(char(frame[1]));
        if (onFrame)
            onFrame(char(frame[1]));
        return m_inner->WriteFrame(frame, length);
    }
    int WriteBlock(const std::uint8_t* block, int length) override { return m_inner->WriteBlock(block, length); }
    int SyncLink() override { return m_inner->SyncLink(); }
    int ReadReply(std::uint8_t* buffer, int length) override { return m_inner->ReadReply(buffer, length); }
    int CloseLink() override { return m_inner->CloseLink(); }
    int GetSerialText(char* buffer, int size) override { return m_inner->GetSerialText(buffer, size); }
    QString connectedSerial() const override { return m_inner->connectedSerial(); }

private:
    std::unique_ptr<MeterDevice> m_inner;
};

// The program with its main window over the simulated meter (options as after
// "--meter=sim:"), a ManualClock and scripted prompts; everything on disk lives in
// a temporary folder.
struct SimProgram {
    QTemporaryDir dir;
    ManualClock clock;
    test::ScriptedPrompts prompts;
    SimDevice* sim = nullptr;
    std::unique_ptr<Program> program;
    std::unique_ptr<TfrmMain> main;

    FrameWatch* frames = nullptr;  // with `watchFrames`

    explicit SimProgram(const QString& options = QString(), bool watchFrames = false)
    {
        QStandardPaths::setTestModeEnabled(true);
        QString error;
        std::unique_ptr<MeterDevice> device = createSimDevice(options, clock, &error);
        sim = dynamic_cast<SimDevice*>(device.get());
        if (watchFrames) {
            auto watch = std::make_unique<FrameWatch>(std::move(device));
            frames = watch.get();
            device = std::move(watch);
        }
        program = std::make_unique<Program>(std::move(device), clock, prompts, dir.path());
        program->settingsFile = dir.filePath(QStringLiteral("settings.ini"));
        // A graph template is in place, as after the first save of graph options.
        ChartModel chart;
        PrepareGraph(*program, chart, 4, 100.0f, -20.0f, 0.0, 0.0, 0, nullptr);
        QDir().mkpath(QFileInfo(program->templatePath()).absolutePath());
        WriteGraphFile(chart, program->templatePath());
        main = std::make_unique<TfrmMain>(*program);
        main->resize(1400, 900);
        main->show();
        prompts.messages.clear();  // start-up notes (no graph template yet)
    }
    ~SimProgram()
    {
        main.reset();
        program.reset();
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            clock.advanceMs(200);
            main->monitor().MainTimerTimer();
        }
    }
    void activate(QWidget* child)
    {
        QMdiArea& area = main->mdiArea();
        area.setActiveSubWindow(nullptr);
        area.setActiveSubWindow(qobject_cast<QMdiSubWindow*>(child->parentWidget()));
    }
    QWidget* newestChild() const { return main->mdiArea().subWindowList().last()->widget(); }
};

std::function<int(QDialog&)> answerWith(int code)
{
    return [code](QDialog&) { return code; };
}

// Every statistics text of a graph window, in one list for one comparison.
QStringList statisticsTexts(TfrmGraph& w)
{
    QStringList texts{w.txtStartTime->text(), w.txtDataNo->text(), w.ComboBox1->currentText(),
                      w.ComboBox2->currentText()};
    for (int c = 0; c < 4; ++c)
        texts << w.maxField(c)->text() << w.minField(c)->text() << w.avgField(c)->text();
    return texts;
}

// The rows of the data set list as one text per row.
QStringList dataSetRows(const TfrmGraph& w)
{
    QStringList rows;
    for (int r = 0; r < w.Grid2->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < w.Grid2->columnCount(); ++c)
            cells << (w.Grid2->item(r, c) ? w.Grid2->item(r, c)->text() : QString());
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// Connected after the first probe tick and a few live reads.
void connectMeter(SimProgram& s)
{
    s.tick(3);
    QVERIFY(s.program->monitor.Connected);
}

QStringList downloadedRows(SimProgram& s)
{
    s.main->LoadData1Click();
    TfrmGraph* w = LoggerGraph(*s.program);
    if (!w)
        return {};
    return dataSetRows(*w);
}

}  // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void startUpConnects()
    {
        SimProgram s;
        QCOMPARE(s.main->statusText(1), QStringLiteral("Off Connection"));
        QVERIFY(!s.main->btnRun->isEnabled());
        connectMeter(s);
        QCOMPARE(s.main->statusText(1), QStringLiteral("On Connection"));
        QVERIFY(s.main->btnRun->isEnabled() && s.main->Run1->isEnabled());
        QVERIFY(s.main->btnDataLogger->isEnabled());
        TfrmPanel* panel = s.main->panel();
        QVERIFY(panel);
        QVERIFY(panel->element("lblNoConnection")->isHidden());
        const LcdDisplay d = s.sim->meter().display();
        for (std::size_t i = 0; i < 16; ++i)
            QCOMPARE(panel->digitCache()[i], d.rows[i / 4].glyphs[i % 4]);
        QVERIFY(s.prompts.unexpected.isEmpty());
    }

    void runSavedReopenedExportedAndDrawnAgain()
    {
        SimProgram s;
        connectMeter(s);
        Program& p = *s.program;
        s.prompts.dialogs.push_back([](QDialog& d) {
            dynamic_cast<TfrmSetupRealTime&>(d).edtRealTimeNo->setText(QStringLiteral("5"));
            return int(QDialog::Accepted);
        });
        s.main->btnRunClick();
        QVERIFY(p.session.recording());
        for (int i = 0; i < 200 && p.session.recording(); ++i)
            s.tick();
        QVERIFY(!p.session.recording());
        QCOMPARE(RealTimeGraph(p)->realTimeView()->points(), 5);
        TfrmGraph* run = RealTimeGraph(p);
        QVERIFY(run);
        QCOMPARE(run->chart().Points(), 5);
        const QStringList runStats = statisticsTexts(*run);
        QCOMPARE(runStats[1], QStringLiteral("5"));

        // File > Save with the real-time graph active: a graph file.
        const QString ghf = s.path(QStringLiteral("run.ghf"));
        s.activate(run);
        s.prompts.fileNames.push_back(ghf);
        s.main->Save1Click();
        QVERIFY(QFileInfo(ghf).size() > 0);

        // File > Open, single file: a new window with the same statistics.
        s.prompts.dialogs.push_back(answerWith(TfrmOpenSave::SingleSet));
        s.prompts.fileNames.push_back(ghf);
        s.main->Open1Click();
        TfrmGraph* opened = NewestFileGraph(p);
        QVERIFY(opened && opened != run);
        QCOMPARE(opened->chart().Points(), 5);
        // The run shows when Run was pressed; a file can only tell its first sample.
        // Averages: the run writes three decimals, a recomputation one.
        const QStringList openedStats = statisticsTexts(*opened);
        QCOMPARE(openedStats.size(), runStats.size());
        for (int i = 1; i < runStats.size(); ++i) {
            bool isNumber = false;
            const double was = runStats[i].toDouble(&isNumber);
            if (isNumber && i >= 4)
                QVERIFY2(std::abs(openedStats[i].toDouble() - was) < 0.051,
                         qPrintable(openedStats[i] + " vs " + runStats[i]));
            else if (runStats[i] == QLatin1String("----"))  // a file keeps no reason for a gap
                QCOMPARE(openedStats[i], QStringLiteral("OL"));
            else
                QCOMPARE(openedStats[i], runStats[i]);
        }
        QCOMPARE(openedStats[0], DateTimeText(run->chart().XDataII(0, 0)));

        // Save on that window as a comma table, all rows.
        const QString csv = s.path(QStringLiteral("run.csv"));
        s.activate(opened);
        s.prompts.fileNames.push_back(csv);
        s.prompts.dialogs.push_back(answerWith(QDialog::Accepted));  // range "All" is the default
        s.main->Save1Click();
        QVERIFY(QFileInfo(csv).size() > 0);

        // Open the table and draw it with "Output Tabular to graph".
        s.prompts.dialogs.push_back(answerWith(TfrmOpenSave::SingleSet));
        s.prompts.fileNames.push_back(csv);
        s.main->Open1Click();
        auto* table = qobject_cast<TfrmList*>(s.newestChild());
        QVERIFY(table);
        QCOMPARE(table->dataRows(), 5);
        s.activate(table);
        QTRY_VERIFY(s.main->btnOutputToGraph->isEnabled());
        s.main->btnOutputToGraphClick();
        TfrmGraph* drawn = NewestFileGraph(p);
        QVERIFY(drawn && drawn != opened);
        const ChartModel& a = run->chart();
        const ChartModel& b = drawn->chart();
        QCOMPARE(b.Points(), a.Points());
        for (int i = 0; i < a.Points(); ++i) {
            for (int c = 0; c < 4; ++c)
                QCOMPARE(QString::number(b.YData(c, i), 'f', 1), QString::number(a.YData(c, i), 'f', 1));
            // The table keeps whole seconds.
            QVERIFY(std::abs(b.XDataII(0, i) - a.XDataII(0, i)) * 86400.0 < 1.0);
        }
        QVERIFY2(s.prompts.messages.isEmpty(), qPrintable(s.prompts.messages.join('\n')));
        QVERIFY2(s.prompts.unexpected.isEmpty(), qPrintable(s.prompts.unexpected.join('\n')));
    }

    void downloadSavedAsCollectionAndReopened()
    {
        SimProgram s;
        connectMeter(s);
        Program& p = *s.program;
        const QStringList rows = downloadedRows(s);
        QVERIFY(rows.size() >= 3);
        QVERIFY2(s.prompts.messages.isEmpty(), qPrintable(s.prompts.messages.join('\n')));

        const QString ch4 = s.path(QStringLiteral("all.ch4"));
        s.activate(LoggerGraph(p));
        s.prompts.dialogs.push_back(answerWith(TfrmOpenSave::AllSets));
        s.prompts.fileNames.push_back(ch4);
        s.main->Save1Click();
        QVERIFY(!p.graph.LoggerGraphUnsaved);

        // A fresh program opens the collection.
        SimProgram t;
        t.prompts.dialogs.push_back(answerWith(TfrmOpenSave::AllSets));
        t.prompts.fileNames.push_back(ch4);
        t.main->Open1Click();
        QVERIFY(LoggerGraph(*t.program));
        QCOMPARE(dataSetRows(*LoggerGraph(*t.program)), rows);
        QVERIFY2(t.prompts.messages.isEmpty(), qPrintable(t.prompts.messages.join('\n')));
        QVERIFY(s.prompts.unexpected.isEmpty() && t.prompts.unexpected.isEmpty());
    }

    void downloadResumesAfterTheLinkDies_data()
    {
        QTest::addColumn<QString>("faults");
        QTest::newRow("unplugged mid-way") << QStringLiteral("unplug:p@40+12");
        QTest::newRow("two replies lost in a row") << QStringLiteral("drop:p@60+2");
        QTest::newRow("lost, then unplugged during the recovery") << QStringLiteral("drop:p@25;unplug:r@1+8");
    }
    void downloadResumesAfterTheLinkDies()
    {
        QFETCH(QString, faults);
        SimProgram clean;
        connectMeter(clean);
        const QStringList expected = downloadedRows(clean);
        QVERIFY(expected.size() >= 3);

        SimProgram s(QStringLiteral("faults=") + faults);
        connectMeter(s);
        QCOMPARE(downloadedRows(s), expected);
        QVERIFY2(s.prompts.messages.isEmpty(), qPrintable(s.prompts.messages.join('\n')));
        QCOMPARE(s.program->store.collectionImage, clean.program->store.collectionImage);
        QVERIFY(s.sim->faults().exchanges() > clean.sim->faults().exchanges());  // the faults were met
        // The monitor loop carries on afterwards.
        s.tick(3);
        QVERIFY(s.program->monitor.Connected);
    }

    void keyPressedDuringADownloadStaysOffTheLink()
    {
        // The 7th block's reply is lost: the download waits a second before asking again,
        // and HOLD is clicked on the front panel during that wait.
        SimProgram s(QStringLiteral("faults=drop:p@7"), true);
        connectMeter(s);
        Program& p = *s.program;
        QTimer& mainTimer = s.main->monitor().mainTimer();
        QVERIFY(mainTimer.isActive());
        s.clock.setRunQtEvents(true);
        s.clock.setStepOnProcessEvents(5);
        int blocks = 0;
        int ticksWhileRunning = 0;
        bool clicked = false;
        s.frames->onFrame = [&](char letter) {
            if (letter == 'p' && ++blocks == 7)
                QTimer::singleShot(0, s.main->panel(), [&] {
                    clicked = true;
                    s.main->panel()->btnHOLDClick();
                });
            // A running MainTimer ticks between blocks, as it would on the desk.
            if ((letter == 'p' || letter == 'r') && mainTimer.isActive()) {
                ++ticksWhileRunning;
                s.main->monitor().MainTimerTimer();
            }
        };
        s.frames->letters.clear();
        s.main->LoadData1Click();
        s.frames->onFrame = nullptr;
        QVERIFY(clicked);
        QVERIFY(LoggerGraph(p) && LoggerGraph(p)->Grid2->rowCount() >= 3);

        // From the first "P" to the closing "q" the link carried the download alone.
        const QByteArray& sent = s.frames->letters;
        const qsizetype first = sent.indexOf('P');
        const qsizetype last = sent.lastIndexOf('q');
        QVERIFY(first >= 0 && last > first);
        const QByteArray transfer = sent.mid(first, last - first + 1);
        QCOMPARE(transfer.count('r'), 1);  // the recovery the key was pressed in
        QCOMPARE(transfer.count('A'), 0);
        QCOMPARE(transfer.count('H'), 0);
        QCOMPARE(transfer.size(), 1 + transfer.count('p') + 1 + 1);
        QCOMPARE(ticksWhileRunning, 0);
        QCOMPARE(s.prompts.messages, QStringList{QString::fromLatin1(kKeyRefusedBusyMessage)});
        QVERIFY(!sent.contains('H'));

        // Afterwards the loop polls again and the key works.
        QVERIFY(mainTimer.isActive());
        QCOMPARE(s.main->monitor().pauses(), 0);
        s.clock.setRunQtEvents(false);
        s.frames->letters.clear();
        s.main->panel()->btnHOLDClick();
        s.tick(2);
        QCOMPARE(s.frames->letters.left(1), QByteArray("H"));
        QCOMPARE(s.frames->letters.count('A'), 2);
        QVERIFY(!s.main->panel()->element("imgHOLD")->isHidden());
    }

    void closingWithAnUnsavedRunCanBeCancelled()
    {
        SimProgram s;
        connectMeter(s);
        Program& p = *s.program;
        s.prompts.dialogs.push_back([](QDialog& d) {
            dynamic_cast<TfrmSetupRealTime&>(d).edtRealTimeNo->setText(QStringLiteral("3"));
            return int(QDialog::Accepted);
        });
        s.main->btnRunClick();
        for (int i = 0; i < 200 && p.session.recording(); ++i)
            s.tick();
        QCOMPARE(RealTimeGraph(p)->realTimeView()->points(), 3);
        const QStringList windows = [&] {
            QStringList t;
            for (QMdiSubWindow* sub : s.main->mdiArea().subWindowList())
                t << sub->windowTitle();
            return t;
        }();

        s.prompts.answers.push_back(QMessageBox::Cancel);
        QVERIFY(!s.main->close());
        QCOMPARE(s.prompts.messages, QStringList{QStringLiteral("Save Real-Time Graph ?")});
        QVERIFY(s.main->isVisible());
        QVERIFY(RealTimeGraph(p));
        QVERIFY(s.main->panel());
        QCOMPARE(s.main->mdiArea().subWindowList().size(), windows.size());
        QCOMPARE(RealTimeGraph(p)->realTimeView()->points(), 3);
        QCOMPARE(RealTimeGraph(p)->chart().Points(), 3);
        QVERIFY(p.graph.RealTimeUnsaved);
        QVERIFY(s.main->btnRun->isEnabled());
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
