// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "app/ui/monitorloop.h"
#include "base/localetext.h"
#include "chart/ui/chartview.h"
#include "graph/realtimerun.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/tfrmannoedit.h"
#include "graph/ui/tfrmgraph.h"
#include "graph/ui/tfrmsetuprealtime.h"
#include "library/library.h"
#include "library/libraryaccess.h"
#include "library/runjournal.h"
#include "logger/ui/librarycommands.h"
#include "meter/lcdlayout.h"
#include "shellrig.h"

using namespace kelvor;
using kelvor::test::ShellRig;

namespace {

// The meter's next live replies: T1..T4 in tenths of a degree and the channel flags.
void setReading(ShellRig& rig, std::array<int, 4> tenths, std::uint8_t flags = 0)
{
    auto& r = rig.meter->liveReply;
    for (int c = 0; c < 4; ++c) {
        const auto raw = std::uint16_t(std::int16_t(tenths[size_t(c)]));
        r[size_t(kReplyFirstValueByte + 2 * c)] = std::uint8_t(raw >> 8);
        r[size_t(kReplyFirstValueByte + 2 * c + 1)] = std::uint8_t(raw & 0xFF);
    }
    r[kReplyChannelFlagsByte] = flags;
}

// The setup dialog answered with a count and, optionally, a rate chosen in its lists.
std::function<int(QDialog&)> setupAnswer(const QString& count, int minutes = -1, int seconds = -1)
{
    return [=](QDialog& d) {
        auto& s = dynamic_cast<TfrmSetupRealTime&>(d);
        s.edtRealTimeNo->setText(count);
        if (minutes >= 0) {
            s.ComboBox1->setCurrentIndex(minutes);
            s.ComboBox2->setCurrentIndex(seconds);
            emit s.ComboBox2->activated(seconds);
        }
        return int(QDialog::Accepted);
    };
}

// Connects, then starts a run of `count` records at the window's rate.
TfrmGraph& startRun(ShellRig& rig, const QString& count)
{
    rig.tick();  // connect
    rig.prompts.dialogs.push_back(setupAnswer(count));
    rig.main->btnRunClick();
    return *RealTimeGraph(*rig.program);
}

// Ticks until the run has taken n samples (or stopped, or far too long).
void ticksUntilSamples(ShellRig& rig, int n)
{
    for (int i = 0; i < 200 && rig.runPoints() < n && rig.recording(); ++i)
        rig.tick();
}

QTime timeOf(const ChartModel& chart, int i) { return fromDays(chart.XDataII(0, i)).time(); }

}  // namespace

