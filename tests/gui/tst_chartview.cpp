// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

#include "chart/chartmodel.h"
#include "chart/ui/chartcustomizedialog.h"
#include "chart/ui/chartview.h"
#include "qcustomplot.h"

using namespace kelvor;

namespace {
const double kT0 = 46000.5;
const double kSpan = 100.0 / 86400.0;

// Four channels, 100 points of which `filled` are written, manual ranges as the graph
// window sets them.
void prepare(ChartModel& c, bool split, int filled)
{
    c.setSubsets(4);
    c.setPoints(100);
    c.setXDataII(-1, 0, 0.0);
    for (int i = 0; i < 100; ++i) {
        c.setXDataII(-1, i, 0.0);
        c.setYData(-1, i, 9999.0f);
    }
    for (int i = 0; i < filled; ++i) {
        c.setXDataII(-1, i, kT0 + i / 86400.0);
        c.setYData(-1, i, float(i));
    }
    c.setManualScaleControlX(sgManualMinAndMax);
    c.setManualMinX(kT0);
    c.setManualMaxX(kT0 + kSpan);
    c.setMultiAxesSubsets(-1, 0);
    for (int a = 0; a < 4; ++a) {
        if (split) {
            c.setMultiAxesSubsets(a, 1);
            c.setMultiAxesProportions(a, 0.25);
        }
        c.setWorkingAxis(a);
        c.setManualScaleControlY(sgManualMinAndMax);
        c.setManualMinY(-10.0);
        c.setManualMaxY(50.0);
    }
    c.setWorkingAxis(0);
    c.setAllowZooming(sgHorzPlusVertZooming);
    c.PEactions(sgReinitAndReset);
}
}  // namespace

class TestChartView : public QObject {
    Q_OBJECT
private slots:
    void splitAndUnsplitRects()
    {
        ChartModel c;
        ChartView v(c);
        v.resize(800, 600);
        prepare(c, true, 10);
        QCOMPARE(v.axisRectCount(), 4);
        c.setMultiAxesSubsets(-1, 0);
        c.setMultiAxesProportions(0, 1.0);
        c.PEactions(sgReinitAndReset);
        QCOMPARE(v.axisRectCount(), 1);
        // A split chart's grid rect is the top quarter-ish, not the whole height.
        prepare(c, true, 10);
        const QRect top = v.GetGridRect();
        QVERIFY(top.height() < 600 / 3);
    }

    void gapsAndIncrementalAppend()
    {
        ChartModel c;
        ChartView v(c);
        v.resize(800, 600);
        prepare(c, false, 10);
        c.setYData(2, 4, 9999.0f);
        c.PEactions(sgResetImage);
        // Only the filled prefix is handed to the plot; the null value is a gap.
        QCOMPARE(v.plottedCount(0), 10);
        QVERIFY(std::isnan(v.plottedValue(2, 4)));
        QCOMPARE(v.plottedValue(2, 5), 5.0);

        // A new sample at point 10 is appended; a rewrite of an earlier point is seen too.
        c.setXDataII(-1, 10, kT0 + 10 / 86400.0);
        c.setYData(-1, 10, 42.0f);
        c.PEactions(sgResetImage);
        QCOMPARE(v.plottedCount(1), 11);
        QCOMPARE(v.plottedValue(1, 10), 42.0);
        c.setYData(1, 3, 7.5f);
        c.PEactions(sgResetImage);
        QCOMPARE(v.plottedValue(1, 3), 7.5);
        QCOMPARE(v.plottedCount(1), 11);

        // Clearing the chart (X back to 0.0) empties the plot.
        for (int i = 0; i < 100; ++i)
            c.setXDataII(-1, i, 0.0);
        c.PEactions(sgResetImage);
        QCOMPARE(v.plottedCount(0), 0);
    }

