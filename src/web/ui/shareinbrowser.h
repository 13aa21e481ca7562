// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace kelvor {

class WebServer;

// View > Share in Browser: starts and stops the browser view, on this computer only or on
// the local network (then with the access token, shown in the link and as a QR code, and
// changeable), optionally over HTTPS.
class ShareInBrowserDialog : public QDialog {
    Q_OBJECT
public:
    ShareInBrowserDialog(WebServer& server, QWidget* parent = nullptr);

    // Starts or stops the view with what the dialog shows; the outcome is shown in it.
    void startSharing();
    void stopSharing();
    // A new access token; a view shared on the network restarts with it, so the old link
    // stops working.
    void newToken();

    QString linkText() const;
    QImage qrCode() const;
    QString statusText() const;

private:
    void build();
    void showState();
    void chooseCertificate();

    WebServer& m_server;
    QByteArray m_token;
    QRadioButton* m_local = nullptr;
    QRadioButton* m_network = nullptr;
    QSpinBox* m_port = nullptr;
    QLineEdit* m_tokenEdit = nullptr;
    QPushButton* m_newToken = nullptr;
    QLineEdit* m_certificate = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_copy = nullptr;
    QLabel* m_link = nullptr;
    QLabel* m_qr = nullptr;
    QLabel* m_status = nullptr;
    QString m_problem;
};

}  // namespace kelvor
