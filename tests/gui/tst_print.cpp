// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "../core/failingsavefile.h"
#include "app/ui/tfrmmain.h"
#include "base/clock.h"
#include "base/localetext.h"
#include "chart/ui/chartcustomizedialog.h"
#include "files/ui/tfrmlist.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/tfrmgraph.h"
#include "panel/ui/tfrmpanel.h"
#include "print/tableprintout.h"
#include "print/ui/graphprinter.h"
#include "print/ui/tableprinter.h"
#include "shellrig.h"

using namespace kelvor;
using kelvor::test::ShellRig;

namespace {

// Runs a poppler tool; empty when it is missing or fails.
QString poppler(const QString& tool, const QStringList& args)
{
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty())
        return {};
    QProcess p;
    p.start(exe, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

bool havePoppler()
{
    for (const char* tool : {"pdftotext", "pdfinfo", "pdftoppm"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

int pageCount(const QString& pdf)
{
    const QString info = poppler(QStringLiteral("pdfinfo"), {pdf});
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The text of each page rebuilt from the words' positions, so the spaces between
// them can be checked: a word's column is its distance from the left-most word in
// character widths (charWidth in points, the fixed-pitch font's advance).
QList<QStringList> pageTexts(const QString& pdf, double charWidth)
{
    const QString html = poppler(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    static const QRegularExpression wordRe(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)</word>)re"));
    QList<QStringList> pages;
    for (const QString& page : html.split(QStringLiteral("<page")).mid(1)) {
        struct Word {
            double x, y;
            QString text;
        };
        QList<Word> words;
        double left = 1e9;
        for (auto it = wordRe.globalMatch(page); it.hasNext();) {
            const auto m = it.next();
            words.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3)});
            left = std::min(left, words.back().x);
        }
        QMap<int, QString> lines;  // by top in whole points
        for (const Word& w : words) {
            QString& line = lines[qRound(w.y)];
            const int column = qRound((w.x - left) / charWidth);
            if (line.size() < column)
                line += QString(column - line.size(), QLatin1Char(' '));
            line += w.text;
        }
        pages << lines.values();
    }
    return pages;
}

struct PdfWord {
    QRectF box;
    QString text;
};
struct PdfPage {
    QSizeF size;
    QList<PdfWord> words;
};

// The words of the first page with their boxes, in points from the top left.
PdfPage firstPageWords(const QString& pdf)
{
    const QString html = poppler(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-l"),
                                                               QStringLiteral("1"), pdf, QStringLiteral("-")});
    PdfPage page;
    const auto size = QRegularExpression(QStringLiteral(R"re(<page width="([\d.]+)" height="([\d.]+)")re")).match(html);
    if (size.hasMatch())
        page.size = QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble());
    static const QRegularExpression wordRe(QStringLiteral(
        R"re(<word xMin="([\d.-]+)" yMin="([\d.-]+)" xMax="([\d.-]+)" yMax="([\d.-]+)">([^<]*)</word>)re"));
    for (auto it = wordRe.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        page.words.push_back({QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                     QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())),
                              m.captured(5)});
    }
    return page;
}

QString trimmedEnd(QString s)
{
    while (s.endsWith(QLatin1Char(' ')))
        s.chop(1);
    return s;
}

// A grid shaped like the table window's: "No", "Date", "Time", "T1".."T4".
void fillGrid(QStandardItemModel& model, int dataRows)
{
    model.clear();
    model.setHorizontalHeaderLabels({"No", "Date", "Time", "T1", "T2", "T3", "T4"});
    for (int r = 0; r < dataRows; ++r) {
        QList<QStandardItem*> row;
        const QStringList cells = {QString::number(r + 1),
                                   "09/12/2026",
                                   QString("12:%1:00").arg(r % 60, 2, 10, QChar('0')),
                                   QString("R%1").arg(r + 1),
                                   "OL",
                                   "-12.5",
                                   "100.0"};
        for (const QString& c : cells)
            row << new QStandardItem(c);
        model.appendRow(row);
    }
}

}  // namespace

class TestPrint : public QObject {
    Q_OBJECT

    std::unique_ptr<ShellRig> rig;
    QTemporaryDir out;
    QString pdf;

