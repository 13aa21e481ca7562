// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kelvor {

// The text of a new label on a chart. Created for each label and destroyed after it.
class TfrmAnnoEdit : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAnnoEdit(QWidget* parent = nullptr);

    QLineEdit* Edit1;
    QPushButton* BitBtn1;  // OK
    QPushButton* BitBtn2;  // Cancel
};

}  // namespace kelvor
