// SPDX-License-Identifier: GPL-3.0-or-later
#include <qcustomplot.h>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "chart/chartmodel.h"
#include "chart/ui/chartview.h"
#include "fakemeter.h"
#include "graph/ui/cursortool.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/tfrmgraph.h"
#include "program/program.h"
#include "scriptedprompts.h"

using namespace kelvor;
using kelvor::test::ScriptedPrompts;

using kelvor::test::NoMeter;

namespace {

// T1 climbs 1 degree a second from 0; T2 is 20 with a ---- at 20 s.
void record(ChartModel& chart, double t0, int from, int to)
{
    for (int i = from; i < to; ++i) {
        chart.setXDataII(-1, i, t0 + i / 86400.0);
        chart.setYData(0, i, float(i));
        chart.setYData(1, i, i == 20 ? 9999.0f : 20.0f);
        chart.setYData(2, i, 5.0f);
        chart.setYData(3, i, 5.0f);
    }
    chart.PEactions(sgResetImage);
}

}  // namespace

class TestGraphCursors : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ManualClock m_clock;
    ScriptedPrompts m_prompts;
    std::unique_ptr<Program> m_program;
    TfrmGraph* m_window = nullptr;
    double m_t0 = 0.0;

    void replot() { m_window->view().customPlot()->replot(); }

private slots:
    void init()
    {
        m_program = std::make_unique<Program>(std::make_unique<NoMeter>(), m_clock, m_prompts, m_dir.path());
        m_window = OpenRealTimeGraph(*m_program);
        m_prompts.messages.clear();
        QVERIFY(m_window);
        m_window->resize(1200, 700);
        m_window->show();
        m_t0 = m_window->chart().ManualMinX();
        record(m_window->chart(), m_t0, 0, 50);
    }
    void cleanup() { m_program.reset(); }

    void stripReadsTheSamplesBetweenTheCursors()
    {
        CursorTool& cursors = m_window->cursors();
        QVERIFY(cursors.channelText(0).isEmpty());
        m_window->cursors().button()->click();
        QVERIFY(cursors.isOn());
        QVERIFY(cursors.strip()->isVisible());
        // Shown on a run that has just started, they fall on the recorded part (0..49 s).
        QVERIFY(cursors.cursorA() >= m_t0 && cursors.cursorB() <= m_t0 + 49 / 86400.0);
        QVERIFY(cursors.cursorA() < cursors.cursorB());

        cursors.setCursors(m_t0 + 10 / 86400.0, m_t0 + 40 / 86400.0);
        cursors.setThreshold(30);
        replot();
        const QString t1 = cursors.channelText(0);
        for (const char* part :
             {"A    10.0", "B    40.0", "ΔT   +30.0", "Δt   0:00:30", "rate  +60.00 °/min", "min 10.0 @", "max 40.0 @",
              "mean 25.0", "σ 9.09", ">30: 0:00:09", "<30: 0:00:20", "gaps 0"})
            QVERIFY2(t1.contains(QString::fromUtf8(part)), qPrintable(t1 + " lacks " + part));
        const QString t2 = cursors.channelText(1);
        for (const char* part : {"mean 20.0", "σ 0.00", "gaps 1"})
            QVERIFY2(t2.contains(QString::fromUtf8(part)), qPrintable(t2 + " lacks " + part));
    }

    // Clicking a legend entry hides its channel from the chart and the strip; again shows it.
    void legendEntryHidesAndShowsAChannel()
    {
        CursorTool& cursors = m_window->cursors();
        cursors.setOn(true);
        replot();
        QCustomPlot* plot = m_window->view().customPlot();
        QCPGraph* t2 = m_window->view().graphOf(1);
        QVERIFY(t2 && plot->legend);
        const QPoint entry = plot->legend->itemWithPlottable(t2)->rect().center();

        QTest::mouseClick(plot, Qt::LeftButton, {}, entry);
        replot();
        QVERIFY(cursors.isChannelHidden(1));
        QVERIFY(!m_window->view().graphOf(1)->visible());
        QVERIFY(cursors.channelText(1).isEmpty());
        QVERIFY(!cursors.channelText(0).isEmpty());

        // A rebuilt chart (Split toggled) keeps the channel hidden.
        m_window->chart().PEactions(sgReinitAndReset);
        replot();
        QVERIFY(!m_window->view().graphOf(1)->visible());

        QTest::mouseClick(plot, Qt::LeftButton, {},
                          plot->legend->itemWithPlottable(m_window->view().graphOf(1))->rect().center());
        replot();
        QVERIFY(!cursors.isChannelHidden(1));
        QVERIFY(m_window->view().graphOf(1)->visible());
        QVERIFY(!cursors.channelText(1).isEmpty());
    }

    // Cursors keep their times while the run records; the strip takes the new samples in.
    void cursorsStayPutWhileARunRecords()
    {
        CursorTool& cursors = m_window->cursors();
        cursors.setOn(true);
        const double a = m_t0 + 10 / 86400.0, b = m_t0 + 70 / 86400.0;
        cursors.setCursors(a, b);
        replot();
        QVERIFY2(cursors.channelText(0).contains(QString::fromUtf8("B    ----")), qPrintable(cursors.channelText(0)));
        QVERIFY(cursors.channelText(0).contains("max 49.0"));

        record(m_window->chart(), m_t0, 50, 100);
        replot();
        QCOMPARE(cursors.cursorA(), a);
        QCOMPARE(cursors.cursorB(), b);
        QVERIFY2(cursors.channelText(0).contains("B    70.0"), qPrintable(cursors.channelText(0)));
        QVERIFY(cursors.channelText(0).contains("max 70.0"));
    }

    // The key C shows the cursors; dragging A moves it to where the mouse lets go.
    void keyShowsCursorsAndDragMovesThem()
    {
        QApplication::setActiveWindow(m_window);
        m_window->view().plotWidget()->setFocus();
        QTest::keyClick(m_window->view().plotWidget(), Qt::Key_C);
        CursorTool& cursors = m_window->cursors();
        QVERIFY(cursors.isOn());
        cursors.setCursors(m_t0 + 20 / 86400.0, m_t0 + 80 / 86400.0);
        replot();

        ChartView& view = m_window->view();
        const QPoint from = view.DataToPixel(0, cursors.cursorA(), 0);
        const QPoint to = view.DataToPixel(0, m_t0 + 50 / 86400.0, 0);
        QWidget* plot = view.plotWidget();
        const QPoint grab = plot->mapFrom(&view, from);
        const QPoint drop = plot->mapFrom(&view, to);
        QTest::mousePress(plot, Qt::LeftButton, {}, grab);
        QMouseEvent move(QEvent::MouseMove, drop, plot->mapToGlobal(drop), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(plot, &move);
        QTest::mouseRelease(plot, Qt::LeftButton, {}, drop);
        QVERIFY2(std::abs((cursors.cursorA() - m_t0) * 86400.0 - 50.0) < 2.0,
                 qPrintable(QString::number((cursors.cursorA() - m_t0) * 86400.0)));
        QCOMPARE(cursors.cursorB(), m_t0 + 80 / 86400.0);
    }
};

QTEST_MAIN(TestGraphCursors)
#include "tst_graphcursors.moc"
