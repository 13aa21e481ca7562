// SPDX-License-Identifier: GPL-3.0-or-later
// Text tables in table windows, "Output Tabular to graph", graph files and the Save
// command's choice by the active window.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "chart/chartmodel.h"
#include "export/exportseries.h"
#include "export/spreadsheetcsv.h"
#include "files/filetypename.h"
#include "files/ui/filecommands.h"
#include "files/ui/openfiles.h"
#include "files/ui/tablerowsmodel.h"
#include "files/ui/tabletograph.h"
#include "files/ui/tfrmlist.h"
#include "files/ui/tfrmopensave.h"
#include "graph/graphfile.h"
#include "graph/realtimerun.h"
#include "graph/realtimestate.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/savegraph.h"
#include "graph/ui/tfrmgraph.h"
#include "loggerrig.h"
#include "panel/ui/tfrmpanel.h"
#include "shellrig.h"

using namespace kelvor;
using kelvor::test::LoggerRig;

namespace {
TableRows sampleRows(int n)
{
    TableRows rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back({QStringLiteral("1/5/26"), QStringLiteral("10:00:%1 AM").arg(i, 2, 10, QLatin1Char('0')),
                        QStringLiteral("%1.5").arg(20 + i), QStringLiteral("30.0"), QStringLiteral("-1.0"),
                        QStringLiteral("OL")});
    return rows;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The range window's answer: All, or Select with the two entries.
std::function<int(QDialog&)> range(const QString& from = QString(), const QString& to = QString())
{
    return [from, to](QDialog& d) {
        if (!from.isNull()) {
            d.findChild<QRadioButton*>(QStringLiteral("radNo"))->setChecked(true);
            d.findChild<QLineEdit*>(QStringLiteral("edtSelFrom"))->setText(from);
            d.findChild<QLineEdit*>(QStringLiteral("edtSelTo"))->setText(to);
        }
        return int(QDialog::Accepted);
    };
}
}  // namespace

class TestDataFiles : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { QLocale::setDefault(QLocale::system()); }
    void tableSavedAndReadBack_data();
    void tableSavedAndReadBack();
    void selectedRange_data();
    void selectedRange();
    void unwritableTableIsReported();
    void fileWithoutTableRows_data();
    void fileWithoutTableRows();
    void decimalCommaOffersNoCsv();
    void decimalCommaCsvIsRefused_data();
    void decimalCommaCsvIsRefused();
    void outputTableToGraph();
    void outputTableWithWordsForDates();
    void graphFileOpensInItsOwnWindow();
    void spreadsheetTableOpensAsItsGraph();
    void saveFollowsTheActiveWindow();
    void columnsFitTheirWidestCellsAnywhere();
};

void TestDataFiles::tableSavedAndReadBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<char>("separator");
    QTest::newRow("txt") << "t.txt" << '\t';
    QTest::newRow("DATA.CSV") << "DATA.CSV" << ',';
}

void TestDataFiles::tableSavedAndReadBack()
{
    QFETCH(QString, name);
    QFETCH(char, separator);
    LoggerRig rig;
    TfrmList list(*rig.program);
    list.setRows(sampleRows(3));
    const QString path = rig.path(name);
    rig.prompts.fileNames.push_back(path);
    rig.prompts.dialogs.push_back(range());
    QVERIFY(Save1Click(*rig.program, &list));

    QByteArray expected;
    for (const TableRow& row : list.rows()) {
        for (const QString& cell : row)
            expected += cell.toLatin1() + separator;
        expected += "\r\n";
    }
    QCOMPARE(readAll(path), expected);

    TfrmList* back = OpenTextTable(*rig.program, path);
    QVERIFY(back);
    QCOMPARE(back->rows(), list.rows());
    QCOMPARE(back->windowTitle(), QDir::toNativeSeparators(path));
    QCOMPARE(back->cell(0, 3), QStringLiteral("3"));
    QCOMPARE(back->Grid1->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("T1"));
    QVERIFY(rig.prompts.messages.isEmpty());
    delete back;
}

