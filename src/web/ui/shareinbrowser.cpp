// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/ui/shareinbrowser.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "web/ui/qrimage.h"
#include "web/webaccess.h"
#include "web/webserver.h"

namespace kelvor {

ShareInBrowserDialog::ShareInBrowserDialog(WebServer& server, QWidget* parent) : QDialog(parent), m_server(server)
{
    setObjectName(QStringLiteral("ShareInBrowser"));
    setWindowTitle(QStringLiteral("Share in Browser"));
    m_token = server.token().isEmpty() ? NewAccessToken() : server.token();
    build();
    if (server.listening()) {
        m_network->setChecked(server.where().beyondThisComputer());
        m_port->setValue(server.where().port ? server.where().port : server.port());
    }
    connect(&server, &WebServer::viewersChanged, this, &ShareInBrowserDialog::showState);
    showState();
}

void ShareInBrowserDialog::build()
{
    m_local = new QRadioButton(QStringLiteral("On this &computer only (127.0.0.1)"));
    m_network = new QRadioButton(QStringLiteral("On the local &network, for anyone with the link"));
    m_local->setChecked(true);
    m_port = new QSpinBox;
    m_port->setRange(1, 65535);
    m_port->setValue(8080);
    m_tokenEdit = new QLineEdit(QString::fromLatin1(m_token));
    m_tokenEdit->setReadOnly(true);
    m_tokenEdit->setObjectName(QStringLiteral("Token"));
    m_newToken = new QPushButton(QStringLiteral("New &Token"));
    m_certificate = new QLineEdit;
    m_certificate->setPlaceholderText(QStringLiteral("none: plain HTTP"));
    m_browse = new QPushButton(QStringLiteral("&Browse…"));
    m_start = new QPushButton;
    m_start->setObjectName(QStringLiteral("StartSharing"));
    m_link = new QLabel;
    m_link->setObjectName(QStringLiteral("Link"));
    m_link->setTextInteractionFlags(Qt::TextBrowserInteraction);
    m_link->setOpenExternalLinks(true);
    m_link->setWordWrap(true);
    m_copy = new QPushButton(QStringLiteral("Co&py Link"));
    m_qr = new QLabel;
    m_qr->setObjectName(QStringLiteral("QrCode"));
    m_qr->setAlignment(Qt::AlignCenter);
    m_qr->setAccessibleName(QStringLiteral("QR code of the link"));
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("Status"));
    m_status->setWordWrap(true);

    auto* tokenRow = new QHBoxLayout;
    tokenRow->addWidget(m_tokenEdit, 1);
    tokenRow->addWidget(m_newToken);
    auto* certRow = new QHBoxLayout;
    certRow->addWidget(m_certificate, 1);
    certRow->addWidget(m_browse);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Share:"), m_local);
    form->addRow(QString(), m_network);
    form->addRow(QStringLiteral("&Port:"), m_port);
    form->addRow(QStringLiteral("Access token:"), tokenRow);
    form->addRow(QStringLiteral("HTTPS certificate (PEM):"), certRow);
    auto* linkRow = new QHBoxLayout;
    linkRow->addWidget(m_link, 1);
    linkRow->addWidget(m_copy);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(m_start, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    auto* note =
        new QLabel(QStringLiteral("Browsers see the readings, the run's chart and its alarms; nothing can be "
                                  "changed from them. On the network, every page needs the access token."));
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(m_status);
    layout->addLayout(linkRow);
    layout->addWidget(m_qr);
    layout->addWidget(buttons);

    connect(m_start, &QPushButton::clicked, this, [this] {
        if (m_server.listening())
            stopSharing();
        else
            startSharing();
    });
    connect(m_newToken, &QPushButton::clicked, this, &ShareInBrowserDialog::newToken);
    connect(m_browse, &QPushButton::clicked, this, &ShareInBrowserDialog::chooseCertificate);
    connect(m_copy, &QPushButton::clicked, this, [this] {
        if (QClipboard* c = QGuiApplication::clipboard())
            c->setText(linkText());
    });
    connect(m_network, &QRadioButton::toggled, this, &ShareInBrowserDialog::showState);
}

void ShareInBrowserDialog::startSharing()
{
    WebServeOptions options;
    options.where.address = m_network->isChecked() ? QHostAddress(QHostAddress::Any) : QHostAddress::LocalHost;
    options.where.port = quint16(m_port->value());
    options.token = m_network->isChecked() ? m_token : QByteArray();
    options.certificateFile = m_certificate->text().trimmed();
    const Status started = m_server.start(options);
    m_problem = started ? QString() : started.error();
    showState();
}

void ShareInBrowserDialog::stopSharing()
{
    m_server.stop();
    m_problem.clear();
    showState();
}

void ShareInBrowserDialog::newToken()
{
    m_token = NewAccessToken();
    m_tokenEdit->setText(QString::fromLatin1(m_token));
    if (m_server.listening() && m_server.where().beyondThisComputer())
        startSharing();
    else
        showState();
}

void ShareInBrowserDialog::chooseCertificate()
{
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("HTTPS Certificate"), QString(),
                                                      QStringLiteral("PEM files (*.pem *.crt);;All files (*)"));
    if (!file.isEmpty())
        m_certificate->setText(file);
}

QString ShareInBrowserDialog::linkText() const
{
    return m_server.listening() ? m_server.link().toString(QUrl::FullyEncoded) : QString();
}

QImage ShareInBrowserDialog::qrCode() const { return m_qr->pixmap().toImage(); }

QString ShareInBrowserDialog::statusText() const { return m_status->text(); }

void ShareInBrowserDialog::showState()
{
    const bool on = m_server.listening();
    for (QWidget* w : {static_cast<QWidget*>(m_local), static_cast<QWidget*>(m_network), static_cast<QWidget*>(m_port),
                       static_cast<QWidget*>(m_certificate), static_cast<QWidget*>(m_browse)})
        w->setEnabled(!on);
    m_tokenEdit->setEnabled(m_network->isChecked());
    m_newToken->setEnabled(m_network->isChecked());
    m_start->setText(on ? QStringLiteral("&Stop Sharing") : QStringLiteral("&Start Sharing"));
    m_copy->setEnabled(on);
    if (!m_problem.isEmpty()) {
        m_status->setText(QStringLiteral("Not shared: %1").arg(m_problem));
    } else if (!on) {
        m_status->setText(QStringLiteral("Not shared."));
    } else {
        const int n = m_server.viewers();
        m_status->setText(
            QStringLiteral("Shared %1 · %2")
                .arg(m_server.where().beyondThisComputer() ? QStringLiteral("on the local network")
                                                           : QStringLiteral("on this computer"))
                .arg(n == 1 ? QStringLiteral("1 browser watching") : QStringLiteral("%1 browsers watching").arg(n)));
    }
    const QString link = linkText();
    m_link->setText(on ? QStringLiteral("<a href=\"%1\">%1</a>").arg(link.toHtmlEscaped()) : QString());
    // The code is for a phone on the network; a link to 127.0.0.1 would not reach this computer from it.
    const QImage qr = on && m_server.where().beyondThisComputer() ? QrImage(link.toUtf8(), 5) : QImage();
    m_qr->setPixmap(qr.isNull() ? QPixmap() : QPixmap::fromImage(qr));
    m_qr->setVisible(!qr.isNull());
    adjustSize();
}

}  // namespace kelvor
