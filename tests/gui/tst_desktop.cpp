// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a desktop program: files from the command line, drag and drop and
// File > Recent Files; the help window; remembered window places; the keyboard.
#include <qcustomplot.h>
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest>

#include "app/ui/tfrmhelp.h"
#include "app/ui/windowplaces.h"
#include "base/datafolder.h"
#include "chart/chartmodel.h"
#include "chart/ui/chartview.h"
#include "files/ui/tfrmlist.h"
#include "graph/defaultlook.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/tfrmgraph.h"
#include "logger/datasetstore.h"
#include "meter/sim/simdemo.h"
#include "meter/sim/simmemory.h"
#include "panel/ui/tfrmpanel.h"
#include "program/programoptions.h"
#include "shellrig.h"
#include "widgets/mdiwindows.h"

using namespace kelvor;
using kelvor::test::ShellRig;

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// One file of each kind the program opens, and two it cannot.
struct Fixtures {
    QString graph, table, csv, collection, damaged, foreign, missing;
    explicit Fixtures(const QTemporaryDir& dir)
    {
        graph = dir.filePath(QStringLiteral("run.GHF"));
        writeFile(graph, DefaultTemplateFile());
        table = dir.filePath(QStringLiteral("table.txt"));
        writeFile(table, "1/5/26\t10:00:01 AM\t21.5\t30.0\t-1.0\tOL\r\n1/5/26\t10:00:02 AM\t22.5\t30.0\t-1.0\tOL\r\n");
        csv = dir.filePath(QStringLiteral("table.csv"));
        writeFile(csv, "1/5/26,10:00:01 AM,21.5,30.0,-1.0,OL\r\n");
        SimMemory memory;
        loadDemoDataSets(memory, 7, QDateTime(QDate(2026, 1, 5), QTime(10, 0)));
        const std::vector<std::uint8_t> image = memory.usedImage();
        collection = dir.filePath(QStringLiteral("download.ch4"));
        writeFile(collection, QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size())));
        damaged = dir.filePath(QStringLiteral("damaged.ghf"));
        writeFile(damaged, QByteArray("\xff\xff\xff\x7f", 4) + "short");
        foreign = dir.filePath(QStringLiteral("notes.doc"));
        writeFile(foreign, "not ours");
        missing = dir.filePath(QStringLiteral("gone.ghf"));
    }
};

QStringList childTitles(QMdiArea& area)
{
    QStringList titles;
    for (QMdiSubWindow* sub : area.subWindowList())
        if (sub->widget())
            titles << sub->widget()->windowTitle();
    return titles;
}

QStringList recentFiles(const ShellRig& rig)
{
    QSettings s(rig.settingsFile(), QSettings::IniFormat);
    return s.value(QStringLiteral("RecentFiles")).toStringList();
}

