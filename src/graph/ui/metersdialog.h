// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <vector>

#include "program/meterlist.h"

class QLabel;
class QTableWidget;

namespace kelvor {

class Program;

// Real Time > Meters…: the meters found, each ticked to take part in the next run, with
// the name the user gives it. The default meter always takes part.
class MetersDialog : public QDialog {
    Q_OBJECT
public:
    // Columns of the list.
    enum Column { ColSerial, ColModel, ColName, ColNote, ColCount };

    explicit MetersDialog(std::vector<MeterEntry> entries, QWidget* parent = nullptr);

    // The list as the user left it: ticks and names.
    std::vector<MeterEntry> choice() const;
    QTableWidget* list() const { return m_list; }

private:
    std::vector<MeterEntry> m_entries;
    QTableWidget* m_list;
};

// Runs the dialog and takes its choice; a choice that cannot be taken is told and
// changes nothing.
void MetersClick(Program& program, QWidget* parent);

}  // namespace kelvor
