// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/xlsxworkbook.h"

#include <xlsxwriter.h>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "base/atomicfile.h"
#include "base/cnumericscope.h"
#include "export/channelstyle.h"
#include "export/exportseries.h"
#include "export/seriescheck.h"

namespace kelvor {

namespace {

constexpr const char* kDateTimeFormat = "yyyy-mm-dd hh:mm:ss";
// Excel draws these four as the program draws its channels.
constexpr lxw_color_t kChannelColours[4] = {0xD62728, 0x1F77B4, 0x2CA02C, 0x9467BD};

struct Formats {
    lxw_format* header;
    lxw_format* dateTime;
    lxw_format* tenth;
};

// Excel refuses sheet names over 31 characters, with []:*?/\ or twice in a book.
QByteArray sheetName(const QString& wanted, QSet<QString>& used)
{
    QString base = wanted;
    for (QChar c : {u'[', u']', u':', u'*', u'?', u'/', u'\\'})
        base.replace(c, u'_');
    base = base.left(28);
    if (base.isEmpty() || base.compare(QLatin1String("Info"), Qt::CaseInsensitive) == 0)
        base += QStringLiteral(" data");
    QString name = base;
    for (int i = 2; used.contains(name.toLower()); ++i)
        name = base + QStringLiteral(" %1").arg(i);
    used.insert(name.toLower());
    return name.toUtf8();
}

// A run of several meters: its long headers get columns wide enough to read them.
double columnWidth(const ExportSeries& s, const QString& header)
{
    return s.meterCount() == 1 ? 11 : std::max(11.0, 0.9 * double(header.size()) + 2.0);
}

void styleLine(lxw_chart_series* line, const ExportSeries& s, int c)
{
    lxw_chart_line style = {};
    style.width = 1.25;
    if (s.meterCount() == 1) {
        style.color = kChannelColours[c];
    } else {
        static constexpr lxw_chart_line_dash_type kDash[4] = {LXW_CHART_LINE_DASH_SOLID, LXW_CHART_LINE_DASH_DASH,
                                                              LXW_CHART_LINE_DASH_ROUND_DOT,
                                                              LXW_CHART_LINE_DASH_DASH_DOT};
        style.color = SeveralMetersColour(c);
        style.dash_type = std::uint8_t(kDash[int(SeveralMetersDash(c))]);
    }
    chart_series_set_line(line, &style);
}

void writeDataSheet(lxw_workbook* book, const Formats& f, const ExportSeries& s, const QByteArray& name)
{
    lxw_worksheet* sheet = workbook_add_worksheet(book, name.constData());
    const bool flags = HasMissingValues(s);
    const int channels = s.channels();
    const lxw_col_t flagsColumn = lxw_col_t(channels + 1);
    QList<QByteArray> headers;
    for (int c = 0; c < channels; ++c)
        headers << QStringLiteral("%1 (%2)").arg(s.channelName(c), s.unit).toUtf8();
    worksheet_set_column(sheet, 0, 0, 20, nullptr);
    if (s.meterCount() == 1)
        worksheet_set_column(sheet, 1, 4, 11, nullptr);
    else
        for (int c = 0; c < channels; ++c)
            worksheet_set_column(sheet, lxw_col_t(c + 1), lxw_col_t(c + 1),
                                 columnWidth(s, QString::fromUtf8(headers[c])), nullptr);
    if (flags)
        worksheet_set_column(sheet, flagsColumn, flagsColumn, s.meterCount() == 1 ? 22 : 40, nullptr);
    worksheet_freeze_panes(sheet, 1, 0);

    worksheet_write_string(sheet, 0, 0, "Time", f.header);
    for (int c = 0; c < channels; ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c + 1), headers[c].constData(), f.header);
    if (flags)
        worksheet_write_string(sheet, 0, flagsColumn, "Flags", f.header);

