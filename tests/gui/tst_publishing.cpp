// SPDX-License-Identifier: GPL-3.0-or-later
// Options > Publishing...: the dialog keeps the choice (in the program and in the
// settings file, read back with QSettings) and refuses one it cannot use; the status bar
// follows a private mosquitto broker that goes away and comes back, and live readings
// reach a subscriber. The broker part exits 77 (skip) where mosquitto is missing.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <cstdio>
#include <cstdlib>

#include "app/ui/tfrmmain.h"
#include "fakemeter.h"
#include "publish/ui/tfrmpublishing.h"
#include "shellrig.h"

using namespace kelvor;
using kelvor::test::ShellRig;

namespace {

template <class T>
T* child(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no widget %s", name);
    return c;
}

void choose(QAction* publishing) { publishing->trigger(); }

int freePort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

}  // namespace

class TestPublishing : public QObject {
    Q_OBJECT
private slots:
    void dialogKeepsTheChoice()
    {
        ShellRig rig;
        QAction* publishing = rig.main->findChild<QAction*>(QStringLiteral("Publishing1"));
        QVERIFY(publishing);
        // TLS without a CA file is refused with a message; the dialog stays and nothing changes.
        rig.prompts.answers.push_back(QMessageBox::Ok);
        rig.prompts.dialogs.push_back([](QDialog& d) {
            child<QCheckBox>(d, "chkPublish")->setChecked(true);
            child<QLineEdit>(d, "edtHost")->setText(QStringLiteral("broker.lab"));
            child<QCheckBox>(d, "chkTls")->setChecked(true);
            d.accept();
            return d.result();
        });
        choose(publishing);
        QCOMPARE(rig.prompts.messages.size(), 1);
        QVERIFY2(rig.prompts.messages[0].contains(QLatin1String("CA certificate")),
                 qPrintable(rig.prompts.messages[0]));
        QVERIFY(!rig.program->publishing.on);

        rig.prompts.dialogs.push_back([](QDialog& d) {
            // The port follows the TLS choice; the user's own port stays.
            auto* tls = child<QCheckBox>(d, "chkTls");
            auto* port = child<QSpinBox>(d, "spnPort");
            tls->setChecked(true);
            if (port->value() != 8883)
                return int(QDialog::Rejected);
            tls->setChecked(false);
            child<QCheckBox>(d, "chkPublish")->setChecked(true);
            child<QLineEdit>(d, "edtHost")->setText(QStringLiteral(" broker.lab "));
            port->setValue(1884);
            child<QLineEdit>(d, "edtUser")->setText(QStringLiteral("ann"));
            child<QLineEdit>(d, "edtPassword")->setText(QStringLiteral("s3cret"));
            child<QLineEdit>(d, "edtPrefix")->setText(QStringLiteral("lab/oven"));
            child<QComboBox>(d, "cmbQos")->setCurrentIndex(0);
            child<QDoubleSpinBox>(d, "spnLive")->setValue(2.5);
            child<QCheckBox>(d, "chkDiscovery")->setChecked(true);
            d.accept();
            return d.result();
        });
        choose(publishing);
        const PublishingSettings& p = rig.program->publishing;
        QVERIFY(p.on);
        QCOMPARE(p.mqtt.host, QStringLiteral("broker.lab"));
        QCOMPARE(p.mqtt.port, 1884);
        QCOMPARE(p.mqtt.qos, 0);
        QCOMPARE(p.mqtt.liveIntervalMs, 2500);
        QVERIFY(rig.program->publisher());
        QSettings stored(rig.settingsFile(), QSettings::IniFormat);
        QCOMPARE(stored.value(QStringLiteral("Publishing/Host")).toString(), QStringLiteral("broker.lab"));
        QCOMPARE(stored.value(QStringLiteral("Publishing/Port")).toInt(), 1884);
        QCOMPARE(stored.value(QStringLiteral("Publishing/Prefix")).toString(), QStringLiteral("lab/oven"));
        QCOMPARE(stored.value(QStringLiteral("Publishing/LiveMs")).toInt(), 2500);
        QCOMPARE(stored.value(QStringLiteral("Publishing/Discovery")).toBool(), true);
        QCOMPARE(stored.value(QStringLiteral("Publishing/On")).toBool(), true);

        // A program started again over these settings publishes as chosen.
        QTemporaryDir other;
        const QString file = other.filePath(QStringLiteral("s.ini"));
        QVERIFY(QFile::copy(rig.settingsFile(), file));
        Program program(std::make_unique<kelvor::test::FakeMeter>(), rig.clock, rig.prompts, other.path());
        program.settingsFile = file;
        TfrmMain second(program);
        QCOMPARE(program.publishing.mqtt.prefix, QStringLiteral("lab/oven"));
        QCOMPARE(program.publishing.mqtt.password, QStringLiteral("s3cret"));
        QVERIFY(program.publisher());
    }

