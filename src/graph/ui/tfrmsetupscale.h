// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kelvor {

// The Y axis range dialog: MIN and MAX for each of the four axes.
class TfrmSetupScale : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSetupScale(QWidget* parent = nullptr);

    QLineEdit* edtMin[4];  // edtT1Min .. edtT4Min
    QLineEdit* edtMax[4];  // edtT1Max .. edtT4Max
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QCheckBox* chkSave;
};

}  // namespace kelvor
