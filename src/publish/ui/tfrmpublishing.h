// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include "publish/publishsettings.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace kelvor {

class Program;
class Prompts;

// Options > Publishing...: whether and where the readings are published over MQTT
// (docs/mqtt.md), with how the connection goes now. OK checks what was typed and keeps it
// in the dialog with a message when it cannot be used.
class TfrmPublishing : public QDialog {
    Q_OBJECT
public:
    TfrmPublishing(Prompts& prompts, const PublishingSettings& current, QWidget* parent = nullptr);

    PublishingSettings choice() const;
    void setStatus(const QString& text);
    void accept() override;

private:
    void build();
    void fill(const PublishingSettings& s);
    void tlsToggled(bool on);
    QString problem() const;
    void browse(QLineEdit* edit, const QString& caption);

    Prompts& m_prompts;
    QCheckBox* chkPublish = nullptr;
    QLineEdit* edtHost = nullptr;
    QSpinBox* spnPort = nullptr;
    QCheckBox* chkTls = nullptr;
    QLineEdit* edtCaFile = nullptr;
    QLineEdit* edtCertFile = nullptr;
    QLineEdit* edtKeyFile = nullptr;
    QLineEdit* edtUser = nullptr;
    QLineEdit* edtPassword = nullptr;
    QLineEdit* edtClientId = nullptr;
    QComboBox* cmbQos = nullptr;
    QLineEdit* edtPrefix = nullptr;
    QDoubleSpinBox* spnLive = nullptr;
    QCheckBox* chkDiscovery = nullptr;
    QLabel* lblStatus = nullptr;
    QList<QWidget*> m_tlsWidgets;
};

// Shows the dialog; on OK the program publishes as chosen and the choice is kept in the
// settings.
void OpenPublishingDialog(Program& program, QWidget* parent);

}  // namespace kelvor
