// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include "files/texttable.h"

class QTableView;

namespace kelvor {

class Program;
class TableRowsModel;

// One opened text table: "No", "Date", "Time", "T1".."T4". The caption is the file's
// full name. Deletes itself when closed (through its MDI window).
class TfrmList : public QWidget {
    Q_OBJECT
public:
    explicit TfrmList(Program& program, QWidget* parent = nullptr);

    QTableView* Grid1;
    TableRowsModel& model() const { return *m_model; }
    const TableRows& rows() const;
    void setRows(TableRows rows);
    // Cell text by the grid's numbering (row 1 = first data row, column 0 = "No").
    QString cell(int column, int row) const;
    int dataRows() const;

    // Widens the columns to their texts (a long locale date must not be cut).
    void fitColumnsToContents();
    // 405 x 460, wider when the columns need it.
    QSize sizeHint() const override;

    void FormActivate();

protected:
    bool event(QEvent* e) override;

private:
    Program& m_program;
    TableRowsModel* m_model;
};

}  // namespace kelvor
