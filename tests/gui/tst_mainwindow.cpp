// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "app/ui/monitorloop.h"
#include "app/ui/tfrmabout.h"
#include "files/ui/tfrmlist.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/tfrmgraph.h"
#include "kelvor_version.h"
#include "logger/ui/loggerwindow.h"
#include "meter/unavailabledevice.h"
#include "panel/ui/tfrmpanel.h"
#include "shellrig.h"

using namespace kelvor;
using kelvor::test::ShellRig;

class TestMainWindow : public QObject {
    Q_OBJECT
private:
    static bool noConnectionShown(const TfrmMain& main)
    {
        const TfrmPanel* panel = main.panel();
        return panel && !panel->findChild<QLabel*>(QStringLiteral("lblNoConnection"))->isHidden();
    }

private slots:
    void startsWithoutMeter()
    {
        ShellRig rig(false);
        TfrmMain& m = *rig.main;
        QCOMPARE(m.windowTitle(), QStringLiteral("KELVOR"));
        QCOMPARE(m.statusText(1), QStringLiteral("Off Connection"));
        QVERIFY(rig.main->panel());
        QVERIFY(noConnectionShown(*rig.main));
        QVERIFY(!m.Setup1->isVisible());
        QVERIFY(m.monitor().mainTimer().isActive());
        QCOMPARE(m.monitor().mainTimer().interval(), 500);
        rig.tick(3);
        QVERIFY(rig.meter->frames.empty());  // the link never opened
        QCOMPARE(m.statusText(1), QStringLiteral("Off Connection"));
        QVERIFY(m.btnDataLogger->isEnabled());  // using it reports the missing meter
        QVERIFY(!m.btnRun->isEnabled() && !m.Run1->isEnabled());
        QCOMPARE(m.monitor().mainTimer().interval(), 500);
    }

    void startsWithoutABackendAndSaysWhy()
    {
        QTemporaryDir dir;
        ManualClock clock;
        test::ScriptedPrompts prompts;
        const QString why = QStringLiteral("permission denied on /dev/hidraw3");
        Program program(std::make_unique<UnavailableDevice>(why), clock, prompts, dir.path());
        program.settingsFile = dir.filePath(QStringLiteral("s.ini"));
        program.deviceProblem = why;
        TfrmMain m(program);
        m.show();
        QCOMPARE(m.statusText(0), why);
        QCOMPARE(m.statusText(1), QStringLiteral("Off Connection"));
        m.monitor().MainTimerTimer();
        QVERIFY(!program.monitor.Connected);
        QCOMPARE(m.statusText(0), why);
    }

    void layoutOfCommands()
    {
        ShellRig rig;
        TfrmMain& m = *rig.main;
        QStringList menus;
        for (QAction* a : m.menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, QStringList({"&File", "&Real Time", "&Data Logger", "&View", "&Options", "&Window", "&Help"}));
        QStringList buttons;
        for (QToolButton* b : m.findChild<QToolBar*>(QStringLiteral("Panel1"))
                                  ->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly))
            if (!b->objectName().isEmpty() && !b->objectName().startsWith(QLatin1String("qt_")))
                buttons << b->objectName();
        QCOMPARE(buttons, QStringList({"SpeedButton1", "SpeedButton2", "btnPrint", "btnDataLogger", "btnOutputToGraph",
                                       "btnLibrary", "btnRun", "btnStop", "SpeedButton8"}));
        QVERIFY(!m.SpeedButton8->isVisible());
        QVERIFY(!m.btnOutputToGraph->isEnabled());
        QCOMPARE(m.Open1->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(m.Save1->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(m.Print1->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));

        // The Window menu lists the open children.
        QMenu* window = m.findChild<QMenu*>(QStringLiteral("Window1"));
        emit window->aboutToShow();
        QStringList items;
        for (QAction* a : window->actions())
            items << a->text();
        QVERIFY2(items.filter(QStringLiteral("PANEL")).size() == 1, qPrintable(items.join('|')));
        QVERIFY2(items.filter(QStringLiteral("Real-Time Graph")).size() == 1, qPrintable(items.join('|')));
    }

