// SPDX-License-Identifier: GPL-3.0-or-later
// The front panel over the simulated meter: what the meter's LCD shows is what the
// panel draws, and the panel's keys change it.
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ui/monitorloop.h"
#include "app/ui/tfrmmain.h"
#include "base/clock.h"
#include "meter/lcdencoder.h"
#include "meter/sim/simdevice.h"
#include "panel/ui/tfrmpanel.h"
#include "program/program.h"
#include "scriptedprompts.h"

using namespace kelvor;

namespace {
struct SimShell {
    QTemporaryDir dir;
    ManualClock clock;
    test::ScriptedPrompts prompts;
    SimDevice* sim = nullptr;
    std::unique_ptr<Program> program;
    std::unique_ptr<TfrmMain> main;

    SimShell()
    {
        QStandardPaths::setTestModeEnabled(true);
        auto device = std::make_unique<SimDevice>(clock);
        sim = device.get();
        program = std::make_unique<Program>(std::move(device), clock, prompts, dir.path());
        program->settingsFile = dir.filePath(QStringLiteral("settings.ini"));
        main = std::make_unique<TfrmMain>(*program);
        main->resize(1400, 900);
        main->show();
        prompts.messages.clear();
    }
    ~SimShell()
    {
        main.reset();
        program.reset();
    }
    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            clock.advanceMs(200);
            main->monitor().MainTimerTimer();
        }
    }
    TfrmPanel* panel() { return main->panel(); }
    bool shown(const char* name) { return !panel()->element(name)->isHidden(); }
};
}  // namespace

class TestPanelSim : public QObject {
    Q_OBJECT
private slots:
    void panelMirrorsTheSimulatedMeter()
    {
        SimShell s;
        s.tick(4);  // probe, then live readings
        QVERIFY(s.panel());
        QVERIFY(!s.shown("lblNoConnection"));
        LcdDisplay d = s.sim->meter().display();
        for (std::size_t i = 0; i < 16; ++i)
            QCOMPARE(s.panel()->digitCache()[i], d.rows[i / 4].glyphs[i % 4]);
        QCOMPARE(s.panel()->digitCache()[12], std::uint8_t(17));  // T4 "----"
        QVERIFY(s.shown("imgT1C") && !s.shown("imgT1F") && s.shown("imgK"));

        s.panel()->btnCFClick();
        s.tick();
        QVERIFY(s.shown("imgT1F") && !s.shown("imgT1C"));

        s.panel()->btnHOLDClick();
        s.tick();
        QVERIFY(s.shown("imgHOLD"));
        const auto held = s.panel()->digitCache();
        s.clock.advanceMs(120000);
        s.tick(3);
        QCOMPARE(s.panel()->digitCache(), held);
        s.panel()->btnHOLDClick();
        s.tick();
        QVERIFY(!s.shown("imgHOLD"));
        QVERIFY(s.panel()->digitCache() != held);  // T2 heated meanwhile

        s.panel()->btnRecClick();
        s.tick();
        QVERIFY(s.shown("imgREC"));
        QVERIFY(s.program->live.MeterRecording);
        s.panel()->btnRecClick();
        s.tick();
        QVERIFY(!s.shown("imgREC"));
    }
};

QTEST_MAIN(TestPanelSim)
#include "tst_panelsim.moc"
