// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a graph: units in the axis titles, readable channel colours, the read-out
// naming the nearest channel, Auto scale and the elapsed-time axis.
#include <qcustomplot.h>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <cmath>

#include "chart/chartmodel.h"
#include "chart/ui/chartview.h"
#include "fakemeter.h"
#include "graph/ui/cursortool.h"
#include "graph/ui/derivedtool.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/realtimeview.h"
#include "graph/ui/referencetool.h"
#include "graph/ui/scaletools.h"
#include "graph/ui/tfrmgraph.h"
#include "library/library.h"
#include "library/libraryaccess.h"
#include "logger/ui/librarycommands.h"
#include "logger/ui/loggerwindow.h"
#include "program/program.h"
#include "scriptedprompts.h"

using namespace kelvor;
using kelvor::test::ScriptedPrompts;

using kelvor::test::NoMeter;

namespace {

constexpr double kDay = 1.0 / 86400.0;

// A data set of 60 samples at 10 s: T1 rises from 70 °F by 1 a sample, T2 stays at 200,
// T3 and T4 at 40.
void storeSet(DataSetStore& store, bool celsius)
{
    DataSet set;
    set.start = 46000.5;
    set.interval = 10;
    set.sampleCount = 60;
    set.inCelsius = celsius ? 1 : 0;
    store.sets = {set};
    for (int i = 0; i < set.sampleCount; ++i)
        for (int c = 0; c < 4; ++c) {
            store.times.push_back(set.start + i * 10 * kDay);
            store.values.push_back(c == 0 ? 70.0f + i : c == 1 ? 200.0f : 40.0f);
        }
}

// A reference made by hand: every 10 s from the data set's start for 600 s, T1 5 °F above
// the set's T1, T2 at `t2`, T3 and T4 without readings.
ReferenceCurve handMade(const QString& name, double t2)
{
    ReferenceCurve r;
    r.name = name;
    for (int i = 0; i < 60; ++i) {
        const double t = 46000.5 + i * 10 * kDay;
        const double values[4] = {75.0 + i, t2, std::nan(""), std::nan("")};
        for (int c = 0; c < 4; ++c) {
            r.curves.channels[size_t(c)].x.push_back(t);
            r.curves.channels[size_t(c)].y.push_back(values[c]);
        }
    }
    return r;
}

// Sends a mouse event to the plot as the user's hand would.
void mouse(QWidget* plot, QEvent::Type type, QPoint at, Qt::MouseButtons held)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), QPointF(plot->mapToGlobal(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(plot, &e);
}

// One completed recording in the library: T1 40 °C and T2 `t2` °C for 10 minutes.
void storeRecording(Library& library, double start, const QString& name, float t2 = 100.0f)
{
    RecordingHeader h;
    h.started = start;
    h.rateSeconds = 10;
    h.recordCount = 60;
    LibraryStatus s;
    const std::int64_t id = *library.beginRecording(h, &s);
    RecordingStatistics stats;
    for (int i = 0; i < 60; ++i) {
        const JournalSample j{start + i * 10 * kDay, 0, {40.0f, t2, 20.0f, 20.0f}};
        stats.add(j);
        QVERIFY(library.appendSample(id, i, j).ok());
    }
    QVERIFY(library.endRecording(id, kStateComplete, stats, {}).ok());
    QVERIFY(library.rename(id, name).ok());
}

}  // namespace

class TestGraphReading : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ManualClock m_clock;
    ScriptedPrompts m_prompts;
    std::unique_ptr<Program> m_program;

    TfrmGraph* showSet(bool celsius)
    {
        storeSet(m_program->store, celsius);
        TfrmGraph* w = EnsureLoggerGraph(*m_program);
        w->resize(1200, 700);
        w->show();
        ShowDataSet(*m_program, 0);
        w->view().customPlot()->replot();
        return w;
    }

