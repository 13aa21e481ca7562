// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QLocale>
#include <QString>
#include <array>
#include <functional>

namespace kelvor {

class ChartModel;

// The rows chosen in the range window, 1-based and inclusive.
struct GraphTableRange {
    int first = 1;
    int last = 0;
    QString error;  // "invalid integer" when an entry is not a whole number
    bool ok() const { return error.isEmpty(); }
};

// All: 1..points. Select: the absolute values of the two entries; swapped when the end
// lies before the start, the end cut to points, a start of 0 taken as 1.
GraphTableRange NormaliseTableRange(bool all, const QString& from, const QString& to, int points);

// Called before each line with the lines done so far and the lines planned; returning
// false cancels the write.
using TableProgress = std::function<bool(int done, int total)>;

struct GraphTableResult {
    int lines = 0;           // lines in the file (0 unless committed)
    bool cancelled = false;  // the user stopped it: nothing was written
    QString error;           // the file could not be written
    bool ok() const { return error.isEmpty() && !cancelled; }
};

struct TextStyle;

// The text of one value: fixed with one decimal, or "OL" beyond 2500 / -328 (gaps too).
QString TableValueText(float y, const QLocale& locale);

// One line of the table without its line end: date, time, T1..T4 joined by the
// separator. The graph export, the data logger export and the command line all write
// their lines through here.
void AppendGraphTableLine(QString& line, double xDays, const std::array<float, 4>& y, QChar separator,
                          const TextStyle& style);

// One line per point from first to last: date and time of subset 0's X, then T1..T4,
// joined by the separator, CR LF after each; stops at the first point whose X is 0.0
// (never filled). A cancelled write leaves no file behind and any old file untouched.
GraphTableResult WriteGraphTable(const ChartModel& chart, const QString& path, int first, int last, QChar separator,
                                 const QLocale& locale = QLocale(), const TableProgress& progress = {});

}  // namespace kelvor
