// SPDX-License-Identifier: GPL-3.0-or-later
// Child windows on small and large screens: they stay inside the main window's client
// area, charts never collapse, and every "show this window" command brings its window
// forward.
#include <qcustomplot.h>
#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>
#include <QtTest>
#include <climits>

#include "chart/ui/chartview.h"
#include "files/ui/filecommands.h"
#include "files/ui/tabletograph.h"
#include "files/ui/tfrmlist.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/tfrmgraph.h"
#include "library/ui/tfrmlibrary.h"
#include "panel/ui/tfrmpanel.h"
#include "shellrig.h"

using namespace kelvor;
using kelvor::test::ShellRig;

namespace {

const QString kLongDate = QStringLiteral("10 Dec 2026");

// A main window of the given size, as when maximised on such a screen.
std::unique_ptr<ShellRig> mainWindowOf(QSize screen)
{
    auto rig = std::make_unique<ShellRig>(true, false);
    rig->main->setGeometry(QRect(QPoint(0, 0), screen));
    rig->main->show();
    rig->prompts.messages.clear();
    return rig;
}

TfrmList* openTable(ShellRig& rig)
{
    const QString path = rig.dir.filePath(QStringLiteral("run.txt"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return nullptr;
    for (int r = 1; r <= 20; ++r)
        f.write(QStringLiteral("%1\t01:36:%2\t21.5\t22.5\t23.5\t24.5\n").arg(kLongDate).arg(r + 10).toUtf8());
    f.close();
    return OpenTextTable(*rig.program, path);
}

QMdiSubWindow* frameOf(QWidget* w) { return qobject_cast<QMdiSubWindow*>(w->parentWidget()); }

// Inside the client area, except where the window's own minimum size is larger.
QString outsideArea(QMdiSubWindow* sub)
{
    const QSize room = sub->mdiArea()->viewport()->size();
    const QRect g = sub->geometry();
    const QSize least = sub->minimumSizeHint().expandedTo(sub->minimumSize());
    const bool xOk = g.x() >= 0 && (g.x() + g.width() <= room.width() || (g.x() == 0 && least.width() > room.width()));
    const bool yOk =
        g.y() >= 0 && (g.y() + g.height() <= room.height() || (g.y() == 0 && least.height() > room.height()));
    if (xOk && yOk)
        return {};
    QString s;
    QDebug(&s) << sub->windowTitle() << g << "in" << room;
    return s;
}

// A control's own rectangle lies in the visible part of the client area.
bool reachable(QWidget* control, QMdiArea& area)
{
    const QRect inArea(control->mapTo(area.viewport(), QPoint(0, 0)), control->size());
    return control->isVisible() && area.viewport()->rect().contains(inArea);
}

QString problems(ShellRig& rig)
{
    QStringList found;
    for (QMdiSubWindow* sub : rig.main->mdiArea().subWindowList()) {
        const QString out = outsideArea(sub);
        if (!out.isEmpty())
            found << out;
        if (auto* g = qobject_cast<TfrmGraph*>(sub->widget()); g && g->PESGraph1->height() < ChartView::kMinimumHeight)
            found << QStringLiteral("%1: chart %2 high").arg(sub->windowTitle()).arg(g->PESGraph1->height());
    }
    return found.join(QStringLiteral("; "));
}

// The smallest plot of a graph window's chart in pixels high, frame and axis labels
// included (split charts stack four; the last also carries the time labels).
int smallestPlot(TfrmGraph* graph)
{
    QCoreApplication::processEvents();  // the window's layout follows its new size
    QCustomPlot* plot = graph->view().customPlot();
    plot->replot(QCustomPlot::rpImmediateRefresh);
    int least = INT_MAX;
    for (int i = 0; i < plot->axisRectCount(); ++i)
        least = std::min(least, plot->axisRect(i)->outerRect().height());
    return least;
}

// Windows other than `sub` lying over it.
QStringList covering(QMdiArea& area, QMdiSubWindow* sub)
{
    QStringList over;
    for (QMdiSubWindow* other : area.subWindowList())
        if (other != sub && other->isVisible() && other->geometry().intersects(sub->geometry()))
            over << other->windowTitle();
    return over;
}

constexpr int kReadablePlot = 60;

bool isForemost(ShellRig& rig, QWidget* child)
{
    QMdiArea& area = rig.main->mdiArea();
    const auto stack = area.subWindowList(QMdiArea::StackingOrder);
    return area.activeSubWindow() == frameOf(child) && !stack.isEmpty() && stack.last() == frameOf(child) &&
           !frameOf(child)->isMinimized();
}

}  // namespace

class TestMdiWindows : public QObject {
    Q_OBJECT
private slots:
    void screens_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1366x768") << QSize(1366, 768);
        QTest::newRow("1920x1080") << QSize(1920, 1080);
    }

    // The real-time graph keeps its place beside the panel and its described width
    // where the screen has room for it.
    void realTimeGraphFitsAtStart_data() { screens_data(); }
    void realTimeGraphFitsAtStart()
    {
        QFETCH(QSize, screen);
        auto rig = mainWindowOf(screen);
        QMdiSubWindow* graph = frameOf(RealTimeGraph(*rig->program));
        const int room = rig->main->mdiArea().viewport()->width();
        const int left = rig->main->panel()->subWindow()->width();
        QCOMPARE(graph->pos(), QPoint(left, 0));
        QCOMPARE(graph->width(), std::min(1200, room - left));
        QVERIFY2(problems(*rig).isEmpty(), qPrintable(problems(*rig)));
        QVERIFY2(outsideArea(graph).isEmpty(), qPrintable(outsideArea(graph)));
    }

    // The front panel is seen whole, frame and all: on a screen too short for it only the
    // blank rim under the keys gives way, and every key stays where it is.
    void frontPanelIsWhole_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<bool>("fullHeight");
        QTest::newRow("1366x768") << QSize(1366, 768) << false;
        QTest::newRow("1920x1080") << QSize(1920, 1080) << true;
    }
    void frontPanelIsWhole()
    {
        QFETCH(QSize, screen);
        QFETCH(bool, fullHeight);
        auto rig = mainWindowOf(screen);
        TfrmPanel* panel = rig->main->panel();
        QMdiArea& area = rig->main->mdiArea();
        const QRect frame = panel->subWindow()->geometry();
        QVERIFY2(area.viewport()->rect().contains(frame), qPrintable(QStringLiteral("panel %1x%2 at %3,%4 in %5x%6")
                                                                         .arg(frame.width())
                                                                         .arg(frame.height())
                                                                         .arg(frame.x())
                                                                         .arg(frame.y())
                                                                         .arg(area.viewport()->width())
                                                                         .arg(area.viewport()->height())));
        QCOMPARE(panel->height() == TfrmPanel::kClientHeight, fullHeight);
        QVERIFY(panel->height() >= TfrmPanel::kClientHeight - TfrmPanel::kMaxTrim);
        QCOMPARE(panel->subWindow()->size(), panel->size() + QSize(2, 2));
        for (const char* key : {"btnRecall", "btnMem", "btnRec"}) {
            QWidget* touch = panel->findChild<QWidget*>(QLatin1String(key));
            QVERIFY2(touch && panel->rect().contains(touch->geometry()), key);
        }
        QCOMPARE(panel->findChild<QWidget*>(QStringLiteral("btnRecall"))->geometry(), QRect(68, 607, 40, 50));
        // The picture follows the panel, so no white band is left under it.
        QCOMPARE(panel->findChild<QLabel*>(QStringLiteral("imgPanel"))->pixmap().height(), panel->height() + 10);
    }