    void aboutBox()
    {
        ShellRig rig;
        bool ok = false;
        rig.prompts.dialogs.push_back([&ok](QDialog& d) {
            auto* title = d.findChild<QLabel*>(QStringLiteral("Label1"));
            const QFont f = title->font();
            ok = title->text() == QLatin1String("Four Channel Thermometer Software") && f.bold() && f.italic() &&
                 d.findChild<QLabel*>(QStringLiteral("lblVersion"))->text() == KELVOR_VERSION &&
                 !d.findChild<QWidget*>(QStringLiteral("BitBtn1"))->isHidden();
            return ok ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        rig.main->About1Click();
        QCOMPARE(rig.prompts.dialogsShown.size(), 1);
        QVERIFY(ok);
        TfrmAbout splash(nullptr, true);
        QVERIFY(splash.okButton()->isHidden());
    }

    void connectsAtNextTick()
    {
        ShellRig rig(false);
        TfrmMain& m = *rig.main;
        auto* meterStatus = m.findChild<QLabel*>(QStringLiteral("StatusMeter"));
        rig.meter->serial = QStringLiteral("KV-0043");
        rig.tick();
        QVERIFY(meterStatus->text().isEmpty());
        rig.meter->present = true;  // plugged in
        rig.tick();
        QVERIFY(rig.program->monitor.Connected);
        QCOMPARE(m.statusText(1), QStringLiteral("On Connection"));
        QCOMPARE(meterStatus->text(), QStringLiteral("Meter KV-0043"));
        QCOMPARE(m.monitor().mainTimer().interval(), 200);
        QVERIFY(m.btnRun->isEnabled() && m.Run1->isEnabled());
        QVERIFY(!m.btnStop->isEnabled() && !m.Stop1->isEnabled());
        QVERIFY(!noConnectionShown(*rig.main));
        QCOMPARE(rig.meter->count('A'), 0);  // the tick that connects does not read
        rig.tick();
        QCOMPARE(rig.meter->count('A'), 1);
        QCOMPARE(m.monitor().goodReads(), 1);
    }

    void missedReads_data()
    {
        QTest::addColumn<QList<bool>>("reads");
        QTest::addColumn<bool>("connected");
        QTest::newRow("two misses, one good, two misses") << QList<bool>{false, false, true, false, false} << true;
        QTest::newRow("three misses in a row") << QList<bool>{true, false, false, false} << false;
    }
    void missedReads()
    {
        QFETCH(QList<bool>, reads);
        QFETCH(bool, connected);
        ShellRig rig;
        TfrmMain& m = *rig.main;
        rig.meter->serial = QStringLiteral("KV-0042");
        rig.tick();  // connect
        m.monitor().recFullTimer().start();
        rig.meter->liveReads.assign(reads.begin(), reads.end());
        rig.tick(int(reads.size()));
        QCOMPARE(rig.program->monitor.Connected, connected);
        if (connected) {
            QCOMPARE(m.statusText(1), QStringLiteral("On Connection"));
            QCOMPARE(rig.program->monitor.MissedReads, 2);
            return;
        }
        QCOMPARE(m.statusText(1), QStringLiteral("No Connection"));
        QVERIFY(m.findChild<QLabel*>(QStringLiteral("StatusMeter"))->text().isEmpty());
        QCOMPARE(m.monitor().mainTimer().interval(), 500);
        QCOMPARE(rig.program->monitor.MissedReads, 0);
        QVERIFY(!m.monitor().recFullTimer().isActive());
        QVERIFY(noConnectionShown(*rig.main));
        for (QObject* o : std::initializer_list<QObject*>{m.btnRun, m.btnStop, m.btnDataLogger})
            QVERIFY2(!static_cast<QWidget*>(o)->isEnabled(), qPrintable(o->objectName()));
        QVERIFY(!m.Run1->isEnabled() && !m.Stop1->isEnabled() && !m.DataLogger1->isEnabled());
        rig.tick();  // back to probing, and found again
        QCOMPARE(m.statusText(1), QStringLiteral("On Connection"));
        QVERIFY(m.btnDataLogger->isEnabled() && m.DataLogger1->isEnabled());
    }

    void garbledReplyIsNeitherDecodedNorAMiss()
    {
        ShellRig rig;
        rig.tick();
        rig.program->live.T[0] = 42.0f;
        const std::array<std::uint8_t, 64> good = rig.meter->liveReply;
        rig.meter->liveReply[63] = 0x00;
        rig.tick(4);
        QVERIFY(rig.main->statusText(0).isEmpty());  // a few unreadable replies are not worth a word
        rig.tick();
        QVERIFY(rig.program->monitor.Connected);
        QCOMPARE(rig.program->monitor.MissedReads, 0);
        QCOMPARE(rig.program->live.T[0], 42.0f);
        // A second of them is: the values on screen stand still, and the status says why.
        QCOMPARE(rig.main->statusText(0), QString::fromLatin1(kelvor::kReadingsStoppedText));
        QCOMPARE(rig.main->statusText(1), QStringLiteral("On Connection"));
        rig.meter->liveReply = good;
        rig.tick();
        QVERIFY(rig.main->statusText(0).isEmpty());
        QVERIFY(rig.program->live.T[0] != 42.0f);
    }

    void dueSamplesAreHandedOver()
    {
        // Seconds are counted per change of the clock's second; a sample falls due after
        // the rate's seconds and is taken at the next valid reading.
        ShellRig rig;
        QList<double> times;
        QObject::connect(&rig.program->session, &RecordingSession::sampleAdded,
                         [&](const SessionSample& s, std::uint8_t) { times << s.time; });
        rig.tick();
        SessionSettings run;
        run.rateSeconds = 2;
        rig.program->session.start(run);
        rig.program->monitor.SecondTicks = 0;
        rig.tick(5);  // to 10:00:01.200: the second changed once
        QCOMPARE(rig.program->monitor.SecondTicks, 1);
        QVERIFY(times.isEmpty());
        rig.meter->liveReads = {true, true, true, false, true};  // due at :02.000, that read fails
        rig.tick(5);
        QCOMPARE(times.size(), 1);
        QCOMPARE(fromDays(times[0]).time(), QTime(10, 0, 2, 200));
        QCOMPARE(rig.program->monitor.SecondTicks, 0);
        QVERIFY(rig.program->graph.RealTimeUnsaved);

        // With the real-time graph closed and the run kept, the samples go on being taken.
        rig.program->graph.RealTimeUnsaved = false;      // no save prompt on closing
        rig.prompts.answers.push_back(QMessageBox::No);  // do not end the run
        RealTimeGraph(*rig.program)->close();
        QTRY_VERIFY(!RealTimeGraph(*rig.program));
        QVERIFY(rig.program->session.recording());
        rig.tick(10);
        QCOMPARE(times.size(), 2);
        QCOMPARE(fromDays(times[1]).time(), QTime(10, 0, 4, 0));
        QVERIFY(!rig.program->graph.RealTimeUnsaved);
    }

    void panelKeySendsOneFrameAndResumes()
    {
        ShellRig rig;
        rig.tick();
        rig.meter->frames.clear();
        TfrmPanel* panel = rig.main->panel();
        QTest::mouseClick(panel->findChild<QWidget*>(QStringLiteral("btnRec")), Qt::LeftButton);
        QCOMPARE(rig.meter->frames.size(), std::size_t(1));
        const test::FakeMeter::Frame expected{0x02, 0x45, 0, 0, 0, 0, 0x03};
        QVERIFY(rig.meter->frames[0] == expected);
        QVERIFY(rig.main->monitor().mainTimer().isActive());
        rig.tick();
        QCOMPARE(rig.meter->count('A'), 1);

        // MIN/MAX/AVG: a double click is "M" then "N", nothing more.
        rig.meter->frames.clear();
        QWidget* mma = panel->findChild<QWidget*>(QStringLiteral("btnMMA"));
        QTest::mouseClick(mma, Qt::LeftButton);
        QTest::mouseDClick(mma, Qt::LeftButton);
        QTest::mouseRelease(mma, Qt::LeftButton);
        QCOMPARE(rig.meter->frames.size(), std::size_t(2));
        QCOMPARE(rig.meter->frames[0][1], std::uint8_t('M'));
        QCOMPARE(rig.meter->frames[1][1], std::uint8_t('N'));
    }

    void failedKeyWaitsAndResumes()
    {
        ShellRig rig(false);
        const std::uint32_t before = rig.clock.tickMs();
        rig.main->panel()->btnHOLDClick();
        QVERIFY(rig.clock.tickMs() - before > 300);
        QVERIFY(rig.main->monitor().mainTimer().isActive());
        QCOMPARE(rig.meter->count('H'), 1);
        QVERIFY(rig.prompts.messages.isEmpty());

        // The panel closed by a click during that wait: the key handler still resumes.
        rig.clock.setRunQtEvents(true);
        TfrmPanel* panel = rig.main->panel();
        QTimer::singleShot(0, panel, &TfrmPanel::btnCloseClick);
        panel->btnCFClick();
        QTRY_VERIFY(!rig.main->panel());
        QVERIFY(rig.main->monitor().mainTimer().isActive());
    }

    void pauseInsideATickDoesNotWait()
    {
        ShellRig rig;
        rig.program->monitor.PollBusy = true;  // as if a handler ran from inside a tick
        rig.program->monitorLoop.pause();      // must return, not spin forever
        QVERIFY(!rig.main->monitor().mainTimer().isActive());
        rig.program->monitor.PollBusy = false;
        rig.program->monitorLoop.resume();
        QVERIFY(rig.main->monitor().mainTimer().isActive());
    }

    void controlPanelReopensAndRestores()
    {
        ShellRig rig;
        TfrmMain& m = *rig.main;
        rig.main->panel()->btnCloseClick();
        QTRY_VERIFY(!rig.main->panel());
        QVERIFY(!m.ControlPanel1->isChecked());
        m.ControlPanel1->trigger();
        QVERIFY(rig.main->panel());
        QVERIFY(m.ControlPanel1->isChecked());
        QCOMPARE(rig.main->panel()->subWindow()->pos(), QPoint(0, 0));
        QVERIFY(noConnectionShown(*rig.main));  // not connected yet
        QMdiSubWindow* sub = rig.main->panel()->subWindow();
        sub->showMinimized();
        m.ControlPanel1->trigger();
        QCOMPARE(rig.main->panel()->subWindow(), sub);  // restored, not a second one
        QVERIFY(!sub->isMinimized());
        int panels = 0;
        for (QMdiSubWindow* w : m.mdiArea().subWindowList())
            panels += qobject_cast<TfrmPanel*>(w->widget()) != nullptr;
        QCOMPARE(panels, 1);
    }

    void draggingThePictureMovesThePanel()
    {
        ShellRig rig;
        TfrmPanel* panel = rig.main->panel();
        QWidget* picture = panel->findChild<QWidget*>(QStringLiteral("imgPanel"));
        QMdiSubWindow* sub = panel->subWindow();
        const QPoint start = sub->pos();
        QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(20, 690));
        QMouseEvent move(QEvent::MouseMove, QPointF(60, 720), picture->mapToGlobal(QPointF(60, 720)), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(picture, &move);
        QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(60, 720));
        QCOMPARE(sub->pos(), start + QPoint(40, 30));
        // A press on a key never drags.
        QTest::mousePress(panel->findChild<QWidget*>(QStringLiteral("btnCF")), Qt::LeftButton);
        QCOMPARE(sub->pos(), start + QPoint(40, 30));
    }

    void exitAsksTheCloseQuestionsFirst()
    {
        struct Case {
            const char* name;
            bool unsaved;  // a download not yet saved
            QMessageBox::StandardButton answer;
            bool closes;
        };
        const Case cases[] = {
            {"nothing unsaved", false, QMessageBox::NoButton, true},
            {"unsaved, Cancel", true, QMessageBox::Cancel, false},
            {"unsaved, No", true, QMessageBox::No, true},
        };
        for (const Case& c : cases) {
            ShellRig rig;
            // A table opened before the DataLogger window must survive a Cancel too.
            auto* table = new TfrmList(*rig.program);
            rig.program->windowSignals.showWindow(table);
            QPointer<QWidget> list = table;
            QPointer<TfrmGraph> logger = EnsureLoggerGraph(*rig.program);
            rig.program->graph.LoggerGraphUnsaved = c.unsaved;
            rig.program->session.setRateSeconds(9);
            if (c.answer != QMessageBox::NoButton)
                rig.prompts.answers.push_back(c.answer);
            rig.prompts.messages.clear();

            rig.main->Exit1Click();

            const QStringList asked = c.unsaved ? QStringList{QStringLiteral("Save DataLogger Data ?")} : QStringList{};
            QVERIFY2(rig.prompts.messages == asked, c.name);
            QVERIFY2(rig.prompts.unexpected.isEmpty(), c.name);
            QTRY_VERIFY2(bool(list) != c.closes && bool(logger) != c.closes, c.name);
            QVERIFY2(bool(rig.main->panel()) != c.closes, c.name);
            QVERIFY2(rig.main->monitor().mainTimer().isActive() != c.closes, c.name);
            QVERIFY2(!QFile::exists(rig.settingsFile()), c.name);  // Exit never writes the settings
        }
    }

    // The windows reach the main window through signals that end with it: afterwards a
    // new window shows itself, the command switches reach nobody, and a window shown on
    // its own goes with the program.
    void windowSignalsEndWithTheMainWindow()
    {
        ShellRig rig;
        rig.tick();  // connected: Run follows the switch
        WindowSignals& signals_ = rig.program->windowSignals;
        auto* table = new TfrmList(*rig.program);
        signals_.showWindow(table);
        QVERIFY(qobject_cast<QMdiSubWindow*>(table->parentWidget()));
        auto* run = rig.main->findChild<QToolButton*>(QStringLiteral("btnRun"));
        QVERIFY(run);
        for (const bool on : {false, true}) {
            emit signals_.runEnabled(on);
            QCOMPARE(run->isEnabled(), on);
        }

        QPointer<QWidget> inArea = table;
        rig.main.reset();
        QVERIFY(!inArea);
        emit signals_.runEnabled(false);
        emit signals_.stopEnabled(true);
        QPointer<QWidget> alone = new TfrmList(*rig.program);
        signals_.showWindow(alone);
        QVERIFY(alone->isVisible());
        QVERIFY(!alone->parentWidget());
        // Such a window points into the program, so it goes with it (the logger's graph too).
        QPointer<QWidget> logger = EnsureLoggerGraph(*rig.program);
        QVERIFY(logger && !logger->parentWidget());
        rig.program.reset();
        QVERIFY(!alone);
        QVERIFY(!logger);
    }

    void settingsAreReadAndOnlyWrittenOnClose()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("settings.ini"));
        {
            QSettings s(file, QSettings::IniFormat);
            s.setValue(QStringLiteral("RealTimeRate"), 75);
            s.setValue(QStringLiteral("AnnoColor"), 255);
        }
        auto readRate = [&] {
            return QSettings(file, QSettings::IniFormat).value(QStringLiteral("RealTimeRate")).toInt();
        };

