// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/ui/tfrmpublishing.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/settings.h"
#include "program/program.h"
#include "program/prompts.h"
#include "publish/samplepublisher.h"

namespace kelvor {

namespace {

QLineEdit* lineEdit(QWidget* parent, const char* name, const QString& placeholder = {})
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setPlaceholderText(placeholder);
    return e;
}

}  // namespace

TfrmPublishing::TfrmPublishing(Prompts& prompts, const PublishingSettings& current, QWidget* parent)
    : QDialog(parent), m_prompts(prompts)
{
    setObjectName(QStringLiteral("frmPublishing"));
    setWindowTitle(QStringLiteral("Publishing"));
    build();
    fill(current);
}

void TfrmPublishing::build()
{
    auto* root = new QVBoxLayout(this);
    chkPublish = new QCheckBox(QStringLiteral("&Publish the readings and every sample to an MQTT broker"), this);
    chkPublish->setObjectName(QStringLiteral("chkPublish"));
    root->addWidget(chkPublish);

    auto* broker = new QGroupBox(QStringLiteral("Broker"), this);
    auto* bf = new QFormLayout(broker);
    edtHost = lineEdit(broker, "edtHost", QStringLiteral("broker.lab or 192.168.1.20"));
    spnPort = new QSpinBox(broker);
    spnPort->setObjectName(QStringLiteral("spnPort"));
    spnPort->setRange(1, 65535);
    auto* hostRow = new QHBoxLayout;
    hostRow->addWidget(edtHost, 1);
    hostRow->addWidget(new QLabel(QStringLiteral("Port"), broker));
    hostRow->addWidget(spnPort);
    auto* hostLabel = new QLabel(QStringLiteral("&Host"), broker);
    hostLabel->setBuddy(edtHost);
    bf->addRow(hostLabel, hostRow);
    chkTls = new QCheckBox(QStringLiteral("Use &TLS"), broker);
    chkTls->setObjectName(QStringLiteral("chkTls"));
    bf->addRow(QString(), chkTls);
    auto fileRow = [&](QLineEdit*& edit, const char* name, const QString& label, const QString& caption) {
        edit = lineEdit(broker, name);
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        auto* b = new QPushButton(QStringLiteral("Browse…"), broker);
        b->setObjectName(QStringLiteral("btn") + QLatin1String(name).mid(3));
        connect(b, &QPushButton::clicked, this, [this, edit, caption] { browse(edit, caption); });
        row->addWidget(b);
        // A row that is a layout gets no buddy of its own: the label names the edit.
        auto* rowLabel = new QLabel(label, broker);
        rowLabel->setBuddy(edit);
        bf->addRow(rowLabel, row);
        m_tlsWidgets << edit << b << rowLabel;
    };
    fileRow(edtCaFile, "edtCaFile", QStringLiteral("&CA certificate"), QStringLiteral("CA certificate"));
    fileRow(edtCertFile, "edtCertFile", QStringLiteral("Client c&ertificate"), QStringLiteral("Client certificate"));
    fileRow(edtKeyFile, "edtKeyFile", QStringLiteral("Client &key"), QStringLiteral("Client key"));
    edtUser = lineEdit(broker, "edtUser", QStringLiteral("none"));
    edtPassword = lineEdit(broker, "edtPassword");
    edtPassword->setEchoMode(QLineEdit::Password);
    bf->addRow(QStringLiteral("&User name"), edtUser);
    bf->addRow(QStringLiteral("Pass&word"), edtPassword);
    root->addWidget(broker);

    auto* messages = new QGroupBox(QStringLiteral("Messages"), this);
    auto* mf = new QFormLayout(messages);
    edtPrefix = lineEdit(messages, "edtPrefix", QStringLiteral("kelvor/<serial>"));
    edtClientId = lineEdit(messages, "edtClientId", QStringLiteral("kelvor-<serial>"));
    cmbQos = new QComboBox(messages);
    cmbQos->setObjectName(QStringLiteral("cmbQos"));
    cmbQos->addItems({QStringLiteral("0: at most once"), QStringLiteral("1: at least once (nothing lost)")});
    spnLive = new QDoubleSpinBox(messages);
    spnLive->setObjectName(QStringLiteral("spnLive"));
    spnLive->setRange(0.0, 3600.0);
    spnLive->setDecimals(1);
    spnLive->setSuffix(QStringLiteral(" s"));
    spnLive->setSpecialValueText(QStringLiteral("none"));
    chkDiscovery = new QCheckBox(QStringLiteral("Home &Assistant discovery"), messages);
    chkDiscovery->setObjectName(QStringLiteral("chkDiscovery"));
    mf->addRow(QStringLiteral("Topic &prefix"), edtPrefix);
    mf->addRow(QStringLiteral("Client &id"), edtClientId);
    mf->addRow(QStringLiteral("&QoS of samples"), cmbQos);
    mf->addRow(QStringLiteral("&Live reading every"), spnLive);
    mf->addRow(QString(), chkDiscovery);
    root->addWidget(messages);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    root->addWidget(lblStatus);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmPublishing::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    root->addWidget(buttons);

    connect(chkTls, &QCheckBox::toggled, this, &TfrmPublishing::tlsToggled);
}

