// SPDX-License-Identifier: GPL-3.0-or-later
// A full-length real-time run over the simulated meter: every record arrives and the
// memory it takes is printed. KELVOR_LONG_RUN=N (10 to 99999) runs N records instead.
// A day of meter time with the meter unplugged for a few seconds every hour keeps
// every record once, one a second between the outages, with bounded memory.
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "app/ui/monitorloop.h"
#include "app/ui/tfrmmain.h"
#include "base/clock.h"
#include "chart/chartmodel.h"
#include "graph/graphfile.h"
#include "graph/realtimestate.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/realtimeview.h"
#include "graph/ui/tfrmgraph.h"
#include "graph/ui/tfrmsetuprealtime.h"
#include "meter/choice/devicechoice.h"
#include "program/program.h"
#include "scriptedprompts.h"

using namespace kelvor;

namespace {
long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
        status.ignore(1 << 12, '\n');
    }
    return -1;
}
}  // namespace

class TestLongRun : public QObject {
    Q_OBJECT
private slots:
    void everyRecordOfAFullRunArrives()
    {
        const QByteArray env = qgetenv("KELVOR_LONG_RUN");
        bool isNumber = false;
        int records = env.toInt(&isNumber);
        if (!isNumber || records < 10 || records > 99999)
            records = 99999;
        run(records, QString());
    }

    void dayWithAnUnplugEveryHourLosesNoRecord()
    {
        // Five exchanges a second: an hour is 18000 of them; each unplug lasts 25.
        QStringList unplugs;
        for (int hour = 1; hour <= 24; ++hour)
            unplugs << QStringLiteral("unplug@%1+25").arg(hour * 18000);
        run(86400, QStringLiteral("faults=") + unplugs.join(QLatin1Char(';')));
    }

private:
    void run(int records, const QString& simOptions)
    {
        const bool soak = !simOptions.isEmpty();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        QStandardPaths::setTestModeEnabled(true);

        QTemporaryDir dir;
        ManualClock clock;
        test::ScriptedPrompts prompts;
        QString error;
        Program program(createSimDevice(simOptions, clock, &error), clock, prompts, dir.path());
        QVERIFY2(error.isEmpty(), qPrintable(error));
        program.settingsFile = dir.filePath(QStringLiteral("settings.ini"));
        {
            ChartModel chart;
            PrepareGraph(program, chart, 4, 100.0f, -20.0f, 0.0, 0.0, 0, nullptr);
            QDir().mkpath(QFileInfo(program.templatePath()).absolutePath());
            WriteGraphFile(chart, program.templatePath());
        }
        TfrmMain main(program);
        main.resize(1400, 900);
        main.show();
        auto tick = [&] {
            clock.advanceMs(200);
            main.monitor().MainTimerTimer();
        };
        for (int i = 0; i < 3; ++i)
            tick();
        QVERIFY(program.monitor.Connected);
        const long rssBefore = residentKilobytes();

        // One record a second, the shortest rate.
        prompts.dialogs.push_back([records](QDialog& d) {
            auto& s = dynamic_cast<TfrmSetupRealTime&>(d);
            s.edtRealTimeNo->setText(QString::number(records));
            s.ComboBox1->setCurrentIndex(0);
            s.ComboBox2->setCurrentIndex(1);
            emit s.ComboBox2->activated(1);
            return int(QDialog::Accepted);
        });
        main.btnRunClick();
        const RecordingSession& session = program.session;
        const RealTimeView& view = *RealTimeGraph(program)->realTimeView();
        QVERIFY(session.recording());
        QCOMPARE(session.settings().rateSeconds, 1);

        QElapsedTimer elapsed;
        elapsed.start();
        const double start = clock.nowDays();
        const long limit = 5L * records + 1000;  // five ticks a record, with room for slips
        for (long i = 0; i < limit && session.recording(); ++i) {
            tick();
            if (i % 500 == 0)
                QCoreApplication::processEvents();  // the graph is painted now and then, as on screen
        }
        const ChartModel& chart = RealTimeGraph(program)->chart();
        const long rssAfter = residentKilobytes();
        std::printf(
            "[ long run ] %d records in %.1f s: Points %d, SampleCount %d, last X %.1f s after Run, "
            "VmRSS %ld kB before, %ld kB after\n",
            records, elapsed.elapsed() / 1000.0, chart.Points(), view.points(),
            (chart.XDataII(0, chart.Points() - 1) - start) * 86400.0, rssBefore, rssAfter);
        QVERIFY(!session.recording());
        // Every record is taken; an outage adds a break (a point without readings) on top.
        QCOMPARE(view.points() - view.gapPoints(), records);
        QCOMPARE(chart.Points(), view.points());
        for (int i = 1; i < chart.Points(); ++i)
            QVERIFY2(chart.XDataII(0, i) > chart.XDataII(0, i - 1), qPrintable(QString::number(i)));
        if (soak) {
            // Records come one second apart, except across an unplug: the run records
            // nothing while the meter is away and goes on when it is back, after a break
            // in the line. Each outage is one short step; the memory is the chart's, not
            // growing with the unplugs.
            int outages = 0;
            auto isBreak = [&chart](int i) { return chart.YData(0, i) == kGapValue && chart.YData(1, i) == kGapValue; };
            for (int i = 1; i + 1 < chart.Points(); ++i) {
                const double step = (chart.XDataII(0, i + 1) - chart.XDataII(0, i - 1)) * 86400.0;
                if (isBreak(i - 1))
                    continue;  // the half of an outage after its break
                if (!isBreak(i)) {
                    QVERIFY2((chart.XDataII(0, i) - chart.XDataII(0, i - 1)) * 86400.0 < 1.5,
                             qPrintable(QStringLiteral("a step without a break before point %1").arg(i)));
                    continue;
                }
                ++outages;
                QVERIFY2(step > 1.5 && step < 15.0,
                         qPrintable(QStringLiteral("%1 s around point %2").arg(step).arg(i)));
            }
            QCOMPARE(outages, view.gapPoints());
            QVERIFY2(outages >= 20 && outages <= 24, qPrintable(QString::number(outages)));
            QVERIFY2(rssAfter - rssBefore < 128 * 1024, qPrintable(QString::number(rssAfter - rssBefore)));
        } else {
            // Every record came one second after the one before: none was skipped.
            QVERIFY(std::abs((chart.XDataII(0, records - 1) - chart.XDataII(0, 0)) * 86400.0 - (records - 1)) < 1.0);
            for (int i = 0; i < records; i += records / 10 + 1)
                QVERIFY(chart.YData(0, i) < kGapValue);
        }
        QVERIFY(prompts.unexpected.isEmpty());
    }
};

QTEST_MAIN(TestLongRun)
#include "tst_longrun.moc"