void TestDataFiles::selectedRange_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("5 to 2") << "5"
                            << "2" << 2 << 5;
    QTest::newRow("to 99") << "4"
                           << "99" << 4 << 10;
    QTest::newRow("from 0") << "0"
                            << "3" << 1 << 3;
    QTest::newRow("from -3") << "-3"
                             << "6" << 3 << 6;
    QTest::newRow("not a number") << "x"
                                  << "6" << 0 << 0;
}

void TestDataFiles::selectedRange()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, first);
    QFETCH(int, last);
    LoggerRig rig;
    TfrmList list(*rig.program);
    list.setRows(sampleRows(10));
    const QString path = rig.path(QStringLiteral("part.txt"));
    rig.prompts.fileNames.push_back(path);
    rig.prompts.dialogs.push_back(range(from, to));
    SaveTableAsText(*rig.program, list);
    if (first == 0) {
        QCOMPARE(rig.prompts.messages, QStringList{QStringLiteral("invalid integer")});
        QVERIFY(!QFile::exists(path));
        return;
    }
    const QList<QByteArray> lines = readAll(path).split('\n');
    QCOMPARE(lines.size() - 1, last - first + 1);
    QVERIFY(lines.first().startsWith("1/5/26\t" + list.rows()[std::size_t(first - 1)][1].toLatin1()));
    QVERIFY(lines[lines.size() - 2].contains(list.rows()[std::size_t(last - 1)][1].toLatin1()));
}

void TestDataFiles::unwritableTableIsReported()
{
    LoggerRig rig;
    TfrmList list(*rig.program);
    list.setRows(sampleRows(2));
    const QString path = rig.path(QStringLiteral("no/such/folder/t.txt"));
    rig.prompts.fileNames.push_back(path);
    rig.prompts.dialogs.push_back(range());
    QVERIFY(!SaveTableAsText(*rig.program, list));
    QCOMPARE(rig.prompts.messages.size(), 1);
    QVERIFY2(rig.prompts.messages[0].contains(QDir::toNativeSeparators(path)), qPrintable(rig.prompts.messages[0]));
}

void TestDataFiles::fileWithoutTableRows_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("rows");  // 0: reported, no window
    QTest::newRow("prose .txt") << "notes.txt" << QByteArray("Dear diary,\r\nit was warm today.\r\n") << 0;
    QTest::newRow("empty .txt") << "empty.txt" << QByteArray() << 0;
    QTest::newRow("junk .csv") << "junk.csv" << QByteArray("\x89PNG,\x1a\x0a\x00\xff,IHDR\nfoo,bar,baz\n", 27) << 0;
    QTest::newRow("words in tabs") << "words.txt" << QByteArray("name\tcolour\r\nsun\tyellow\r\n") << 0;
    // A row with unreadable cells is still a row: its cells stay as text.
    QTest::newRow("one odd cell") << "odd.txt" << QByteArray("1/5/26\t10:00:01 AM\twarm\t30.0\t-1.0\tOL\t\r\n") << 1;
    QTest::newRow("numbers only") << "nodate.csv" << QByteArray("day one,noon,21.5,22.0,OL,OL\r\n") << 1;
}

void TestDataFiles::fileWithoutTableRows()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, rows);
    LoggerRig rig;
    const QString path = rig.path(name);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();

    TfrmList* list = OpenTextTable(*rig.program, path);
    int windows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        windows += qobject_cast<TfrmList*>(w) != nullptr;
    if (rows == 0) {
        QVERIFY(!list);
        QCOMPARE(windows, 0);
        QCOMPARE(rig.prompts.messages,
                 QStringList{QStringLiteral("\"%1\" holds no table rows.").arg(QDir::toNativeSeparators(path))});
        return;
    }
    QVERIFY(list);
    QCOMPARE(windows, 1);
    QVERIFY(rig.prompts.messages.isEmpty());
    QCOMPARE(list->dataRows(), rows);
    QCOMPARE(list->rows()[0][0], QString::fromLatin1(content.split(content.contains('\t') ? '\t' : ',')[0]));
    if (name == QLatin1String("odd.txt"))
        QCOMPARE(list->cell(3, 1), QStringLiteral("warm"));
    delete list;
}

