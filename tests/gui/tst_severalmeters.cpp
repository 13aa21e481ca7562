// SPDX-License-Identifier: GPL-3.0-or-later
// The windowed program with three simulated meters (--meter given three times): the
// status bar names each meter and whether it answers, a real-time run takes every
// meter's readings at the same sample times, one meter unplugged for a while leaves
// gaps in its own channels only, and the library keeps the run with every channel and
// each meter's serial and name.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ui/monitorloop.h"
#include "app/ui/tfrmmain.h"
#include "base/clock.h"
#include "base/meternames.h"
#include "base/settings.h"
#include "graph/ui/tfrmsetuprealtime.h"
#include "library/library.h"
#include "library/libraryaccess.h"
#include "logger/ui/librarycommands.h"
#include "meter/sim/simdevice.h"
#include "program/program.h"
#include "scriptedprompts.h"

using namespace kelvor;
using kelvor::test::ScriptedPrompts;

namespace {

std::unique_ptr<MeterDevice> sim(const QString& options, Clock& clock)
{
    QString error;
    auto device = createSimDevice(options, clock, &error);
    if (!device)
        qFatal("%s", qPrintable(error));
    return device;
}

// Oven A (named in the settings), OVEN-B (unplugged from its 30th exchange for 25) and
// COLD-1, their monitor loop ticked by the test.
struct SeveralMetersRig {
    QTemporaryDir dir;
    ManualClock clock;
    ScriptedPrompts prompts;
    std::unique_ptr<Program> program;
    std::unique_ptr<TfrmMain> main;

    SeveralMetersRig()
    {
        QStandardPaths::setTestModeEnabled(true);
        program = std::make_unique<Program>(sim(QStringLiteral("serial=OVEN-A"), clock), clock, prompts, dir.path());
        program->settingsFile = dir.filePath(QStringLiteral("settings.ini"));
        WriteMeterName(*openProgramSettings(program->settingsFile), QStringLiteral("OVEN-A"), QStringLiteral("Oven A"));
        for (const char* options : {"serial=OVEN-B,faults=unplug@30+25", "serial=COLD-1"})
            program->otherMeters.push_back(
                std::make_unique<OtherMeter>(sim(QString::fromLatin1(options), clock), clock));
        InstallLibrary(*program);
        main = std::make_unique<TfrmMain>(*program);
        main->resize(1366, 768);
        main->show();
        prompts.messages.clear();
    }
    ~SeveralMetersRig()
    {
        main.reset();
        program.reset();
    }
    void tick()
    {
        clock.advanceMs(200);
        main->monitor().MainTimerTimer();
    }
    QString meterStatus() const { return main->findChild<QLabel*>(QStringLiteral("StatusMeter"))->text(); }
};

}  // namespace

class TestSeveralMeters : public QObject {
    Q_OBJECT
private slots:
    void oneRunOfThreeMetersWithOneUnplugged()
    {
        SeveralMetersRig rig;
        for (int i = 0; i < 3; ++i)
            rig.tick();  // every meter found
        QCOMPARE(rig.meterStatus(), QStringLiteral("Oven A: on  |  OVEN-B: on  |  COLD-1: on"));

        rig.prompts.dialogs.push_back([](QDialog& d) {
            dynamic_cast<TfrmSetupRealTime&>(d).edtRealTimeNo->setText(QStringLiteral("12"));
            return int(QDialog::Accepted);
        });
        rig.main->btnRunClick();
        QVERIFY(rig.program->session.recording());
        bool toldAway = false;
        for (int i = 0; i < 400 && rig.program->session.recording(); ++i) {
            rig.tick();
            toldAway |= rig.meterStatus() == QStringLiteral("Oven A: on  |  OVEN-B: no connection  |  COLD-1: on");
        }
        QVERIFY(!rig.program->session.recording());
        QVERIFY(toldAway);
        QCOMPARE(rig.meterStatus(), QStringLiteral("Oven A: on  |  OVEN-B: on  |  COLD-1: on"));  // back by itself

        const std::vector<SessionRow>& rows = rig.program->session.rows();
        QCOMPARE(int(rows.size()), 12);
        int gaps = 0;
        for (const SessionRow& r : rows) {
            QCOMPARE(int(r.meters.size()), 3);
            QVERIFY(r.meters[0].present && r.meters[2].present);
            gaps += r.meters[1].present ? 0 : 1;
        }
        QVERIFY2(gaps >= 1 && gaps < 12, qPrintable(QString::number(gaps)));
        QVERIFY(rows.front().meters[1].present && rows.back().meters[1].present);

        // The library has the run with every meter.
        Library* library = rig.program->library->get();
        QVERIFY(library);
        QString error;
        const auto run = library->loadRecording(1, 0, &error);
        QVERIFY2(run, qPrintable(error));
        QCOMPARE(int(run->header.meters.size()), 3);
        QCOMPARE(run->header.meters[0].name, QStringLiteral("Oven A"));
        QCOMPARE(run->header.meters[1].serial, QStringLiteral("OVEN-B"));
        QCOMPARE(int(run->samples.size()), 12);
        QCOMPARE(int(run->otherMeters.size()), 2);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            QCOMPARE(run->samples[i].t, rows[i].meters[0].t);
            QCOMPARE(run->otherMeters[1][i].t, rows[i].meters[2].t);
            QCOMPARE(run->otherMeters[0][i].flags == kMeterGapFlags, !rows[i].meters[1].present);
        }
        QCOMPARE(run->otherStatistics[0].samples, 12 - gaps);
        QVERIFY(rig.prompts.unexpected.isEmpty());
    }
};

QTEST_MAIN(TestSeveralMeters)
#include "tst_severalmeters.moc"
