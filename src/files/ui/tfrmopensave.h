// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QPushButton;

namespace kelvor {

// The question before Open and before saving the DataLogger window: all data sets
// (a collection file) or a single file. Its own texts are the save texts; Open
// replaces them before showing it.
class TfrmOpenSave : public QDialog {
    Q_OBJECT
public:
    // Results of exec(): btnOpenSets, btnOpenSingleSet, Button1 / closed.
    enum Choice { Cancel = QDialog::Rejected, AllSets = QDialog::Accepted, SingleSet = 2 };

    explicit TfrmOpenSave(QWidget* parent = nullptr);

    QPushButton* btnOpenSets;
    QPushButton* btnOpenSingleSet;
    QPushButton* Button1;

    // Caption and button texts of the Open command (the single-file button names no
    // CSV when the locale writes decimal commas).
    void setOpenTexts();
    void setSaveTexts();
};

}  // namespace kelvor