        ShellRig exitRig(true, false);
        exitRig.program->settingsFile = file;
        exitRig.main = std::make_unique<TfrmMain>(*exitRig.program);
        QCOMPARE(exitRig.program->session.rateSeconds(), 75);
        QCOMPARE(exitRig.program->graph.AnnoColor, 255);
        exitRig.program->session.setRateSeconds(5);
        exitRig.main->Exit1Click();
        exitRig.main.reset();
        QCOMPARE(readRate(), 75);  // File > Exit leaves the old value

        // A graph that refuses to close (its save prompt cancelled) keeps everything open.
        ShellRig refuseRig(true, false);
        refuseRig.program->settingsFile = file;
        refuseRig.main = std::make_unique<TfrmMain>(*refuseRig.program);
        refuseRig.main->show();
        refuseRig.prompts.messages.clear();
        refuseRig.program->graph.RealTimeUnsaved = true;
        refuseRig.program->session.setRateSeconds(9);
        refuseRig.prompts.answers.push_back(QMessageBox::Cancel);
        QVERIFY(!refuseRig.main->close());
        QCOMPARE(refuseRig.prompts.messages.size(), 1);
        QVERIFY(refuseRig.main->panel() && RealTimeGraph(*refuseRig.program));
        QCOMPARE(readRate(), 75);

        ShellRig closeRig(true, false);
        closeRig.program->settingsFile = file;
        closeRig.main = std::make_unique<TfrmMain>(*closeRig.program);
        closeRig.main->show();
        closeRig.program->session.setRateSeconds(5);
        QVERIFY(closeRig.main->close());
        QCOMPARE(readRate(), 5);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