class TestRealTimeRun : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void fiveRecordsStopByThemselves()
    {
        ShellRig rig;
        TfrmMain& m = *rig.main;
        // T3 "OL" and T4 "----" for the whole run.
        setReading(rig, {235, -120, 0, 0}, 0x04 | 0x80);
        TfrmGraph& w = startRun(rig, QStringLiteral("5"));
        QVERIFY(rig.prompts.unexpected.isEmpty());
        QVERIFY(rig.recording());
        QVERIFY(!m.btnRun->isEnabled() && !m.Run1->isEnabled());
        QVERIFY(m.btnStop->isEnabled() && m.Stop1->isEnabled());
        QVERIFY(!w.tbntClr->isEnabled());
        QCOMPARE(w.chart().Points(), 5);
        QCOMPARE(w.txtStartTime->text(), DateTimeText(rig.clock.nowDays()));
        QCOMPARE(w.txtT1Avg->text(), QString());

        ticksUntilSamples(rig, 5);
        QVERIFY(!rig.recording());
        QCOMPARE(rig.runPoints(), 5);
        ChartModel& chart = w.chart();
        QCOMPARE(chart.Points(), 5);
        for (int i = 1; i < 5; ++i)
            QCOMPARE(timeOf(chart, i - 1).msecsTo(timeOf(chart, i)), 2000);
        QCOMPARE(w.txtDataNo->text(), QStringLiteral("5"));
        QCOMPARE(w.txtT1Max->text(), QStringLiteral("23.5@") + DateTimeText(chart.XDataII(0, 0)));
        QCOMPARE(w.txtT2Min->text(), QStringLiteral("-12.0@") + DateTimeText(chart.XDataII(0, 0)));
        QCOMPARE(w.txtT1Avg->text(), QStringLiteral("23.500"));
        QCOMPARE(w.txtT2Avg->text(), QStringLiteral("-12.000"));
        QCOMPARE(w.txtT3Max->text(), QStringLiteral("OL"));
        QCOMPARE(w.txtT3Min->text(), QStringLiteral("OL"));
        QCOMPARE(w.txtT4Max->text(), QStringLiteral("----"));
        QCOMPARE(w.txtT3Avg->text(), QStringLiteral("****"));
        QCOMPARE(w.txtT4Avg->text(), QStringLiteral("****"));
        QCOMPARE(chart.YData(2, 4), kGapValue);
        QCOMPARE(w.view().plottedCount(0), 5);
        QVERIFY(std::isnan(w.view().plottedValue(2, 0)));
        QVERIFY(m.btnRun->isEnabled() && m.Run1->isEnabled());
        QVERIFY(!m.btnStop->isEnabled() && !m.Stop1->isEnabled());
        QVERIFY(w.tbntClr->isEnabled());
        QVERIFY(rig.program->graph.RealTimeUnsaved);
    }

    void stopEarlyCutsTheStoreAndAverages()
    {
        ShellRig rig;
        TfrmGraph& w = startRun(rig, QStringLiteral(" 2000"));
        ChartModel& chart = w.chart();
        setReading(rig, {200, 215, 0, 0});
        ticksUntilSamples(rig, 1);
        setReading(rig, {30000, 225, 0, 0}, 0x02);  // T1 at 3000 (no average), T2 "OL"
        ticksUntilSamples(rig, 2);
        // The read at the third sample's due tick fails: it is taken at the next good one,
        // and the one after it is due two second changes later again.
        const QTime second = timeOf(chart, 1);
        setReading(rig, {-30000, 235, 0, 0});
        rig.meter->liveReads = {true, true, true, true, true, true, true, true, true, false};
        ticksUntilSamples(rig, 3);
        QCOMPARE(second.msecsTo(timeOf(chart, 2)), 2200);
        QCOMPARE(rig.program->monitor.SecondTicks, 0);

        rig.clock.advanceMs(700);
        rig.main->btnStopClick();
        QVERIFY(!rig.recording());
        QCOMPARE(chart.Points(), 3);
        QCOMPARE(chart.ManualMaxX(), rig.clock.nowDays());
        QCOMPARE(w.txtT1Avg->text(), QStringLiteral("20.000"));
        QCOMPARE(w.txtT2Avg->text(), QStringLiteral("22.500"));
        QCOMPARE(w.txtT1Max->text(), QStringLiteral("3000.0@") + DateTimeText(chart.XDataII(0, 1)));
        QCOMPARE(w.view().plottedCount(1), 3);
    }

    // The meter unplugged during a run and plugged back: Stop works all along, the run
    // takes its full count, and the line breaks where samples are missing.
    void unpluggedMeterBreaksTheLineAndStopStaysAvailable()
    {
        ShellRig rig;
        TfrmMain& m = *rig.main;
        setReading(rig, {215, 300, 250, 0});
        TfrmGraph& w = startRun(rig, QStringLiteral("6"));
        ChartModel& chart = w.chart();
        ticksUntilSamples(rig, 3);
        QCOMPARE(rig.runPoints(), 3);

        rig.meter->present = false;
        for (int i = 0; i < 10 && rig.program->monitor.Connected; ++i)
            rig.tick();
        QVERIFY(!rig.program->monitor.Connected);
        QVERIFY(m.btnStop->isEnabled() && m.Stop1->isEnabled());
        QVERIFY(!m.btnRun->isEnabled() && !m.Run1->isEnabled());
        rig.tick(40);  // eight seconds away: four samples due and missed
        QCOMPARE(rig.runPoints(), 3);
        rig.meter->present = true;
        ticksUntilSamples(rig, 99);
        QVERIFY(!rig.recording());

        // Six samples and one break after the third.
        QCOMPARE(chart.Points(), 7);
        QCOMPARE(w.txtDataNo->text(), QStringLiteral("6"));
        for (int c = 0; c < 4; ++c)
            QCOMPARE(chart.YData(c, 3), kGapValue);
        QVERIFY(chart.XDataII(0, 2) < chart.XDataII(0, 3) && chart.XDataII(0, 3) < chart.XDataII(0, 4));
        QVERIFY(fromDays(chart.XDataII(0, 2)).msecsTo(fromDays(chart.XDataII(0, 4))) >= 8000);
        for (int i : {0, 1, 2, 4, 5, 6})
            QCOMPARE(chart.YData(0, i), 21.5f);
        QCOMPARE(w.view().plottedCount(0), 7);
        QVERIFY(std::isnan(w.view().plottedValue(0, 3)));
        QVERIFY(!std::isnan(w.view().plottedValue(0, 4)));
        QCOMPARE(w.txtT2Avg->text(), QStringLiteral("30.000"));

        // Stop while the meter is away ends the run; Run waits for the meter.
        rig.prompts.answers.push_back(QMessageBox::No);  // the previous run is not saved
        rig.prompts.dialogs.push_back(setupAnswer(QStringLiteral("100")));
        m.btnRunClick();
        QVERIFY(rig.recording());
        ticksUntilSamples(rig, 2);
        rig.meter->present = false;
        for (int i = 0; i < 10 && rig.program->monitor.Connected; ++i)
            rig.tick();
        QVERIFY(m.Stop1->isEnabled());
        m.Stop1->trigger();
        QVERIFY(!rig.recording());
        QCOMPARE(chart.Points(), 2);
        QVERIFY(!m.btnStop->isEnabled() && !m.Stop1->isEnabled());
        QVERIFY(!m.btnRun->isEnabled() && !m.Run1->isEnabled());
        rig.meter->present = true;
        rig.tick(3);
        QVERIFY(m.btnRun->isEnabled() && m.Run1->isEnabled());
        QVERIFY(rig.prompts.unexpected.isEmpty());
    }

    void recordCountAndRateInTheDialog_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("runs");
        QTest::newRow("zero is refused") << QStringLiteral("0") << false;
        QTest::newRow("nothing typed") << QString() << false;
        QTest::newRow("three") << QStringLiteral("3") << true;
    }
    void recordCountAndRateInTheDialog()
    {
        QFETCH(QString, typed);
        QFETCH(bool, runs);
        ShellRig rig;
        rig.tick();
        QString shownAtOpen, afterFive, afterZero, caption, countShown;
        int secondsAtOpen = -1;
        rig.prompts.dialogs.push_back([&](QDialog& d) {
            auto& s = dynamic_cast<TfrmSetupRealTime&>(d);
            shownAtOpen = s.edtPeriod->text();
            caption = s.windowTitle();
            countShown = s.edtRealTimeNo->displayText() + QLatin1Char('|') + s.edtRealTimeNo->text();
            secondsAtOpen = s.ComboBox2->currentIndex();
            s.ComboBox1->setCurrentIndex(0);
            s.ComboBox2->setCurrentIndex(0);
            emit s.ComboBox1->activated(0);
            afterZero = QStringLiteral("%1:%2 %3")
                            .arg(s.ComboBox1->currentText(), s.ComboBox2->currentText(), s.edtPeriod->text());
            s.ComboBox2->setCurrentIndex(5);
            emit s.ComboBox2->activated(5);
            afterFive = s.edtPeriod->text();
            s.edtRealTimeNo->setText(typed);
            return int(QDialog::Accepted);
        });
        rig.main->btnRunClick();
        QCOMPARE(caption, QStringLiteral("Real-Time Setup"));
        QCOMPARE(countShown, QStringLiteral("_2000|2000"));
        QCOMPARE(secondsAtOpen, 2);
        QCOMPARE(shownAtOpen, QStringLiteral("1:6:40"));
        QCOMPARE(afterZero, QStringLiteral("00:02 1:06:40"));
        QCOMPARE(afterFive, QStringLiteral("2:46:40"));
        TfrmGraph& w = *RealTimeGraph(*rig.program);
        QCOMPARE(w.ComboBox2->currentIndex(), 5);  // the dialog's rate is copied either way
        QCOMPARE(rig.recording(), runs);
        QCOMPARE(rig.program->session.rateSeconds(), runs ? 5 : 2);
        if (!runs) {
            QCOMPARE(rig.prompts.messages, QStringList{typed + QStringLiteral(" is not valid.\n")});
            QVERIFY(rig.main->btnRun->isEnabled());
        }
    }

    // The period follows the count as it is typed, at the rate the lists show, and a rate
    // chosen afterwards still counts the typed number.
    void periodFollowsTheTypedCount_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("period");
        QTest::newRow("500 at 00:02") << 0 << 2 << QStringLiteral("500") << QStringLiteral("0:16:40");
        QTest::newRow("3 at 01:00") << 1 << 0 << QStringLiteral("3") << QStringLiteral("0:03:00");
        QTest::newRow("one digit") << 0 << 7 << QStringLiteral("9") << QStringLiteral("0:01:03");
        QTest::newRow("emptied") << 0 << 2 << QString() << QStringLiteral("0:00:00");
        QTest::newRow("largest count, slowest rate")
            << 60 << 60 << QStringLiteral("99999") << QStringLiteral("101665:39:00");
    }
    void periodFollowsTheTypedCount()
    {
        QFETCH(int, minutes);
        QFETCH(int, seconds);
        QFETCH(QString, typed);
        QFETCH(QString, period);
        TfrmSetupRealTime s;
        s.setRateLists(minutes, seconds);
        s.edtPeriod->setText(QStringLiteral("1:6:40"));  // as Run fills it for 2000 records
        s.edtRealTimeNo->selectAll();
        QTest::keyClick(s.edtRealTimeNo, Qt::Key_Backspace);
        QTest::keyClicks(s.edtRealTimeNo, typed);
        QCOMPARE(s.edtRealTimeNo->text().trimmed(), typed);
        QCOMPARE(s.edtPeriod->text(), period);
        s.ComboBox2->setCurrentIndex(1);
        emit s.ComboBox2->activated(1);
        QCOMPARE(s.edtPeriod->text(), SetupPeriodText(typed.toInt(), minutes * 60 + 1));
    }

    void unsavedSamplesSurviveACancelledSave_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("reset");
        QTest::newRow("yes, save dialog cancelled") << int(QMessageBox::Yes) << false;
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << false;
        QTest::newRow("no") << int(QMessageBox::No) << true;
    }
    void unsavedSamplesSurviveACancelledSave()
    {
        QFETCH(int, answer);
        QFETCH(bool, reset);
        ShellRig rig;
        setReading(rig, {210, 0, 0, 0});
        TfrmGraph& w = startRun(rig, QStringLiteral("2000"));
        ticksUntilSamples(rig, 2);
        rig.prompts.answers = {QMessageBox::StandardButton(answer)};
        rig.prompts.fileNames = {QString()};
        rig.prompts.dialogs.push_back(setupAnswer(QStringLiteral("10")));
        rig.main->btnRunClick();
        QCOMPARE(rig.prompts.messages.first(),
                 QStringLiteral("There are datas in Real_Time graph ,it have to reset the graph.\n"
                                "Do you want to save the Real-Time graph ?"));
        QVERIFY(rig.recording());
        QCOMPARE(rig.runPoints(), reset ? 0 : 2);
        QCOMPARE(w.chart().Points(), reset ? 10 : 2000);
        QCOMPARE(w.chart().YData(0, 1), reset ? kGapValue : 21.0f);
    }

    void marksAndLabelsShareOneCounter()
    {
        ShellRig rig;
        TfrmGraph& a = *RealTimeGraph(*rig.program);
        rig.program->graph.AnnoColor = 0x0000FF;
        auto* b = new TfrmGraph(*rig.program);
        PrepareGraph(*rig.program, b->chart(), 4, 50.0f, -10.0f, 0.0, 0.0, 10, b);
        b->resize(900, 600);
        b->show();
        for (TfrmGraph* w : {&a, b}) {
            w->chkSplit->click();  // one axis: the tools are allowed
            QVERIFY(w->ToolButton5->isEnabled());
        }
        auto click = [](TfrmGraph& w, QPoint at) {
            QTest::mouseClick(w.view().plotWidget(), Qt::LeftButton, {}, at - w.view().plotWidget()->pos());
        };
        const QRect r = a.view().GetGridRect();

        a.ToolButton5->click();
        QCOMPARE(rig.program->graph.GraphClickMode, ClickMode::Cross);
        // The pointer is inside, but the cross's centre (15 px further) would not be.
        click(a, QPoint(r.right() - 14, r.center().y()));
        QCOMPARE(rig.program->graph.AnnotationCounter, 3);
        click(a, QPoint(r.right() - 15, r.bottom() - 15));  // the centre on the corner
        click(a, r.center());
        click(a, r.topLeft());
        QCOMPARE(rig.program->graph.AnnotationCounter, 6);
        const ChartPoint centre = a.view().PixelToData(0, r.center().x() + 15, r.center().y() + 15);
        QCOMPARE(a.chart().GraphAnnotationType(5), int(sgCrossMark));
        QCOMPARE(a.chart().GraphAnnotationX(5), centre.x);
        QCOMPARE(a.chart().GraphAnnotationY(5), centre.y);
        QCOMPARE(a.chart().GraphAnnotationColor(5), 0x0000FF);

        // The tool chosen in A is the tool of every window; the text tool is chosen in B.
        b->ToolButton9->click();
        rig.prompts.dialogs.push_back([](QDialog& d) {
            auto& e = dynamic_cast<TfrmAnnoEdit&>(d);
            e.Edit1->setText(QStringLiteral("hot water in"));
            return int(QDialog::Accepted);
        });
        rig.prompts.dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); });
        const QRect rb = b->view().GetGridRect();
        click(*b, rb.center());
        click(*b, rb.center() + QPoint(20, 20));  // cancelled: no index taken
        QCOMPARE(rig.program->graph.AnnotationCounter, 7);
        QCOMPARE(b->chart().GraphAnnotationText(7), QStringLiteral("hot water in"));
        QCOMPARE(b->chart().GraphAnnotationType(7), int(sgTextOnly));
        QCOMPARE(b->chart().GraphAnnotationY(7), b->view().PixelToData(0, rb.center().x() + 1, rb.center().y() + 7).y);

        // A double click deletes a mark; its index stays used.
        a.PESGraph1GraphAnnotHotSpot(true, 5);
        QCOMPARE(a.chart().GraphAnnotationType(5), int(sgTextOnly));
        QCOMPARE(a.chart().GraphAnnotationText(5), QString());
        a.PESGraph1GraphHotSpot();
        QCOMPARE(a.view().toolTip(), QStringLiteral("Double click to delete."));

        // Clear in any window starts the numbering again.
        rig.prompts.answers = {QMessageBox::No};
        a.tbntClrClick();
        a.ToolButton5->click();
        click(a, r.center());
        QCOMPARE(rig.program->graph.AnnotationCounter, 4);
        delete b;
    }

    // A run does not belong to its window: closing the window asks whether to end the
    // run, a run kept goes on recording without a window, and Real Time Graph shows it
    // again from its first sample, with its mark.
    void aRunKeptRecordsWithoutItsWindow()
    {
        ShellRig rig;
        InstallLibrary(*rig.program);
        setReading(rig, {235, 0, 0, 0});
        QPointer<TfrmGraph> w = &startRun(rig, QStringLiteral("6"));
        ticksUntilSamples(rig, 2);
        GraphState& g = rig.program->graph;
        const int mark = ++g.AnnotationCounter;
        w->chart().setGraphAnnotationX(mark, w->chart().XDataII(0, 1));
        w->chart().setGraphAnnotationY(mark, 23.5);
        w->chart().setGraphAnnotationText(mark, QStringLiteral("lid open"));

        rig.prompts.messages.clear();
        rig.prompts.answers = {QMessageBox::Cancel};
        QVERIFY(!w->close());
        QVERIFY(rig.recording());
        rig.prompts.answers = {QMessageBox::No};
        QVERIFY(w->close());
        QTRY_VERIFY(w.isNull());
        QCOMPARE(rig.prompts.messages.size(), 2);  // asked twice, never about saving
        QVERIFY(rig.prompts.messages.last().startsWith(QStringLiteral("A real-time run is recording.")));
        QVERIFY(rig.recording());
        QVERIFY(rig.main->btnStop->isEnabled() && !rig.main->btnRun->isEnabled());
        QVERIFY(!rig.main->RealTimeGraph1->isChecked());
        for (int i = 0; i < 100 && rig.program->session.sampleCount() < 4; ++i)
            rig.tick();
        QCOMPARE(rig.program->session.sampleCount(), 4);

        rig.main->RealTimeGraph1Click();
        w = RealTimeGraph(*rig.program);
        QVERIFY(w);
        const auto& samples = rig.program->session.samples();
        QCOMPARE(rig.runPoints(), 4);
        QCOMPARE(w->txtDataNo->text(), QStringLiteral("4"));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(w->chart().XDataII(0, i), samples[size_t(i)].time);
        QCOMPARE(w->txtStartTime->text(), DateTimeText(rig.program->session.startTime()));
        QCOMPARE(w->txtT1Max->text(), QStringLiteral("23.5@") + DateTimeText(samples[0].time));
        QCOMPARE(w->chart().GraphAnnotationText(g.AnnotationCounter), QStringLiteral("lid open"));
        QVERIFY(!w->tbntClr->isEnabled());

        ticksUntilSamples(rig, 6);
        QVERIFY(!rig.recording());
        QCOMPARE(w->chart().Points(), 6);
        QCOMPARE(w->txtT1Avg->text(), QStringLiteral("23.500"));
        QString error;
        const auto data = rig.program->library->get()->loadRecording(*rig.program->journal()->recordingId(), 0, &error);
        QVERIFY2(data, qPrintable(error));
        QCOMPARE(data->samples.size(), std::size_t(6));
        QCOMPARE(data->entry.state, QString::fromLatin1(kStateComplete));
        QCOMPARE(data->annotations.size(), std::size_t(1));
        QCOMPARE(data->annotations[0].text, QStringLiteral("lid open"));

        // An ended run goes with the window that showed it.
        rig.prompts.answers = {QMessageBox::No};  // not saved
        QVERIFY(w->close());
        QTRY_VERIFY(w.isNull());
        QCOMPARE(rig.program->session.sampleCount(), 0);
        QVERIFY(rig.prompts.unexpected.isEmpty());
    }

    void dataHotSpotMovesOneMark()
    {
        ShellRig rig;
        setReading(rig, {235, 0, 0, 0});
        TfrmGraph& w = startRun(rig, QStringLiteral("10"));
        ticksUntilSamples(rig, 2);
        w.PESGraph1DataHotSpot(false, 0, 1);
        ChartModel& chart = w.chart();
        QCOMPARE(chart.GraphAnnotationType(2), int(sgCrossMark));
        QCOMPARE(chart.GraphAnnotationX(2), chart.XDataII(0, 1));
        QCOMPARE(chart.GraphAnnotationText(2), LongTimeText(chart.XDataII(0, 1)) + QChar(13) + QStringLiteral("23.5"));
        w.PESGraph1DataHotSpot(false, 0, 0);
        QCOMPARE(chart.GraphAnnotationX(2), chart.XDataII(0, 0));
        QCOMPARE(rig.program->graph.AnnotationCounter, 3);  // not one of the user's marks
    }
};

QTEST_MAIN(TestRealTimeRun)
#include "tst_realtimerun.moc"
