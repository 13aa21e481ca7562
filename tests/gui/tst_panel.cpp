// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLabel>
#include <QMdiSubWindow>
#include <QtTest>

#include "app/ui/monitorloop.h"
#include "panel/ui/digitimages.h"
#include "panel/ui/tfrmpanel.h"
#include "shellrig.h"

using namespace kelvor;
using kelvor::test::ShellRig;

namespace {
LiveReading reading(std::uint8_t firstGlyph = 1)
{
    LiveReading r;
    for (std::size_t i = 0; i < r.Glyphs.size(); ++i)
        r.Glyphs[i] = std::uint8_t((firstGlyph + i) % 10);
    r.Segments[std::size_t(Segment::LabelT1)] = true;
    return r;
}
bool shown(TfrmPanel* p, const char* name) { return !p->element(name)->isHidden(); }
}  // namespace

class TestPanel : public QObject {
    Q_OBJECT
private slots:
    void digitCacheSkipsUnchangedDigits()
    {
        ShellRig rig;
        TfrmPanel* panel = rig.main->panel();
        for (std::uint8_t g : panel->digitCache())
            QCOMPARE(g, TfrmPanel::kNotDrawn);
        LiveReading r = reading();
        r.Glyphs[0] = kGlyphBlank;
        panel->RedrawPanel(r);
        QCOMPARE(panel->largeDigitAssignments(), 16);
        QCOMPARE(panel->digitCache()[0], kGlyphBlank);
        const qint64 t1d1 = panel->element("T1D1")->pixmap().cacheKey();
        panel->RedrawPanel(r);
        QCOMPARE(panel->largeDigitAssignments(), 16);
        r.Glyphs[13] = 8;
        panel->RedrawPanel(r);
        QCOMPARE(panel->largeDigitAssignments(), 17);
        QCOMPARE(panel->element("T1D1")->pixmap().cacheKey(), t1d1);
        // The small display shows the small set's digit.
        QCOMPARE(panel->element("Image17")->pixmap().size(), QSize(16, 26));

        // A reopened panel draws every digit at its first reading.
        panel->btnCloseClick();
        QTRY_VERIFY(!rig.main->panel());
        rig.main->ControlPanel1Click();
        rig.main->panel()->RedrawPanel(r);
        QCOMPARE(rig.main->panel()->largeDigitAssignments(), 16);
    }

    void batteryRules_data()
    {
        QTest::addColumn<QList<QList<Segment>>>("readings");
        QTest::addColumn<int>("bars");
        using L = QList<Segment>;
        QTest::newRow("full wins over empty") << QList<L>{{Segment::BatFull, Segment::BatEmpty}} << 3;
        QTest::newRow("two bars") << QList<L>{{Segment::Bat2, Segment::Bat1}} << 2;
        QTest::newRow("empty") << QList<L>{{Segment::BatEmpty}} << 0;
        QTest::newRow("no bit keeps one bar") << QList<L>{{Segment::Bat1}, {}} << 1;
        QTest::newRow("never set stays hidden") << QList<L>{{}} << -1;
    }
    void batteryRules()
    {
        QFETCH(QList<QList<Segment>>, readings);
        QFETCH(int, bars);
        ShellRig rig;
        TfrmPanel* panel = rig.main->panel();
        for (const auto& bits : readings) {
            LiveReading r = reading();
            for (Segment s : bits)
                r.Segments[std::size_t(s)] = true;
            panel->RedrawPanel(r);
        }
        for (int i = 0; i < 4; ++i)
            QCOMPARE(shown(panel, ("imgBat" + QByteArray::number(i)).constData()), i == bars);
    }

    void segmentsAndBlinking()
    {
        ShellRig rig;
        TfrmPanel* panel = rig.main->panel();
        MonitorLoop& loop = rig.main->monitor();
        LiveReading r = reading();
        r.Segments[std::size_t(Segment::Hold)] = true;
        r.Segments[std::size_t(Segment::T1F)] = true;
        r.Segments[std::size_t(Segment::AlarmLimit1)] = true;
        r.Segments[std::size_t(Segment::Max)] = true;
        r.Segments[std::size_t(Segment::Rec)] = true;
        panel->RedrawPanel(r);
        QVERIFY(shown(panel, "imgHOLD") && shown(panel, "imgT1F") && shown(panel, "lblHi"));
        QVERIFY(!shown(panel, "lblLO") && !shown(panel, "imgType") && !shown(panel, "lblT2"));
        QVERIFY(shown(panel, "lblMAX") && shown(panel, "imgREC"));

        // Timed: MAX/MIN/AVG belong to the blink timer, not to their bits.
        r.MaxMinTimed = true;
        r.Segments[std::size_t(Segment::Max)] = false;
        r.RecFullBlink = true;
        r.Segments[std::size_t(Segment::Rec)] = false;
        panel->RedrawPanel(r);
        QVERIFY(shown(panel, "lblMAX") && shown(panel, "imgREC"));
        loop.MaxMinTimerTimer();
        QVERIFY(shown(panel, "lblMAX") && shown(panel, "lblMIN") && shown(panel, "lblAVG"));
        loop.MaxMinTimerTimer();
        QVERIFY(!shown(panel, "lblMAX") && !shown(panel, "lblMIN") && !shown(panel, "lblAVG"));
        loop.RecFullTimerTimer();
        QVERIFY(shown(panel, "imgREC") && shown(panel, "imgFULL"));
        loop.RecFullTimerTimer();
        QVERIFY(!shown(panel, "imgREC") && !shown(panel, "imgFULL"));
        // The blink bit cleared: they follow their bits again.
        r.RecFullBlink = false;
        r.Segments[std::size_t(Segment::Full)] = true;
        panel->RedrawPanel(r);
        QVERIFY(!shown(panel, "imgREC") && shown(panel, "imgFULL"));
    }

    void missingDigitImageEndsTheSet()
    {
        QTemporaryDir dir;
        registerShellResources();
        for (int i = 0; i < 25; ++i) {
            if (i < 4)
                QVERIFY(QFile::copy(QStringLiteral(":/lcd/LCD%1.png").arg(i),
                                    dir.filePath(QStringLiteral("LCD%1.png").arg(i))));
            QVERIFY(QFile::copy(QStringLiteral(":/lcd/LCDS%1.png").arg(i),
                                dir.filePath(QStringLiteral("LCDS%1.png").arg(i))));
        }
        QFile::copy(QStringLiteral(":/lcd/LCD9.png"), dir.filePath(QStringLiteral("LCD9.png")));  // after the gap
        const DigitImages d = loadDigitImages(dir.path());
        QCOMPARE(d.largeLoaded, 4);
        QVERIFY(d.large[9].isNull());
        QCOMPARE(d.smallLoaded, 25);
        QCOMPARE(d.small[14].size(), QSize(26, 26));
        QCOMPARE(loadDigitImages().large[18].size(), QSize(30, 52));
    }
};

QTEST_MAIN(TestPanel)
#include "tst_panel.moc"
