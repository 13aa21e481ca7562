// SPDX-License-Identifier: GPL-3.0-or-later
// PC alarms on the real-time graph, and a graph file keeping cursors and alarm events.
#include <qcustomplot.h>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "chart/chartmodel.h"
#include "chart/ui/chartview.h"
#include "fakemeter.h"
#include "graph/graphfile.h"
#include "graph/ui/alarmtool.h"
#include "graph/ui/cursortool.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/realtimeview.h"
#include "graph/ui/tfrmgraph.h"
#include "program/program.h"
#include "scriptedprompts.h"

using namespace kelvor;
using kelvor::test::ScriptedPrompts;

using kelvor::test::NoMeter;

namespace {

constexpr double kDay = 1.0 / 86400.0;

bool isRed(const QLineEdit* e) { return e->styleSheet().contains(QStringLiteral("#c00000")); }

}  // namespace

class TestGraphAlarms : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ManualClock m_clock;
    ScriptedPrompts m_prompts;
    std::unique_ptr<Program> m_program;

private slots:
    void init()
    {
        m_program = std::make_unique<Program>(std::make_unique<NoMeter>(), m_clock, m_prompts, m_dir.path());
        m_program->settingsFile = m_dir.filePath(QStringLiteral("settings.ini"));
        QFile::remove(m_program->settingsFile);  // each test starts without limits
    }
    void cleanup() { m_program.reset(); }

    // The limits dialog fills the settings; every new graph window reads them back.
    void limitsAreSetInTheDialogAndRemembered()
    {
        TfrmGraph* w = OpenRealTimeGraph(*m_program);
        m_prompts.dialogs.push_back([](QDialog& d) {
            d.findChild<QCheckBox*>(QStringLiteral("chkAlarmT1"))->setChecked(true);
            d.findChild<QLineEdit*>(QStringLiteral("edtAlarmHighT1"))->setText(QStringLiteral("180"));
            d.findChild<QCheckBox*>(QStringLiteral("chkAlarmT3"))->setChecked(true);
            d.findChild<QLineEdit*>(QStringLiteral("edtAlarmLowT3"))->setText(QStringLiteral("5"));
            d.findChild<QDoubleSpinBox*>(QStringLiteral("spnAlarmHysteresis"))->setValue(2.5);
            return int(QDialog::Accepted);
        });
        QVERIFY(w->alarms().editLimits());
        const AlarmLimits read = ReadAlarmLimits(*m_program);
        QCOMPARE(read.rulesText(), QStringLiteral("T1>180 T3<5"));
        QCOMPARE(read.hysteresis, 2.5);
        auto* other = new TfrmGraph(*m_program);
        QCOMPARE(other->alarms().limits(), read);
        delete other;
    }

    // Typing a limit is enough: its channel's box ticks itself, the limit line is drawn.
    // Emptying both fields unticks it; a box unticked after typing stays off.
    void typingALimitTurnsItsAlarmOn_data()
    {
        QTest::addColumn<QStringList>("steps");  // "field=text" or "untick:Tn"
        QTest::addColumn<QString>("rules");
        QTest::addColumn<int>("lines");
        QTest::newRow("high typed") << QStringList{QStringLiteral("edtAlarmHighT2=180")} << QStringLiteral("T2>180")
                                    << 1;
        QTest::newRow("high and low typed")
            << QStringList{QStringLiteral("edtAlarmHighT1=40"), QStringLiteral("edtAlarmLowT1=10")}
            << QStringLiteral("T1>40 T1<10") << 2;
        QTest::newRow("typed then emptied")
            << QStringList{QStringLiteral("edtAlarmLowT3=5"), QStringLiteral("edtAlarmLowT3=")} << QString() << 0;
        QTest::newRow("typed then unticked")
            << QStringList{QStringLiteral("edtAlarmHighT4=90"), QStringLiteral("untick:T4")} << QString() << 0;
        QTest::newRow("not a number") << QStringList{QStringLiteral("edtAlarmHighT1=-")} << QString() << 0;
    }
    void typingALimitTurnsItsAlarmOn()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, rules);
        QFETCH(int, lines);
        TfrmGraph* w = OpenRealTimeGraph(*m_program);
        w->resize(1000, 600);
        w->show();
        m_prompts.dialogs.push_back([&](QDialog& d) {
            for (const QString& step : steps) {
                if (step.startsWith(QStringLiteral("untick:"))) {
                    d.findChild<QCheckBox*>(QStringLiteral("chkAlarm") + step.mid(7))->setChecked(false);
                    continue;
                }
                auto* e = d.findChild<QLineEdit*>(step.section(QLatin1Char('='), 0, 0));
                e->selectAll();
                QTest::keyClick(e, Qt::Key_Backspace);
                QTest::keyClicks(e, step.section(QLatin1Char('='), 1));
            }
            return int(QDialog::Accepted);
        });
        QVERIFY(w->alarms().editLimits());
        QCOMPARE(w->alarms().limits().rulesText(), rules);
        QCOMPARE(ReadAlarmLimits(*m_program).rulesText(), rules);
        QCustomPlot* plot = w->view().customPlot();
        plot->replot();
        int limitLines = 0;
        for (int i = 0; i < plot->itemCount(); ++i)
            if (auto* line = qobject_cast<QCPItemStraightLine*>(plot->item(i)))
                limitLines += line->pen().style() == Qt::DashDotLine ? 1 : 0;
        QCOMPARE(limitLines, lines);
        delete w;
    }

    // A recording run over its limit: T1 enters (fields red, one notification, a mark),
    // stays while inside the hysteresis band, leaves, and enters again. The events are
    // listed, and a saved graph file brings them and the cursors back.
    void runCrossesItsLimitAndTheFileKeepsTheEvents()
    {
        TfrmGraph* w = OpenRealTimeGraph(*m_program);
        w->resize(1200, 700);
        w->show();
        AlarmLimits limits;
        QString why;
        QVERIFY(ParseAlarmRules(QStringLiteral("T1>30"), limits, &why));
        limits.hysteresis = 2.0;
        w->alarms().setLimits(limits);
        QStringList told;
        w->alarms().setNotifier([&](const QString&, const QString& text) { told << text; });

        // The run takes a sample a second; 9999 stands for a channel showing OL.
        ChartModel& chart = w->chart();
        RecordingSession& session = m_program->session;
        SessionSettings run;
        run.rateSeconds = 1;
        run.recordCount = 12;
        w->realTimeView()->prepareRun(12, false);
        session.start(run);
        const double t0 = m_clock.nowDays();
        const float t1[12] = {20, 25, 31, 33, 29, 28.5f, 27.9f, 26, 35, 36, 9999, 40};
        const bool redAfter[12] = {false, false, true, true, true, true, false, false, true, true, true, true};
        for (int i = 0; i < 12; ++i) {
            CycleSample sample;
            sample.days = m_clock.nowDays();
            sample.flags = t1[i] == 9999 ? 0x01 : 0x00;
            sample.T = {t1[i], 20.0f, 20.0f, 20.0f};
            session.takeSample(0, sample);
            m_clock.advanceMs(1000);
            QCOMPARE(isRed(w->txtT1Max), redAfter[i]);
            QVERIFY(!isRed(w->txtT2Max));
        }
        const auto& events = chart.alarmEvents();
        QCOMPARE(int(events.size()), 3);
        QCOMPARE(events[0].x, t0 + 2 * kDay);
        QCOMPARE(events[0].value, 31.0f);
        QCOMPARE(events[0].kind, int(AlarmKind::HighRaised));
        QCOMPARE(events[1].x, t0 + 6 * kDay);  // 27.9 is back by more than 2 degrees
        QCOMPARE(events[1].kind, int(AlarmKind::HighEnded));
        QCOMPARE(events[2].x, t0 + 8 * kDay);
        QCOMPARE(told.size(), 3);
        QVERIFY2(told[0].startsWith(QStringLiteral("T1 31.0 °C above high limit 30")), qPrintable(told[0]));
        QCOMPARE(w->alarms().list()->rowCount(), 3);
        QCOMPARE(w->alarms().list()->item(1, 3)->text(), QStringLiteral("back below high limit"));

        // Marks: a line and a label per event, and the limit line, on T1's plot.
        QCustomPlot* plot = w->view().customPlot();
        plot->replot();
        int marks = 0;
        for (int i = 0; i < plot->itemCount(); ++i)
            if (auto* text = qobject_cast<QCPItemText*>(plot->item(i)))
                marks += text->text().contains(QStringLiteral("T1 HIGH")) ? 1 : 0;
        QCOMPARE(marks, 2);

        w->cursors().setOn(true);
        w->cursors().setCursors(t0 + 1 * kDay, t0 + 9 * kDay);
        w->cursors().setThreshold(30);
        const QString path = m_dir.filePath(QStringLiteral("alarms.ghf"));
        QVERIFY(WriteGraphFile(chart, path).ok());

        auto* opened = new TfrmGraph(*m_program);
        opened->show();
        QVERIFY(ReadGraphFile(opened->chart(), path).ok());
        opened->chart().PEactions(sgReinitAndReset);
        QVERIFY(opened->cursors().isOn());
        QCOMPARE(opened->cursors().cursorA(), t0 + 1 * kDay);
        QCOMPARE(opened->cursors().cursorB(), t0 + 9 * kDay);
        QCOMPARE(opened->alarms().list()->rowCount(), 3);
        QCOMPARE(opened->chart().alarmEvents(), chart.alarmEvents());
        // A window that does not record raises nothing of its own.
        QVERIFY(!isRed(opened->txtT1Max));
        opened->close();

        // Clear: the run starts again without the old events.
        w->realTimeView()->reset();
        session.clear();
        QVERIFY(chart.alarmEvents().empty());
        QVERIFY(!isRed(w->txtT1Max));
    }
};

QTEST_MAIN(TestGraphAlarms)
#include "tst_graphalarms.moc"
