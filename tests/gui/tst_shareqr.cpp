// SPDX-License-Identifier: GPL-3.0-or-later
// The QR code View > Share in Browser shows, read back by an independent decoder
// (zbarimg, Debian's zbar-tools): the image and the dialog as painted both hold the link
// with its access token, and a new token puts the new link in the code. Skips (77)
// where zbarimg is missing.
#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

#include "base/clock.h"
#include "web/ui/shareinbrowser.h"
#include "web/webserver.h"

using namespace kelvor;

namespace {

// What zbarimg reads from `image`: the text of each code it finds, one a line.
QStringList decoded(const QImage& image, const QString& path)
{
    if (!image.save(path))
        return {QStringLiteral("(cannot save %1)").arg(path)};
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), path});
    if (!zbar.waitForFinished(30000))
        return {QStringLiteral("(zbarimg did not finish)")};
    return QString::fromUtf8(zbar.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

}  // namespace

class TestShareQr : public QObject {
    Q_OBJECT
private slots:
    void theCodeHoldsTheLinkWithItsToken()
    {
        QTemporaryDir dir;
        ManualClock clock;
        WebServer server(clock);
        ShareInBrowserDialog dialog(server);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.findChild<QSpinBox*>()->setValue(freePort());
        const QList<QRadioButton*> modes = dialog.findChildren<QRadioButton*>();
        QVERIFY(modes.size() >= 2);
        modes[1]->setChecked(true);  // the local network: a link with the token
        dialog.findChild<QPushButton*>(QStringLiteral("StartSharing"))->click();
        QVERIFY2(server.listening(), qPrintable(dialog.statusText()));
        const QString link = dialog.linkText();
        QVERIFY2(link.contains(QStringLiteral("?token=") + QString::fromLatin1(server.token())), qPrintable(link));

        QCOMPARE(decoded(dialog.qrCode(), dir.filePath(QStringLiteral("code.png"))), QStringList{link});
        // As the dialog paints it, at the size it shows.
        auto* shown = dialog.findChild<QLabel*>(QStringLiteral("QrCode"));
        QVERIFY(shown && shown->isVisible());
        QCOMPARE(decoded(shown->grab().toImage(), dir.filePath(QStringLiteral("shown.png"))), QStringList{link});

        dialog.newToken();
        const QString changed = dialog.linkText();
        QVERIFY(changed != link);
        QCOMPARE(decoded(dialog.qrCode(), dir.filePath(QStringLiteral("new.png"))), QStringList{changed});
        qInfo("decoded %s", qPrintable(changed));
        dialog.stopSharing();
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty()) {
        std::puts("SKIP: zbarimg (zbar-tools) is missing, so no decoder can read the QR code back");
        return 77;
    }
    TestShareQr test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shareqr.moc"