void TestDataFiles::decimalCommaOffersNoCsv()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(TableSaveFilterText(), QStringLiteral(" TXT file(*.txt,data seperated by tab) |*.TXT"));
    QVERIFY(!DataFileOpenFilterText().contains(QStringLiteral("CSV")));
    TfrmOpenSave dialog;
    dialog.setOpenTexts();
    QCOMPARE(dialog.btnOpenSingleSet->text(), QStringLiteral("Open single data flle(*.TXT,*.GHF)"));

    LoggerRig rig;
    TfrmList list(*rig.program);
    list.setRows(sampleRows(1));
    SaveTableAsText(*rig.program, list);  // the save dialog is cancelled
    QCOMPARE(rig.prompts.filtersOffered.size(), 1);
    QVERIFY(!rig.prompts.filtersOffered[0].contains(QStringLiteral("CSV"), Qt::CaseInsensitive));

    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    dialog.setOpenTexts();
    QCOMPARE(dialog.btnOpenSingleSet->text(), QStringLiteral("Open single data file(*.TXT,*.CSV,*.GHF)"));
    QVERIFY(TableSaveFilterText().contains(QStringLiteral("|EXCEL file format(*.CSV,seperated by comma) |*.CSV")));
}

void TestDataFiles::decimalCommaCsvIsRefused_data()
{
    QTest::addColumn<bool>("fromGraph");
    QTest::newRow("table window") << false;
    QTest::newRow("graph window") << true;
}

void TestDataFiles::decimalCommaCsvIsRefused()
{
    // A name ending in .csv typed into the save dialog under a decimal-comma locale:
    // the save says why and asks again; nothing is written under the .csv name.
    QFETCH(bool, fromGraph);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    LoggerRig rig;
    TfrmList list(*rig.program);
    TableRows rows;
    for (int i = 1; i <= 3; ++i)
        rows.push_back({QStringLiteral("2026-01-05"), QStringLiteral("10:00:0%1").arg(i), QStringLiteral("23,5"),
                        QStringLiteral("-1,0"), QStringLiteral("OL"), QStringLiteral("%1,0").arg(i)});
    list.setRows(rows);
    const QString csv = rig.path(QStringLiteral("run.csv"));
    const QString txt = rig.path(QStringLiteral("run.txt"));
    rig.prompts.fileNames = {csv, txt};
    rig.prompts.dialogs.push_back(range());

    bool saved = false;
    if (fromGraph) {
        std::unique_ptr<TfrmGraph> graph(btnOutputToGraphClick(*rig.program, &list));
        QVERIFY(graph);
        saved = SaveGraphAs(*rig.program, graph->chart(), graph.get());
    } else {
        saved = SaveTableAsText(*rig.program, list);
    }
    QVERIFY(saved);
    QCOMPARE(rig.prompts.messages, QStringList{DecimalCommaCsvMessage(csv)});
    QVERIFY(rig.prompts.fileNames.empty());  // asked a second time
    QVERIFY(!QFile::exists(csv));

    // What was written under the .txt name reads back with its decimal commas intact.
    std::unique_ptr<TfrmList> back(OpenTextTable(*rig.program, txt));
    QVERIFY(back);
    QCOMPARE(back->dataRows(), 3);
    QCOMPARE(back->rows()[0][2], QStringLiteral("23,5"));
    QCOMPARE(back->rows()[2][5], QStringLiteral("3,0"));
}