QString native(const QString& path) { return QDir::toNativeSeparators(path); }
}  // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void filesOpenByTheirKind()
    {
        ShellRig rig;
        const Fixtures f(rig.dir);
        rig.main->openFiles({f.graph, f.table, f.csv, f.collection});
        QVERIFY2(rig.prompts.messages.isEmpty(), qPrintable(rig.prompts.messages.join('\n')));
        const QStringList titles = childTitles(rig.main->mdiArea());
        QVERIFY(titles.contains(native(f.graph)));
        QVERIFY(titles.contains(native(f.table)));
        QVERIFY(titles.contains(native(f.csv)));
        QVERIFY(LoggerGraph(*rig.program));
        QVERIFY(rig.program->store.sets.size() >= 2);
        QCOMPARE(rig.main->mdiArea().findChildren<TfrmList*>().size(), 2);
        // Newest first in File > Recent Files.
        QCOMPARE(recentFiles(rig), QStringList({f.collection, f.csv, f.table, f.graph}));
    }

    void filesThatCannotBeOpenedAreNamed()
    {
        ShellRig rig;
        const Fixtures f(rig.dir);
        const int before = int(rig.main->mdiArea().subWindowList().size());
        rig.main->openFiles({f.missing, f.damaged, f.foreign});
        QCOMPARE(rig.prompts.messages.size(), 3);
        QVERIFY2(rig.prompts.messages[0].contains(native(f.missing)), qPrintable(rig.prompts.messages[0]));
        QVERIFY2(rig.prompts.messages[1].contains(native(f.damaged)), qPrintable(rig.prompts.messages[1]));
        QVERIFY(rig.prompts.messages[2].startsWith(QStringLiteral("Cannot open \"%1\"").arg(native(f.foreign))));
        QCOMPARE(int(rig.main->mdiArea().subWindowList().size()), before);  // no empty window left behind
        QVERIFY(recentFiles(rig).isEmpty());
    }

    // The files named on the command line are made absolute for a running copy, which
    // works in another folder; an empty argument (a script's unset variable) names none.
    void commandLineFilesAreAbsolute()
    {
        ProgramOptions options;
        const ProgramOptionsRead read =
            ReadProgramOptions({QStringLiteral("kelvor"), QStringLiteral("--meter=sim"), QStringLiteral("kiln.ghf"),
                                QString(), QStringLiteral("/tmp/run.ch4")},
                               options);
        QCOMPARE(read.exitStatus, -1);
        QCOMPARE(options.meter, QStringLiteral("sim"));
        QCOMPARE(options.files, QStringList({QDir::current().absoluteFilePath(QStringLiteral("kiln.ghf")),
                                             QStringLiteral("/tmp/run.ch4")}));
        const ProgramOptionsRead bad =
            ReadProgramOptions({QStringLiteral("kelvor"), QStringLiteral("--log=")}, options);
        QCOMPARE(bad.exitStatus, 2);
        QVERIFY2(bad.err.contains(QStringLiteral("--log needs a file name")), qPrintable(bad.err));
        // --meter given several times: the first is the program's meter, the others are
        // read beside it; a meter chosen twice is refused.
        const ProgramOptionsRead several =
            ReadProgramOptions({QStringLiteral("kelvor"), QStringLiteral("--meter=sim:serial=A"),
                                QStringLiteral("--meter=sim:serial=B"), QStringLiteral("--meter=sim:serial=C")},
                               options);
        QCOMPARE(several.exitStatus, -1);
        QCOMPARE(options.meter, QStringLiteral("sim:serial=A"));
        QCOMPARE(options.otherMeters, QStringList({QStringLiteral("sim:serial=B"), QStringLiteral("sim:serial=C")}));
        const ProgramOptionsRead twice = ReadProgramOptions(
            {QStringLiteral("kelvor"), QStringLiteral("--meter=sim:serial=A"), QStringLiteral("--meter=sim:serial=A")},
            options);
        QCOMPARE(twice.exitStatus, 2);
        QVERIFY2(twice.err.contains(QStringLiteral("already chosen")), qPrintable(twice.err));
    }

    void recentFilesKeepTheLastEightThatStillExist()
    {
        ShellRig rig;
        QStringList opened;
        for (int i = 0; i < 10; ++i) {
            const QString path = rig.dir.filePath(QStringLiteral("t%1.txt").arg(i));
            writeFile(path, "1/5/26\t10:00:01 AM\t21.5\t30.0\t-1.0\tOL\r\n");
            opened << path;
        }
        rig.main->openFiles(opened);
        rig.main->openFiles({opened[5]});  // opened again: back to the top, not twice
        QStringList expected = {opened[5], opened[9], opened[8], opened[7], opened[6], opened[4], opened[3], opened[2]};
        QCOMPARE(recentFiles(rig), expected);

        QVERIFY(QFile::remove(opened[8]));
        QMenu* menu = rig.main->RecentFiles1;
        emit menu->aboutToShow();
        QStringList shown;
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                shown << a->text();
        QCOMPARE(shown.size(), 8);  // seven files and "Clear Recent Files"
        QCOMPARE(shown.first(), QStringLiteral("&1 t5.txt"));
        QVERIFY(!shown.join(' ').contains(QStringLiteral("t8.txt")));

        // Choosing an entry opens that file.
        for (QMdiSubWindow* sub : rig.main->mdiArea().findChildren<QMdiSubWindow*>())
            if (qobject_cast<TfrmList*>(sub->widget()))
                delete sub;
        menu->actions().at(1)->trigger();
        QCOMPARE(childTitles(rig.main->mdiArea()).filter(QStringLiteral(".txt")), QStringList{native(opened[9])});
    }

    void droppedFilesOpen()
    {
        ShellRig rig;
        const Fixtures f(rig.dir);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(f.table), QUrl(QStringLiteral("https://example.org/x.ghf"))});
        QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.main.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.main.get(), &drop);
        QTRY_VERIFY(childTitles(rig.main->mdiArea()).contains(native(f.table)));
        QVERIFY(rig.prompts.messages.isEmpty());

        QMimeData text;
        text.setText(QStringLiteral("words"));
        QDragEnterEvent refused(QPoint(400, 300), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        refused.ignore();
        QApplication::sendEvent(rig.main.get(), &refused);
        QVERIFY(!refused.isAccepted());
    }

    void helpShowsThePageInsideTheProgram()
    {
        ShellRig rig;
        QVERIFY(installHelpPage(rig));
        QCOMPARE(rig.main->Contents1->shortcut(), QKeySequence(QKeySequence::HelpContents));
        rig.main->Contents1->trigger();
        TfrmHelp* help = rig.main->helpWindow();
        QVERIFY(help && help->isVisible());
        QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("Connecting the meter")));
        QVERIFY(help->browser()->openExternalLinks());
        // The same window again, not a second one.
        rig.main->Contents1->trigger();
        QCOMPARE(rig.main->helpWindow(), help);

        // Without a page in the data folder the program's own copy shows.
        TfrmHelp bare(rig.dir.filePath(QStringLiteral("nothing-here.htm")));
        QVERIFY(bare.browser()->toPlainText().contains(QStringLiteral("Connecting the meter")));
    }

    void childWindowsComeBackWhereTheyWere()
    {
        QTemporaryDir keep;
        const QString table = keep.filePath(QStringLiteral("table.txt"));
        writeFile(table, "1/5/26\t10:00:01 AM\t21.5\t30.0\t-1.0\tOL\r\n");
        const auto openTable = [&table](ShellRig& rig) {
            rig.main->openFiles({table});
            return MdiFrameOf(rig.main->mdiArea().findChildren<TfrmList*>().constLast());
        };
        const QRect placed(40, 30, 420, 260);
        const QString settings = keep.filePath(QStringLiteral("settings.ini"));
        {
            ShellRig rig;
            QMdiSubWindow* sub = openTable(rig);
            QVERIFY(sub);
            sub->setGeometry(placed);
            rig.main->close();
            QVERIFY(QFile::copy(rig.settingsFile(), settings));
            // The graphs keep their places by role: the real-time graph's is its own.
            const QSettings kept(settings, QSettings::IniFormat);
            QVERIFY(kept.contains(QStringLiteral("Windows/RealTimeGraph")));
            QVERIFY(!kept.contains(QStringLiteral("Windows/Graph")));
        }
        ShellRig rig(true, false);
        QFile::remove(rig.settingsFile());
        QVERIFY(QFile::copy(settings, rig.settingsFile()));
        rig.main->resize(1400, 900);
        rig.main->show();
        QMdiSubWindow* sub = openTable(rig);
        QTRY_COMPARE(sub->geometry(), placed);

        // A place from a larger screen is brought inside the window.
        sub->close();
        QSettings(rig.settingsFile(), QSettings::IniFormat)
            .setValue(QStringLiteral("Windows/TfrmList"), QRect(3000, 2000, 2500, 1800));
        sub = openTable(rig);
        const QRect room = rig.main->mdiArea().viewport()->rect();
        QTRY_VERIFY(room.contains(sub->geometry()) && sub->geometry().topLeft() != QPoint(3000, 2000));
    }

    void placesAreFittedIntoTheScreen_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QRect>("fitted");
        const QRect screen(0, 0, 1366, 768);
        QTest::newRow("inside") << QRect(10, 20, 300, 200) << QRect(10, 20, 300, 200);
        QTest::newRow("off to the right") << QRect(1800, 900, 400, 300) << QRect(966, 468, 400, 300);
        QTest::newRow("larger") << QRect(-50, -40, 1920, 1080) << screen;
        QTest::newRow("above the left") << QRect(-300, -200, 400, 300) << QRect(0, 0, 400, 300);
    }

    void placesAreFittedIntoTheScreen()
    {
        QFETCH(QRect, rect);
        QFETCH(QRect, fitted);
        QCOMPARE(WindowPlaces::fitInto(rect, QRect(0, 0, 1366, 768)), fitted);
    }

    void mainWindowComesBackOnTheScreen()
    {
        ShellRig rig(true, false);
        const QRect screen = QApplication::primaryScreen()->availableGeometry();
        {
            // Saved on a far larger screen, far off this one.
            QWidget big;
            big.setGeometry(screen.right() + 2000, screen.bottom() + 1500, 2600, 1900);
            QSettings(rig.settingsFile(), QSettings::IniFormat)
                .setValue(QStringLiteral("Windows/Main"), big.saveGeometry());
        }
        rig.main->showInPlace();
        QVERIFY(rig.main->isVisible());
        QVERIFY2(screen.contains(rig.main->frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                            .arg(rig.main->x())
                                                                            .arg(rig.main->y())
                                                                            .arg(rig.main->width())
                                                                            .arg(rig.main->height())));
    }

    void keyboardCommands()
    {
        ShellRig rig;
        TfrmMain& m = *rig.main;
        QCOMPARE(m.Exit1->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
        QCOMPARE(m.Run1->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
        QCOMPARE(m.Stop1->shortcut(), QKeySequence(QStringLiteral("Ctrl+.")));
        QCOMPARE(m.ZoomIn1->shortcut(), QKeySequence(QStringLiteral("Ctrl+=")));
        QCOMPARE(m.ZoomOut1->shortcut(), QKeySequence(QStringLiteral("Ctrl+-")));
        QCOMPARE(m.UndoZoom1->shortcut(), QKeySequence(QStringLiteral("Ctrl+0")));
        QCOMPARE(m.CloseWindow1->shortcut(), QKeySequence(QStringLiteral("Ctrl+W")));
        // No key does two things.
        QMap<QString, QString> owner;
        for (QAction* a : m.findChildren<QAction*>()) {
            // The child windows' own system menus and shortcuts that only label a menu
            // entry are not the main window's keys.
            if (a->shortcutContext() == Qt::WidgetShortcut || !a->parent() ||
                (qobject_cast<QMenu*>(a->parent()) && qobject_cast<QMdiSubWindow*>(a->parent()->parent())))
                continue;
            for (const QKeySequence& k : a->shortcuts()) {
                const QString key = k.toString();
                QVERIFY2(
                    !owner.contains(key) || owner[key] == a->objectName(),
                    qPrintable(key + QStringLiteral(": ") + owner[key] + QStringLiteral(" and ") + a->objectName()));
                owner[key] = a->objectName();
            }
        }

        // Zoom on the active graph, and back.
        TfrmGraph* graph = RealTimeGraph(*rig.program);
        QVERIFY(graph);
        rig.main->mdiArea().setActiveSubWindow(qobject_cast<QMdiSubWindow*>(graph->parentWidget()));
        QCPAxis* x = graph->PESGraph1->customPlot()->axisRect(0)->axis(QCPAxis::atBottom);
        const double span = x->range().size();
        m.ZoomIn1->trigger();
        QVERIFY(qAbs(x->range().size() - span / 2) < span * 1e-6);
        QVERIFY(graph->UndoZoom->isEnabled());
        m.ZoomOut1->trigger();
        m.ZoomOut1->trigger();
        QVERIFY(qAbs(x->range().size() - span * 2) < span * 1e-6);
        m.UndoZoom1->trigger();
        QVERIFY(qAbs(x->range().size() - span) < span * 1e-6);
        QVERIFY(!graph->UndoZoom->isEnabled());

        // Ctrl+W closes the active child window, from the menu and from the keyboard.
        const int children = int(m.mdiArea().subWindowList().size());
        m.CloseWindow1->trigger();
        QCOMPARE(int(m.mdiArea().subWindowList().size()), children - 1);
        QApplication::setActiveWindow(&m);
        QMdiSubWindow* next = m.mdiArea().subWindowList().constFirst();
        m.mdiArea().setActiveSubWindow(next);
        next->widget()->setFocus();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : next, Qt::Key_W,
                        Qt::ControlModifier);
        QTRY_COMPARE(int(m.mdiArea().subWindowList().size()), children - 2);
    }

    void panelKeysFromTheKeyboard()
    {
        ShellRig rig;
        TfrmPanel* panel = rig.main->panel();
        QVERIFY(panel);
        const struct {
            Qt::Key key;
            char command;
        } cases[] = {{Qt::Key_H, 'H'}, {Qt::Key_M, 'M'}, {Qt::Key_N, 'N'}, {Qt::Key_R, 'E'},
                     {Qt::Key_U, 'C'}, {Qt::Key_L, 'B'}, {Qt::Key_A, 'R'}, {Qt::Key_E, 'm'}};
        for (const auto& c : cases) {
            const int before = rig.meter->count(c.command);
            QTest::keyClick(panel, c.key);
            QVERIFY2(rig.meter->count(c.command) == before + 1, qPrintable(QKeySequence(c.key).toString()));
        }
        const size_t frames = rig.meter->frames.size();
        QTest::keyClick(panel, Qt::Key_H, Qt::ControlModifier);  // not a panel key
        QCOMPARE(rig.meter->frames.size(), frames);
    }

    void everyButtonHasATipAndAName()
    {
        ShellRig rig;
        QList<QWidget*> buttons;
        for (QToolButton* b : rig.main->findChildren<QToolButton*>())
            if (b->isVisibleTo(rig.main.get()) && !b->objectName().startsWith(QLatin1String("qt_")))
                buttons << b;
        for (QWidget* key : rig.main->panel()->findChildren<QWidget*>())
            if (key->objectName().startsWith(QLatin1String("btn")))
                buttons << key;
        QVERIFY(buttons.size() > 20);
        for (QWidget* b : buttons) {
            QVERIFY2(!b->toolTip().isEmpty(), qPrintable(b->objectName()));
            QVERIFY2(!b->accessibleName().isEmpty(), qPrintable(b->objectName()));
        }
    }

    void windowsFollowTheDesktopPalette()
    {
        const QPalette light = QApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
        dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
        dark.setColor(QPalette::Text, Qt::white);
        dark.setColor(QPalette::WindowText, Qt::white);
        dark.setColor(QPalette::Dark, QColor(0x10, 0x10, 0x10));
        QApplication::setPalette(dark);
        {
            ShellRig rig;
            TfrmGraph* graph = RealTimeGraph(*rig.program);
            QCOMPARE(graph->txtT1Max->palette().color(QPalette::Base), QColor(0x20, 0x20, 0x20));
            QCOMPARE(rig.main->mdiArea().background().color(), QColor(0x10, 0x10, 0x10));
            // The chart keeps its own described colours.
            QCOMPARE(graph->chart().GraphBackColor(), 0);
        }
        QApplication::setPalette(light);
    }

private:
    static bool installHelpPage(ShellRig& rig) { return installHelpFile(rig.program->dataDir); }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