    void pixelToDataMatchesGridRect()
    {
        ChartModel c;
        ChartView v(c);
        v.resize(800, 600);
        prepare(c, false, 10);
        const QRect r = v.GetGridRect();
        QVERIFY2(r.width() > 400 && r.height() > 300, qPrintable(QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())));
        const ChartPoint bottomLeft = v.PixelToData(0, r.left(), r.bottom());
        const double dayPerPx = kSpan / r.width();
        QVERIFY(std::abs(bottomLeft.x - kT0) <= 1.5 * dayPerPx);
        QVERIFY(std::abs(bottomLeft.y - (-10.0)) <= 1.5 * 60.0 / r.height());
        const QPoint px = v.DataToPixel(0, kT0 + kSpan / 2, 20.0);
        const ChartPoint back = v.PixelToData(0, px.x(), px.y());
        QVERIFY(std::abs(back.x - (kT0 + kSpan / 2)) <= dayPerPx);
        QVERIFY(std::abs(back.y - 20.0) <= 60.0 / r.height());
    }

    void zoomAndUndo()
    {
        ChartModel c;
        ChartView v(c);
        v.resize(800, 600);
        prepare(c, false, 10);
        QSignalSpy zoomed(&v, &ChartView::OnZoomIn);
        const QRect r = v.GetGridRect();
        v.zoomToPixels(QRect(r.left() + 100, r.top() + 100, 200, 100));
        QCOMPARE(zoomed.count(), 1);
        QVERIFY(v.isZoomed());
        QVERIFY(std::abs(v.PixelToData(0, r.left(), r.bottom()).x - kT0) > kSpan / 10);
        // A refresh while zoomed keeps the zoom.
        c.PEactions(sgResetImage);
        QVERIFY(v.isZoomed());
        c.PEactions(sgUndoZoom);
        QVERIFY(!v.isZoomed());
        QVERIFY(std::abs(v.PixelToData(0, r.left(), r.bottom()).x - kT0) <= 2 * kSpan / r.width());
    }

    void annotationAndDataHotSpots()
    {
        ChartModel c;
        ChartView v(c);
        v.resize(800, 600);
        prepare(c, false, 10);
        c.setAllowGraphAnnotHotSpots(true);
        c.setGraphAnnotationType(5, sgCrossMark);
        c.setGraphAnnotationX(5, kT0 + kSpan / 2);
        c.setGraphAnnotationY(5, 20.0);
        c.PEactions(sgResetImage);
        const QPoint mark = v.DataToPixel(0, kT0 + kSpan / 2, 20.0);
        QSignalSpy annot(&v, &ChartView::OnGraphAnnotHotSpot);
        QSignalSpy clicks(&v, &ChartView::OnClick);
        QTest::mouseClick(v.plotWidget(), Qt::LeftButton, {}, mark);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(annot.count(), 1);
        QCOMPARE(annot.at(0).at(1).toInt(), 5);

        c.setAllowDataHotSpots(true);
        const QPoint sample = v.DataToPixel(0, kT0 + 3 / 86400.0, 3.0);
        QCOMPARE(v.HitTest(sample.x() + 2, sample.y() - 2), HotSpotType::Data);
        QCOMPARE(v.GetHotSpotData().w1, 3);
        QCOMPARE(v.HitTest(sample.x(), sample.y() - 200), HotSpotType::None);
    }

    void marksInTheBackgroundColourStayVisible()
    {
        ChartModel c;
        ChartView v(c);
        v.resize(800, 600);
        prepare(c, false, 10);
        c.setGraphBackColor(0);  // black plot
        c.setGraphAnnotationType(4, 0);
        c.setGraphAnnotationText(4, QStringLiteral("black"));
        c.setGraphAnnotationColor(4, 0x000001);  // next to black
        c.setGraphAnnotationX(4, kT0 + kSpan / 2);
        c.setGraphAnnotationY(4, 20.0);
        c.setGraphAnnotationType(5, 0);
        c.setGraphAnnotationText(5, QStringLiteral("red"));
        c.setGraphAnnotationColor(5, 0x0000FF);
        c.setGraphAnnotationX(5, kT0 + kSpan / 2);
        c.setGraphAnnotationY(5, 30.0);
        c.PEactions(sgReinitAndReset);
        QMap<QString, QColor> drawn;
        for (int i = 0; i < v.customPlot()->itemCount(); ++i)
            if (auto* t = qobject_cast<QCPItemText*>(v.customPlot()->item(i)))
                drawn[t->text()] = t->color();
        QCOMPARE(drawn.value(QStringLiteral("black")), QColor(Qt::white));
        QCOMPARE(drawn.value(QStringLiteral("red")), QColor(Qt::red));
        QCOMPARE(c.GraphAnnotationColor(4), 0x000001);  // what the user chose is kept
    }

    void customizeDialogThroughHook()
    {
        ChartModel c;
        ChartView v(c);
        prepare(c, false, 10);
        c.setAllowPage2(false);
        c.setAllowAxisPage(false);
        QSignalSpy done(&v, &ChartView::OnCustomizeDlg);
        QStringList pagesSeen;
        v.setDialogExec([&](QDialog& d) {
            auto* pages = d.findChild<QTabWidget*>(QStringLiteral("pages"));
            for (int i = 0; i < pages->count(); ++i)
                pagesSeen << pages->widget(i)->objectName();
            d.findChild<QLineEdit*>(QStringLiteral("edtMainTitle"))->setText(QStringLiteral("New title"));
            static_cast<ChartCustomizeDialog&>(d).setColor(QStringLiteral("btnGraphBackColor"), 0x123456);
            return int(QDialog::Accepted);
        });
        c.PEactions(sgCustomize);
        QCOMPARE(done.count(), 1);
        QCOMPARE(c.DialogResult(), 1);
        QCOMPARE(c.MainTitle(), QStringLiteral("New title"));
        QCOMPARE(c.GraphBackColor(), 0x123456);
        QCOMPARE(pagesSeen, (QStringList{"pageTitles", "pageSubsets", "pageFonts", "pageStyle"}));

        v.setDialogExec([](QDialog& d) {
            d.findChild<QLineEdit*>(QStringLiteral("edtMainTitle"))->setText(QStringLiteral("dropped"));
            return int(QDialog::Rejected);
        });
        c.PEactions(sgCustomize);
        QCOMPARE(done.count(), 2);
        QCOMPARE(c.DialogResult(), 0);
        QCOMPARE(c.MainTitle(), QStringLiteral("New title"));
    }
};

QTEST_MAIN(TestChartView)
#include "tst_chartview.moc"
