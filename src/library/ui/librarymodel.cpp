// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/ui/librarymodel.h"

#include <QColor>
#include <cmath>

#include "base/clock.h"
#include "base/localetext.h"
#include "base/localoffsets.h"

namespace kelvor {

QString DurationText(double days)
{
    const qint64 s = qint64(std::llround(std::max(0.0, days) * kSecondsPerDay));
    if (s < 60)
        return QStringLiteral("%1 s").arg(s);
    if (s < 3600)
        return QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60);
    if (s < 86400)
        return QStringLiteral("%1 h %2 min").arg(s / 3600).arg(s % 3600 / 60);
    return QStringLiteral("%1 d %2 h").arg(s / 86400).arg(s % 86400 / 3600);
}

LibraryTableModel::LibraryTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void LibraryTableModel::setEntries(std::vector<LibraryEntry> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

const LibraryEntry* LibraryTableModel::entryAt(int row) const
{
    return row >= 0 && std::size_t(row) < m_entries.size() ? &m_entries[std::size_t(row)] : nullptr;
}

void LibraryTableModel::setVerdicts(std::unordered_map<std::int64_t, LibraryVerdict> verdicts)
{
    m_verdicts = std::move(verdicts);
    if (!m_entries.empty())
        emit dataChanged(index(0, Verdict), index(int(m_entries.size()) - 1, Verdict));
}

const LibraryVerdict* LibraryTableModel::verdictAt(int row) const
{
    const LibraryEntry* e = entryAt(row);
    if (!e)
        return nullptr;
    const auto v = m_verdicts.find(e->id);
    return v == m_verdicts.end() ? nullptr : &v->second;
}

int LibraryTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int LibraryTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant LibraryTableModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
        case Kind:
            return QStringLiteral("Kind");
        case Start:
            return QStringLiteral("Start");
        case Length:
            return QStringLiteral("Duration / samples");
        case DataSets:
            return QStringLiteral("Data sets");
        case Serial:
            return QStringLiteral("Meter serial");
        case Name:
            return QStringLiteral("Name");
        case Note:
            return QStringLiteral("Note");
        case Verdict:
            return QStringLiteral("Verdict");
        default:
            return {};
    }
}

QVariant LibraryTableModel::data(const QModelIndex& index, int role) const
{
    const LibraryEntry* e = entryAt(index.row());
    if (!e)
        return {};
    const bool recording = e->kind == EntryKind::Recording;
    if (role == IdRole)
        return qint64(e->id);
    if (role == SortRole) {
        switch (index.column()) {
            case Kind:
                return recording ? 0 : 1;
            case Start:
                return e->start;
            case Length:
                return qint64(e->samples);
            case DataSets:
                return e->dataSets;
            case Verdict:
                return verdictAt(index.row()) ? int(verdictAt(index.row())->verdict) : -1;
            default:
                return data(index, Qt::DisplayRole).toString().toLower();
        }
    }
    if (role == Qt::ToolTipRole && index.column() == Note)
        return e->note;
    if (role == Qt::ToolTipRole && index.column() == Verdict && verdictAt(index.row()))
        return verdictAt(index.row())->text;
    if (role == Qt::ForegroundRole && index.column() == Verdict && verdictAt(index.row()))
        return verdictAt(index.row())->verdict == RuleVerdict::Failed   ? QColor(0xB0, 0x14, 0x20)
               : verdictAt(index.row())->verdict == RuleVerdict::Passed ? QColor(0x1E, 0x6B, 0x2E)
                                                                        : QColor(0x8A, 0x56, 0x00);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
        case Kind:
            if (!recording)
                return QStringLiteral("Download");
            return e->state == QLatin1String(kStateComplete) ? QStringLiteral("Recording")
                                                             : QStringLiteral("Recording (%1)").arg(e->state);
        case Start:
            return DateTimeText(e->start);
        case Length:
            return recording ? QStringLiteral("%1, %2 samples").arg(DurationText(e->end - e->start)).arg(e->samples)
                             : QStringLiteral("%1 samples").arg(e->samples);
        case DataSets:
            return recording ? QVariant() : QVariant(e->dataSets);
        case Serial:
            return e->meterSerial;
        case Name:
            return e->name;
        case Note:
            return QString(e->note).replace(QLatin1Char('\n'), QLatin1Char(' '));
        case Verdict:
            return verdictAt(index.row()) ? verdictAt(index.row())->text : QString();
        default:
            return {};
    }
}

LibraryFilterModel::LibraryFilterModel(QObject* parent) : QSortFilterProxyModel(parent)
{
    setSortRole(LibraryTableModel::SortRole);
}

void LibraryFilterModel::setText(const QString& text)
{
    m_words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    invalidateFilter();
}

void LibraryFilterModel::setDateRange(const QDate& from, const QDate& to)
{
    m_from = from;
    m_to = to;
    invalidateFilter();
}

void LibraryFilterModel::setVerdict(std::optional<RuleVerdict> verdict)
{
    m_verdict = verdict;
    invalidateFilter();
}

bool LibraryFilterModel::filterAcceptsRow(int row, const QModelIndex&) const
{
    const auto* model = static_cast<const LibraryTableModel*>(sourceModel());
    const LibraryEntry* e = model->entryAt(row);
    if (!e)
        return false;
    if (m_verdict && (!model->verdictAt(row) || model->verdictAt(row)->verdict != *m_verdict))
        return false;
    const QDate day = WallDateTime(e->start).date();
    if ((m_from.isValid() && day < m_from) || (m_to.isValid() && day > m_to))
        return false;
    QString haystack;
    for (int c = 0; c < LibraryTableModel::ColumnCount; ++c)
        haystack += model->data(model->index(row, c), Qt::DisplayRole).toString() + QLatin1Char('\n');
    haystack += e->note;
    for (const QString& w : m_words)
        if (!haystack.contains(w, Qt::CaseInsensitive))
            return false;
    return true;
}

}  // namespace kelvor