    const int n = s.samples();
    if (n == 0) {
        worksheet_write_string(sheet, 1, 0, "No samples: this data set is empty.", nullptr);
        return;
    }
    QByteArray why;
    for (int i = 0; i < n; ++i) {
        const lxw_row_t row = lxw_row_t(i + 1);
        worksheet_write_number(sheet, row, 0, s.times[size_t(i)], f.dateTime);
        for (int c = 0; c < channels; ++c) {
            const float y = s.channelValue(i, c);
            if (!IsMissingValue(y))
                worksheet_write_number(sheet, row, lxw_col_t(c + 1), std::round(double(y) * 10.0) / 10.0, f.tenth);
        }
        why = MissingFlagsText(s, i).toUtf8();
        if (!why.isEmpty())
            worksheet_write_string(sheet, row, flagsColumn, why.constData(), nullptr);
    }

    lxw_chart* chart = workbook_add_chart(book, LXW_CHART_LINE);
    for (int c = 0; c < channels; ++c) {
        lxw_chart_series* line = chart_add_series(chart, nullptr, nullptr);
        chart_series_set_categories(line, name.constData(), 1, 0, lxw_row_t(n), 0);
        chart_series_set_values(line, name.constData(), 1, lxw_col_t(c + 1), lxw_row_t(n), lxw_col_t(c + 1));
        chart_series_set_name_range(line, name.constData(), 0, lxw_col_t(c + 1));
        styleLine(line, s, c);
    }
    chart_title_set_name(chart, s.name.toUtf8().constData());
    chart_axis_set_num_format(chart->x_axis, kDateTimeFormat);
    chart_axis_set_label_position(chart->x_axis, LXW_CHART_AXIS_LABEL_POSITION_LOW);
    chart_axis_set_name(chart->y_axis, s.unit.toUtf8().constData());
    chart_legend_set_position(chart, s.meterCount() == 1 ? LXW_CHART_LEGEND_BOTTOM : LXW_CHART_LEGEND_RIGHT);
    chart_show_blanks_as(chart, LXW_CHART_BLANKS_AS_GAP);
    lxw_chart_options place = {};
    place.x_offset = 10;
    place.y_offset = 10;
    place.x_scale = s.meterCount() == 1 ? 1.6 : 2.4;
    place.y_scale = s.meterCount() == 1 ? 1.5 : 2.2;
    worksheet_insert_chart_opt(sheet, 1, lxw_col_t(flagsColumn + (flags ? 2 : 1)), chart, &place);
}

// Source details, then per channel: maximum and when, minimum and when, average.
void writeCell(lxw_worksheet* sheet, lxw_row_t row, int col, const QString& text, lxw_format* format = nullptr)
{
    worksheet_write_string(sheet, row, lxw_col_t(col), text.toUtf8().constData(), format);
}

// The rules of the profile the series was checked against, one row each, and the verdict.
lxw_row_t writeCheck(lxw_worksheet* sheet, const Formats& f, const SeriesCheck& check, lxw_row_t row)
{
    const QString& unit = check.profile.unit;
    writeCell(sheet, row, 0, QStringLiteral("Profile"), f.header);
    writeCell(sheet, row++, 1, check.profile.name, f.header);
    writeCell(sheet, row, 0, QStringLiteral("Verdict"));
    writeCell(sheet, row++, 1, VerdictText(check.verdict));
    const QStringList head = {QStringLiteral("Result"),   QStringLiteral("Rule"),  QStringLiteral("Channel"),
                              QStringLiteral("Measured"), QStringLiteral("Limit"), QStringLiteral("First violation")};
    for (int col = 0; col < head.size(); ++col)
        writeCell(sheet, row, col, head[col], f.header);
    ++row;
    for (std::size_t i = 0; i < check.results.size(); ++i, ++row) {
        const RuleResult& r = check.results[i];
        const ProfileRule& rule = check.profile.rules[i];
        writeCell(sheet, row, 0, VerdictText(r.verdict));
        writeCell(sheet, row, 1, rule.name);
        writeCell(sheet, row, 2, ProfileChannelName(rule.channel));
        writeCell(sheet, row, 3, r.measuredText);
        writeCell(sheet, row, 4, r.limitText);
        writeCell(sheet, row, 5, ResultDetailText(r, unit));
    }
    return row + 1;
}

// The meters of a run of several, one row each: what names their columns, and their own
// name, serial and model.
lxw_row_t writeMeters(lxw_worksheet* sheet, const Formats& f, const ExportSeries& s, lxw_row_t row)
{
    ++row;
    const QStringList head = {QStringLiteral("Meter"), QStringLiteral("Columns"), QStringLiteral("Name"),
                              QStringLiteral("Serial"), QStringLiteral("Model")};
    for (int col = 0; col < head.size(); ++col)
        writeCell(sheet, row, col, head[col], f.header);
    ++row;
    for (int m = 0; m < s.meterCount(); ++m, ++row) {
        const ExportMeter& meter = s.meters[size_t(m)];
        worksheet_write_number(sheet, row, 0, m + 1, nullptr);
        writeCell(sheet, row, 1, QStringLiteral("%1 T1 to T4").arg(s.meterHeading(m)));
        writeCell(sheet, row, 2, meter.name);
        writeCell(sheet, row, 3, meter.serial);
        writeCell(sheet, row, 4, meter.model);
    }
    return row;
}

void writeInfo(lxw_workbook* book, const Formats& f, const std::vector<ExportSeries>& all,
               const std::vector<QByteArray>& names, const std::vector<SeriesCheck>& checks)
{
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Info");
    // A run of several meters names its channels with their meters.
    const bool several = std::any_of(all.begin(), all.end(), [](const ExportSeries& s) { return s.meterCount() > 1; });
    worksheet_set_column(sheet, 0, 0, several ? 30 : 20, nullptr);
    worksheet_set_column(sheet, 1, 1, 34, nullptr);
    worksheet_set_column(sheet, 2, 2, 20, nullptr);
    worksheet_set_column(sheet, 3, 3, 14, nullptr);
    worksheet_set_column(sheet, 4, 4, 20, nullptr);
    worksheet_set_column(sheet, 5, 6, 14, nullptr);
    lxw_row_t row = 0;
    GraphStatistics st;
    for (size_t k = 0; k < all.size(); ++k) {
        const ExportSeries& s = all[k];
        worksheet_write_string(sheet, row, 0, "Sheet", f.header);
        worksheet_write_string(sheet, row++, 1, names[k].constData(), f.header);
        for (const auto& [label, text] : s.source) {
            worksheet_write_string(sheet, row, 0, label.toUtf8().constData(), nullptr);
            worksheet_write_string(sheet, row++, 1, text.toUtf8().constData(), nullptr);
        }
        if (s.meterCount() > 1)
            row = writeMeters(sheet, f, s, row);
        if (s.samples() == 0) {
            worksheet_write_string(sheet, row++, 0, "No samples: there are no statistics.", nullptr);
            ++row;
            if (k < checks.size())
                row = writeCheck(sheet, f, checks[k], row);
            continue;
        }
        const QString u = s.unit;
        const QStringList head = {QStringLiteral("Channel"),
                                  QStringLiteral("Maximum (%1)").arg(u),
                                  QStringLiteral("at"),
                                  QStringLiteral("Minimum (%1)").arg(u),
                                  QStringLiteral("at"),
                                  QStringLiteral("Average (%1)").arg(u),
                                  QStringLiteral("Values averaged")};
        ++row;
        for (int col = 0; col < head.size(); ++col)
            worksheet_write_string(sheet, row, lxw_col_t(col), head[col].toUtf8().constData(), f.header);
        ++row;
        for (int c = 0; c < s.channels(); ++c, ++row) {
            if (c % 4 == 0)
                st = SeriesStatistics(s, c / 4);
            const ChannelStatistics& ch = st.channel[c % 4];
            worksheet_write_string(sheet, row, 0, s.channelName(c).toUtf8().constData(), nullptr);
            if (ch.maximum > -kAverageLimit && ch.maximum < kAverageLimit) {
                worksheet_write_number(sheet, row, 1, std::round(double(ch.maximum) * 10.0) / 10.0, f.tenth);
                worksheet_write_number(sheet, row, 2, ch.maxTime, f.dateTime);
            }
            if (ch.minimum > -kAverageLimit && ch.minimum < kAverageLimit) {
                worksheet_write_number(sheet, row, 3, std::round(double(ch.minimum) * 10.0) / 10.0, f.tenth);
                worksheet_write_number(sheet, row, 4, ch.minTime, f.dateTime);
            }
            if (ch.count > 0)
                worksheet_write_number(sheet, row, 5, std::round(double(ch.average) * 10.0) / 10.0, f.tenth);
            worksheet_write_number(sheet, row, 6, ch.count, nullptr);
        }
        ++row;
        if (k < checks.size())
            row = writeCheck(sheet, f, checks[k], row);
    }
}

QString failure(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot write \"%1\": %2").arg(QDir::toNativeSeparators(path), reason);
}

}  // namespace