void TestDataFiles::outputTableToGraph()
{
    LoggerRig rig;
    Program& p = *rig.program;
    TfrmList list(p);
    list.setWindowTitle(QStringLiteral("/data/run.txt"));
    TableRows rows = sampleRows(6);
    for (TableRow& r : rows)
        r[5] = QStringLiteral("1.0");
    rows[4][3] = QStringLiteral("OL");    // T2 of row 5
    rows[2][4] = QStringLiteral("warm");  // T3 of row 3: the rest of that row is skipped
    list.setRows(rows);

    TfrmGraph* w = btnOutputToGraphClick(p, &list);
    QVERIFY(w);
    QVERIFY(rig.prompts.messages.isEmpty());
    QCOMPARE(w->windowTitle(), QStringLiteral("/data/run.txt"));
    QCOMPARE(NewestFileGraph(p), w);
    const ChartModel& chart = w->chart();
    QCOMPARE(chart.Points(), 6);
    QCOMPARE(chart.YData(0, 0), 21.5f);
    QCOMPARE(chart.YData(1, 4), kGapValue);  // the gap
    QCOMPARE(chart.YData(0, 4), 25.5f);
    QCOMPARE(chart.YData(1, 2), 30.0f);
    QCOMPARE(chart.YData(2, 2), kGapValue);  // unreadable: left as prepared
    QCOMPARE(chart.YData(3, 2), kGapValue);
    QCOMPARE(chart.YData(3, 3), 1.0f);
    QCOMPARE(chart.XDataII(2, 5), toDays(QDateTime(QDate(2026, 1, 5), QTime(10, 0, 6))));
    QCOMPARE(w->txtDataNo->text(), QStringLiteral("6"));
    delete w;

    TfrmList empty(p);
    QVERIFY(!btnOutputToGraphClick(p, &empty));
    QCOMPARE(rig.prompts.messages, QStringList{QStringLiteral("No data to graph !")});
}

void TestDataFiles::outputTableWithWordsForDates()
{
    LoggerRig rig;
    TfrmList list(*rig.program);
    TableRows rows = sampleRows(3);
    rows[0][0] = QStringLiteral("hello");
    rows[0][1] = QStringLiteral("world");
    list.setRows(rows);
    TfrmGraph* w = btnOutputToGraphClick(*rig.program, &list);
    QVERIFY(w);  // stays open with its default chart
    QCOMPARE(rig.prompts.messages, QStringList{QStringLiteral("'hello world' is not a valid date and time")});
    QVERIFY(w->chart().Points() != 3);
    delete w;
}

void TestDataFiles::graphFileOpensInItsOwnWindow()
{
    LoggerRig rig;
    Program& p = *rig.program;
    TfrmList list(p);
    list.setRows(sampleRows(4));
    TfrmGraph* drawn = btnOutputToGraphClick(p, &list);
    drawn->chart().setMultiAxesSubsets(1, 0);
    const QString path = rig.path(QStringLiteral("g.ghf"));
    QVERIFY(WriteGraphFile(drawn->chart(), path).ok());
    delete drawn;

    rig.prompts.dialogs.push_back([](QDialog&) { return int(TfrmOpenSave::SingleSet); });
    rig.prompts.fileNames.push_back(path);
    Open1Click(p);
    TfrmGraph* w = NewestFileGraph(p);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QDir::toNativeSeparators(path));
    QCOMPARE(w->chart().Points(), 4);
    QVERIFY(!w->chkSplit->isChecked());
    QCOMPARE(w->txtDataNo->text(), QStringLiteral("4"));
    delete w;

    // A damaged file is named in a message and leaves no window.
    const QString bad = rig.path(QStringLiteral("bad.ghf"));
    {
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            "\xff\xff\xff\x7f"
            "abc");
    }
    rig.prompts.dialogs.push_back([](QDialog&) { return int(TfrmOpenSave::SingleSet); });
    rig.prompts.fileNames.push_back(bad);
    Open1Click(p);
    QCOMPARE(rig.prompts.messages.size(), 1);
    QVERIFY(rig.prompts.messages[0].contains(QStringLiteral("bad.ghf")));
    QVERIFY(!NewestFileGraph(p));
}

