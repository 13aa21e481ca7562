// SPDX-License-Identifier: GPL-3.0-or-later
// The windowed program with three simulated meters (--meter given three times): the
// status bar names each meter and whether it answers, a real-time run takes every
// meter's readings at the same sample times, one meter unplugged for a while leaves
// gaps in its own channels only, and the library keeps the run with every channel and
// each meter's serial and name.
#include <qcustomplot.h>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <set>

#include "app/ui/monitorloop.h"
#include "app/ui/tfrmmain.h"
#include "base/clock.h"
#include "base/meternames.h"
#include "base/settings.h"
#include "chart/ui/chartview.h"
#include "graph/graphfile.h"
#include "graph/realtimerun.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/metersdialog.h"
#include "graph/ui/realtimeview.h"
#include "graph/ui/savegraph.h"
#include "graph/ui/tfrmgraph.h"
#include "graph/ui/tfrmsetuprealtime.h"
#include "library/library.h"
#include "library/libraryaccess.h"
#include "logger/ui/librarycommands.h"
#include "meter/sim/simdevice.h"
#include "panel/ui/tfrmpanel.h"
#include "panel/ui/toucharea.h"
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
    // Real Time > Meters…, answered by `answer`.
    void chooseMeters(std::function<int(MetersDialog&)> answer)
    {
        prompts.dialogs.push_back([answer](QDialog& d) { return answer(dynamic_cast<MetersDialog&>(d)); });
        main->findChild<QAction*>(QStringLiteral("Meters1"))->trigger();
    }
    // A run of `count` samples, ticked to its end.
    void run(int count)
    {
        // A run shown already: not saved, the new one replaces it.
        if (TfrmGraph* graph = RealTimeGraph(*program); graph && graph->realTimeView()->points() != 0)
            prompts.answers.push_back(QMessageBox::No);
        prompts.dialogs.push_back([count](QDialog& d) {
            dynamic_cast<TfrmSetupRealTime&>(d).edtRealTimeNo->setText(QString::number(count));
            return int(QDialog::Accepted);
        });
        main->btnRunClick();
        for (int i = 0; i < 400 && program->session.recording(); ++i)
            tick();
    }
};

