// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDialog>
#include <QLineEdit>
#include <QtTest>

#include "scriptedprompts.h"

using kelvor::test::ScriptedPrompts;

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
};

QTEST_MAIN(TestPrompts)
#include "tst_prompts.moc"
