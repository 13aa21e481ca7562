// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QSortFilterProxyModel>
#include <optional>
#include <unordered_map>
#include <vector>

#include "library/librarytypes.h"
#include "library/libraryverdicts.h"

namespace kelvor {

// The rows of the Library window: one per recording or download.
class LibraryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Kind, Start, Length, DataSets, Verdict, Serial, Name, Note, ColumnCount };
    // Qt::UserRole: the value to sort by (numbers and date-times, not their texts).
    static constexpr int SortRole = Qt::UserRole;
    static constexpr int IdRole = Qt::UserRole + 1;

    explicit LibraryTableModel(QObject* parent = nullptr);
    void setEntries(std::vector<LibraryEntry> entries);
    const std::vector<LibraryEntry>& entries() const { return m_entries; }
    const LibraryEntry* entryAt(int row) const;
    // The Verdict column: each item's against the profile chosen (empty: none chosen).
    void setVerdicts(std::unordered_map<std::int64_t, LibraryVerdict> verdicts);
    const LibraryVerdict* verdictAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

private:
    std::vector<LibraryEntry> m_entries;
    std::unordered_map<std::int64_t, LibraryVerdict> m_verdicts;
};

// Sorting by the raw values, and the filter box: words that must all appear in the row's
// texts (kind, state, serial, name, note), an optional range of start dates and an
// optional verdict against the profile.
class LibraryFilterModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit LibraryFilterModel(QObject* parent = nullptr);
    void setText(const QString& text);
    void setDateRange(const QDate& from, const QDate& to);  // null dates: open end
    void setVerdict(std::optional<RuleVerdict> verdict);    // none: every row

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

private:
    QStringList m_words;
    QDate m_from;
    QDate m_to;
    std::optional<RuleVerdict> m_verdict;
};

// "3 h 20 min", "45 s": the length of a recording.
QString DurationText(double days);

}  // namespace kelvor