QTableWidgetItem* cell(MetersDialog& d, int row, int column) { return d.list()->item(row, column); }

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

    // The dialog lists the three meters; the ticks say which take part in the next run and
    // the names are kept per serial; unticking every other meter gives a run of one.
    void theMetersDialogChoosesTheRunAndNamesMeters()
    {
        SeveralMetersRig rig;
        for (int i = 0; i < 3; ++i)
            rig.tick();
        rig.chooseMeters([](MetersDialog& d) {
            if (d.list()->rowCount() != 3)
                return int(QDialog::Rejected);
            const QStringList serials{QStringLiteral("OVEN-A"), QStringLiteral("OVEN-B"), QStringLiteral("COLD-1")};
            for (int row = 0; row < 3; ++row) {
                if (cell(d, row, MetersDialog::ColSerial)->text() != serials[row] ||
                    cell(d, row, MetersDialog::ColModel)->text() != QLatin1String("QZX") ||
                    cell(d, row, MetersDialog::ColSerial)->checkState() != Qt::Checked)
                    return int(QDialog::Rejected);
            }
            // The default cannot be left out.
            if (cell(d, 0, MetersDialog::ColSerial)->flags() & Qt::ItemIsUserCheckable ||
                cell(d, 0, MetersDialog::ColName)->text() != QLatin1String("Oven A"))
                return int(QDialog::Rejected);
            cell(d, 1, MetersDialog::ColName)->setText(QStringLiteral("  Oven B "));
            cell(d, 2, MetersDialog::ColSerial)->setCheckState(Qt::Unchecked);
            return int(QDialog::Accepted);
        });
        QCOMPARE(rig.prompts.dialogsShown, QStringList{QStringLiteral("frmMeters")});
        QVERIFY(rig.prompts.messages.isEmpty());
        QCOMPARE(ReadMeterName(*openProgramSettings(rig.program->settingsFile), QStringLiteral("OVEN-B")),
                 QStringLiteral("Oven B"));
        // Every meter is still watched; the status bar takes the new name at once.
        QCOMPARE(rig.meterStatus(), QStringLiteral("Oven A: on  |  Oven B: on  |  COLD-1: on"));

        rig.run(6);
        const auto& sources = rig.program->session.sources();
        QCOMPARE(int(sources.size()), 2);
        QCOMPARE(sources[1].serial, QStringLiteral("OVEN-B"));
        QCOMPARE(sources[1].name, QStringLiteral("Oven B"));
        QCOMPARE(int(rig.program->session.rows().size()), 6);
        for (const SessionRow& r : rig.program->session.rows())
            QCOMPARE(int(r.meters.size()), 2);

        // Reopened, it shows the choice; then every other meter unticked: a run of one meter.
        rig.chooseMeters([](MetersDialog& d) {
            if (cell(d, 2, MetersDialog::ColSerial)->checkState() != Qt::Unchecked ||
                cell(d, 1, MetersDialog::ColName)->text() != QLatin1String("Oven B"))
                return int(QDialog::Rejected);
            cell(d, 1, MetersDialog::ColSerial)->setCheckState(Qt::Unchecked);
            return int(QDialog::Accepted);
        });
        rig.run(4);
        QCOMPARE(int(rig.program->session.sources().size()), 1);
        QVERIFY(rig.program->session.rows().empty());
        QCOMPARE(int(rig.program->session.samples().size()), 4);
        QVERIFY(rig.prompts.unexpected.isEmpty());
    }

    // The real-time graph of three meters: four channels each, named after the meter, in
    // colours far apart that read on the plot; a meter's gap in its own channels only; a
    // click on a meter's heading in the legend hides its four channels. A run of one meter
    // afterwards has the four channels of the template again.
    void theGraphShowsEveryMetersChannels()
    {
        SeveralMetersRig rig;
        for (int i = 0; i < 3; ++i)
            rig.tick();
        rig.run(1);  // the window opens with the template's look
        TfrmGraph* w = RealTimeGraph(*rig.program);
        QVERIFY(w);
        ChartModel& chart = w->chart();
        rig.chooseMeters([](MetersDialog& d) {
            for (int row = 1; row < 3; ++row)
                cell(d, row, MetersDialog::ColSerial)->setCheckState(Qt::Unchecked);
            return int(QDialog::Accepted);
        });
        rig.run(1);
        QCOMPARE(chart.Subsets(), 4);
        const QStringList fourLabels{chart.SubsetLabels(0), chart.SubsetLabels(1), chart.SubsetLabels(2),
                                     chart.SubsetLabels(3)};
        rig.chooseMeters([](MetersDialog& d) {
            for (int row = 1; row < 3; ++row)
                cell(d, row, MetersDialog::ColSerial)->setCheckState(Qt::Checked);
            return int(QDialog::Accepted);
        });
        rig.run(40);
        QCOMPARE(chart.Subsets(), 12);
        QCOMPARE(chart.SubsetLabels(0), QStringLiteral("Oven A T1"));
        QCOMPARE(chart.SubsetLabels(6), QStringLiteral("OVEN-B T3"));
        QCOMPARE(chart.SubsetLabels(11), QStringLiteral("COLD-1 T4"));
        ChartView& view = w->view();
        QCOMPARE(view.legendGroups(),
                 (std::vector<QString>{QStringLiteral("Oven A"), QStringLiteral("OVEN-B"), QStringLiteral("COLD-1")}));

        // Every line as drawn: readable on the plot and unlike every other.
        const QColor back(chart.GraphBackColor() & 0xFF, (chart.GraphBackColor() >> 8) & 0xFF,
                          chart.GraphBackColor() >> 16);
        auto lum = [](const QColor& c) {
            auto ch = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
            return 0.2126 * ch(c.redF()) + 0.7152 * ch(c.greenF()) + 0.0722 * ch(c.blueF());
        };
        std::vector<QColor> drawn;
        for (int sub = 0; sub < 12; ++sub) {
            QVERIFY(view.graphOf(sub));
            const QColor c = view.graphOf(sub)->pen().color();
            const double hi = std::max(lum(c), lum(back)), lo = std::min(lum(c), lum(back));
            QVERIFY2((hi + 0.05) / (lo + 0.05) >= 4.5, qPrintable(QStringLiteral("subset %1").arg(sub)));
            for (const QColor& other : drawn) {
                const int dr = c.red() - other.red(), dg = c.green() - other.green(), db = c.blue() - other.blue();
                QVERIFY2(dr * dr + dg * dg + db * db >= 40 * 40, qPrintable(QStringLiteral("subset %1").arg(sub)));
            }
            drawn.push_back(c);
        }

        // Each row's readings in its meter's subsets; OVEN-B's gaps only in its own.
        const std::vector<SessionRow>& rows = rig.program->session.rows();
        QCOMPARE(int(rows.size()), 40);
        int gaps = 0;
        for (int i = 0, point = 0; i < int(rows.size()); ++i, ++point) {
            if (rows[std::size_t(i)].afterMiss)
                ++point;  // the break before it
            for (int m = 0; m < 3; ++m) {
                const SessionMeterReading& r = rows[std::size_t(i)].meters[std::size_t(m)];
                for (int c = 0; c < 4; ++c) {
                    QCOMPARE(chart.XDataII(4 * m + c, point), rows[std::size_t(i)].time);
                    const float want = r.present ? SampleValue(r.flags, c, r.t[std::size_t(c)]) : kGapValue;
                    QCOMPARE(chart.YData(4 * m + c, point), want);
                }
            }
            gaps += rows[std::size_t(i)].meters[1].present ? 0 : 1;
        }
        QVERIFY(gaps > 0);

        // Save: a graph file per meter, each the four channels of its meter.
        const QString saved = rig.dir.filePath(QStringLiteral("run.ghf"));
        rig.prompts.fileNames.push_back(saved);
        QVERIFY(SaveGraphAs(*rig.program, chart, w));
        for (int m = 0; m < 3; ++m) {
            const QString path = m == 0 ? saved : rig.dir.filePath(QStringLiteral("run-%1.ghf").arg(m + 1));
            ChartModel file;
            const GraphFileResult read = ReadGraphFile(file, path);
            QVERIFY2(read.ok(), qPrintable(path + ": " + read.error));
            QCOMPARE(file.Subsets(), 4);
            QCOMPARE(file.SubsetLabels(0), chart.SubsetLabels(4 * m));
            for (int c = 0; c < 4; ++c)
                QCOMPARE(file.yData(c), chart.yData(4 * m + c));
            QCOMPARE(file.alarmEvents().size(), m == 0 ? chart.alarmEvents().size() : std::size_t(0));
        }
        QVERIFY(!QFileInfo::exists(rig.dir.filePath(QStringLiteral("run-4.ghf"))));

        // Split: a plot per meter, each named after its meter; unsplit: one plot of all.
        w->chkSplit->setChecked(true);
        w->chkSplitClick();
        QCOMPARE(view.axisRectCount(), 3);
        QCOMPARE(chart.axisLayout()[1], (std::vector<int>{4, 5, 6, 7}));
        QCOMPARE(chart.shownAxisTitle(1), QStringLiteral("OVEN-B (°C)"));
        w->chkSplit->setChecked(false);
        w->chkSplitClick();
        QCOMPARE(view.axisRectCount(), 1);

        // The statistics fields show one meter at a time, the first unless another is chosen.
        RecordingSession& session = rig.program->session;
        QVERIFY(w->cmbStatMeter->isVisibleTo(w));
        QCOMPARE(w->cmbStatMeter->count(), 3);
        QCOMPARE(w->cmbStatMeter->itemText(1), QStringLiteral("OVEN-B"));
        auto showsMeter = [&](int meter) {
            for (int c = 0; c < 4; ++c)
                if (w->maxField(c)->text() != session.maximumText(c, meter) ||
                    w->minField(c)->text() != session.minimumText(c, meter) ||
                    w->avgField(c)->text() != session.averageText(c, meter) || w->maxField(c)->text().isEmpty())
                    return false;
            return true;
        };
        QVERIFY(showsMeter(0));
        QVERIFY(!showsMeter(2));  // the meters read temperatures of their own
        w->cmbStatMeter->setCurrentIndex(2);
        QVERIFY(showsMeter(2));

        // OVEN-B's heading hides its four channels and no other; again shows them.
        QCustomPlot* plot = view.customPlot();
        plot->replot();
        const QPoint heading = plot->legend->elementAt(ChartView::kChannelsPerGroup + 1)->rect().center();
        QCOMPARE(view.legendGroupAt(plot->mapTo(&view, heading)), 1);
        QTest::mouseClick(plot, Qt::LeftButton, {}, heading);
        for (int sub = 0; sub < 12; ++sub)
            QCOMPARE(view.graphOf(sub)->visible(), sub < 4 || sub >= 8);
        QTest::mouseClick(plot, Qt::LeftButton, {}, heading);
        for (int sub = 0; sub < 12; ++sub)
            QVERIFY(view.graphOf(sub)->visible());

        // The next run keeps the meter chosen, and its fields follow that meter's rows.
        rig.run(5);
        QCOMPARE(w->cmbStatMeter->currentIndex(), 2);
        QVERIFY(showsMeter(2));

        // One meter again: the template's four channels, the plain legend.
        rig.chooseMeters([](MetersDialog& d) {
            for (int row = 1; row < 3; ++row)
                cell(d, row, MetersDialog::ColSerial)->setCheckState(Qt::Unchecked);
            return int(QDialog::Accepted);
        });
        rig.run(3);
        QCOMPARE(chart.Subsets(), 4);
        for (int c = 0; c < 4; ++c)
            QCOMPARE(chart.SubsetLabels(c), fourLabels[c]);
        QVERIFY(view.legendGroups().empty());
        QVERIFY(!w->cmbStatMeter->isVisibleTo(w));
        QVERIFY(showsMeter(0));
        QCOMPARE(w->realTimeView()->points(), 3);
        QVERIFY(rig.prompts.unexpected.isEmpty());
    }

    // The front panel follows one meter at a time: chosen on the panel, it shows that
    // meter's display and its keys go to that meter alone.
    void thePanelFollowsTheMeterChosenOnIt()
    {
        SeveralMetersRig rig;
        for (int i = 0; i < 3; ++i)
            rig.tick();
        TfrmPanel* panel = rig.main->panel();
        QVERIFY(panel);
        QComboBox* choice = panel->meterChoice();
        QVERIFY(choice->isVisibleTo(panel));
        // Between the display and the keys: every key under it, everything the display shows
        // above it, and the picture's rim with the socket labels free.
        const QRect at = choice->geometry();
        for (QWidget* key : panel->findChildren<TouchArea*>())
            QVERIFY2(key->geometry().top() > at.bottom(), qPrintable(key->objectName()));
        for (QLabel* shown : panel->findChildren<QLabel*>()) {
            const QString name = shown->objectName();
            if (name != QLatin1String("imgPanel") && name != QLatin1String("lblNoConnection") &&
                shown->isVisibleTo(panel))
                QVERIFY2(shown->geometry().bottom() < at.top(), qPrintable(name));
        }
        QCOMPARE(choice->count(), 3);
        QCOMPARE(choice->itemText(0), QStringLiteral("Oven A"));
        QCOMPARE(choice->currentIndex(), 0);
        auto shows = [panel](const LiveReading& live) {
            for (std::size_t i = 0; i < panel->digitCache().size(); ++i)
                if (panel->digitCache()[i] != live.Glyphs[i])
                    return false;
            return true;
        };
        QVERIFY(shows(rig.program->live));

        const LiveReading& cold = rig.program->otherMeters[1]->live;
        choice->setCurrentIndex(2);
        emit choice->activated(2);
        QVERIFY(shows(cold));  // at once
        for (int i = 0; i < 5; ++i)
            rig.tick();
        QVERIFY(shows(cold));
        QVERIFY(!shows(rig.program->live));

        panel->btnHOLDClick();
        for (int i = 0; i < 5; ++i)
            rig.tick();
        QVERIFY(cold.segment(Segment::Hold));
        QVERIFY(!rig.program->live.segment(Segment::Hold));
        QVERIFY(!rig.program->otherMeters[0]->live.segment(Segment::Hold));
        QVERIFY(rig.prompts.unexpected.isEmpty());
    }

    // Nine meters ticked: refused with the reason, and nothing taken (not even a name).
    void moreThanEightMetersAreRefused()
    {
        QTemporaryDir dir;
        ManualClock clock;
        ScriptedPrompts prompts;
        Program program(sim(QStringLiteral("serial=M0"), clock), clock, prompts, dir.path());
        program.settingsFile = dir.filePath(QStringLiteral("settings.ini"));
        for (int i = 1; i < 9; ++i) {
            program.otherMeters.push_back(
                std::make_unique<OtherMeter>(sim(QStringLiteral("serial=M%1").arg(i), clock), clock));
            program.otherMeters.back()->chosen = false;
        }
        prompts.dialogs.push_back([](QDialog& d) {
            auto& meters = dynamic_cast<MetersDialog&>(d);
            for (int row = 1; row < meters.list()->rowCount(); ++row)
                cell(meters, row, MetersDialog::ColSerial)->setCheckState(Qt::Checked);
            cell(meters, 3, MetersDialog::ColName)->setText(QStringLiteral("Kiln"));
            return int(QDialog::Accepted);
        });
        MetersClick(program, nullptr);
        QCOMPARE(prompts.messages, QStringList{QStringLiteral("One run reads at most 8 meters, not 9.")});
        for (const auto& other : program.otherMeters)
            QVERIFY(!other->chosen);
        QVERIFY(ReadMeterName(*openProgramSettings(program.settingsFile), QStringLiteral("M3")).isEmpty());
    }
};

QTEST_MAIN(TestSeveralMeters)
#include "tst_severalmeters.moc"
