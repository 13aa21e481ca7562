// SPDX-License-Identifier: GPL-3.0-or-later
// View > Share in Browser: off until started, this computer only unless the network is
// chosen, and then only with the access token the link and the QR code carry.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include "shellrig.h"
#include "web/ui/shareinbrowser.h"

using namespace kelvor;
using kelvor::test::ShellRig;

namespace {

// The status code of GET `target`, asked from and to address `from`; 0 when no answer came.
int statusOf(quint16 port, const QByteArray& target, const QString& from = QStringLiteral("127.0.0.1"))
{
    const QString& source = from;
    QTcpSocket s;
    if (!s.bind(QHostAddress(source)))
        return -1;
    QByteArray got;
    QObject::connect(&s, &QTcpSocket::connected, [&] {
        s.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                "\r\nConnection: close\r\n\r\n");
    });
    QObject::connect(&s, &QTcpSocket::readyRead, [&] { got += s.readAll(); });
    s.connectToHost(QHostAddress(from), port);
    (void)QTest::qWaitFor([&] { return got.contains("\r\n\r\n") || s.state() == QAbstractSocket::UnconnectedState; },
                          5000);
    return got.startsWith("HTTP/1.1 ") ? got.mid(9, 3).toInt() : 0;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

}  // namespace

class TestShareDialog : public QObject {
    Q_OBJECT
private slots:
    void sharedOnlyAsChosenAndOnlyWithTheToken()
    {
        ShellRig rig;
        QAction* share = rig.main->findChild<QAction*>(QStringLiteral("ShareInBrowser1"));
        QVERIFY(share);
        share->trigger();
        auto* dialog = rig.main->findChild<ShareInBrowserDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY2(!rig.program->web.listening(), "off until the user starts it");
        QVERIFY(dialog->linkText().isEmpty());

        const quint16 port = freePort();
        dialog->findChild<QSpinBox*>()->setValue(port);
        auto* start = dialog->findChild<QPushButton*>(QStringLiteral("StartSharing"));
        start->click();
        QVERIFY2(rig.program->web.listening(), qPrintable(dialog->statusText()));
        QCOMPARE(dialog->linkText(), QStringLiteral("http://127.0.0.1:%1/").arg(port));
        QVERIFY2(dialog->qrCode().isNull(), "no code for a link only this computer can open");
        QCOMPARE(statusOf(port, "/api/status"), 200);
        // Only 127.0.0.1 listens.
        QCOMPARE(statusOf(port, "/api/status", QStringLiteral("127.0.0.2")), 0);

        start->click();
        QVERIFY(!rig.program->web.listening());
        QCOMPARE(statusOf(port, "/api/status"), 0);

        const QList<QRadioButton*> modes = dialog->findChildren<QRadioButton*>();
        modes[1]->setChecked(true);
        start->click();
        QVERIFY2(rig.program->web.listening(), qPrintable(dialog->statusText()));
        const QString link = dialog->linkText();
        const QByteArray token = rig.program->web.token();
        QCOMPARE(token.size(), 22);
        QVERIFY2(link.endsWith(QStringLiteral(":%1/?token=%2").arg(port).arg(QString::fromLatin1(token))),
                 qPrintable(link));
        const QImage qr = dialog->qrCode();
        QVERIFY(!qr.isNull());
        QCOMPARE(qr.width(), qr.height());
        for (const QString& from : {QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2")}) {
            QCOMPARE(statusOf(port, "/api/status", from), 403);
            QCOMPARE(statusOf(port, "/api/status?token=" + token, from), 200);
            QCOMPARE(statusOf(port, "/?token=" + token, from), 200);
        }

        // The meter's readings reach the view.
        rig.tick(6);
        QCOMPARE(rig.program->web.model().meters.front().connected, true);
        QVERIFY(rig.program->web.model().meters.front().hasReading);

        dialog->newToken();
        const QByteArray changed = rig.program->web.token();
        QVERIFY(changed != token);
        QCOMPARE(statusOf(port, "/api/status?token=" + token, QStringLiteral("127.0.0.2")), 403);
        QCOMPARE(statusOf(port, "/api/status?token=" + changed, QStringLiteral("127.0.0.2")), 200);
        QVERIFY(dialog->qrCode() != qr);
        QVERIFY(dialog->linkText().contains(QString::fromLatin1(changed)));

        const QString shot = QStringLiteral(QT_TESTCASE_BUILDDIR "/share-in-browser.png");
        dialog->grab().save(shot);
        qInfo("dialog %dx%d, kept at %s", dialog->width(), dialog->height(), qPrintable(shot));
        QVERIFY(dialog->width() <= 1366 && dialog->height() <= 768);

        dialog->stopSharing();
        QCOMPARE(statusOf(port, "/api/status?token=" + changed), 0);
    }
};

QTEST_MAIN(TestShareDialog)
#include "tst_sharedialog.moc"
