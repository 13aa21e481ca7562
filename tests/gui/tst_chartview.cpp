// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>
#include <cmath>

#include "base/localetext.h"
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

    // The time axis writes dates and times as the rest of the program does: the
    // locale's long time over its short date.
    void timeAxisUsesTheLocaleFormats()
    {
        const QLocale saved;
        for (const QLocale& locale :
             {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German, QLocale::Germany)}) {
            QLocale::setDefault(locale);
            ChartModel c;
            ChartView v(c);
            v.resize(800, 600);
            prepare(c, false, 10);
            v.customPlot()->replot();
            QCPAxis* x = v.customPlot()->axisRect(0)->axis(QCPAxis::atBottom);
            const QVector<double> ticks = x->tickVector();
            const QVector<QString> labels = x->tickVectorLabels();
            QVERIFY(!ticks.isEmpty());
            for (int i = 0; i < ticks.size(); ++i) {
                const double days = ticks[i] / 86400.0 + 25569.0;
                QCOMPARE(labels[i], LongTimeText(days) + QLatin1Char('\n') + ShortDateText(days));
            }
            QLocale::setDefault(saved);
        }
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

    void longRunIsDrawnFromItsEnvelope()
    {
        // Far more points than pixels: the plot gets each run's extremes and gaps, built
        // partly in one go and partly sample by sample, and everything else still
        // answers in the model's points.
        const int n = 20000, spike = 12345, dip = 17777, gapFrom = 15000, gapTo = 15100;
        ChartModel c;
        ChartView v(c);
        v.resize(400, 300);
        c.setSubsets(2);
        c.setPoints(n);
        c.setManualScaleControlX(sgManualMinAndMax);
        c.setManualMinX(kT0);
        c.setManualMaxX(kT0 + n / 86400.0);
        c.setManualScaleControlY(sgManualMinAndMax);
        c.setManualMinY(-10.0);
        c.setManualMaxY(50.0);
        c.setAllowZooming(sgHorzZooming);
        c.setAllowDataHotSpots(true);
        // One long gap, then a stretch with a one-point gap every seventh point.
        auto isGap = [&](int i) { return (i >= gapFrom && i < gapTo) || (i >= 16000 && i < 16400 && i % 7 == 0); };
        auto write = [&](int i) {
            c.setXDataII(-1, i, kT0 + i / 86400.0);
            c.setYData(0, i, isGap(i) ? 9999.0f : i == spike ? 45.0f : i == dip ? -5.0f : float(10 + i % 10));
            c.setYData(1, i, 9999.0f);  // a channel unplugged all along
        };
        for (int i = 0; i < n / 2; ++i)
            write(i);
        c.PEactions(sgReinitAndReset);
        for (int i = n / 2; i < n; ++i) {
            write(i);
            c.PEactions(sgResetImage);
        }

        const std::vector<ChartPoint> drawn = v.drawnPoints(0);
        QVERIFY(drawn.size() < size_t(n / 4));
        QCOMPARE(v.plottedCount(0), n);
        QCOMPARE(v.plottedValue(0, spike), 45.0);
        auto indexOf = [](const ChartPoint& p) { return int(std::lround((p.x - kT0) * 86400.0)); };
        auto extreme = [&](int from, int to, bool max) {
            double e = max ? -1e9 : 1e9;
            bool gapSeen = false;
            for (const ChartPoint& p : drawn) {
                const int i = indexOf(p);
                if (i < from || i >= to)
                    continue;
                gapSeen = gapSeen || std::isnan(p.y);
                if (!std::isnan(p.y))
                    e = max ? std::max(e, p.y) : std::min(e, p.y);
            }
            return std::make_pair(e, gapSeen);
        };
        QCOMPARE(extreme(spike - 100, spike + 100, true).first, 45.0);
        QCOMPARE(extreme(dip - 100, dip + 100, false).first, -5.0);
        // A gap stays a gap: nothing drawn inside a long one but the break, and within a
        // pixel's worth of points of every short one the line breaks too.
        QCOMPARE(extreme(gapFrom, gapTo, true), std::make_pair(-1e9, true));
        const int perPixel = n / 400;
        std::vector<int> breaks;
        for (const ChartPoint& p : drawn)
            if (std::isnan(p.y))
                breaks.push_back(indexOf(p));
        for (int i = 0; i < n; ++i) {
            if (!isGap(i))
                continue;
            const auto near = std::lower_bound(breaks.begin(), breaks.end(), i - perPixel);
            QVERIFY2(near != breaks.end() && *near <= i + perPixel, qPrintable(QString::number(i)));
        }
        for (const ChartPoint& p : v.drawnPoints(1))
            QVERIFY(std::isnan(p.y));

        // Sample by sample ends where a rebuild from the model ends.
        c.PEactions(sgReinitAndReset);
        const std::vector<ChartPoint> rebuilt = v.drawnPoints(0);
        QCOMPARE(rebuilt.size(), drawn.size());
        for (size_t k = 0; k < drawn.size(); ++k)
            QVERIFY(rebuilt[k].x == drawn[k].x &&
                    (rebuilt[k].y == drawn[k].y || (std::isnan(rebuilt[k].y) && std::isnan(drawn[k].y))));

        // A hot spot names the model's point, not a place in the envelope.
        const QPoint at = v.DataToPixel(0, kT0 + spike / 86400.0, 45.0);
        QCOMPARE(v.HitTest(at.x(), at.y()), HotSpotType::Data);
        QCOMPARE(v.GetHotSpotData().w1, spike);

        // Zoomed in to a few pixels the points themselves are drawn; back out, the envelope.
        const QRect grid = v.GetGridRect();
        v.zoomToPixels(QRect(grid.center().x(), grid.top() + 5, 20, grid.height() - 10));
        QCOMPARE(int(v.drawnPoints(0).size()), n);
        c.PEactions(sgUndoZoom);
        QCOMPARE(v.drawnPoints(0).size(), drawn.size());
    }

    void pixelToDataMatchesGridRect()
    {
        ChartModel c;
        ChartView v(c);
        v.resize(800, 600);
        prepare(c, false, 10);
        const QRect r = v.GetGridRect();
        QVERIFY2(r.width() > 400 && r.height() > 300,
                 qPrintable(QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())));
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
