// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/ui/libraryitemexport.h"

#include <QFileInfo>
#include <QLocale>
#include <vector>

#include "graph/ui/graphexport.h"
#include "graph/ui/reportgraph.h"
#include "library/libraryexport.h"
#include "library/libraryseries.h"
#include "library/librarytypes.h"
#include "logger/datasetformat.h"
#include "program/program.h"
#include "program/prompts.h"
#include "report/pdfreport.h"

namespace kelvor {

namespace {

enum class Kind { ByExtension, Spreadsheet, Workbook, Report };

struct FileType {
    QString filter;
    QString suffix;
    Kind kind;
};

// A download's tables and report show its first data set, as the window's tables always have.
std::vector<FileType> fileTypes(const LibraryEntry& entry)
{
    const bool comma = QLocale().decimalPoint() == QStringLiteral(",");
    std::vector<FileType> types;
    if (entry.kind == EntryKind::Recording) {
        if (!comma)
            types.push_back({QStringLiteral("Comma table (*.csv)"), QStringLiteral("csv"), Kind::ByExtension});
        types.push_back(
            {QStringLiteral("Text table, tab separated (*.txt)"), QStringLiteral("txt"), Kind::ByExtension});
        types.push_back({QStringLiteral("Graph file (*.ghf)"), QStringLiteral("ghf"), Kind::ByExtension});
        types.push_back({kSpreadsheetFilter, QStringLiteral("csv"), Kind::Spreadsheet});
        types.push_back({kWorkbookFilter, QStringLiteral("xlsx"), Kind::Workbook});
        types.push_back({QStringLiteral("PDF report (*.pdf)"), QStringLiteral("pdf"), Kind::Report});
        return types;
    }
    types.push_back({QStringLiteral("Data set collection file (*.ch4)"), QStringLiteral("ch4"), Kind::ByExtension});
    if (!comma)
        types.push_back(
            {QStringLiteral("Comma table of the first data set (*.csv)"), QStringLiteral("csv"), Kind::ByExtension});
    types.push_back(
        {QStringLiteral("Text table of the first data set (*.txt)"), QStringLiteral("txt"), Kind::ByExtension});
    types.push_back(
        {QStringLiteral("Spreadsheet table of the first data set (*.csv)"), QStringLiteral("csv"), Kind::Spreadsheet});
    types.push_back(
        {QStringLiteral("Excel workbook, every data set (*.xlsx)"), QStringLiteral("xlsx"), Kind::Workbook});
    types.push_back({QStringLiteral("PDF report of the first data set (*.pdf)"), QStringLiteral("pdf"), Kind::Report});
    return types;
}

// The kind of file to write: the chosen type's when the name carries its extension (or
// none, which then gets it), else the one the typed extension names.
Kind kindOf(const std::vector<FileType>& types, const QString& selectedFilter, QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    for (const FileType& t : types) {
        if (t.filter != selectedFilter)
            continue;
        if (ext.isEmpty())
            path += QLatin1Char('.') + t.suffix;
        if (ext.isEmpty() || ext == t.suffix)
            return t.kind;
    }
    if (ext == QLatin1String("xlsx"))
        return Kind::Workbook;
    if (ext == QLatin1String("pdf"))
        return Kind::Report;
    return Kind::ByExtension;
}

bool writeReport(Program& program, QWidget* parent, const Library& library, const LibraryEntry& entry,
                 const QString& path)
{
    const LibraryItemSeries item = SeriesOfLibraryItem(library, entry.id, 1, program.clock);
    if (!item.ok()) {
        program.prompts.error(parent, item.error);
        return false;
    }
    ReportContent content;
    if (!item.name.isEmpty())
        content.title = item.name;
    if (!AskReportOptions(program, parent, content))
        return false;
    ExportSeries series = item.series.front();
    // The report names the meter on a line of its own.
    series.source.removeIf([](const QPair<QString, QString>& row) { return row.first == QLatin1String("Meter"); });
    content.meter = item.meter;
    content.annotations = item.annotations;
    content.alarmEvents = item.alarmEvents;
    content.created = program.clock.now();
    const Status r = WriteReport(series, content, path);
    if (!r.ok())
        program.prompts.error(parent, r.error());
    return r.ok();
}

}  // namespace

bool ExportLibraryEntry(Program& program, QWidget* parent, const Library& library, const LibraryEntry& entry)
{
    const std::vector<FileType> types = fileTypes(entry);
    QStringList filters;
    for (const FileType& t : types)
        filters << t.filter;
    const FileChoice choice = program.prompts.saveFile(parent, QStringLiteral("Export"), program.dataDir,
                                                       filters.join(QStringLiteral(";;")), types.front().suffix);
    if (!choice.accepted())
        return false;
    QString path = choice.fileName;
    const Kind kind = kindOf(types, choice.selectedFilter, path);
    if (kind == Kind::Report)
        return writeReport(program, parent, library, entry, path);
    const LibraryExportResult r =
        kind == Kind::Spreadsheet ? ExportLibrarySpreadsheet(library, entry.id, path, 1, program.clock)
        : kind == Kind::Workbook
            ? ExportLibraryWorkbook(library, entry.id, path, 0, program.clock)
            : ExportLibraryItem(library, entry.id, path, 1, TextStyle::system(), program.clock, program.templatePath());
    if (!r.ok())
        program.prompts.error(parent, r.error);
    return r.ok();
}

}  // namespace kelvor
