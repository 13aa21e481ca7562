// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/texttable.h"

#include "files/blocklinereader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "base/atomicfile.h"
#include "base/inputfile.h"

namespace kelvor {

QChar TableReadSeparator(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 ? QLatin1Char(',')
                                                                                            : QLatin1Char('\t');
}

QChar TableSaveSeparator(const QString& fileName)
{
    return fileName.right(3).toLower() == QLatin1String("csv") ? QLatin1Char(',') : QLatin1Char('\t');
}

namespace {
// Splits one line into the row's fields: up to six, each ended by the separator or by
// the end of the line; an empty rest after the last separator adds no field.
void splitFields(const QString& line, QChar sep, TableRow& row)
{
    qsizetype from = 0;
    for (int i = 0; i < 6 && from < line.size(); ++i) {
        const qsizetype at = line.indexOf(sep, from);
        if (at < 0) {
            row[std::size_t(i)] = line.mid(from);
            return;
        }
        row[std::size_t(i)] = line.mid(from, at - from);
        from = at + 1;
    }
}
}  // namespace

TableReadResult ReadTextTable(QIODevice& device, QChar separator, const TableRowProgress& progress)
{
    TableReadResult result;
    const char sepByte = char(separator.unicode());
    BlockLineReader lines(device, kMaxTableLineBytes);
    QByteArrayView raw;
    for (;;) {
        const BlockLineReader::Status status = lines.next(raw);
        if (status == BlockLineReader::Status::End)
            break;
        if (status == BlockLineReader::Status::TooLong) {
            result.error = QStringLiteral("Line %1 is longer than %2 bytes; reading stopped there.")
                               .arg(result.rows.size() + 1)
                               .arg(kMaxTableLineBytes);
            break;
        }
        if (!raw.contains(sepByte))
            break;
        const QString line = QString::fromLocal8Bit(raw);
        TableRow row;
        splitFields(line, separator, row);
        result.rows.push_back(std::move(row));
        if (progress && result.rows.size() % kTableProgressBatch == 0 && !progress(int(result.rows.size()))) {
            result.cancelled = true;
            break;
        }
    }
    return result;
}

TableReadResult ReadTextTable(const QString& path, const TableRowProgress& progress)
{
    QFile file(path);
    if (QString problem = OpenInputFile(file, kMaxTableFileBytes, QStringLiteral("a table")); !problem.isEmpty()) {
        TableReadResult r;
        r.error = problem;
        return r;
    }
    return ReadTextTable(file, TableReadSeparator(path), progress);
}

TableSaveResult SaveTableAsText(const TableRows& rows, const QString& path, int first, int last,
                                const TableRowProgress& progress)
{
    TableSaveResult result;
    const QChar sep = TableSaveSeparator(path);
    const int from = std::max(first, 1) - 1;
    const int to = std::min<int>(last, int(rows.size())) - 1;
    AtomicFile file(path);
    if (!file.open()) {
        result.error = file.error();
        return result;
    }
    QString line;
    int lines = 0;
    for (int r = from; r <= to && !file.failed(); ++r) {
        line.clear();
        for (const QString& cell : rows[std::size_t(r)]) {
            line += cell;
            line += sep;
        }
        line += QLatin1String("\r\n");
        file.write(line.toLocal8Bit());
        ++lines;
        if (progress && lines % kTableProgressBatch == 0 && !progress(lines)) {
            file.cancel();
            result.cancelled = true;
            return result;
        }
    }
    if (!file.commit()) {
        result.error = file.error();
        return result;
    }
    result.lines = lines;
    return result;
}

}  // namespace kelvor