    // A table shows its long dates whole and fits; its graph opens at the described
    // size with a real chart.
    void tableAndItsGraphFit_data() { screens_data(); }
    void tableAndItsGraphFit()
    {
        QFETCH(QSize, screen);
        auto rig = mainWindowOf(screen);
        TfrmList* list = openTable(*rig);
        QVERIFY(list);
        QVERIFY2(outsideArea(frameOf(list)).isEmpty(), qPrintable(outsideArea(frameOf(list))));
        const QHeaderView* header = list->Grid1->horizontalHeader();
        QVERIFY(header->sectionSize(1) > list->Grid1->fontMetrics().horizontalAdvance(kLongDate));
        QVERIFY2(header->length() <= list->Grid1->viewport()->width(),
                 qPrintable(QStringLiteral("%1 > %2").arg(header->length()).arg(list->Grid1->viewport()->width())));

        TfrmGraph* graph = btnOutputToGraphClick(*rig->program, list);
        QVERIFY(graph);
        QCOMPARE(graph->size(), QSize(1175, 612));
        QVERIFY2(outsideArea(frameOf(graph)).isEmpty(), qPrintable(outsideArea(frameOf(graph))));
        QVERIFY(graph->PESGraph1->height() >= ChartView::kMinimumHeight);
    }

    // A window opened late, below the others, still opens whole: the Library window's
    // buttons are in view, and it keeps the size it asked for where that fits.
    void newWindowOpensInsideTheArea_data() { screens_data(); }
    void newWindowOpensInsideTheArea()
    {
        QFETCH(QSize, screen);
        auto rig = mainWindowOf(screen);
        QVERIFY(openTable(*rig));
        rig->main->Library1->trigger();
        QCoreApplication::processEvents();
        auto* library = rig->main->findChild<TfrmLibrary*>();
        QVERIFY(library);
        QMdiArea& area = rig->main->mdiArea();
        QVERIFY2(outsideArea(frameOf(library)).isEmpty(), qPrintable(outsideArea(frameOf(library))));
        for (const char* name : {"btnOpen", "btnEdit", "btnExport", "btnDelete", "btnRefresh"}) {
            auto* button = library->findChild<QWidget*>(QLatin1String(name));
            QVERIFY2(button && reachable(button, area), name);
        }
        QCOMPARE(library->size(), library->sizeHint());
        QVERIFY2(problems(*rig).isEmpty(), qPrintable(problems(*rig)));
    }