Status WriteWorkbook(const std::vector<ExportSeries>& series, const QString& path,
                     const std::vector<SeriesCheck>& checks)
{
    const QFileInfo target(path);
    // The library writes to a path of its own: a new file beside the target, renamed
    // over it once the library reports success. A pipe or a device is not replaced: the
    // workbook is made in the temporary folder and copied into it.
    const bool direct = IsDirectTarget(path);
    QTemporaryFile temp(direct ? QDir::temp().filePath(QStringLiteral(".kelvor-workbook.XXXXXX"))
                               : target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                                     QStringLiteral(".XXXXXX"));
    if (!temp.open())
        return Status::failure(failure(path, temp.errorString()));
    temp.close();
    const QByteArray tempName = QFile::encodeName(temp.fileName());

    // Numbers, dates and page margins are printed by the library through the C
    // runtime; the file format knows only a full stop as decimal separator.
    const CNumericScope cNumbers;
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(tempName.constData(), &options);
    if (!book)
        return Status::failure(failure(path, QStringLiteral("the workbook could not be started")));
    Formats f;
    f.header = workbook_add_format(book);
    format_set_bold(f.header);
    format_set_bottom(f.header, LXW_BORDER_THIN);
    f.dateTime = workbook_add_format(book);
    format_set_num_format(f.dateTime, kDateTimeFormat);
    format_set_align(f.dateTime, LXW_ALIGN_LEFT);
    f.tenth = workbook_add_format(book);
    format_set_num_format(f.tenth, "0.0");

    QSet<QString> used;
    used.insert(QStringLiteral("info"));
    std::vector<QByteArray> names;
    for (const ExportSeries& s : series) {
        names.push_back(sheetName(s.name, used));
        writeDataSheet(book, f, s, names.back());
    }
    writeInfo(book, f, series, names, checks);

    const lxw_error closed = workbook_close(book);
    if (closed != LXW_NO_ERROR)
        return Status::failure(failure(path, QString::fromUtf8(lxw_strerror(closed))));
    if (direct) {
        const QByteArray bytes = temp.open() ? temp.readAll() : QByteArray();
        if (bytes.isEmpty())
            return Status::failure(failure(path, temp.errorString()));
        return StatusOf(WriteFileAtomically(path, bytes));
    }
    // Keep the permissions a new file would get, or those of the file it replaces.
    const QFile::Permissions mode = target.exists()
                                        ? QFile::permissions(path)
                                        : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(temp.fileName(), mode);
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(tempName.toStdString()),
                            std::filesystem::path(QFile::encodeName(path).toStdString()), ec);
    if (ec)
        return Status::failure(failure(path, QString::fromStdString(ec.message())));
    temp.setAutoRemove(false);
    return {};
}

}  // namespace kelvor