void TestDataFiles::spreadsheetTableOpensAsItsGraph()
{
    LoggerRig rig;
    Program& p = *rig.program;
    // A run's spreadsheet table as the program writes it: sub-second times, T1 over range
    // once, T4 without a thermocouple.
    ChartModel run;
    run.setSubsets(4);
    RealTimeState state;
    PrepareRunStore(run, state, 3);
    const double t0 = toDays(QDateTime(QDate(2026, 12, 10), QTime(13, 30, 6, 800)));
    WriteRunSample(run, 0, 0x80, t0, {20.0f, 21.0f, 22.0f, 0.0f});
    WriteRunSample(run, 1, 0x81, t0 + 0.2 / 86400.0, {1400.0f, 21.5f, 22.0f, 0.0f});
    WriteRunSample(run, 2, 0x80, t0 + 1.2 / 86400.0, {20.5f, 21.0f, -3.5f, 0.0f});
    const QByteArray written = SpreadsheetCsv(SeriesFromChart(run, QStringLiteral("Run")));
    const QString path = rig.path(QStringLiteral("run.csv"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(written);
    }

    rig.prompts.dialogs.push_back([](QDialog&) { return int(TfrmOpenSave::SingleSet); });
    rig.prompts.fileNames.push_back(path);
    Open1Click(p);
    QVERIFY2(rig.prompts.messages.isEmpty() || rig.prompts.messages.filter(QStringLiteral("run.csv")).isEmpty(),
             qPrintable(rig.prompts.messages.join(u'\n')));
    TfrmGraph* w = NewestFileGraph(p);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QDir::toNativeSeparators(path));
    QCOMPARE(w->chart().Points(), 3);
    QCOMPARE(w->txtDataNo->text(), QStringLiteral("3"));
    QCOMPARE(w->chart().YData(2, 2), -3.5f);
    QCOMPARE(w->chart().YData(0, 1), 9999.0f);
    // What it came from, down to the milliseconds and the difference between OL and ----.
    QCOMPARE(SpreadsheetCsv(SeriesFromChart(w->chart(), QStringLiteral("Run"))), written);
    delete w;

    // Dropped on the window or named on the command line, it opens the same way.
    QVERIFY(OpenFileByKind(p, path));
    QVERIFY(NewestFileGraph(p));
    delete NewestFileGraph(p);

    // A damaged one is named with its line; no window is left.
    const QString bad = rig.path(QStringLiteral("bad.csv"));
    {
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            "Time,T1 (°C),T2 (°C),T3 (°C),T4 (°C)\r\n2026-12-10T13:30:06+01:00,1.0,2.0,3.0,4.0\r\n"
            "13:30:07,1.0,2.0,3.0,4.0\r\n");
    }
    rig.prompts.messages.clear();
    QVERIFY(!OpenFileByKind(p, bad));
    QCOMPARE(rig.prompts.messages.size(), 1);
    QVERIFY2(rig.prompts.messages[0].contains(QStringLiteral("bad.csv")) &&
                 rig.prompts.messages[0].contains(QStringLiteral("line 3")),
             qPrintable(rig.prompts.messages[0]));
    QVERIFY(!NewestFileGraph(p));
}

