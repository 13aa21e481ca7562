// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace kelvor {

// The shared progress and row-range window. Every control starts hidden; each user
// shows the ones it needs (download progress, table save range, saving progress).
class TfrmScope : public QDialog {
    Q_OBJECT
public:
    explicit TfrmScope(QWidget* parent = nullptr);

    QProgressBar* Progress1;
    QLabel* lblTotalBytes;
    QLabel* lblBytesReceived;
    QLabel* SText1;
    QLabel* SText2;
    QGroupBox* GroupBox1;
    QRadioButton* radAll;
    QRadioButton* radNo;
    QLabel* lblFrom;
    QLineEdit* edtSelFrom;
    QLabel* lblTo;
    QLineEdit* edtSelTo;
    QPushButton* BitBtn1;  // OK
    QPushButton* BitBtn2;  // Cancel

    // Set when Cancel was pressed while the window serves as a modeless progress window.
    bool cancelled() const { return m_cancelled; }

    // Shows the range group with OK and Cancel, as the table saves use it.
    void showRangeGroup(int lastRow);
    // Shows the bar, the text and (optionally) Cancel, as the saves and reads use it.
    void showProgress(const QString& text, int maximum, bool withCancel);
    void step();

private:
    void BitBtn2Click();
    bool m_cancelled = false;
    bool m_progressMode = false;
};

}  // namespace kelvor