private slots:
    void init()
    {
        m_program = std::make_unique<Program>(std::make_unique<NoMeter>(), m_clock, m_prompts, m_dir.path());
    }
    void cleanup() { m_program.reset(); }

    // A data set the meter recorded in °F is labelled °F on every axis, never °C.
    void fahrenheitDataSetIsLabelledFahrenheit()
    {
        TfrmGraph* w = showSet(false);
        QCustomPlot* plot = w->view().customPlot();
        QCOMPARE(plot->axisRectCount(), 4);
        for (int a = 0; a < 4; ++a) {
            const QString title = plot->axisRect(a)->axis(QCPAxis::atLeft)->label();
            QCOMPARE(title, QStringLiteral("T%1 (°F)").arg(a + 1));
        }
        // The next set, in °C, changes the titles with it.
        storeSet(m_program->store, true);
        ShowDataSet(*m_program, 0);
        plot->replot();
        QCOMPARE(plot->axisRect(0)->axis(QCPAxis::atLeft)->label(), QStringLiteral("T1 (°C)"));
    }

    // T1's described dark blue is drawn lighter on the black plot; the chart keeps it.
    void channelColoursReadOnTheBlackPlot()
    {
        TfrmGraph* w = showSet(true);
        QCOMPARE(w->chart().SubsetColors(0), 0xFF0000);
        const QColor shown = w->view().graphOf(0)->pen().color();
        QVERIFY2(shown != QColor(0, 0, 255), qPrintable(shown.name()));
        QVERIFY(shown.lightness() > 150);
        QVERIFY(std::abs(shown.hslHue() - 240) <= 2);  // still blue
        // Colours that read well already are left alone.
        QCOMPARE(w->view().graphOf(2)->pen().color(), QColor(0, 255, 0));
    }

    // The read-out names the channel whose line passes nearest the pointer, with its
    // value where the pointer is, and its unit.
    void readOutNamesTheNearestChannel()
    {
        TfrmGraph* w = showSet(false);
        ChartModel& chart = w->chart();
        chart.setMultiAxesSubsets(-1, 0);  // one common axis: all four lines on one plot
        chart.setMultiAxesProportions(0, 1.0);
        chart.setWorkingAxis(0);
        chart.setManualMinY(0);
        chart.setManualMaxY(250);
        chart.PEactions(sgReinitAndReset);
        w->view().customPlot()->replot();

        QWidget* plot = w->view().plotWidget();
        const double t = 46000.5 + 205 * kDay;  // between samples 20 (90 °F) and 21 (91 °F)
        struct Case {
            double y;
            const char* want;
        };
        for (const Case& c : {Case{95.0, "T1 90.5 °F"}, Case{190.0, "T2 200.0 °F"}, Case{35.0, "T3 40.0 °F"}}) {
            const QPoint at = w->view().DataToPixel(0, t, c.y) - plot->pos();
            QTest::mouseMove(plot, at);
            QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(plot->mapToGlobal(at)), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QCoreApplication::sendEvent(plot, &move);
            QVERIFY2(w->Panel12->text().endsWith(QString::fromUtf8(c.want)), qPrintable(w->Panel12->text()));
        }
    }

    // Auto fits the data in view with a margin, follows a zoom, leaves hidden channels
    // out, and gives way to the fixed range again.
    void autoScaleFitsTheDataInView()
    {
        TfrmGraph* w = showSet(true);
        ChartModel& chart = w->chart();
        chart.setMultiAxesSubsets(-1, 0);
        chart.setMultiAxesProportions(0, 1.0);
        chart.PEactions(sgReinitAndReset);
        QCustomPlot* plot = w->view().customPlot();
        QCPAxis* y = plot->axisRect(0)->axis(QCPAxis::atLeft);
        plot->replot();
        QCOMPARE(y->range().lower, -20.0);  // the described fixed range
        QCOMPARE(y->range().upper, 100.0);

        w->scales().autoButton()->click();
        plot->replot();
        QVERIFY(chart.AutoScaleY(0));
        // T1 70..129, T2 200, T3/T4 40: 40..200 and 5 % of 160 on either side.
        QCOMPARE(y->range().lower, 32.0);
        QCOMPARE(y->range().upper, 208.0);

        w->cursors().setChannelHidden(1, true);  // T2 out: 40..129
        plot->replot();
        QCOMPARE(y->range().upper, 129.0 + 0.05 * 89.0);

        // Zoomed to samples 10..20 (T1 80..90, T3 40).
        plot->axisRect(0)
            ->axis(QCPAxis::atBottom)
            ->setRange((46000.5 + 100 * kDay - 25569.0) * 86400.0, (46000.5 + 200 * kDay - 25569.0) * 86400.0);
        plot->replot();
        QCOMPARE(y->range().lower, 40.0 - 2.5);
        QCOMPARE(y->range().upper, 90.0 + 2.5);

        w->scales().autoButton()->click();
        chart.PEactions(sgUndoZoom);
        plot->replot();
        QCOMPARE(y->range().lower, -20.0);
        QCOMPARE(y->range().upper, 100.0);
    }

    // On a recording run the Auto range grows with each new sample.
    void autoScaleFollowsARecordingRun()
    {
        TfrmGraph* w = OpenRealTimeGraph(*m_program);
        w->show();
        ChartModel& chart = w->chart();
        chart.setAutoScaleY(-1, true);
        QCustomPlot* plot = w->view().customPlot();
        const double t0 = chart.ManualMinX();
        for (int i = 0; i < 30; ++i) {
            chart.setXDataII(-1, i, t0 + i * kDay);
            for (int c = 0; c < 4; ++c)
                chart.setYData(c, i, float(20 + i));
            chart.PEactions(sgResetImage);
            plot->replot();
            const QCPRange r = plot->axisRect(0)->axis(QCPAxis::atLeft)->range();
            QCOMPARE(r.upper, 20.0 + i + std::max(0.5, 0.05 * i));
            QCOMPARE(r.lower, 20.0 - std::max(0.5, 0.05 * i));
        }
    }

    // The elapsed-time axis counts h:mm:ss from the first sample, ticks on whole steps.
    void elapsedAxisCountsFromTheFirstSample()
    {
        TfrmGraph* w = showSet(true);
        w->scales().elapsedButton()->click();
        QVERIFY(w->chart().ElapsedTimeAxis());
        QCustomPlot* plot = w->view().customPlot();
        plot->replot();
        QCPAxis* x = plot->axisRect(3)->axis(QCPAxis::atBottom);
        const QVector<QString> labels = x->tickVectorLabels();
        QVERIFY(labels.size() >= 3);
        QCOMPARE(labels.front(), QStringLiteral("0:00:00"));
        const QRegularExpression hms(QStringLiteral("^\\d+:\\d\\d:\\d\\d$"));
        for (const QString& l : labels)
            QVERIFY2(hms.match(l).hasMatch(), qPrintable(l));
        // Whole steps from the start: every label a multiple of the first step.
        auto seconds = [](const QString& l) {
            const QStringList p = l.split(QLatin1Char(':'));
            return p[0].toInt() * 3600 + p[1].toInt() * 60 + p[2].toInt();
        };
        const int step = seconds(labels[1]);
        QVERIFY(step > 0);
        for (int i = 0; i < labels.size(); ++i)
            QCOMPARE(seconds(labels[i]), i * step);
        // Off again: the clock.
        w->scales().elapsedButton()->click();
        plot->replot();
        QVERIFY(!x->tickVectorLabels().contains(QStringLiteral("0:00:00")));
    }

    // A table laid under the graph, pinned where T1 first reaches 75 °F: its T1 and T2 are
    // drawn dashed on their channels' plots, the read-out gives the difference where the
    // reference has readings (not beyond its end, not next to its "OL"), Ctrl+→ moves it
    // by a second, and removing it takes the curves away.
    void referenceCurveUnderTheGraph()
    {
        TfrmGraph* w = showSet(false);  // T1: 70 °F + 1 per 10 s from 46000.5
        QCustomPlot* plot = w->view().customPlot();
        const int graphsBefore = plot->graphCount();
        // The reference: T1 rises 2 per 10 s from 60 (75 at 75 s), 30 rows, "OL" at 250 s.
        const QString path = m_dir.filePath(QStringLiteral("reference.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        for (int i = 0; i < 30; ++i) {
            const QString t1 = i == 25 ? QStringLiteral("OL") : QString::number(60 + 2 * i);
            f.write(QStringLiteral("2026-03-01\t00:%1:%2\t%3\t150\t\t\r\n")
                        .arg(i * 10 / 60, 2, 10, QLatin1Char('0'))
                        .arg(i * 10 % 60, 2, 10, QLatin1Char('0'))
                        .arg(t1)
                        .toUtf8());
        }
        f.close();
        m_prompts.fileNames.push_back(path);
        m_prompts.dialogs.push_back([](QDialog& d) {
            auto* anchor = d.findChild<QComboBox*>(QStringLiteral("cmbReferenceAnchor"));
            anchor->setCurrentIndex(anchor->findData(int(ReferenceAnchor::Crossing)));
            d.findChild<QComboBox*>(QStringLiteral("cmbReferenceCrossChannel"))->setCurrentIndex(0);
            d.findChild<QDoubleSpinBox*>(QStringLiteral("spnReferenceTemperature"))->setValue(75.0);
            return int(QDialog::Accepted);
        });
        ReferenceTool& tool = w->references();
        const qsizetype messagesBefore = m_prompts.messages.size();
        emit tool.button()->menu()->aboutToShow();
        auto* add = tool.button()->menu()->findChild<QAction*>(QStringLiteral("actReferenceCurve"));
        QVERIFY(add);
        add->trigger();
        QVERIFY2(m_prompts.messages.size() == messagesBefore, qPrintable(m_prompts.messages.join('\n')));
        QCOMPARE(int(tool.references().size()), 1);
        plot->replot();
        QCOMPARE(plot->graphCount(), graphsBefore + 2);  // T3 and T4 of the reference are empty
        QCPGraph* ref1 = plot->graph(graphsBefore);
        QCOMPARE(ref1->valueAxis(), w->view().graphOf(0)->valueAxis());
        QCOMPARE(ref1->pen().style(), Qt::DashLine);
        QCOMPARE(ref1->data()->size(), 30);

        // Run time s after the start meets reference time s + 25 s: 65 + s/5 °F.
        const double start = 46000.5;
        QCOMPARE(tool.differenceText(0, start + 200 * kDay, 90.0), QStringLiteral("   Δreference -15.0"));
        QCOMPARE(tool.differenceText(0, start + 220 * kDay, 92.0), QString());   // next to the OL
        QCOMPARE(tool.differenceText(0, start + 300 * kDay, 100.0), QString());  // past its end
        QCOMPARE(tool.differenceText(1, start + 100 * kDay, 200.0), QStringLiteral("   Δreference +50.0"));

        // The cursors read the same difference beside their values.
        CursorTool& cursors = w->cursors();
        cursors.setOn(true);
        cursors.setCursors(start + 200 * kDay, start + 300 * kDay);
        plot->replot();
        QCOMPARE(cursors.table()->item(0, 0)->text(), QStringLiteral("90.0 Δreference -15.0"));
        QCOMPARE(cursors.table()->item(0, 1)->text(), QStringLiteral("100.0"));

        const double shift = tool.references().front().shiftDays;
        w->view().plotWidget()->setFocus();
        QTest::keyClick(w->view().plotWidget(), Qt::Key_Right, Qt::ControlModifier);
        QVERIFY(std::abs((tool.references().front().shiftDays - shift) / kDay - 1.0) < 1e-6);
        plot->replot();
        QCOMPARE(cursors.table()->item(0, 0)->text(), QStringLiteral("90.0 Δreference -14.8"));
        tool.remove(0);
        plot->replot();
        QCOMPARE(plot->graphCount(), graphsBefore);
    }

    // The dialog offers, after a file, the data logger's data sets and the library's
    // items; a library recording in °C comes in °F under a graph in °F, a data set is laid
    // at its start, and each has its own name in the read-out.
    void referencesFromTheLibraryAndTheDataLogger()
    {
        TfrmGraph* w = showSet(false);  // T1: 70 °F + 1 per 10 s, T2 200 °F
        InstallLibrary(*m_program);
        Library* library = m_program->library->get();
        QVERIFY(library);
        storeRecording(*library, 46001.5, QStringLiteral("oven"));
        ReferenceTool& tool = w->references();
        QStringList offered;
        const auto chooseRow = [&](int row) {
            m_prompts.dialogs.push_back([&offered, row](QDialog& d) {
                auto* list = d.findChild<QListWidget*>(QStringLiteral("lstReferenceSource"));
                offered.clear();
                for (int i = 0; list && i < list->count(); ++i)
                    offered << list->item(i)->text();
                if (list)
                    list->setCurrentRow(row);
                return int(QDialog::Accepted);
            });
            emit tool.button()->menu()->aboutToShow();
            tool.button()->menu()->findChild<QAction*>(QStringLiteral("actReferenceCurve"))->trigger();
        };
        const qsizetype messagesBefore = m_prompts.messages.size();
        chooseRow(2);
        QVERIFY2(m_prompts.messages.size() == messagesBefore, qPrintable(m_prompts.messages.join('\n')));
        QCOMPARE(offered.size(), 3);
        QCOMPARE(offered[0], QStringLiteral("A graph file or table…"));
        QVERIFY2(offered[1].startsWith(QStringLiteral("Data logger: Set 1 ")) && offered[1].contains("(60 samples)"),
                 qPrintable(offered[1]));
        QVERIFY2(offered[2].startsWith(QStringLiteral("Library: ")) && offered[2].contains(QStringLiteral("oven")),
                 qPrintable(offered[2]));
        QCOMPARE(int(tool.references().size()), 1);
        QCOMPARE(tool.references().front().name, QStringLiteral("oven"));
        // 40 °C is 104 °F, 100 °C is 212 °F: laid at the start, 100 s in.
        const double at = 46000.5 + 100 * kDay;
        QCOMPARE(tool.differenceText(0, at, 80.0), QStringLiteral("   Δoven -24.0"));
        QCOMPARE(tool.differenceText(1, at, 200.0), QStringLiteral("   Δoven -12.0"));

        chooseRow(1);
        QCOMPARE(int(tool.references().size()), 2);
        QCOMPARE(tool.references().back().name, QStringLiteral("Set 1"));
        QCOMPARE(tool.differenceText(0, at, 80.0), QStringLiteral("   Δoven -24.0   ΔSet 1 +0.0"));
        QCOMPARE(m_prompts.messages.size(), messagesBefore);
    }

    // A reference's line is grabbed with the mouse and dragged along the time axis; the
    // press does not start a zoom, the arrow keys then move the one dragged, and a press
    // away from every line leaves the references where they are.
    void referenceDraggedWithTheMouse()
    {
        TfrmGraph* w = showSet(false);
        ReferenceTool& tool = w->references();
        QString error;
        QVERIFY(tool.add(handMade(QStringLiteral("first"), 60.0), {}, &error));
        QVERIFY(tool.add(handMade(QStringLiteral("second"), 90.0), {}, &error));
        w->view().customPlot()->replot();
        QWidget* plot = w->view().plotWidget();
        ChartView& view = w->view();
        // The first reference's T2 at 60 °F, 200 s in (T2's plot shows -20 … 100).
        const double t = 46000.5 + 200 * kDay;
        const std::optional<QPoint> onLine = view.subsetPixel(1, t, 60.0);
        QVERIFY(onLine);
        const QPoint grab = plot->mapFrom(&view, *onLine + QPoint(0, 2));
        QCOMPARE(tool.referenceAt(*onLine + QPoint(0, 2)), 0);
        const double before = tool.references()[0].shiftDays;
        const double second = tool.references()[1].shiftDays;
        mouse(plot, QEvent::MouseButtonPress, grab, Qt::LeftButton);
        mouse(plot, QEvent::MouseMove, grab + QPoint(30, 0), Qt::LeftButton);
        mouse(plot, QEvent::MouseMove, grab + QPoint(60, 7), Qt::LeftButton);
        mouse(plot, QEvent::MouseButtonRelease, grab + QPoint(60, 7), Qt::NoButton);
        const double moved = view.timeAtX(onLine->x() + 60) - view.timeAtX(onLine->x());
        QVERIFY(moved > 0);
        QVERIFY2(std::abs(tool.references()[0].shiftDays - before - moved) < 1e-9,
                 qPrintable(QString::number((tool.references()[0].shiftDays - before) / kDay)));
        QCOMPARE(tool.references()[1].shiftDays, second);
        QVERIFY(!view.isZoomed());
        QCOMPARE(tool.picked(), 0);
        QTest::keyClick(plot, Qt::Key_Left, Qt::ControlModifier);
        QVERIFY(std::abs(tool.references()[0].shiftDays - before - moved + kDay) < 1e-9);

        // Half-way between the two T2 lines (60 and 90 °F) nothing is grabbed.
        const double kept = tool.references()[0].shiftDays;
        const std::optional<QPoint> between = view.subsetPixel(1, t, 75.0);
        QVERIFY(between);
        QCOMPARE(tool.referenceAt(*between), -1);
        const QPoint away = plot->mapFrom(&view, *between);
        mouse(plot, QEvent::MouseButtonPress, away, Qt::LeftButton);
        mouse(plot, QEvent::MouseMove, away + QPoint(40, 0), Qt::LeftButton);
        mouse(plot, QEvent::MouseButtonRelease, away + QPoint(40, 0), Qt::NoButton);
        QCOMPARE(tool.references()[0].shiftDays, kept);
        QCOMPARE(tool.references()[1].shiftDays, second);
    }

    // The read-out under the pointer gives each reference's difference on every shown
    // channel where both have a value, not only on the channel nearest the pointer; a
    // hidden channel drops out.
    void readOutGivesTheDifferenceOnEveryShownChannel()
    {
        TfrmGraph* w = showSet(false);  // T1 70 °F + 1 per 10 s, T2 200 °F, T3 and T4 40 °F
        ReferenceTool& tool = w->references();
        QString error;
        QVERIFY(tool.add(handMade(QStringLiteral("ref"), 190.0), {}, &error));
        QVERIFY(tool.add(handMade(QStringLiteral("hot"), 210.0), {}, &error));
        w->view().customPlot()->replot();
        QWidget* plot = w->view().plotWidget();
        const double t = 46000.5 + 205 * kDay;  // T1 90.5 °F, the references' 95.5 °F
        const auto readOut = [&] {
            const QPoint at = w->view().DataToPixel(0, t, 90.5) - plot->pos();
            mouse(plot, QEvent::MouseMove, at, Qt::NoButton);
            return w->Panel12->text();
        };
        QString text = readOut();
        QVERIFY2(text.contains(QStringLiteral("T1 90.5 °F")), qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral("   Δref T1 -5.0 T2 +10.0   Δhot T1 -5.0 T2 -10.0")), qPrintable(text));
        w->cursors().setChannelHidden(1, true);
        text = readOut();
        QVERIFY2(text.endsWith(QStringLiteral("   Δref T1 -5.0   Δhot T1 -5.0")), qPrintable(text));
    }

    // A library recording laid under a real-time run at 1366×768: drawn on the run's
    // plots as the run records, its difference in the cursor strip; the picture is kept
    // beside the test to be looked at.
    void referenceUnderARealTimeRun()
    {
        InstallLibrary(*m_program);
        Library* library = m_program->library->get();
        QVERIFY(library);
        storeRecording(*library, 46001.5, QStringLiteral("yesterday"), 38.0f);
        TfrmGraph* w = OpenRealTimeGraph(*m_program);
        w->resize(1366, 768);
        w->show();
        RecordingSession& session = m_program->session;
        SessionSettings run;
        run.rateSeconds = 10;
        run.recordCount = 40;
        w->realTimeView()->prepareRun(40, false);
        session.start(run);
        const double t0 = m_clock.nowDays();
        for (int i = 0; i < 30; ++i) {
            CycleSample sample;
            sample.days = m_clock.nowDays();
            sample.T = {20.0f + 1.2f * float(i), 30.0f + 0.5f * float(i), 30.0f, 25.0f};
            session.takeSample(0, sample);
            m_clock.advanceMs(10000);
        }
        ReferenceTool& tool = w->references();
        m_prompts.dialogs.push_back([](QDialog& d) {
            d.findChild<QListWidget*>(QStringLiteral("lstReferenceSource"))->setCurrentRow(1);
            d.adjustSize();
            const QString shot = QStringLiteral(QT_TESTCASE_BUILDDIR "/reference-dialog.png");
            d.grab().save(shot);
            qInfo("the dialog at %dx%d, kept at %s", d.width(), d.height(), qPrintable(shot));
            return d.width() <= 1366 && d.height() <= 768 ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        emit tool.button()->menu()->aboutToShow();
        tool.button()->menu()->findChild<QAction*>(QStringLiteral("actReferenceCurve"))->trigger();
        QCOMPARE(int(tool.references().size()), 1);
        QCOMPARE(tool.references().front().name, QStringLiteral("yesterday"));
        QVERIFY(std::abs(tool.references().front().shiftDays - (t0 - 46001.5)) < 1e-9);  // at the start
        QCustomPlot* plot = w->view().customPlot();
        plot->replot();
        int dashed = 0;
        for (int g = 0; g < plot->graphCount(); ++g)
            dashed += plot->graph(g)->pen().style() == Qt::DashLine && plot->graph(g)->data()->size() == 60 ? 1 : 0;
        QCOMPARE(dashed, 4);  // T1..T4 of the recording
        w->cursors().setOn(true);
        w->cursors().setCursors(t0 + 100 * kDay, t0 + 200 * kDay);
        plot->replot();
        QCOMPARE(w->cursors().table()->item(0, 0)->text(), QStringLiteral("32.0 Δyesterday -8.0"));

        const QString shot = QStringLiteral(QT_TESTCASE_BUILDDIR "/reference-under-realtime.png");
        QVERIFY(w->grab().save(shot));
        qInfo("the real-time graph at %dx%d, kept at %s", w->width(), w->height(), qPrintable(shot));
        session.stop();
    }

    // T1-T2 and T1's rate of change are drawn on the right-hand axis of the lowest plot,
    // follow a recording run and leave when switched off.
    void derivedChannelsOnTheirOwnAxis()
    {
        TfrmGraph* w = showSet(false);  // T1 rises 1 °F per 10 s: 6 °F/min
        ChartModel& chart = w->chart();
        chart.setDerivedDifference(true);
        chart.setDerivedRate(0, true);
        chart.setDerivedRateWindow(30);
        QCustomPlot* plot = w->view().customPlot();
        plot->replot();
        QCPGraph* diff = w->view().secondAxisGraph(w->derived().differenceSeries());
        QCPGraph* rate = w->view().secondAxisGraph(w->derived().rateSeries(0));
        QVERIFY(diff && rate);
        QCOMPARE(diff->valueAxis(), plot->axisRect(3)->axis(QCPAxis::atRight));
        QCOMPARE(plot->axisRect(3)->axis(QCPAxis::atRight)->label(), QStringLiteral("°F, °/min"));
        QCOMPARE(diff->data()->size(), 60);
        QCOMPARE(diff->data()->at(0)->value, 70.0 - 200.0);
        QVERIFY(std::isnan(rate->data()->at(0)->value));
        QVERIFY(std::isnan(rate->data()->at(1)->value));  // one step does not tell the interval
        for (int i = 2; i < 60; ++i)
            QVERIFY(std::abs(rate->data()->at(i)->value - 6.0) < 1e-3);
        // Split off: still on the (now only) plot, all values again.
        w->chkSplit->click();
        plot->replot();
        diff = w->view().secondAxisGraph(w->derived().differenceSeries());
        QVERIFY(diff);
        QCOMPARE(diff->valueAxis(), plot->axisRect(0)->axis(QCPAxis::atRight));
        QCOMPARE(diff->data()->size(), 60);
        chart.setDerivedDifference(false);
        chart.setDerivedRate(0, false);
        plot->replot();
        QVERIFY(w->derived().differenceSeries() < 0 && w->derived().rateSeries(0) < 0);
        QCOMPARE(plot->graphCount(), 4);
        QVERIFY(!plot->axisRect(0)->axis(QCPAxis::atRight)->visible());
    }
};

QTEST_MAIN(TestGraphReading)
#include "tst_graphreading.moc"