void TestDataFiles::saveFollowsTheActiveWindow()
{
    kelvor::test::ShellRig rig;
    TfrmMain& main = *rig.main;
    Program& p = *rig.program;
    QMdiArea& area = main.mdiArea();

    // The front panel: nothing happens.
    for (QMdiSubWindow* sub : area.subWindowList())
        if (qobject_cast<TfrmPanel*>(sub->widget()))
            area.setActiveSubWindow(sub);
    QVERIFY(area.activeSubWindow() && qobject_cast<TfrmPanel*>(area.activeSubWindow()->widget()));
    main.Save1Click();
    QVERIFY(rig.prompts.filtersOffered.isEmpty());
    QVERIFY(rig.prompts.dialogsShown.isEmpty());
    QVERIFY(rig.prompts.unexpected.isEmpty());

    // A table window: its activation offers "Output Tabular to graph"; Save saves a table.
    const QString path = rig.dir.filePath(QStringLiteral("t.txt"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("1/5/26\t10:00:01 AM\t1.0\t2.0\t3.0\t4.0\t\r\n");
    }
    rig.prompts.dialogs.push_back([](QDialog&) { return int(TfrmOpenSave::SingleSet); });
    rig.prompts.fileNames.push_back(path);
    main.Open1Click();
    QMdiSubWindow* tableSub = area.subWindowList().last();
    QVERIFY(qobject_cast<TfrmList*>(tableSub->widget()));
    area.setActiveSubWindow(nullptr);
    area.setActiveSubWindow(tableSub);
    QTRY_VERIFY(main.btnOutputToGraph->isEnabled());
    rig.prompts.fileNames.push_back(QString());  // cancel the save dialog
    main.Save1Click();
    QVERIFY(rig.prompts.filtersOffered.last().contains(QStringLiteral("TXT file")));

    // The real-time graph goes straight to the graph save dialog.
    TfrmGraph* realTime = RealTimeGraph(p);
    QVERIFY(realTime);
    area.setActiveSubWindow(qobject_cast<QMdiSubWindow*>(realTime->parentWidget()));
    QTRY_VERIFY(!main.btnOutputToGraph->isEnabled());
    const int dialogs = rig.prompts.dialogsShown.size();
    rig.prompts.fileNames.push_back(QString());
    main.Save1Click();
    QCOMPARE(rig.prompts.dialogsShown.size(), dialogs);
    QVERIFY(rig.prompts.filtersOffered.last().contains(QStringLiteral("Graph file")));
}

// A long table's widest cells may lie anywhere, far past the first thousand rows: each
// column is still as wide as its widest text, and never narrower than a cell of it.
void TestDataFiles::columnsFitTheirWidestCellsAnywhere()
{
    LoggerRig rig;
    TfrmList list(*rig.program);
    TableRows rows = sampleRows(9);
    rows.resize(5000, rows.back());
    rows[3000][0] = QStringLiteral("Wednesday, 12 November 2025");
    rows[4200][2] = QStringLiteral("-1234.5");
    rows[4999][5] = QStringLiteral("----");
    list.setRows(rows);
    list.fitColumnsToContents();
    const QHeaderView* header = list.Grid1->horizontalHeader();
    const QFontMetrics metrics = list.Grid1->fontMetrics();
    QVERIFY(header->sectionSize(0) > metrics.horizontalAdvance(QStringLiteral("5000")));
    QVERIFY(header->sectionSize(1) > metrics.horizontalAdvance(rows[3000][0]));
    QVERIFY(header->sectionSize(3) > metrics.horizontalAdvance(rows[4200][2]));
    QVERIFY(header->sectionSize(6) > metrics.horizontalAdvance(rows[4999][5]));
    // What the view itself measures over every row is never wider.
    for (int c = 0; c < TableRowsModel::kColumns; ++c) {
        int widest = 0;
        for (int r = 0; r < int(rows.size()); ++r)
            widest = std::max(widest, list.Grid1->sizeHintForIndex(list.Grid1->model()->index(r, c)).width());
        QVERIFY2(header->sectionSize(c) >= widest,
                 qPrintable(QStringLiteral("column %1: %2 < %3").arg(c).arg(header->sectionSize(c)).arg(widest)));
    }
}

QTEST_MAIN(TestDataFiles)
#include "tst_datafiles.moc"
