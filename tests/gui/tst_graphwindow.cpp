// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "chart/chartmodel.h"
#include "fakemeter.h"
#include "graph/defaultlook.h"
#include "graph/graphfile.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/realtimeview.h"
#include "graph/ui/savegraph.h"
#include "graph/ui/showstatistics.h"
#include "graph/ui/tfrmgraph.h"
#include "graph/ui/tfrmsetupscale.h"
#include "program/program.h"
#include "scriptedprompts.h"
#include "widgets/tfrmscope.h"

using namespace kelvor;
using kelvor::test::ScriptedPrompts;

using kelvor::test::NoMeter;

namespace {

// The graph windows never talk to the meter.
struct Rig {
    QTemporaryDir dir;
    ManualClock clock;
    ScriptedPrompts prompts;
    Program program{std::make_unique<NoMeter>(), clock, prompts, dir.path()};

    // A window of the real-time kind with its messages already answered.
    TfrmGraph* openRealTime()
    {
        TfrmGraph* w = OpenRealTimeGraph(program);
        prompts.messages.clear();
        return w;
    }
    // A run at the window's rate (2 s) that has taken n samples so far.
    void record(int n)
    {
        SessionSettings s;
        s.rateSeconds = 2;
        program.session.start(s);
        for (int i = 0; i < n; ++i) {
            CycleSample sample;
            sample.days = clock.nowDays();
            sample.T = {20.0f + float(i), 0.0f, 0.0f, 0.0f};
            program.session.takeSample(0, sample);
            clock.advanceMs(2000);
        }
    }
};

const QString kMissingTemplate = QStringLiteral("Can not fine the file ");

void expectDefaultLook(const ChartModel& chart, double now)
{
    QCOMPARE(chart.Subsets(), 4);
    QCOMPARE(chart.Points(), 100);
    for (int a = 0; a < 4; ++a) {
        QCOMPARE(chart.MultiAxesSubsets(a), 1);
        QCOMPARE(chart.MultiAxesProportions(a), 0.25);
        QCOMPARE(chart.axisY(a).manualMin, -10.0);
        QCOMPARE(chart.axisY(a).manualMax, 50.0);
        QCOMPARE(chart.axisY(a).manualScaleControl, int(sgManualMinAndMax));
    }
    QCOMPARE(chart.ManualMinX(), now);
    QCOMPARE(chart.ManualMaxX(), now + 110.0 / 86400.0);
    QCOMPARE(chart.SubsetColors(1), 0xFFFF00);
    QCOMPARE(chart.GraphBackColor(), 0);
    QCOMPARE(chart.WorkingAxis(), 0);
}

// Five samples of the worked example on T1; the other channels hold gaps.
void fillExample(ChartModel& chart, const QDateTime& start)
{
    const float t1[5] = {20.0f, 25.0f, 25.0f, 18.0f, 22.0f};
    chart.setSubsets(4);
    chart.setPoints(5);
    for (int i = 0; i < 5; ++i) {
        chart.setXDataII(-1, i, toDays(start.addSecs(10 * i)));
        chart.setYData(-1, i, 9999.0f);
        chart.setYData(0, i, t1[i]);
    }
}

}  // namespace

class TestGraphWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }

    void startWithoutTemplateShowsMessageOnceAndDefaultLook()
    {
        Rig rig;
        QPointer<TfrmGraph> w = OpenRealTimeGraph(rig.program);
        QCOMPARE(rig.prompts.messages.size(), 1);
        QVERIFY(rig.prompts.messages[0].startsWith(kMissingTemplate +
                                                   QDir::toNativeSeparators(rig.program.templatePath())));
        QVERIFY(rig.prompts.messages[0].endsWith(QStringLiteral("then make some change and save.")));
        expectDefaultLook(w->chart(), rig.clock.nowDays());
        QCOMPARE(w->windowTitle(), kRealTimeCaption);
        QCOMPARE(RealTimeGraph(rig.program), w.data());
        QVERIFY(!w->tbntClr->isHidden());
        QVERIFY(w->pnlSamplingRate->isEnabled());
        QCOMPARE(w->ComboBox1->currentText(), QStringLiteral("00"));
        QCOMPARE(w->ComboBox2->currentText(), QStringLiteral("02"));
        QVERIFY(!w->ToolButton5->isEnabled());  // split: no annotation tools
        QVERIFY(w->pnlDataSets->isHidden());
        QVERIFY(!w->UndoZoom->isEnabled());
        QCOMPARE(w->txtT3Avg->text(), QStringLiteral("***.* "));
        delete w;
    }

    void templateGivesTheLookButNotItsData()
    {
        Rig rig;
        {
            ChartModel look;
            look.setSubsets(4);
            look.setPoints(20);
            look.setXDataII(-1, 10, 46000.5);
            look.setYData(-1, 10, 21.5f);
            look.setMultiAxesSubsets(-1, 0);
            look.setMultiAxesProportions(0, 1.0);
            look.setGraphBackColor(0x404040);
            QDir().mkpath(rig.dir.path() + QStringLiteral("/template"));
            QVERIFY(WriteGraphFile(look, rig.program.templatePath()).ok());
        }
        std::unique_ptr<TfrmGraph> w(OpenRealTimeGraph(rig.program));
        QVERIFY(rig.prompts.messages.isEmpty());
        ChartModel& chart = w->chart();
        QCOMPARE(chart.GraphBackColor(), 0x404040);
        QCOMPARE(chart.Points(), 100);
        QCOMPARE(chart.XDataII(2, 10), 0.0);  // the template's samples are gone
        QCOMPARE(chart.YData(2, 10), 9999.0f);
        QVERIFY(w->ToolButton5->isEnabled());  // the template's chart is not split
        QVERIFY(!w->chkSplit->isChecked());
    }

    // The "Split" box shows the chart's state however the chart got it: from the
    // template, or from a chart prepared again under another template.
    void splitBoxFollowsTheChart()
    {
        Rig rig;
        QDir().mkpath(rig.dir.path() + QStringLiteral("/template"));
        const auto writeTemplate = [&](bool split) {
            ChartModel look;
            look.setSubsets(4);
            look.setMultiAxesSubsets(-1, 0);
            if (split) {
                for (int a = 0; a < 4; ++a) {
                    look.setMultiAxesSubsets(a, 1);
                    look.setMultiAxesProportions(a, 0.25);
                }
            } else {
                look.setMultiAxesProportions(0, 1.0);
            }
            QVERIFY(WriteGraphFile(look, rig.program.templatePath()).ok());
        };
        writeTemplate(false);
        std::unique_ptr<TfrmGraph> w(OpenRealTimeGraph(rig.program));
        QVERIFY(!w->chkSplit->isChecked());
        QCOMPARE(w->chart().axisLayout().size(), size_t(1));

        writeTemplate(true);
        PrepareGraph(rig.program, w->chart(), 4, 50.0f, -10.0f, 2.0, 1.0, 10, w.get());
        QVERIFY(w->chkSplit->isChecked());
        QCOMPARE(w->chart().axisLayout().size(), size_t(4));
    }

    void unreadableTemplateIsNamedOnceAndDefaultLookUsed()
    {
        Rig rig;
        QDir().mkpath(rig.dir.path() + QStringLiteral("/template"));
        QFile f(rig.program.templatePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\xff\xff\x00\x00garbage", 11);  // claims 65535 bytes, holds 7
        f.close();
        std::unique_ptr<TfrmGraph> w(OpenRealTimeGraph(rig.program));
        QCOMPARE(rig.prompts.messages.size(), 1);
        QVERIFY(rig.prompts.messages[0].contains(QDir::toNativeSeparators(rig.program.templatePath())));
        QVERIFY(!rig.prompts.messages[0].startsWith(kMissingTemplate));
        expectDefaultLook(w->chart(), rig.clock.nowDays());
    }

    void splitTogglesTheAnnotationTools()
    {
        Rig rig;
        std::unique_ptr<TfrmGraph> w(rig.openRealTime());
        w->chkSplit->click();  // unsplit
        QCOMPARE(w->chart().MultiAxesProportions(0), 1.0);
        QCOMPARE(w->chart().axisLayout().size(), size_t(1));
        QVERIFY(w->ToolButton5->isEnabled() && w->ToolButton9->isEnabled());
        w->ToolButton5->click();
        QCOMPARE(rig.program.graph.GraphClickMode, ClickMode::Cross);
        w->chkSplit->click();  // split again: back to the normal cursor
        QCOMPARE(w->chart().axisLayout().size(), size_t(4));
        QVERIFY(!w->ToolButton5->isEnabled() && !w->ToolButton9->isEnabled());
        QCOMPARE(rig.program.graph.GraphClickMode, ClickMode::Normal);
        QVERIFY(w->ToolButton4->isChecked());
    }

    void closePrompt_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("fileName");  // "" = save dialog cancelled
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("fileWritten");
        QTest::newRow("no") << int(QMessageBox::No) << QString() << true << false;
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << QString() << false << false;
        QTest::newRow("yes, dialog cancelled") << int(QMessageBox::Yes) << QString() << false << false;
        QTest::newRow("yes, saved") << int(QMessageBox::Yes) << QStringLiteral("run.ghf") << true << true;
        QTest::newRow("yes, cannot write")
            << int(QMessageBox::Yes) << QStringLiteral("missing/dir/run.ghf") << false << false;
    }

    void closePrompt()
    {
        QFETCH(int, answer);
        QFETCH(QString, fileName);
        QFETCH(bool, closes);
        QFETCH(bool, fileWritten);
        Rig rig;
        QPointer<TfrmGraph> w = rig.openRealTime();
        rig.program.monitor.Connected = true;
        int runEnabled = -1;
        QObject::connect(&rig.program.windowSignals, &WindowSignals::runEnabled, [&](bool on) { runEnabled = on; });
        rig.record(3);
        QVERIFY(rig.program.graph.RealTimeUnsaved);
        rig.prompts.answers.push_back(QMessageBox::Yes);  // the run ends with the window
        rig.prompts.answers.push_back(QMessageBox::StandardButton(answer));
        const QString path = fileName.isEmpty() ? QString() : rig.dir.filePath(fileName);
        if (answer == QMessageBox::Yes)
            rig.prompts.fileNames.push_back(path);

        const bool closed = w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(rig.prompts.messages.value(0).startsWith(QStringLiteral("A real-time run is recording.")));
        QCOMPARE(rig.prompts.messages.value(1), QStringLiteral("Save Real-Time Graph ?"));
        QVERIFY(!rig.program.session.recording());
        QCOMPARE(closed, closes);
        QCOMPARE(w.isNull(), closes);
        QCOMPARE(QFile::exists(path), fileWritten);
        if (closes) {
            QVERIFY(!RealTimeGraph(rig.program));
            QCOMPARE(rig.program.session.sampleCount(), 0);  // the ended run went with its window
            QCOMPARE(runEnabled, 1);
            QVERIFY(!rig.program.graph.RealTimeUnsaved);
        } else {
            // Nothing saved, nothing lost: the samples and the question stay.
            QVERIFY(rig.program.graph.RealTimeUnsaved);
            QCOMPARE(w->realTimeView()->points(), 3);
            QCOMPARE(rig.program.session.sampleCount(), 3);
            if (!path.isEmpty())  // a failed write is reported with the file's name
                QVERIFY(rig.prompts.messages.last().contains(QDir::toNativeSeparators(path)));
            delete w;
        }
    }

    // The commands find the logger's graph and the newest file graph by their role; a window
    // that closes takes only its own place with it.
    void graphsAreFoundByTheirRoleUntilTheyClose()
    {
        Rig rig;
        QPointer<TfrmGraph> older = new TfrmGraph(rig.program, GraphRole::File);
        QPointer<TfrmGraph> newer = new TfrmGraph(rig.program, GraphRole::LibraryRecording);
        QPointer<TfrmGraph> logger = new TfrmGraph(rig.program, GraphRole::DataLogger);
        for (TfrmGraph* w : {older.data(), newer.data(), logger.data()})
            EnrollGraph(rig.program, *w);
        QCOMPARE(NewestFileGraph(rig.program), newer.data());
        QCOMPARE(LoggerGraph(rig.program), logger.data());
        QVERIFY(!RealTimeGraph(rig.program));

        QVERIFY(older->close());
        QCOMPARE(NewestFileGraph(rig.program), newer.data());
        QVERIFY(logger->close());
        QVERIFY(!LoggerGraph(rig.program));
        QCOMPARE(NewestFileGraph(rig.program), newer.data());
        delete newer.data();  // deleted without closing: the place empties all the same
        QVERIFY(!NewestFileGraph(rig.program));
        delete older.data();
        delete logger.data();
    }

    void loggerWindowKeepsItsDataUntilSaved()
    {
        Rig rig;
        auto* w = new TfrmGraph(rig.program, GraphRole::DataLogger);
        w->setWindowTitle(kLoggerCaption);
        EnrollGraph(rig.program, *w);
        rig.program.graph.LoggerGraphUnsaved = true;
        bool saveResult = false;
        QObject::connect(&rig.program.windowSignals, &WindowSignals::saveWindowRequested,
                         [&](QWidget*, bool* saved) { *saved = saveResult; });
        // An unrelated graph closing leaves the logger's question alone.
        auto* other = new TfrmGraph(rig.program);
        QVERIFY(other->close());
        QVERIFY(rig.program.graph.LoggerGraphUnsaved);

        rig.prompts.answers = {QMessageBox::Yes};
        QVERIFY(!w->close());  // the save did not happen
        QVERIFY(rig.program.graph.LoggerGraphUnsaved);
        saveResult = true;
        rig.prompts.answers = {QMessageBox::Yes};
        QVERIFY(w->close());
        QVERIFY(!rig.program.graph.LoggerGraphUnsaved);
        QVERIFY(!LoggerGraph(rig.program));  // the closed window left its place
    }

    void clearKeepsDataWhenTheSaveFails()
    {
        Rig rig;
        std::unique_ptr<TfrmGraph> w(rig.openRealTime());
        ChartModel& chart = w->chart();
        fillExample(chart, rig.clock.now());
        rig.record(5);
        rig.program.session.stop();
        for (int k = 4; k <= 6; ++k) {
            chart.setGraphAnnotationX(k, 46000.0);
            chart.setGraphAnnotationY(k, 20.0);
        }
        rig.program.graph.AnnotationCounter = 6;

        rig.prompts.answers = {QMessageBox::Yes};
        rig.prompts.fileNames = {rig.dir.filePath(QStringLiteral("no/such/dir/x.ghf"))};
        w->tbntClr->click();
        QCOMPARE(rig.prompts.messages.size(), 2);  // the question, then the write failure
        QVERIFY(chart.XDataII(0, 0) != 0.0);
        QCOMPARE(rig.program.graph.AnnotationCounter, 6);

        rig.prompts.answers = {QMessageBox::No};
        w->tbntClr->click();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(chart.XDataII(3, i), 0.0);
        for (int k = 4; k <= 6; ++k)
            QCOMPARE(chart.GraphAnnotationX(k), 0.0);
        QCOMPARE(rig.program.graph.AnnotationCounter, 3);
        QCOMPARE(w->realTimeView()->points(), 0);
        QCOMPARE(rig.program.session.sampleCount(), 0);
        QCOMPARE(w->txtT1Max->text(), QString());
    }

    void rateChangeInTheRealTimeWindow_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("rate");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << 2 << false;
        QTest::newRow("no") << int(QMessageBox::No) << 5 << true;
        QTest::newRow("yes, save cancelled") << int(QMessageBox::Yes) << 2 << false;
    }

    void rateChangeInTheRealTimeWindow()
    {
        QFETCH(int, answer);
        QFETCH(int, rate);
        QFETCH(bool, cleared);
        Rig rig;
        std::unique_ptr<TfrmGraph> w(rig.openRealTime());
        fillExample(w->chart(), rig.clock.now());
        rig.record(5);
        rig.prompts.answers = {QMessageBox::StandardButton(answer)};
        rig.prompts.fileNames = {QString()};

        w->ComboBox2->setCurrentIndex(5);
        emit w->ComboBox2->activated(5);  // the user's choice of 00:05
        QCOMPARE(rig.prompts.messages.size(), 1);
        QCOMPARE(rig.program.session.rateSeconds(), rate);
        QCOMPARE(w->ComboBox2->currentIndex(), rate);
        QCOMPARE(rig.program.session.recording(), !cleared);  // a run ends only with its samples
        QCOMPARE(w->chart().XDataII(0, 0) == 0.0, cleared);
        if (rate == 5)
            QCOMPARE(rig.program.graph.AxisExtendDays, 500.0 / 86400.0);

        // Both lists at 00 mean 00:02.
        rig.program.session.clear();
        w->realTimeView()->reset();
        w->setRateLists(0, 0);
        emit w->ComboBox1->activated(0);
        QCOMPARE(rig.program.session.rateSeconds(), 2);
        QCOMPARE(w->ComboBox2->currentIndex(), 2);
    }

    void graphOptionKeepsTimeRangeAndSharesTheWorkingAxisRange()
    {
        Rig rig;
        std::unique_ptr<TfrmGraph> w(rig.openRealTime());
        ChartModel& chart = w->chart();
        const double minX = chart.ManualMinX();
        const double maxX = chart.ManualMaxX();
        chart.setWorkingAxis(2);
        chart.setManualMinY(5.25);
        chart.setManualMaxY(80.0);
        // Whatever the dialog does, it is left without accepting here.
        rig.prompts.dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); });
        w->UndoZoom->setEnabled(true);
        w->Button1->click();
        QCOMPARE(chart.ManualMinX(), minX);
        QCOMPARE(chart.ManualMaxX(), maxX);
        for (int a = 0; a < 4; ++a) {
            QCOMPARE(chart.axisY(a).manualMin, 5.25);
            QCOMPARE(chart.axisY(a).manualMax, 80.0);
        }
        QCOMPARE(chart.WorkingAxis(), 0);
        QVERIFY(!w->UndoZoom->isEnabled());

        // An accepted dialog offers to keep the look as the template.
        chart.setDialogResult(1);
        rig.prompts.answers = {QMessageBox::Yes};
        w->PESGraph1CustomizeDlg();
        QCOMPARE(rig.prompts.messages.last(), QStringLiteral("Do you want to save the changes ?"));
        ChartModel fromTemplate;
        QVERIFY(ReadGraphFile(fromTemplate, rig.program.templatePath()).ok());
        QCOMPARE(fromTemplate.axisY(3).manualMax, 80.0);
    }

    void scopeCancelStopsProgressButEndsTheRangeDialog()
    {
        TfrmScope range;
        range.showRangeGroup(7);
        QCOMPARE(range.edtSelTo->text(), QStringLiteral("7"));
        range.open();
        range.BitBtn2->click();
        QCOMPARE(range.result(), int(QDialog::Rejected));

        TfrmScope progress;
        progress.showProgress(QStringLiteral("saving....."), 10, true);
        progress.show();
        QVERIFY(!progress.cancelled());
        progress.BitBtn2->click();
        QVERIFY(progress.cancelled());
        QVERIFY(progress.isVisible());  // the running save closes it when it notices
    }

    void statisticsFieldsAndMaxMinLabels()
    {
        Rig rig;
        TfrmGraph w(rig.program);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        fillExample(w.chart(), QDateTime(QDate(2026, 1, 5), QTime(10, 0, 0)));
        rig.program.session.setRateSeconds(2);
        ShowStatistics(w);
        QCOMPARE(w.txtT1Max->text(), QStringLiteral("25.0@05/01/2026 10:00:10"));
        QCOMPARE(w.txtT1Min->text(), QStringLiteral("18.0@05/01/2026 10:00:30"));
        QCOMPARE(w.txtT1Avg->text(), QStringLiteral("22.0"));
        QCOMPARE(w.txtT2Avg->text(), QStringLiteral("****"));
        QCOMPARE(w.txtStartTime->text(), QStringLiteral("05/01/2026 10:00:00"));
        QCOMPARE(w.txtDataNo->text(), QStringLiteral("5"));
        QCOMPARE(w.ComboBox1->currentText(), QStringLiteral("00"));
        QCOMPARE(w.ComboBox2->currentText(), QStringLiteral("08"));
        QCOMPARE(rig.program.session.rateSeconds(), 2);  // the lists changed, the handler did not run
        QVERIFY(rig.prompts.messages.isEmpty());

        w.Button2->click();
        w.Button2->click();
        QCOMPARE(rig.program.graph.AnnotationCounter, 11);
        QCOMPARE(w.chart().GraphAnnotationText(4),
                 QStringLiteral("T1 MAX:25.0@05/01/2026 10:00:10MIN:18.0@05/01/2026 10:00:30AVG:22.0"));
        QCOMPARE(w.chart().GraphAnnotationType(11), int(sgTextOnly));
        QVERIFY(w.chart().GraphAnnotationText(7).startsWith(QStringLiteral("T4 MAX:OLMIN:OL")));

        // An emptied chart shows no values rather than dividing by zero.
        w.chart().setPoints(0);
        ShowStatistics(w);
        QCOMPARE(w.txtT1Max->text(), QStringLiteral("****"));
        QCOMPARE(w.txtDataNo->text(), QStringLiteral("0"));
    }

    void scaleDialog()
    {
        Rig rig;
        std::unique_ptr<TfrmGraph> w(rig.openRealTime());
        ChartModel& chart = w->chart();
        for (int a = 0; a < 4; ++a) {
            chart.setWorkingAxis(a);
            chart.setManualMinY(-10.5);
            chart.setManualMaxY(49.9);
        }
        chart.setWorkingAxis(0);
        QStringList shown;
        // First: an entry that is no integer (T2 MAX comes before T3 MIN in reading order).
        rig.prompts.dialogs.push_back([&](QDialog& d) {
            shown << d.findChild<QLineEdit*>(QStringLiteral("edtT1Min"))->text()
                  << d.findChild<QLineEdit*>(QStringLiteral("edtT1Max"))->text();
            d.findChild<QLineEdit*>(QStringLiteral("edtT2Max"))->setText(QStringLiteral("5O"));
            d.findChild<QLineEdit*>(QStringLiteral("edtT3Min"))->setText(QStringLiteral("x"));
            return int(QDialog::Accepted);
        });
        w->btnChangeScale->click();
        QCOMPARE(shown, QStringList({QStringLiteral("-10"), QStringLiteral("49")}));
        QCOMPARE(rig.prompts.messages, QStringList{QStringLiteral("5O is invalid.")});
        QCOMPARE(chart.axisY(1).manualMax, 49.9);

        // Then valid ranges, saved as the template.
        rig.prompts.dialogs.push_back([](QDialog& d) {
            d.findChild<QLineEdit*>(QStringLiteral("edtT2Min"))->setText(QStringLiteral(" 0"));
            d.findChild<QLineEdit*>(QStringLiteral("edtT2Max"))->setText(QStringLiteral("300"));
            d.findChild<QCheckBox*>(QStringLiteral("chkSave"))->setChecked(true);
            return int(QDialog::Accepted);
        });
        w->btnChangeScale->click();
        QCOMPARE(chart.axisY(1).manualMin, 0.0);
        QCOMPARE(chart.axisY(1).manualMax, 300.0);
        QCOMPARE(chart.axisY(0).manualMin, -10.0);
        QCOMPARE(chart.WorkingAxis(), 0);
        ChartModel fromTemplate;
        QVERIFY(ReadGraphFile(fromTemplate, rig.program.templatePath()).ok());
        QCOMPARE(fromTemplate.axisY(1).manualMax, 300.0);
    }

    void saveAsTableAndUnknownType()
    {
        Rig rig;
        ChartModel chart;
        fillExample(chart, QDateTime(QDate(2026, 1, 5), QTime(10, 0, 0)));
        // Select 4 down to 2: the range is put in order.
        const QString csv = rig.dir.filePath(QStringLiteral("part.csv"));
        rig.prompts.fileNames = {csv};
        rig.prompts.dialogs.push_back([](QDialog& d) {
            auto& scope = static_cast<TfrmScope&>(d);
            if (scope.edtSelTo->text() != QStringLiteral("5") || !scope.radAll->isChecked())
                return int(QDialog::Rejected);
            scope.radNo->setChecked(true);
            scope.edtSelFrom->setText(QStringLiteral("4"));
            scope.edtSelTo->setText(QStringLiteral("2"));
            return int(QDialog::Accepted);
        });
        QVERIFY(SaveGraphAs(rig.program, chart, nullptr));
        QVERIFY(
            rig.prompts.filtersOffered[0].contains(QStringLiteral("EXCEL file format(*.CSV,seperated by comma) (")));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 4);  // three lines and the empty rest
        QVERIFY(lines[0].startsWith("05/01/2026,10:00:10,25.0,OL,"));

        // A name the program cannot write as anything: said so, nothing written.
        rig.prompts.fileNames = {rig.dir.filePath(QStringLiteral("graph.dat"))};
        QVERIFY(!SaveGraphAs(rig.program, chart, nullptr));
        QVERIFY(rig.prompts.messages.last().contains(QStringLiteral("graph.dat")));
        QVERIFY(!QFile::exists(rig.dir.filePath(QStringLiteral("graph.dat"))));

        // Decimal commas: no comma table on offer.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        rig.prompts.fileNames = {QString()};
        QVERIFY(!SaveGraphAs(rig.program, chart, nullptr));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        QCOMPARE(rig.prompts.filtersOffered.last(),
                 QStringLiteral("Graph file(*.ghf,only for KELVOR) (*.GHF *.ghf);;"
                                "TXT file(*.txt,data seperated by tab) (*.TXT *.txt);;"
                                "Spreadsheet table with header and ISO times (*.csv);;Excel workbook (*.xlsx)"));

        // The spreadsheet table is written with '.' decimals in any locale, the
        // workbook by its extension.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString sheet = rig.dir.filePath(QStringLiteral("sheet.csv"));
        rig.prompts.fileNames = {sheet, rig.dir.filePath(QStringLiteral("book.xlsx"))};
        rig.prompts.selectedFilters = {QStringLiteral("Spreadsheet table with header and ISO times (*.csv)"),
                                       QStringLiteral("Excel workbook (*.xlsx)")};
        QVERIFY(SaveGraphAs(rig.program, chart, nullptr));
        QVERIFY(SaveGraphAs(rig.program, chart, nullptr));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        QFile table(sheet);
        QVERIFY(table.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = table.readAll().split('\n');
        QCOMPARE(rows[0], QByteArray("Time,T1 (\xc2\xb0"
                                     "C),T2 (\xc2\xb0"
                                     "C),T3 (\xc2\xb0"
                                     "C),T4 (\xc2\xb0"
                                     "C),Flags\r"));
        QVERIFY2(rows[1].startsWith("2026-01-05T10:00:00") && rows[1].endsWith(",20.0,,,,T2 OL T3 OL T4 OL\r"),
                 rows[1].constData());
        QFile book(rig.dir.filePath(QStringLiteral("book.xlsx")));
        QVERIFY(book.open(QIODevice::ReadOnly));
        QVERIFY(book.read(2) == "PK");
        QVERIFY(rig.prompts.unexpected.isEmpty());
    }
};

QTEST_MAIN(TestGraphWindow)
#include "tst_graphwindow.moc"