    double charWidth()
    {
        QPrinter& printer = rig->program->printer();
        return QFontMetricsF(tablePrintFont(), &printer).horizontalAdvance(QLatin1Char('0')) * 72.0 /
               printer.resolution();
    }
    QPrinter& toPdf(const QString& name)
    {
        pdf = out.filePath(name);
        QPrinter& printer = rig->program->printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Portrait);
        return printer;
    }
    void clickPrint() { rig->main->btnPrint->click(); }
    void activate(QWidget* child)
    {
        for (QMdiSubWindow* sub : rig->main->mdiArea().subWindowList())
            if (sub->widget() == child)
                rig->main->mdiArea().setActiveSubWindow(sub);
        QCOMPARE(rig->main->mdiArea().activeSubWindow() ? rig->main->mdiArea().activeSubWindow()->widget() : nullptr,
                 child);
    }

private slots:
    void init()
    {
        if (!havePoppler())
            QSKIP("poppler-utils (pdftotext, pdfinfo, pdftoppm) not installed");
        rig = std::make_unique<ShellRig>();
    }
    void cleanup() { rig.reset(); }

    void tableLinesArePaddedByTheRule()
    {
        toPdf("table.pdf");
        QStandardItemModel model;
        fillGrid(model, 2);
        rig->prompts.printAnswers = {true};
        QVERIFY(PrintTable(*rig->program, nullptr, model));
        QVERIFY(rig->prompts.unexpected.isEmpty());

        const auto pages = pageTexts(pdf, charWidth());
        QCOMPARE(pages.size(), 1);
        const QStringList expected = {
            trimmedEnd(QString("No") + QString(16, ' ') + "Date" + QString(12, ' ') + "Time" + QString(26, ' ') + "T1" +
                       QString(16, ' ') + "T2" + QString(16, ' ') + "T3" + QString(16, ' ') + "T4"),
            trimmedEnd(tableLine({"1", "09/12/2026", "12:00:00", "R1", "OL", "-12.5", "100.0"})),
            trimmedEnd(tableLine({"2", "09/12/2026", "12:01:00", "R2", "OL", "-12.5", "100.0"})),
        };
        QCOMPARE(expected[1], QString("1") + QString(18, ' ') + "09/12/2026 " + "12:00:00" + QString(18, ' ') + "R1" +
                                  QString(16, ' ') + "OL" + QString(16, ' ') + "-12.5" + QString(10, ' ') + "100.0");
        QCOMPARE(pages[0], expected);
    }

    void printCommandPrintsTheActiveTableWindow()
    {
        toPdf("list.pdf");
        auto* list = new TfrmList(*rig->program);
        list->setRows({{"09/12/2026", "12:00:00", "21.5", "OL", "-3.0", "100.0"}});
        rig->main->mdiArea().addSubWindow(list)->show();
        activate(list);
        rig->prompts.printAnswers = {true};
        clickPrint();
        QVERIFY(rig->prompts.unexpected.isEmpty());
        const auto pages = pageTexts(pdf, charWidth());
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages[0].size(), 2);
        QVERIFY(pages[0][0].startsWith(QString("No") + QString(16, ' ') + "Date"));
        QCOMPARE(pages[0][1], trimmedEnd(tableLine({"1", "09/12/2026", "12:00:00", "21.5", "OL", "-3.0", "100.0"})));
    }

    // Hungarian short dates ("2026. 12. 10.") are longer than the date column: the
    // time after them must still stand apart, while short cells keep their padding.
    void longLocaleDatesKeepABlankBeforeTheTime()
    {
        const QLocale before;
        QLocale::setDefault(QLocale(QStringLiteral("hu_HU")));
        const double day = toDays(QDateTime(QDate(2026, 12, 10), QTime(1, 36, 15)));
        const QString date = ShortDateText(day);
        const QString time = LongTimeText(day);
        QLocale::setDefault(before);
        QVERIFY2(date.size() > tableColumnWidth(1), qPrintable(date));

        toPdf("longdate.pdf");
        auto* list = new TfrmList(*rig->program);
        list->setRows({{date, time, "21.5", "OL", "-3.0", "100.0"}});
        rig->main->mdiArea().addSubWindow(list)->show();
        activate(list);
        rig->prompts.printAnswers = {true};
        clickPrint();
        const auto pages = pageTexts(pdf, charWidth());
        QCOMPARE(pages.value(0).size(), 2);
        const QString line = pages[0][1];
        QVERIFY2(line.startsWith(QString("1") + QString(18, ' ') + date + QLatin1Char(' ') + time), qPrintable(line));
        QCOMPARE(line, trimmedEnd(tableLine({"1", date, time, "21.5", "OL", "-3.0", "100.0"})));
    }

    // Rows of Latin-1 text and rows with characters beyond it (Greek, a minus sign)
    // share one printout; each keeps its text and its columns.
    void rowsOfEveryKindOfTextKeepTheirTextAndColumns()
    {
        toPdf("mixed.pdf");
        const TableRows rows = {
            {"10.12.2026", "12:00:00", "21,5 °C", "Ünnep", "OL", "ñ"},
            {"10.12.2026", "12:00:01", "Ω 3", "\u22125.0", "OL", "-1.0"},
            {"10.12.2026", "12:00:02", "ß", "21.5", "OL", "-1.0"},
        };
        auto* list = new TfrmList(*rig->program);
        list->setRows(rows);
        rig->main->mdiArea().addSubWindow(list)->show();
        activate(list);
        rig->prompts.printAnswers = {true};
        clickPrint();
        const auto pages = pageTexts(pdf, charWidth());
        QCOMPARE(pages.value(0).size(), qsizetype(rows.size()) + 1);
        for (std::size_t r = 0; r < rows.size(); ++r) {
            QStringList cells = {QString::number(r + 1)};
            for (const QString& cell : rows[r])
                cells << cell;
            QCOMPARE(pages[0][qsizetype(r) + 1], trimmedEnd(tableLine(cells)));
        }
    }

    void fullPageHoldsRowsPerPageAndOneMoreStartsAPage()
    {
        QPrinter& printer = toPdf("full.pdf");
        const TablePaging paging = tablePaging(printer);
        QVERIFY(paging.rowsPerPage > 10);
        QVERIFY((paging.rowsPerPage + 1) * paging.lineHeight <= printer.height());

        QStandardItemModel model;
        fillGrid(model, paging.rowsPerPage - 1);  // plus the heading: exactly one page
        rig->prompts.printAnswers = {true};
        QVERIFY(PrintTable(*rig->program, nullptr, model));
        QCOMPARE(pageCount(pdf), 1);
        QVERIFY(pageTexts(pdf, charWidth()).value(0).last().contains(QString("R%1").arg(paging.rowsPerPage - 1)));

        toPdf("spill.pdf");
        fillGrid(model, paging.rowsPerPage);
        rig->prompts.printAnswers = {true};
        QVERIFY(PrintTable(*rig->program, nullptr, model));
        QCOMPARE(pageCount(pdf), 2);
        const auto pages = pageTexts(pdf, charWidth());
        QCOMPARE(pages.value(0).size(), paging.rowsPerPage);
        QCOMPARE(pages.value(1).size(), 1);
        QVERIFY(pages.value(1).first().contains(QString("R%1").arg(paging.rowsPerPage)));
    }

    // Printing to a file that cannot be written whole leaves the old file byte for byte,
    // says why, and leaves no temporary file behind; a good printout replaces it.
    void printToFileReplacesAnOldFileOnlyWhenWhole()
    {
        TfrmGraph* graph = OpenRealTimeGraph(*rig->program);
        QStandardItemModel model;
        fillGrid(model, 3);
        const auto printTable = [&] { return PrintTable(*rig->program, nullptr, model); };
        const auto printGraph = [&] { return PrintChart(*rig->program, nullptr, graph->view()); };
        const QByteArray old = "an earlier printout";
        using Disk = AtomicFileDeviceOverride::Factory;
        const Disk full = [](const QString& p) { return std::make_unique<test::FailingSaveFile>(p, false, 900); };
        const Disk refusing = [](const QString& p) { return std::make_unique<test::FailingSaveFile>(p, true, 0); };
        const struct {
            const char* name;
            std::function<bool()> print;
            Disk disk;
            QString message;  // %1: the file; empty: printed
        } cases[] = {
            {"table, full disk", printTable, full, "Cannot write \"%1\": No space left on device"},
            {"graph, full disk", printGraph, full, "Cannot write \"%1\": No space left on device"},
            {"table, file refused", printTable, refusing, "Cannot create \"%1\": Permission denied"},
            {"table, written", printTable, nullptr, {}},
        };
        for (const auto& c : cases) {
            QTemporaryDir folder;
            QPrinter& printer = toPdf("unused.pdf");
            pdf = folder.filePath("out.pdf");
            printer.setOutputFileName(pdf);
            {
                QFile f(pdf);
                QVERIFY(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
            }
            rig->prompts.messages.clear();
            rig->prompts.dialogs = {[](QDialog&) { return int(QDialog::Rejected); }};
            rig->prompts.printAnswers = {true};
            bool printed = false;
            {
                std::unique_ptr<AtomicFileDeviceOverride> disk;
                if (c.disk)
                    disk = std::make_unique<AtomicFileDeviceOverride>(c.disk);
                printed = c.print();
            }
            QVERIFY2(printer.outputFileName() == pdf, c.name);
            QVERIFY2(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden) == QStringList{"out.pdf"}, c.name);
            if (c.message.isEmpty()) {
                QVERIFY2(printed, c.name);
                QVERIFY(rig->prompts.messages.isEmpty());
                QCOMPARE(pageTexts(pdf, charWidth()).value(0).value(1),
                         trimmedEnd(tableLine({"1", "09/12/2026", "12:00:00", "R1", "OL", "-12.5", "100.0"})));
                continue;
            }
            QVERIFY2(!printed, c.name);
            QCOMPARE(rig->prompts.messages, QStringList{c.message.arg(QDir::toNativeSeparators(pdf))});
            QFile f(pdf);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), old);
        }
    }

    // A folder that does not exist: nothing is printed, and the user is told.
    void printToAMissingFolderIsTold()
    {
        QPrinter& printer = toPdf("missing/out.pdf");
        QStandardItemModel model;
        fillGrid(model, 1);
        rig->prompts.printAnswers = {true};
        QVERIFY(!PrintTable(*rig->program, nullptr, model));
        QCOMPARE(rig->prompts.messages.size(), 1);
        QVERIFY2(rig->prompts.messages[0].startsWith(
                     QStringLiteral("Cannot create \"%1\": ").arg(QDir::toNativeSeparators(pdf))),
                 qPrintable(rig->prompts.messages[0]));
        QVERIFY(!QFileInfo::exists(out.filePath("missing")));
        QCOMPARE(printer.outputFileName(), pdf);
    }

    void cancelledDialogPrintsNothing()
    {
        QPrinter& printer = toPdf("cancel.pdf");
        QStandardItemModel model;
        fillGrid(model, 2);
        rig->prompts.printAnswers = {false};
        QVERIFY(!PrintTable(*rig->program, nullptr, model));

        TfrmGraph* graph = OpenRealTimeGraph(*rig->program);
        rig->prompts.printAnswers = {false};
        PrintGraph(*rig->program, *graph);
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Portrait);
    }

    void graphPrintsOneLandscapePageAfterAShortCustomiseDialog()
    {
        QPrinter& printer = toPdf("graph.pdf");
        TfrmGraph* graph = OpenRealTimeGraph(*rig->program);
        QVERIFY(graph);
        activate(graph);

        QStringList pagesOffered;
        rig->prompts.dialogs = {[&](QDialog& d) {
            if (auto* c = qobject_cast<ChartCustomizeDialog*>(&d))
                for (int i = 0; i < c->pages()->count(); ++i)
                    pagesOffered << c->pages()->widget(i)->objectName();
            return int(QDialog::Rejected);  // printing follows all the same
        }};
        rig->prompts.printAnswers = {true};
        clickPrint();
        QVERIFY2(rig->prompts.unexpected.isEmpty(), qPrintable(rig->prompts.unexpected.join(", ")));
        QCOMPARE(pagesOffered, QStringList({"pageStyle"}));
        const ChartModel& chart = graph->chart();
        QVERIFY(chart.AllowFontPage() && chart.AllowPage1() && chart.AllowPage2() && chart.AllowSubsetsPage());

        QCOMPARE(pageCount(pdf), 1);
        const auto size = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)"))
                              .match(poppler(QStringLiteral("pdfinfo"), {pdf}));
        QVERIFY(size.hasMatch());
        QVERIFY(size.captured(1).toDouble() > size.captured(2).toDouble());
        // The shared printer goes back to the orientation chosen for tables.
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Portrait);

        const QString png = out.filePath("graph");
        poppler(QStringLiteral("pdftoppm"), {"-r", "30", "-png", "-singlefile", pdf, png});
        const QImage image(png + ".png");
        QVERIFY(!image.isNull());
        int inked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                inked += image.pixelColor(x, y) != QColor(Qt::white);
        QVERIFY2(inked > image.width() * image.height() / 20, qPrintable(QString::number(inked)));
        // Vectors, not a screen bitmap pasted in.
        QVERIFY(!poppler(QStringLiteral("pdfimages"), {"-list", pdf}).contains(QStringLiteral("image ")));
    }

    // The printed chart is the window's chart on the page: its axis labels, legend and
    // annotations are all there, at a readable size and inside the page.
    void graphPageHoldsItsTextInsideThePage()
    {
        QPrinter& printer = toPdf("graphtext.pdf");
        const int resolution = printer.resolution();
        QVERIFY(resolution > 300);  // a high-resolution printer is where fonts went wrong
        TfrmGraph* graph = OpenRealTimeGraph(*rig->program);
        activate(graph);
        ChartModel& chart = graph->chart();
        const double t0 = chart.ManualMinX();
        for (int i = 0; i < 50; ++i) {
            chart.setXDataII(-1, i, t0 + i * 2.0 / 86400.0);
            for (int c = 0; c < 4; ++c)
                chart.setYData(c, i, float(5 * c + (i % 7)));
        }
        graph->chkSplit->click();  // one axis: annotations can be placed
        chart.setGraphAnnotationX(4, t0 + 40.0 / 86400.0);
        chart.setGraphAnnotationY(4, 20.0);
        chart.setGraphAnnotationType(4, sgTextOnly);
        chart.setGraphAnnotationText(4, QStringLiteral("Kettle"));
        chart.PEactions(sgReinitAndReset);

        rig->prompts.dialogs = {[](QDialog&) { return int(QDialog::Rejected); }};
        rig->prompts.printAnswers = {true};
        clickPrint();
        QVERIFY2(rig->prompts.unexpected.isEmpty(), qPrintable(rig->prompts.unexpected.join(", ")));
        QCOMPARE(printer.resolution(), resolution);  // the shared printer keeps its resolution

        const PdfPage page = firstPageWords(pdf);
        QVERIFY(page.size.width() > page.size.height());
        const QRectF inside(QPointF(0, 0), page.size);
        QStringList texts;
        for (const PdfWord& w : page.words) {
            texts << w.text;
            QVERIFY2(inside.contains(w.box), qPrintable(QStringLiteral("%1 at %2,%3 %4x%5")
                                                            .arg(w.text)
                                                            .arg(w.box.x())
                                                            .arg(w.box.y())
                                                            .arg(w.box.width())
                                                            .arg(w.box.height())));
            // The screen's 8 to 10 point text, not text several times that size.
            QVERIFY2(w.box.height() < 20.0, qPrintable(w.text));
        }
        for (const char* wanted : {"T1", "T2", "T3", "T4", "Time", "Kettle"})
            QVERIFY2(texts.contains(QLatin1String(wanted)), qPrintable(texts.join(' ')));
        // Time labels of the axis.
        QVERIFY2(texts.indexOf(QRegularExpression(QStringLiteral("^\\d{1,2}:\\d\\d:\\d\\d$"))) >= 0,
                 qPrintable(texts.join(' ')));
    }

    void printAsksNothingWithoutATableOrGraph()
    {
        toPdf("none.pdf");
        QVERIFY(rig->main->panel());
        activate(rig->main->panel());
        clickPrint();
        for (QMdiSubWindow* sub : rig->main->mdiArea().subWindowList())
            sub->close();
        QCOMPARE(rig->main->mdiArea().activeSubWindow(), nullptr);
        clickPrint();
        QVERIFY(rig->prompts.unexpected.isEmpty());
        QVERIFY(rig->prompts.dialogsShown.isEmpty());
        QVERIFY(!QFile::exists(pdf));
    }

    void printerSetupAsksWithTheProgramsPrinter()
    {
        rig->prompts.printAnswers = {true};
        rig->main->PrinterSetup1->trigger();
        QVERIFY(rig->prompts.unexpected.isEmpty());
        QVERIFY(rig->prompts.printAnswers.empty());
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