    // Last: it ends the program with 77 where no broker can run.
    void statusBarFollowsTheBroker()
    {
        QString broker = QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
        if (broker.isEmpty())
            broker = QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin")});
        const QString sub = QStandardPaths::findExecutable(QStringLiteral("mosquitto_sub"));
        if (broker.isEmpty() || sub.isEmpty()) {
            std::printf("SKIP: mosquitto or mosquitto_sub is not installed\n");
            std::exit(77);
        }
        ShellRig rig;
        const int port = freePort();
        const QString conf = rig.dir.filePath(QStringLiteral("broker.conf"));
        {
            QFile f(conf);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\n").arg(port).toUtf8());
        }
        QProcess mosquitto;
        auto startBroker = [&] {
            mosquitto.start(broker, {QStringLiteral("-c"), conf});
            return QTest::qWaitFor(
                [&] {
                    QTcpSocket s;
                    s.connectToHost(QHostAddress::LocalHost, quint16(port));
                    return s.waitForConnected(100);
                },
                10000);
        };
        if (!startBroker()) {
            std::printf("SKIP: mosquitto did not start: %s\n", mosquitto.readAllStandardError().constData());
            std::exit(77);
        }
        QLabel* status = rig.main->findChild<QLabel*>(QStringLiteral("StatusMqtt"));
        QVERIFY(status);
        QVERIFY(status->text().isEmpty());

        PublishingSettings p;
        p.on = true;
        p.mqtt.host = QStringLiteral("127.0.0.1");
        p.mqtt.port = port;
        rig.program->setPublishing(p);
        QCOMPARE(status->text(), QStringLiteral("MQTT: waiting for the meter"));
        QProcess live;
        live.start(sub,
                   {QStringLiteral("-p"), QString::number(port), QStringLiteral("-t"), QStringLiteral("kelvor/+/live"),
                    QStringLiteral("-C"), QStringLiteral("2"), QStringLiteral("-W"), QStringLiteral("20")});
        QVERIFY(live.waitForStarted());
        QTest::qWait(300);
        rig.tick();  // the meter answers: the publisher connects with its serial
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("MQTT: connected"), 10000);
        // Readings 200 ms apart on the rig's clock, at most one a second published.
        QVERIFY(QTest::qWaitFor(
            [&] {
                rig.tick();
                return live.state() == QProcess::NotRunning;
            },
            15000));
        const QList<QByteArray> lines = live.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        for (const QByteArray& line : lines) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            QVERIFY2(o.contains(QLatin1String("T1")) && o.contains(QLatin1String("time")), line.constData());
        }

        mosquitto.terminate();
        QVERIFY(mosquitto.waitForFinished(5000));
        QTRY_VERIFY_WITH_TIMEOUT(status->text().startsWith(QLatin1String("MQTT: reconnecting (")), 10000);
        QVERIFY(startBroker());
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("MQTT: connected"), 20000);

        rig.program->setPublishing({});
        QVERIFY(status->text().isEmpty());
        mosquitto.terminate();
        mosquitto.waitForFinished(5000);
    }
};

QTEST_MAIN(TestPublishing)
#include "tst_publishing.moc"
