// SPDX-License-Identifier: GPL-3.0-or-later
// The graph window's "Report…": the PDF holds every statistic the window shows.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "chart/chartmodel.h"
#include "fakemeter.h"
#include "graph/ui/showstatistics.h"
#include "graph/ui/tfrmgraph.h"
#include "library/librarytypes.h"
#include "logger/ui/librarycommands.h"
#include "program/program.h"
#include "scriptedprompts.h"

using namespace kelvor;
using kelvor::test::ScriptedPrompts;

using kelvor::test::NoMeter;

namespace {

struct Rig {
    QTemporaryDir dir;
    ManualClock clock;
    ScriptedPrompts prompts;
    Program program{std::make_unique<NoMeter>(), clock, prompts, dir.path()};
};

// Three channels moving, T4 without a reading, an annotation.
void fill(ChartModel& chart)
{
    const QDateTime start(QDate(2026, 1, 5), QTime(10, 0, 0));
    chart.setSubsets(4);
    chart.setPoints(6);
    const float t1[6] = {20.0f, 25.5f, 25.5f, 18.2f, 22.0f, 21.0f};
    for (int i = 0; i < 6; ++i) {
        chart.setXDataII(-1, i, toDays(start.addSecs(10 * i)));
        chart.setYData(0, i, t1[i]);
        chart.setYData(1, i, 100.0f - i);
        chart.setYData(2, i, i == 2 ? 9999.0f : -5.0f * i);
        chart.setYData(3, i, 9999.0f);
    }
    chart.setGraphAnnotationX(0, toDays(start.addSecs(20)));
    chart.setGraphAnnotationY(0, 25.5);
    chart.setGraphAnnotationText(0, QStringLiteral("door opened"));
}

QString pdfText(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

class TestReport : public QObject {
    Q_OBJECT
private slots:
    void reportHoldsWhatTheWindowShows()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed");
        Rig rig;
        TfrmGraph w(rig.program);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        fill(w.chart());
        ShowStatistics(w);

        const QString pdf = rig.dir.filePath(QStringLiteral("report.pdf"));
        rig.prompts.dialogs.push_back([](QDialog& d) {
            d.findChild<QLineEdit*>(QStringLiteral("edtTitle"))->setText(QStringLiteral("Freezer 2 check"));
            d.findChild<QCheckBox*>(QStringLiteral("chkSamples"))->setChecked(true);
            return int(QDialog::Accepted);
        });
        rig.prompts.fileNames = {pdf};
        w.btnReport->click();
        QVERIFY2(rig.prompts.messages.isEmpty(), qPrintable(rig.prompts.messages.join(u'\n')));

        const QString text = pdfText(pdf);
        QStringList wanted = {QStringLiteral("Freezer 2 check"), QStringLiteral("door opened"),
                              QStringLiteral("Page 2 of 2"), w.txtStartTime->text()};
        for (int c = 0; c < 4; ++c)
            wanted << w.maxField(c)->text() << w.minField(c)->text() << w.avgField(c)->text();
        for (const QString& s : wanted)
            QVERIFY2(text.contains(s), qPrintable(QStringLiteral("missing \"%1\" in:\n%2").arg(s, text)));

        // Cancelling the options writes nothing.
        QFile::remove(pdf);
        rig.prompts.dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); });
        w.btnReport->click();
        QVERIFY(!QFile::exists(pdf));

        // A file that cannot be written: said so with its name, nothing left behind.
        const QString blocked = rig.dir.filePath(QStringLiteral("nosuch/report.pdf"));
        rig.prompts.dialogs.push_back([](QDialog&) { return int(QDialog::Accepted); });
        rig.prompts.fileNames = {blocked};
        w.btnReport->click();
        QVERIFY(!rig.prompts.messages.isEmpty() && rig.prompts.messages.last().contains(QStringLiteral("report.pdf")));
        QVERIFY(rig.prompts.unexpected.isEmpty());
    }

    // A recording reopened from the library: the report takes the item's name as its
    // title, names the meter, lists the alarm events and only the annotations of this
    // run, and counts its one page as one.
    void reportOfALibraryRecordingSaysWhatTheLibraryKnows()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed");
        Rig rig;
        const double start = toDays(QDateTime(QDate(2026, 12, 10), QTime(13, 30, 0)));
        const double second = 1.0 / 86400.0;
        RecordingData data;
        data.entry.id = 2;
        data.entry.start = start;
        data.entry.end = start + 8 * second;
        data.entry.samples = 5;
        data.entry.name = QStringLiteral("Kiln 4 firing");
        data.header.started = start;
        data.header.rateSeconds = 2;
        data.header.meterModel = QStringLiteral("QZX");
        data.header.meterSerial = QStringLiteral("KV4-SIM-00001");
        for (int i = 0; i < 5; ++i)
            data.samples.push_back({start + 2 * i * second, 0, {20.0f + i, 21.0f, 22.0f, 23.0f}});
        data.annotations = {{start + 3 * second, 22.0, sgTextOnly, 0, QStringLiteral("lid closed")}};
        data.alarmEvents = {{start + 4 * second, 0, 22.0f, 0}, {start + 8 * second, 0, 21.5f, 1}};
        TfrmGraph* w = OpenRecordingInGraph(rig.program, data, false);
        QVERIFY(w);
        rig.prompts.messages.clear();  // the rig's data folder has no graph template
        // The chart's other cells: parked by Clear, and one of another run.
        ChartModel& chart = w->chart();
        for (int k = 40; k < 46; ++k) {
            chart.setGraphAnnotationType(k, sgCrossMark);
            chart.setGraphAnnotationX(k, 0.0);
        }
        chart.setGraphAnnotationX(46, start - 3600 * second);
        chart.setGraphAnnotationText(46, QStringLiteral("run 1 note"));

        const QString pdf = rig.dir.filePath(QStringLiteral("library.pdf"));
        QString offered;
        rig.prompts.dialogs.push_back([&offered](QDialog& d) {
            offered = d.findChild<QLineEdit*>(QStringLiteral("edtTitle"))->text();
            return int(QDialog::Accepted);
        });
        rig.prompts.fileNames = {pdf};
        w->btnReport->click();
        QVERIFY2(rig.prompts.messages.isEmpty(), qPrintable(rig.prompts.messages.join(u'\n')));
        QCOMPARE(offered, QStringLiteral("Kiln 4 firing"));

        const QString text = pdfText(pdf);
        for (const QString& s :
             {QStringLiteral("Kiln 4 firing"), QStringLiteral("QZX KV4-SIM-00001"), QStringLiteral("lid closed"),
              QStringLiteral("Alarm events"), QStringLiteral("above high limit"),
              QStringLiteral("back below high limit"), QStringLiteral("Page 1 of 1")})
            QVERIFY2(text.contains(s), qPrintable(QStringLiteral("missing \"%1\" in:\n%2").arg(s, text)));
        for (const QString& s : {QStringLiteral("not known"), QStringLiteral("cross mark"), QStringLiteral("1899"),
                                 QStringLiteral("run 1 note")})
            QVERIFY2(!text.contains(s), qPrintable(QStringLiteral("\"%1\" in:\n%2").arg(s, text)));
        delete w;
    }
};

QTEST_MAIN(TestReport)
#include "tst_report.moc"
