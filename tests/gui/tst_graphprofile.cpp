// SPDX-License-Identifier: GPL-3.0-or-later
// A graph window checked against a profile: the real-time run live (each rule pending
// until decided, the first violation's time and value), a band shaded and violations
// marked on the chart; a graph file checked at once; the profile editor.
#include <qcustomplot.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "chart/chartmodel.h"
#include "chart/ui/chartview.h"
#include "fakemeter.h"
#include "graph/graphfile.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/profileeditor.h"
#include "graph/ui/profiletool.h"
#include "graph/ui/realtimeview.h"
#include "graph/ui/tfrmgraph.h"
#include "program/program.h"
#include "scriptedprompts.h"

using namespace kelvor;
using kelvor::test::NoMeter;
using kelvor::test::ScriptedPrompts;

namespace {

// T1 within 10..30 °C at 0 s rising to 20..40 °C at 10 s (32 °C upper at 2 s), and a
// peak of at most 35 °C.
const QByteArray kProfile = R"({"kelvorProfile": 1, "name": "Ramp", "rules": [
  {"kind": "band", "name": "ramp band", "upper": [[0, 30], [10, 40]], "lower": [[0, 10], [10, 20]]},
  {"kind": "peak", "name": "peak", "max": 35}]})";

QStringList column(const QTableWidget* list, int c)
{
    QStringList out;
    for (int r = 0; r < list->rowCount(); ++r)
        out << (list->item(r, c) ? list->item(r, c)->text() : QString());
    return out;
}

int textMarks(QCustomPlot* plot, const QString& word)
{
    plot->replot();
    int n = 0;
    for (int i = 0; i < plot->itemCount(); ++i)
        if (auto* text = qobject_cast<QCPItemText*>(plot->item(i)))
            n += text->text().contains(word) ? 1 : 0;
    return n;
}

}  // namespace

class TestGraphProfile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ManualClock m_clock;
    ScriptedPrompts m_prompts;
    std::unique_ptr<Program> m_program;

    QString writeFile(const QString& name, const QByteArray& text)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return path;
    }

