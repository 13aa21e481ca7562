// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QIcon>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "library/librarytypes.h"
#include "library/libraryverdicts.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace kelvor {

class Library;
class LibraryFilterModel;
class LibraryTableModel;
class Program;

// The Library window: every recording and download in the library, sortable, with a
// filter (words, a date range and, once a profile is chosen, the verdict against it),
// and the commands on the selected rows.
class TfrmLibrary : public QWidget {
    Q_OBJECT
public:
    explicit TfrmLibrary(Program& program, QWidget* parent = nullptr);

    // The size it opens at; the main window then fits it into its client area.
    QSize sizeHint() const override { return {860, 380}; }

    // Reads the list again from the library.
    void refresh();
    // The items of the selected rows, in the order shown.
    std::vector<std::int64_t> selectedIds() const;
    void selectId(std::int64_t id);

    void btnOpenClick();
    void btnEditClick();
    void btnExportClick();
    void btnDeleteClick();
    // Asks for a profile file and checks every item against it; a file that is no profile is told.
    void chooseProfile();
    // Reads and checks against the profile at `path`; false after telling why it cannot.
    bool setProfileFile(const QString& path);
    void clearProfile();

private:
    // The one selected item and the library it is in; a read failure is told.
    std::optional<LibraryEntry> singleSelectedEntry(Library*& library);

public:
    QLineEdit* edtFilter;
    QCheckBox* chkFrom;
    QDateEdit* dtFrom;
    QCheckBox* chkTo;
    QDateEdit* dtTo;
    QTableView* grdLibrary;
    QPushButton* btnOpen;
    QPushButton* btnEdit;
    QPushButton* btnExport;
    QPushButton* btnDelete;
    QPushButton* btnRefresh;
    QPushButton* btnProfile;
    QComboBox* cmbVerdict;

    LibraryTableModel& model() { return *m_model; }
    LibraryFilterModel& filter() { return *m_filter; }

private:
    void applyDates();
    void updateButtons();
    void updateVerdicts();

    Program& m_program;
    LibraryTableModel* m_model;
    LibraryFilterModel* m_filter;
    LibraryVerdicts m_verdicts;
};

// The name and note of one item.
class TfrmLibraryEdit : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLibraryEdit(QWidget* parent = nullptr);
    QLineEdit* edtName;
    QPlainTextEdit* edtNote;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};

// The Library's icon: a drawer of records.
QIcon LibraryIcon();

// View > Library and the tool button: shows the one Library window, made on first use.
TfrmLibrary* OpenLibraryWindow(Program& program);

}  // namespace kelvor
