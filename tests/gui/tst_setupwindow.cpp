// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ui/monitorloop.h"
#include "meter/sim/simdevice.h"
#include "setup/ui/tfrmsetup.h"
#include "shellrig.h"

using namespace kelvor;
using kelvor::test::ScriptedPrompts;
using kelvor::test::ShellRig;

namespace {
// The window on its own over the simulated meter (no main window: the monitor hooks
// do nothing).
struct SimRig {
    QTemporaryDir dir;
    ManualClock clock;
    ScriptedPrompts prompts;
    SimDevice* sim;
    std::unique_ptr<Program> program;
    std::unique_ptr<TfrmSetup> form;

    explicit SimRig(const char* faults = "")
    {
        SimFaultPlan plan;
        QString error;
        plan.parseRules(QString::fromLatin1(faults), &error);
        auto device = std::make_unique<SimDevice>(clock, SimMeterConfig{}, plan);
        sim = device.get();
        program = std::make_unique<Program>(std::move(device), clock, prompts, dir.path());
        form = std::make_unique<TfrmSetup>(program->meterAccess());
        form->show();
    }
    QString text(const char* name) const
    {
        if (auto* l = form->findChild<QLabel*>(QLatin1String(name)))
            return l->text();
        return form->findChild<QLineEdit*>(QLatin1String(name))->text();
    }
    void set(const char* name, const char* value)
    {
        form->findChild<QLineEdit*>(QLatin1String(name))->setText(QString::fromLatin1(value));
    }
    int exchanges() const { return sim->faults().exchanges(); }
};

bool isRed(QWidget* w) { return w->styleSheet().contains(QLatin1String("#FF0000")); }
bool isGreen(QWidget* w) { return w->styleSheet().contains(QLatin1String("#008000")); }
}  // namespace

class TestSetupWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void controlsCarryTheirNamesAndStartValues()
    {
        SimRig rig;
        QCOMPARE(rig.form->windowTitle(), QStringLiteral("Data Logger Setup"));
        for (int i = 1; i <= 9; ++i)
            QVERIFY2(rig.form->findChild<QWidget*>(QStringLiteral("Button%1").arg(i)), qPrintable(QString::number(i)));
        for (const char* name : {"lblOK1", "lblOK2", "lblOK3", "lblOK4", "lblOK5", "lblOK6", "lblWriteOK", "lblReadOK",
                                 "txtMemoryAvailable", "txtMeterTime", "txtSN", "txtT4offset"})
            QVERIFY2(rig.form->findChild<QWidget*>(QLatin1String(name)), name);
        QCOMPARE(rig.text("edtInt1"), QStringLiteral("00"));
        QCOMPARE(rig.text("edtInt2"), QStringLiteral("02"));
        QCOMPARE(rig.text("edtT3Gain"), QStringLiteral("1"));
        QCOMPARE(rig.text("edtT2_CJC_offset"), QStringLiteral("0"));
        QCOMPARE(rig.text("edtPassword"), QStringLiteral("0"));
        QCOMPARE(rig.form->findChild<QLineEdit*>(QStringLiteral("edtInt1"))->inputMask(), QStringLiteral("99;_"));
    }

    void intervalIsValidatedAndSentAsBcd()
    {
        SimRig rig;
        rig.set("edtInt1", "60");
        rig.set("edtInt2", "60");
        rig.form->Button2Click();
        QCOMPARE(rig.text("lblOK2"), QStringLiteral("OK"));
        QCOMPARE(rig.sim->meter().memory().intervalMinutes(), 60);
        QCOMPARE(rig.sim->meter().memory().intervalSeconds(), 60);

        rig.set("edtInt1", "05");
        rig.set("edtInt2", "30");
        rig.form->Button2Click();
        QCOMPARE(rig.sim->meter().memory().intervalMinutes(), 5);
        QCOMPARE(rig.sim->meter().memory().intervalSeconds(), 30);

        const int before = rig.exchanges();
        rig.set("edtInt1", "00");
        rig.set("edtInt2", "00");
        rig.form->Button2Click();
        QCOMPARE(rig.prompts.messages, QStringList{QStringLiteral("Invalid Input")});
        QCOMPARE(rig.text("lblOK2"), QStringLiteral("OK"));  // left as it was
        QCOMPARE(rig.exchanges(), before);
    }

    void eraseAsksFirstAndNoSendsNothing()
    {
        SimRig rig;
        const int sets = rig.sim->meter().memory().dataSetCount();
        QVERIFY(sets > 1);
        const QString unknown = QStringLiteral("Erase every data set recorded in the meter? This cannot be undone.");
        const QString known =
            QStringLiteral("Erase the %1 data sets recorded in the meter? This cannot be undone.").arg(sets);
        struct Case {
            const char* name;
            bool readFirst;  // the information read tells the count
            void (TfrmSetup::*click)();
            const QString& question;
        };
        const Case cases[] = {
            {"erase, count unknown", false, &TfrmSetup::Button3Click, unknown},
            {"erase, count read", true, &TfrmSetup::Button3Click, known},
            {"setup all", true, &TfrmSetup::Button6Click, known},
        };
        for (const Case& c : cases) {
            SimRig r;
            if (c.readFirst)
                r.form->Button4Click();
            const int before = r.exchanges();
            r.prompts.answers.push_back(QMessageBox::No);
            (r.form.get()->*c.click)();
            QVERIFY2(r.prompts.messages == QStringList{c.question}, c.name);
            QVERIFY2(r.exchanges() == before, c.name);
            QVERIFY2(r.text("lblOK1").isEmpty() && r.text("lblOK3").isEmpty(), c.name);
            QCOMPARE(r.sim->meter().memory().dataSetCount(), sets);
        }

        // Yes erases; the next question knows the memory is empty.
        rig.form->Button4Click();
        rig.prompts.answers = {QMessageBox::Yes, QMessageBox::No};
        rig.form->Button3Click();
        rig.form->Button3Click();
        QCOMPARE(rig.sim->meter().memory().dataSetCount(), 0);
        QCOMPARE(
            rig.prompts.messages.value(1),
            QStringLiteral("The meter reports no recorded data set. Erase its memory anyway? This cannot be undone."));
    }

    void eraseThenInformationShowsAnEmptyMemory()
    {
        SimRig rig;
        rig.prompts.answers.push_back(QMessageBox::Yes);
        rig.form->Button3Click();
        QCOMPARE(rig.text("lblOK3"), QStringLiteral("OK"));
        QVERIFY(isGreen(rig.form->findChild<QLabel*>(QStringLiteral("lblOK3"))));
        rig.form->Button4Click();
        QCOMPARE(rig.text("lblOK5"), QStringLiteral("OK"));
        QCOMPARE(rig.text("txtMemoryAvailable"), QStringLiteral("16000"));
        QCOMPARE(rig.text("txtDataSets"), QStringLiteral("0"));
        QCOMPARE(rig.text("txtVer"), QStringLiteral("1.05"));
        QCOMPARE(rig.text("txtSN"), QStringLiteral("KV4-SIM-00001"));
        QCOMPARE(rig.text("txtLo"), QStringLiteral("-4"));
        QCOMPARE(rig.text("txtSleepTime"), QStringLiteral("30 minutes"));
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void setupAllOnASilentMeter()
    {
        ShellRig rig(false);
        rig.main->Setup1Click();
        TfrmSetup* form = rig.main->setupWindow();
        QVERIFY(form);
        rig.meter->frames.clear();
        form->findChild<QLineEdit*>(QStringLiteral("txtSN"))->setText(QStringLiteral("old"));
        rig.prompts.answers.push_back(QMessageBox::Yes);
        form->Button6Click();
        const std::pair<const char*, const char*> expected[] = {{"lblOK1", "Fail code=405"},
                                                                {"lblOK2", "Fail"},
                                                                {"lblOK3", "Fail code=505"},
                                                                {"lblOK4", "Fail code=405"},
                                                                {"lblOK5", "Fail code=204"}};
        for (auto [name, text] : expected) {
            auto* label = form->findChild<QLabel*>(QLatin1String(name));
            QCOMPARE(label->text(), QLatin1String(text));
            QVERIFY(isRed(label));
        }
        for (char c : {'t', 'I', 'e', 's', 'X'})
            QCOMPARE(rig.meter->count(c), 3);
        QVERIFY(form->findChild<QLineEdit*>(QStringLiteral("txtSN"))->text().isEmpty());
        QVERIFY(rig.main->monitor().mainTimer().isActive());
        QVERIFY(QApplication::overrideCursor() == nullptr);

        rig.main->Setup1Click();  // the one window, back to normal
        QCOMPARE(rig.main->setupWindow(), form);
        rig.main->monitor().mainTimer().stop();
        qobject_cast<QMdiSubWindow*>(form->parentWidget())->close();
        QTRY_VERIFY(!rig.main->setupWindow());
        QVERIFY(rig.main->monitor().mainTimer().isActive());
        int setupWindows = 0;
        for (QMdiSubWindow* sub : rig.main->mdiArea().subWindowList())
            setupWindows += qobject_cast<TfrmSetup*>(sub->widget()) != nullptr;
        QCOMPARE(setupWindows, 0);
    }

    void calibrationValues()
    {
        SimRig rig;
        rig.form->Button7Click();
        QCOMPARE(rig.text("lblOK6"), QStringLiteral("OK"));
        QCOMPARE(rig.text("edtT1Gain"), QStringLiteral("1.00000000"));
        QCOMPARE(rig.text("edtT2_EXT_offset"), QStringLiteral("-0.12500000"));
        QCOMPARE(rig.text("edtT1_CJC_offset"), QStringLiteral("0.50000000"));

        SimRig silent("drop@1+*");
        silent.form->Button7Click();
        QCOMPARE(silent.text("lblOK6"), QStringLiteral("Fail code=708"));
        QVERIFY(silent.text("edtT1Gain").isEmpty());
    }

    void eepromWriteAndRead()
    {
        SimRig rig;
        const int before = rig.exchanges();
        for (const char* code : {"0", "", "08921"}) {
            rig.set("edtPassword", code);
            rig.form->Button8Click();
        }
        QCOMPARE(rig.prompts.messages, QStringList(3, QStringLiteral("Password error !!")));
        QCOMPARE(rig.exchanges(), before);

        rig.prompts.messages.clear();
        rig.set("edtPassword", "8921");
        rig.set("txtWAddress", "abc");
        rig.form->Button8Click();
        QCOMPARE(rig.prompts.messages, QStringList{QStringLiteral("'abc' is not a valid integer value")});
        QCOMPARE(rig.exchanges(), before);
        QVERIFY(QApplication::overrideCursor() == nullptr);

        rig.set("txtWAddress", "70000");
        rig.set("txtWData", "300");
        rig.form->Button8Click();
        QCOMPARE(rig.text("lblWriteOK"), QStringLiteral("OK"));
        QCOMPARE(rig.sim->meter().memory().at(70000), 0x2C);
        rig.set("txtRAddress", "70000");
        rig.form->Button9Click();
        QCOMPARE(rig.text("txtRData"), QStringLiteral("44"));
        QCOMPARE(rig.text("lblReadOK"), QStringLiteral("OK"));

        SimRig echo("echo:W@1+*;echo:r@1+*");
        echo.set("edtPassword", "8921");
        echo.form->Button8Click();
        QCOMPARE(echo.text("lblWriteOK"), QStringLiteral("Fail"));
        QVERIFY(isRed(echo.form->findChild<QLabel*>(QStringLiteral("lblWriteOK"))));
        echo.form->Button9Click();
        QCOMPARE(echo.text("lblReadOK"), QStringLiteral("Fail"));
        QVERIFY(echo.text("txtRData").isEmpty());
    }
};

QTEST_MAIN(TestSetupWindow)
#include "tst_setupwindow.moc"