void TfrmPublishing::fill(const PublishingSettings& s)
{
    const MqttSettings& m = s.mqtt;
    chkPublish->setChecked(s.on);
    edtHost->setText(m.host);
    spnPort->setValue(m.port);
    chkTls->setChecked(m.tls);
    edtCaFile->setText(m.caFile);
    edtCertFile->setText(m.certFile);
    edtKeyFile->setText(m.keyFile);
    edtUser->setText(m.username);
    edtPassword->setText(m.password);
    edtClientId->setText(m.clientId);
    cmbQos->setCurrentIndex(m.qos == 0 ? 0 : 1);
    edtPrefix->setText(m.prefix);
    spnLive->setValue(m.liveIntervalMs / 1000.0);
    chkDiscovery->setChecked(m.discovery);
    for (QWidget* w : m_tlsWidgets)
        if (w)
            w->setEnabled(m.tls);
}

void TfrmPublishing::tlsToggled(bool on)
{
    // The usual port goes with the choice, unless the user gave another one.
    if (on && spnPort->value() == 1883)
        spnPort->setValue(8883);
    else if (!on && spnPort->value() == 8883)
        spnPort->setValue(1883);
    for (QWidget* w : m_tlsWidgets)
        if (w)
            w->setEnabled(on);
}

PublishingSettings TfrmPublishing::choice() const
{
    PublishingSettings s;
    MqttSettings& m = s.mqtt;
    s.on = chkPublish->isChecked();
    m.host = edtHost->text().trimmed();
    m.port = spnPort->value();
    m.tls = chkTls->isChecked();
    m.caFile = edtCaFile->text().trimmed();
    m.certFile = edtCertFile->text().trimmed();
    m.keyFile = edtKeyFile->text().trimmed();
    m.username = edtUser->text();
    m.password = edtPassword->text();
    m.clientId = edtClientId->text().trimmed();
    m.qos = cmbQos->currentIndex() == 0 ? 0 : 1;
    m.prefix = edtPrefix->text().trimmed();
    m.liveIntervalMs = int(spnLive->value() * 1000.0 + 0.5);
    m.discovery = chkDiscovery->isChecked();
    return s;
}

QString TfrmPublishing::problem() const
{
    const PublishingSettings s = choice();
    if (!s.on)
        return {};
    const MqttSettings& m = s.mqtt;
    if (m.host.isEmpty())
        return QStringLiteral("Name the broker's host.");
    if (m.host.contains(QLatin1Char(' ')) || m.host.contains(QLatin1Char('/')))
        return QStringLiteral("'%1' is no host name: give the name or address alone, without spaces or '/'.")
            .arg(m.host);
    if (!m.prefix.isEmpty())
        if (const QString p = TopicPrefixProblem(m.prefix); !p.isEmpty())
            return p.left(1).toUpper() + p.mid(1) + QLatin1Char('.');
    if (m.tls && m.caFile.isEmpty())
        return QStringLiteral("TLS needs the CA certificate that signed the broker's.");
    for (const QString& f : {m.caFile, m.certFile, m.keyFile})
        if (m.tls && !f.isEmpty() && !QFileInfo(f).isReadable())
            return QStringLiteral("The file '%1' cannot be read.").arg(f);
    if (m.tls && m.certFile.isEmpty() != m.keyFile.isEmpty())
        return QStringLiteral("A client certificate needs its key, and a key its certificate.");
    return {};
}

void TfrmPublishing::accept()
{
    if (const QString p = problem(); !p.isEmpty()) {
        m_prompts.error(this, p);
        return;
    }
    QDialog::accept();
}

void TfrmPublishing::setStatus(const QString& text) { lblStatus->setText(text); }

void TfrmPublishing::browse(QLineEdit* edit, const QString& caption)
{
    const FileChoice f = m_prompts.openFile(this, caption, QFileInfo(edit->text()).path(),
                                            QStringLiteral("Certificates (*.pem *.crt *.key);;All files (*)"));
    if (f.accepted())
        edit->setText(f.fileName);
}

void OpenPublishingDialog(Program& program, QWidget* parent)
{
    TfrmPublishing dialog(program.prompts, program.publishing, parent);
    SamplePublisher* publisher = program.publisher();
    dialog.setStatus(publisher ? QStringLiteral("Now: MQTT: %1").arg(publisher->client().statusText())
                               : QStringLiteral("Now: not publishing"));
    if (program.prompts.exec(dialog) != QDialog::Accepted)
        return;
    const PublishingSettings chosen = dialog.choice();
    if (auto settings = openProgramSettings(program.settingsFile))
        if (const QString problem = WritePublishing(*settings, chosen); !problem.isEmpty())
            program.prompts.error(parent, problem);
    program.setPublishing(chosen);
}

}  // namespace kelvor
