// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QPushButton;

namespace kelvor {

// The about box; also the splash window at start-up (then without its OK button).
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr, bool splash = false);
    QPushButton* okButton() const { return m_ok; }

private:
    QPushButton* m_ok;
};

}  // namespace kelvor