    // Tile and Cascade move the children only: the main window keeps its size, the
    // children stay inside it and no chart collapses.
    void tileAndCascadeKeepTheMainWindow_data() { screens_data(); }
    void tileAndCascadeKeepTheMainWindow()
    {
        QFETCH(QSize, screen);
        auto rig = mainWindowOf(screen);
        TfrmList* list = openTable(*rig);
        QVERIFY(list);
        QVERIFY(btnOutputToGraphClick(*rig->program, list));
        const QRect before = rig->main->geometry();
        for (QAction* command : {rig->main->Tile1, rig->main->Cascade1, rig->main->Tile1}) {
            command->trigger();
            QCOMPARE(rig->main->geometry(), before);
            QVERIFY2(problems(*rig).isEmpty(), qPrintable(command->text() + ": " + problems(*rig)));
            QCOMPARE(rig->main->panel()->subWindow()->size(), rig->main->panel()->size() + QSize(2, 2));
        }
    }

    // Tile leaves the front panel whole at the left and shares the rest among the others
    // without squashing a chart: with two windows beside the panel they fit side by
    // side; with three they may overlap, but never cover the panel or crush a plot.
    void tileKeepsThePanelAndReadableCharts_data() { screens_data(); }
    void tileKeepsThePanelAndReadableCharts()
    {
        QFETCH(QSize, screen);
        auto rig = mainWindowOf(screen);
        TfrmList* list = openTable(*rig);
        QVERIFY(list);
        QMdiArea& area = rig->main->mdiArea();
        QMdiSubWindow* panel = rig->main->panel()->subWindow();
        TfrmGraph* realTime = RealTimeGraph(*rig->program);
        for (int graphs = 1; graphs <= 2; ++graphs) {
            if (graphs == 2)
                QVERIFY(btnOutputToGraphClick(*rig->program, list));
            rig->main->Tile1->trigger();
            QCOMPARE(panel->pos(), QPoint(0, 0));
            QVERIFY2(covering(area, panel).isEmpty(), qPrintable(covering(area, panel).join(", ")));
            QVERIFY2(problems(*rig).isEmpty(), qPrintable(problems(*rig)));
            for (QMdiSubWindow* sub : area.subWindowList())
                if (auto* g = qobject_cast<TfrmGraph*>(sub->widget()))
                    QVERIFY2(smallestPlot(g) >= kReadablePlot,
                             qPrintable(QStringLiteral("%1 windows: a plot %2 high").arg(graphs).arg(smallestPlot(g))));
            if (graphs == 1)
                QVERIFY2(covering(area, frameOf(realTime)).isEmpty(),
                         qPrintable(covering(area, frameOf(realTime)).join(", ")));
        }
    }

    // A graph window made as small as it goes still shows every plot of a split chart.
    void smallGraphWindowKeepsItsChart()
    {
        auto rig = mainWindowOf(QSize(1366, 768));
        TfrmGraph* graph = RealTimeGraph(*rig->program);
        QVERIFY(graph->chkSplit->isChecked());
        const QSize least = frameOf(graph)->minimumSizeHint();
        QVERIFY2(least.width() <= 600, qPrintable(QString::number(least.width())));  // two fit side by side
        frameOf(graph)->resize(least);
        QCoreApplication::processEvents();
        QVERIFY(graph->PESGraph1->isVisible());
        QVERIFY2(smallestPlot(graph) >= kReadablePlot, qPrintable(QString::number(smallestPlot(graph))));
        QVERIFY(graph->width() >= TfrmGraph::kMinimumWidth);
    }

    // Every command that shows a window brings it in front of the others and makes it
    // the active one, also when it was only hidden behind them.
    void showCommandsBringTheirWindowForward()
    {
        auto rig = mainWindowOf(QSize(1366, 768));
        TfrmList* list = openTable(*rig);
        QVERIFY(list);
        QMdiArea& area = rig->main->mdiArea();
        const auto putTableOnTop = [&] {
            area.setActiveSubWindow(frameOf(list));
            QVERIFY(isForemost(*rig, list));
        };

        putTableOnTop();
        rig->main->ControlPanel1->trigger();
        QVERIFY(isForemost(*rig, rig->main->panel()));

        putTableOnTop();
        rig->main->RealTimeGraph1->trigger();
        QVERIFY(isForemost(*rig, RealTimeGraph(*rig->program)));

        putTableOnTop();
        TfrmGraph* drawn = btnOutputToGraphClick(*rig->program, list);
        QVERIFY(isForemost(*rig, drawn));

        rig->tick(2);  // the meter is found
        QVERIFY(rig->program->monitor.Connected);
        rig->main->LoadData1->trigger();
        TfrmGraph* logger = LoggerGraph(*rig->program);
        QVERIFY(logger);
        putTableOnTop();
        rig->main->LoadData1->trigger();
        QVERIFY(isForemost(*rig, logger));
    }
};

QTEST_MAIN(TestMdiWindows)
#include "tst_mdiwindows.moc"
