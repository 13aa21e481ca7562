// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <deque>
#include <functional>

#include "graph/ui/savegraph.h"
#include "program/prompts.h"
#include "scriptedprompts.h"

using kelvor::QtPrompts;
using kelvor::test::ScriptedPrompts;

namespace {

// Plays the user at the real dialogs: each step waits for the next modal window, does
// its part and closes it. Steps left over mean a dialog the test expected never came.
class ModalScript : public QObject {
public:
    std::deque<std::function<void(QWidget*)>> steps;
    QPointer<QWidget> handled;  // a dialog made again may take the old one's address

    ModalScript()
    {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == handled || !modal->isVisible() || steps.empty())
                return;
            handled = modal;
            auto step = std::move(steps.front());
            steps.pop_front();
            step(modal);
        });
        timer->start(20);
    }
};

// In the save dialog: picks file type `type` (0 = as it opens), types `name`, saves.
std::function<void(QWidget*)> typeAndSave(int type, const QString& name)
{
    return [=](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        QVERIFY(dialog);
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(types && edit);
        if (type > 0) {
            // As the keyboard picks it: the combo says which type was activated.
            for (int k = 0; k < type; ++k)
                QTest::keyClick(types, Qt::Key_Down);
            QCOMPARE(types->currentIndex(), type);
        }
        edit->clear();
        QTest::keyClicks(edit, name);
        QMetaObject::invokeMethod(dialog, "accept");
    };
}

}  // namespace

class TestPrompts : public QObject {
    Q_OBJECT
private slots:
    void scriptedDialogFillsWidgetsByName()
    {
        ScriptedPrompts prompts;
        QDialog dialog;
        auto* edit = new QLineEdit(&dialog);
        edit->setObjectName(QStringLiteral("edtRealTimeNo"));
        prompts.dialogs.push_back([](QDialog& d) {
            d.findChild<QLineEdit*>(QStringLiteral("edtRealTimeNo"))->setText(QStringLiteral("5"));
            return int(QDialog::Accepted);
        });
        QCOMPARE(prompts.exec(dialog), int(QDialog::Accepted));
        QCOMPARE(edit->text(), QStringLiteral("5"));
        // Nothing scripted: a question is cancelled and flagged as unexpected.
        QCOMPARE(
            prompts.ask(nullptr, QStringLiteral("Save?"), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel),
            QMessageBox::Cancel);
        QCOMPARE(prompts.unexpected.size(), 1);
    }

    // A name typed without an extension takes the type chosen in the dialog, and the
    // question before replacing a file names the file that would be written.
    void savedNameTakesTheChosenType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("graph file as it opens") << 0 << QStringLiteral("run2") << QStringLiteral("run2.GHF");
        QTest::newRow("tab table") << 1 << QStringLiteral("run2") << QStringLiteral("run2.TXT");
        QTest::newRow("spreadsheet table") << 3 << QStringLiteral("run2") << QStringLiteral("run2.csv");
        QTest::newRow("workbook") << 4 << QStringLiteral("run2") << QStringLiteral("run2.xlsx");
        QTest::newRow("typed extension stays") << 1 << QStringLiteral("run2.ghf") << QStringLiteral("run2.ghf");
    }
    void savedNameTakesTheChosenType()
    {
        QFETCH(int, type);
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));  // every type offered
        QTemporaryDir dir;
        const QString filter = kelvor::GraphSaveFilter();
        const QStringList types = filter.split(QStringLiteral(";;"));
        QCOMPARE(types.size(), 5);
        ModalScript script;
        script.steps.push_back(typeAndSave(type, typed));
        QtPrompts prompts;
        const kelvor::FileChoice choice =
            prompts.saveFile(nullptr, QStringLiteral("Save As"), dir.path(), filter, QStringLiteral("GHF"));
        QVERIFY(script.steps.empty());
        QCOMPARE(choice.fileName, dir.filePath(saved));
        QCOMPARE(choice.selectedFilter, types[type]);
    }

    void replaceQuestionNamesTheFileWritten()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        QTemporaryDir dir;
        for (const char* name : {"run2.GHF", "run2.TXT"}) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(name);
        }
        const QString filter = kelvor::GraphSaveFilter();
        ModalScript script;
        QString asked, offeredAgain;
        script.steps.push_back(typeAndSave(1, QStringLiteral("run2")));
        // No: the dialog comes back with the same name and type.
        script.steps.push_back([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            asked = box->text();
            box->button(QMessageBox::No)->click();
        });
        script.steps.push_back([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            QVERIFY(dialog);
            offeredAgain = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text() + QLatin1Char('|') +
                           dialog->selectedNameFilter();
            QMetaObject::invokeMethod(dialog, "accept");
        });
        script.steps.push_back([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            box->button(QMessageBox::Yes)->click();
        });
        QtPrompts prompts;
        const kelvor::FileChoice choice =
            prompts.saveFile(nullptr, QStringLiteral("Save As"), dir.path(), filter, QStringLiteral("GHF"));
        QVERIFY(script.steps.empty());
        QCOMPARE(asked, QStringLiteral("run2.TXT already exists.\nDo you want to replace it?"));
        QCOMPARE(offeredAgain, QStringLiteral("run2.TXT|") + filter.split(QStringLiteral(";;"))[1]);
        QCOMPARE(choice.fileName, dir.filePath(QStringLiteral("run2.TXT")));
    }
};

QTEST_MAIN(TestPrompts)
#include "tst_prompts.moc"