private slots:
    void init()
    {
        m_program = std::make_unique<Program>(std::make_unique<NoMeter>(), m_clock, m_prompts, m_dir.path());
        m_program->settingsFile = m_dir.filePath(QStringLiteral("settings.ini"));
    }
    void cleanup() { m_program.reset(); }

    void realTimeRunIsCheckedAsItRecordsAndAFileAtOnce()
    {
        TfrmGraph* w = OpenRealTimeGraph(*m_program);
        w->resize(1366, 768);
        w->show();
        m_prompts.fileNames = {writeFile(QStringLiteral("ramp.json"), kProfile)};
        QVERIFY(w->profileCheck().chooseProfile());
        QVERIFY(w->profileCheck().list()->isVisible());
        QCOMPARE(w->profileCheck().button()->text(), QStringLiteral("Profile: Ramp"));
        const QTableWidget* list = w->profileCheck().list();
        QCOMPARE(column(list, 1), (QStringList{QStringLiteral("ramp band"), QStringLiteral("peak")}));
        // As high as its two rules, no empty rows taken from the chart (window 1366x768).
        const int rowHeight = list->verticalHeader()->defaultSectionSize();
        QVERIFY2(list->viewport()->height() >= 2 * rowHeight && list->viewport()->height() < 3 * rowHeight,
                 qPrintable(QStringLiteral("%1 px for rows of %2").arg(list->viewport()->height()).arg(rowHeight)));

        RecordingSession& session = m_program->session;
        SessionSettings run;
        run.rateSeconds = 1;
        run.recordCount = 6;
        w->realTimeView()->prepareRun(6, false);
        session.start(run);
        QCOMPARE(column(list, 0), QStringList(2, QStringLiteral("PENDING")));
        const double t0 = m_clock.nowDays();
        const float t1[6] = {20, 25, 36, 30, 28, 27};
        const char* after[6][2] = {{"PENDING", "PENDING"}, {"PENDING", "PENDING"}, {"FAIL", "FAIL"},
                                   {"FAIL", "FAIL"},       {"FAIL", "FAIL"},       {"FAIL", "FAIL"}};
        for (int i = 0; i < 6; ++i) {
            CycleSample sample;
            sample.days = m_clock.nowDays();
            sample.T = {t1[i], 20.0f, 20.0f, 20.0f};
            session.takeSample(0, sample);
            m_clock.advanceMs(1000);
            QCOMPARE(column(list, 0), (QStringList{QLatin1String(after[i][0]), QLatin1String(after[i][1])}));
        }
        QCOMPARE(session.state(), SessionState::Ended);
        QCOMPARE(column(list, 5), QStringList(2, QStringLiteral("at 2 s: 36.0 °C")));
        QCOMPARE(w->profileCheck().startDays(), t0);
        QCOMPARE(w->profileCheck().verdict(), RuleVerdict::Failed);
        // The first violations are marked on T1's plot, one mark for the sample that broke
        // both rules; the band lies under the lines.
        QCustomPlot* plot = w->view().customPlot();
        QCOMPARE(textMarks(plot, QStringLiteral("FAIL")), 1);
        QCOMPARE(textMarks(plot, QStringLiteral(" ramp band, peak FAIL")), 1);

        // The run saved and opened in a graph window of its own: checked at once, the same.
        const QString path = m_dir.filePath(QStringLiteral("run.ghf"));
        QVERIFY(WriteGraphFile(w->chart(), path).ok());
        auto* opened = new TfrmGraph(*m_program);
        opened->resize(1366, 768);
        opened->show();
        QVERIFY(ReadGraphFile(opened->chart(), path).ok());
        opened->chart().PEactions(sgReinitAndReset);
        opened->profileCheck().setProfileFile(m_dir.filePath(QStringLiteral("ramp.json")));
        QCOMPARE(column(opened->profileCheck().list(), 0), QStringList(2, QStringLiteral("FAIL")));
        QCOMPARE(column(opened->profileCheck().list(), 5), column(list, 5));
        QCOMPARE(textMarks(opened->view().customPlot(), QStringLiteral(" ramp band, peak FAIL")), 1);

        // A file that is no profile is told, and the check in place stays.
        m_prompts.answers = {QMessageBox::Ok};
        const qsizetype told = m_prompts.messages.size();
        QVERIFY(
            !opened->profileCheck().setProfileFile(writeFile(QStringLiteral("bad.json"), "{\"kelvorProfile\": 7}")));
        QCOMPARE(m_prompts.messages.size(), told + 1);
        QVERIFY2(m_prompts.messages.last().contains(QStringLiteral("bad.json")), qPrintable(m_prompts.messages.last()));
        QCOMPARE(opened->profileCheck().results().size(), std::size_t(2));

        opened->profileCheck().clearProfile();
        QVERIFY(!opened->profileCheck().list()->isVisible());
        QCOMPARE(textMarks(opened->view().customPlot(), QStringLiteral("FAIL")), 0);
        opened->close();
        QVERIFY2(m_prompts.unexpected.isEmpty(), qPrintable(m_prompts.unexpected.join(QLatin1Char('\n'))));
    }

    // The editor builds a profile from a rule of each kind asked for, says which line and
    // field is wrong (and goes there), saves only a profile and hands it to the window.
    void editorBuildsChecksAndSavesAProfile()
    {
        auto* w = new TfrmGraph(*m_program);
        w->show();
        const QString saved = m_dir.filePath(QStringLiteral("built.json"));
        m_prompts.fileNames = {saved};
        QString broken;
        int brokenLine = -1;
        bool savedBroken = true;
        m_prompts.dialogs.push_back([&](QDialog& d) {
            auto& e = dynamic_cast<ProfileEditor&>(d);
            e.addRule(RuleKind::Peak);
            e.addRule(RuleKind::Cooling);
            const QString good = e.edtProfile->toPlainText();
            e.edtProfile->setPlainText(
                QString(good).replace(QStringLiteral("\"max\": 250"), QStringLiteral("\"max\": \"hot\"")));
            e.btnCheck->click();
            broken = e.lblStatus->text();
            brokenLine = e.edtProfile->textCursor().blockNumber() + 1;
            savedBroken = e.save();
            e.edtProfile->setPlainText(good);
            if (!e.save())
                return int(QDialog::Rejected);
            e.btnUse->click();
            return e.result();
        });
        QVERIFY(w->profileCheck().editProfile());
        QVERIFY2(broken.contains(QStringLiteral("line 7: rule 1: \"max\"")), qPrintable(broken));
        QCOMPARE(brokenLine, 7);
        QVERIFY(!savedBroken);

        QFile f(saved);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QJsonObject doc = QJsonDocument::fromJson(f.readAll()).object();
        QCOMPARE(doc.value(QStringLiteral("kelvorProfile")).toInt(), 1);
        const QJsonArray rules = doc.value(QStringLiteral("rules")).toArray();
        QCOMPARE(rules.size(), 2);
        QCOMPARE(rules[0].toObject().value(QStringLiteral("kind")).toString(), QStringLiteral("peak"));
        QCOMPARE(rules[1].toObject().value(QStringLiteral("kind")).toString(), QStringLiteral("cooling"));
        QCOMPARE(w->profileCheck().profile()->rules.size(), std::size_t(2));
        QCOMPARE(w->profileCheck().results().size(), std::size_t(2));
        QVERIFY(m_prompts.fileNames.empty());  // one save dialog: the broken text was not offered
        delete w;
    }
};

QTEST_MAIN(TestGraphProfile)
#include "tst_graphprofile.moc"
