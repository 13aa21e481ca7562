// SPDX-License-Identifier: GPL-3.0-or-later
// The graph window as laid out in a main window on a small (1366x768) and a large
// (1920x1080) screen: the cursor table, the events list, the split chart's read-out and
// labels; and how a new run sets the axis and the cursors up.
#include <qcustomplot.h>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QtTest>
#include <cmath>

#include "chart/chartmodel.h"
#include "chart/ui/chartview.h"
#include "graph/realtimestate.h"
#include "graph/ui/alarmtool.h"
#include "graph/ui/cursortool.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/tfrmgraph.h"
#include "graph/ui/tfrmsetuprealtime.h"
#include "shellrig.h"

using namespace kelvor;
using kelvor::test::ShellRig;

namespace {

// A main window of the given size, as when maximised on such a screen.
std::unique_ptr<ShellRig> mainWindowOf(QSize screen)
{
    auto rig = std::make_unique<ShellRig>(true, false);
    rig->main->setGeometry(QRect(QPoint(0, 0), screen));
    rig->main->show();
    rig->prompts.messages.clear();
    return rig;
}

// T1 climbs 1 degree a second from 0; T2 to T4 hold 20, 30 and 40.
void record(ChartModel& chart, double t0, int samples)
{
    for (int i = 0; i < samples; ++i) {
        chart.setXDataII(-1, i, t0 + i / 86400.0);
        chart.setYData(0, i, float(i));
        chart.setYData(1, i, 20.0f);
        chart.setYData(2, i, 30.0f);
        chart.setYData(3, i, 40.0f);
    }
    chart.PEactions(sgResetImage);
}

TfrmGraph* graphWithData(ShellRig& rig)
{
    TfrmGraph* w = RealTimeGraph(*rig.program);
    record(w->chart(), w->chart().ManualMinX(), 50);
    w->view().customPlot()->replot();
    return w;
}

// The pointer over a pixel of the chart view, as the plot sees it.
void pointAt(TfrmGraph* w, QPoint inView)
{
    QWidget* plot = w->view().plotWidget();
    const QPoint at = inView - plot->pos();
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(plot->mapToGlobal(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(plot, &move);
}

}  // namespace

class TestGraphLayout : public QObject {
    Q_OBJECT
private slots:
    void screens_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1366x768") << QSize(1366, 768);
        QTest::newRow("1920x1080") << QSize(1920, 1080);
    }

    // The cursor strip is a table, a row per channel and a column per figure, that fits
    // across the window with every row in view and no smaller type than the window's.
    void cursorTableFitsTheWindow_data() { screens_data(); }
    void cursorTableFitsTheWindow()
    {
        QFETCH(QSize, screen);
        auto rig = mainWindowOf(screen);
        TfrmGraph* w = graphWithData(*rig);
        CursorTool& cursors = w->cursors();
        cursors.setOn(true);
        const double t0 = w->chart().ManualMinX();
        cursors.setCursors(t0 + 10 / 86400.0, t0 + 40 / 86400.0);
        w->view().customPlot()->replot();
        QCoreApplication::processEvents();

        QTableWidget* table = cursors.table();
        QVERIFY(table->isVisible());
        QCOMPARE(table->rowCount(), 4);
        QCOMPARE(table->verticalHeaderItem(2)->text(), QStringLiteral("T3"));
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("A"));
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("10.0"));
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("40.0"));
        QCOMPARE(table->item(3, 1)->text(), QStringLiteral("40.0"));
        const int needed = table->verticalHeader()->width() + table->horizontalHeader()->length();
        QVERIFY2(needed <= table->viewport()->width() + table->verticalHeader()->width(),
                 qPrintable(QStringLiteral("%1 wide in %2").arg(needed).arg(table->width())));
        QVERIFY(table->mapTo(w, QPoint(table->width(), 0)).x() <= w->width());
        for (int r = 0; r < 4; ++r)
            QVERIFY2(table->rowViewportPosition(r) + table->rowHeight(r) <= table->viewport()->height(),
                     qPrintable(QStringLiteral("row %1 cut").arg(r)));
        QVERIFY(table->rowHeight(0) >= table->fontMetrics().height());
        QVERIFY(table->font().pointSizeF() >= w->font().pointSizeF());
        // The chart takes the room the table leaves; the table, no more than its rows.
        QVERIFY2(
            cursors.strip()->height() <= table->height() + 3 * table->fontMetrics().height(),
            qPrintable(QStringLiteral("strip %1 for a table %2").arg(cursors.strip()->height()).arg(table->height())));
        // The chart keeps a real height with the table under it.
        QVERIFY2(w->PESGraph1->height() >= 4 * 45, qPrintable(QString::number(w->PESGraph1->height())));
    }

    // The events list shows several events at once, not a row and a half.
    void eventsListShowsRows_data() { screens_data(); }
    void eventsListShowsRows()
    {
        QFETCH(QSize, screen);
        auto rig = mainWindowOf(screen);
        TfrmGraph* w = graphWithData(*rig);
        w->cursors().setOn(true);
        QTableWidget* list = w->alarms().list();
        list->show();
        list->setRowCount(6);
        QCoreApplication::processEvents();
        const int rowHeight = list->verticalHeader()->defaultSectionSize();
        QVERIFY(rowHeight >= list->fontMetrics().height());
        QVERIFY2(list->viewport()->height() >= 4 * rowHeight,
                 qPrintable(QStringLiteral("%1 px for rows of %2").arg(list->viewport()->height()).arg(rowHeight)));
        QVERIFY2(w->PESGraph1->height() >= 4 * 45, qPrintable(QString::number(w->PESGraph1->height())));
    }

    // Every tool of the bar is whole and inside the window, none on top of another: on each
    // screen, and in a window tiled narrow, where the bar takes a second row.
    void everyToolIsInTheWindow_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("windowWidth");  // 0: as the main window lays it out
        QTest::newRow("1366x768") << QSize(1366, 768) << 0;
        QTest::newRow("1920x1080") << QSize(1920, 1080) << 0;
        QTest::newRow("1366x768, tiled 640 wide") << QSize(1366, 768) << 640;
    }
    void everyToolIsInTheWindow()
    {
        QFETCH(QSize, screen);
        QFETCH(int, windowWidth);
        auto rig = mainWindowOf(screen);
        TfrmGraph* w = graphWithData(*rig);
        if (windowWidth > 0)
            w->parentWidget()->resize(windowWidth, w->parentWidget()->height());
        QCoreApplication::processEvents();
        QWidget* bar = w->ToolBar1;
        const QRect inWindow(QPoint(0, 0), w->size());
        QList<QRect> taken;
        for (QWidget* tool : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!tool->isVisible() || tool->width() <= 2)
                continue;  // dividers and hidden tools
            const QRect r(tool->mapTo(w, QPoint(0, 0)), tool->size());
            const QString name = tool->objectName() + QLatin1Char(' ') + tool->property("text").toString();
            QVERIFY2(inWindow.contains(r), qPrintable(QStringLiteral("%1 at %2,%3 %4x%5 in a window %6 wide")
                                                          .arg(name)
                                                          .arg(r.x())
                                                          .arg(r.y())
                                                          .arg(r.width())
                                                          .arg(r.height())
                                                          .arg(w->width())));
            QVERIFY2(tool->width() >= tool->sizeHint().width(), qPrintable(name + QStringLiteral(" squeezed")));
            for (const QRect& other : taken)
                QVERIFY2(!other.intersects(r), qPrintable(name + QStringLiteral(" overlaps another tool")));
            taken.append(r);
        }
        QVERIFY(taken.size() >= 10);
        // The chart starts under the bar, however many rows it takes.
        QVERIFY(w->PESGraph1->mapTo(w, QPoint(0, 0)).y() >= bar->mapTo(w, QPoint(0, bar->height())).y());
    }

    // On a split chart the read-out tells value and time over every plot, and
    // "Show MAX/MIN on Graph" puts every channel's label where it is seen.
    void splitChartReadsAndLabelsEveryChannel_data() { screens_data(); }
    void splitChartReadsAndLabelsEveryChannel()
    {
        QFETCH(QSize, screen);
        auto rig = mainWindowOf(screen);
        TfrmGraph* w = graphWithData(*rig);
        QVERIFY(w->chkSplit->isChecked());
        QCustomPlot* plot = w->view().customPlot();
        QCOMPARE(plot->axisRectCount(), 4);
        const double t = w->chart().ManualMinX() + 25 / 86400.0;
        for (int axis = 0; axis < 4; ++axis) {
            w->Panel12->clear();
            pointAt(w, w->view().DataToPixel(axis, t, 10.0));
            // Value and time, as over the first plot (within a pixel's worth of 10.0).
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^(-?\\d+\\.\\d)@\\d\\d:\\d\\d:\\d\\d")).match(w->Panel12->text());
            QVERIFY2(m.hasMatch() && std::abs(m.captured(1).toDouble() - 10.0) < 1.5,
                     qPrintable(QStringLiteral("T%1: %2").arg(axis + 1).arg(w->Panel12->text())));
        }

        const int before = int(w->chart().graphAnnotations().size());
        w->Button2->click();
        plot->replot();
        int labels = 0;
        for (int i = 0; i < plot->itemCount(); ++i) {
            const auto* text = qobject_cast<const QCPItemText*>(plot->item(i));
            if (!text || !text->text().contains(QStringLiteral(" MAX:")))
                continue;
            // The label hangs from its top left corner.
            const QRectF box(text->position->pixelPosition(), QSizeF(10, QFontMetrics(text->font()).height()));
            QVERIFY2(QRectF(plot->axisRect(0)->rect()).contains(box),
                     qPrintable(text->text() + QStringLiteral(" outside the first plot")));
            ++labels;
        }
        QCOMPARE(labels, 4);
        QVERIFY(int(w->chart().graphAnnotations().size()) >= before + 4);
    }

    // A new run starts with the cursors on its own samples, not where the last run left
    // them; an open-ended run's axis moves with the samples the graph keeps.
    void newRunPlacesCursorsAndItsAxisFollowsTheSamples()
    {
        auto rig = mainWindowOf(QSize(1366, 768));
        rig->tick();  // connect
        TfrmGraph* w = RealTimeGraph(*rig->program);
        CursorTool& cursors = w->cursors();
        cursors.setOn(true);
        cursors.setCursors(40000.0, 40000.5);  // an earlier run, long ago
        rig->prompts.dialogs.push_back([](QDialog& d) {
            auto& s = dynamic_cast<TfrmSetupRealTime&>(d);
            s.edtRealTimeNo->setText(QStringLiteral("5"));
            s.chkOpenEnded->setChecked(true);
            return int(QDialog::Accepted);
        });
        rig->main->btnRunClick();
        const double start = w->chart().ManualMinX();
        for (int i = 0; i < 400 && rig->runPoints() < 12; ++i)
            rig->tick();
        QCOMPARE(rig->runPoints(), 12);
        ChartModel& chart = w->chart();
        QCOMPARE(chart.Points(), 5);
        w->view().customPlot()->replot();

        QVERIFY2(cursors.cursorA() >= start && cursors.cursorA() < cursors.cursorB(),
                 qPrintable(QString::number(cursors.cursorA() - start)));
        QVERIFY2(!cursors.channelText(0).contains(QStringLiteral("no measurement")),
                 qPrintable(cursors.channelText(0)));

        const double first = chart.XDataII(0, 0), last = chart.XDataII(0, 4);
        const double axis = chart.ManualMaxX() - chart.ManualMinX();
        QCOMPARE(chart.ManualMinX(), first);
        QVERIFY2((last - first) / axis >= 0.6,
                 qPrintable(QStringLiteral("samples over %1 of the axis").arg((last - first) / axis)));
        QVERIFY(chart.ManualMaxX() >= last);
        rig->main->btnStopClick();
    }
};

QTEST_MAIN(TestGraphLayout)
#include "tst_graphlayout.moc"
