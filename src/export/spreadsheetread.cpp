// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/spreadsheetread.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QList>
#include <QLocale>

#include "base/clock.h"
#include "base/inputfile.h"

namespace kelvor {

namespace {

constexpr float kMissing = 9999.0f;
constexpr qint64 kMaxSpreadsheetBytes = 64ll << 20;  // as for a text table

// The fields of one line, RFC 4180 quoting undone.
QList<QByteArray> splitCsv(QByteArrayView line, bool* ok)
{
    QList<QByteArray> fields;
    QByteArray field;
    bool quoted = false;
    *ok = true;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"')
                field += c;
            else if (i + 1 < line.size() && line[i + 1] == '"')
                field += '"', ++i;
            else
                quoted = false;
        } else if (c == '"' && field.isEmpty()) {
            quoted = true;
        } else if (c == ',') {
            fields.append(field);
            field.clear();
        } else {
            field += c;
        }
    }
    *ok = !quoted;
    fields.append(field);
    return fields;
}

// The unit the header names ("°C" or "°F"); empty when it is not the table's header.
QString headerUnit(const QList<QByteArray>& f)
{
    if ((f.size() != 5 && f.size() != 6) || f[0] != "Time" || (f.size() == 6 && f[5] != "Flags"))
        return {};
    for (const char* unit : {"°C", "°F"}) {
        bool all = true;
        for (int c = 1; c <= 4 && all; ++c)
            all = f[c] == "T" + QByteArray::number(c) + " (" + QByteArray(unit) + ')';
        if (all)
            return QString::fromUtf8(unit);
    }
    return {};
}

// The header of a run of several meters: "Time", then four channels per meter, each named
// with its meter ("Oven A (KV-0042) T1 (°C)"), and maybe "Flags". The number of channels.
int severalMetersChannels(const QList<QByteArray>& f)
{
    const qsizetype n = !f.isEmpty() && f.back() == "Flags" ? f.size() - 1 : f.size();
    if (n < 9 || (n - 1) % 4 != 0 || f[0] != "Time")
        return 0;
    for (qsizetype c = 1; c < n; ++c) {
        const QByteArray channel = " T" + QByteArray::number((c - 1) % 4 + 1) + " (";
        if (!f[c].contains(channel) || !(f[c].endsWith("(°C)") || f[c].endsWith("(°F)")))
            return 0;
    }
    return int(n - 1);
}

QByteArrayView withoutBom(QByteArrayView b) { return b.startsWith("\xEF\xBB\xBF") ? b.sliced(3) : b; }

// The table's lines: CR LF as written, LF or CR alone after another program saved it.
QList<QByteArrayView> linesOf(QByteArrayView text)
{
    QList<QByteArrayView> lines;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.append(text.sliced(from, i - from));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        from = i + 1;
    }
    if (from < text.size())
        lines.append(text.sliced(from));
    return lines;
}

// "T2 OL T4 ----" as the meter's flags; false for anything else.
bool parseFlags(const QByteArray& text, std::uint8_t* flags)
{
    *flags = 0;
    const QList<QByteArray> words = text.simplified().split(' ');
    if (text.trimmed().isEmpty())
        return true;
    if (words.size() % 2 != 0)
        return false;
    for (qsizetype i = 0; i < words.size(); i += 2) {
        const QByteArray& ch = words[i];
        if (ch.size() != 2 || ch[0] != 'T' || ch[1] < '1' || ch[1] > '4')
            return false;
        const int c = ch[1] - '1';
        if (words[i + 1] == "OL")
            *flags |= std::uint8_t(1u << c);
        else if (words[i + 1] == "----")
            *flags |= std::uint8_t(1u << (c + 4));
        else
            return false;
    }
    return true;
}

QString rowProblem(const QList<QByteArray>& f, bool withFlags, ExportSeries& s)
{
    if (f.size() != (withFlags ? 6 : 5))
        return QStringLiteral("%1 fields where the header has %2").arg(f.size()).arg(withFlags ? 6 : 5);
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(f[0]), Qt::ISODateWithMs);
    if (!when.isValid() || (when.timeSpec() != Qt::OffsetFromUTC && when.timeSpec() != Qt::UTC))
        return QStringLiteral("\"%1\" is not a date-time with its UTC offset").arg(QString::fromUtf8(f[0].left(40)));
    // The clock as it was read where the table was written, like every time the program keeps.
    s.times.push_back(toDays(QDateTime(when.date(), when.time())));
    std::uint8_t flags = 0;
    if (withFlags && !parseFlags(f[5], &flags))
        return QStringLiteral("\"%1\" is not a list of flags such as \"T2 OL T4 ----\"")
            .arg(QString::fromUtf8(f[5].left(40)));
    for (int c = 1; c <= 4; ++c) {
        if (f[c].isEmpty()) {
            s.values.push_back(kMissing);
            continue;
        }
        bool ok = false;
        const double v = QLocale::c().toDouble(QString::fromLatin1(f[c]), &ok);
        if (!ok || !(v >= -1e6 && v <= 1e6))
            return QStringLiteral("\"%1\" in T%2 is not a temperature").arg(QString::fromUtf8(f[c].left(40))).arg(c);
        s.values.push_back(float(v));
    }
    s.flags.push_back(flags);
    return {};
}

}  // namespace

bool IsSpreadsheetHeader(QByteArrayView firstLine)
{
    bool ok = false;
    const QList<QByteArray> f = splitCsv(withoutBom(firstLine), &ok);
    return ok && (!headerUnit(f).isEmpty() || severalMetersChannels(f) > 0);
}

bool IsSpreadsheetTableFile(const QString& path)
{
    QFile file(path);
    if (!NotARegularFile(path).isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    // Enough for the header of eight meters with long names.
    constexpr qint64 kHead = 4096;
    const QByteArray start = file.read(kHead);
    const QList<QByteArrayView> lines = linesOf(start);
    return !lines.isEmpty() && (lines.size() > 1 || start.size() < kHead) && IsSpreadsheetHeader(lines.front());
}

Result<ExportSeries> ParseSpreadsheetTable(const QByteArray& bytes, const QString& name)
{
    ExportSeries series;
    const QList<QByteArrayView> lines = linesOf(withoutBom(bytes));
    bool ok = false;
    const QList<QByteArray> head = lines.isEmpty() ? QList<QByteArray>() : splitCsv(lines.front(), &ok);
    series.unit = ok ? headerUnit(head) : QString();
    if (const int channels = ok && series.unit.isEmpty() ? severalMetersChannels(head) : 0; channels > 0)
        return Result<ExportSeries>::failure(
            QStringLiteral("\"%1\" is a spreadsheet table of several meters (%2 channels): it opens in a "
                           "spreadsheet; the program reads back a table of one meter's four channels.")
                .arg(name)
                .arg(channels));
    if (series.unit.isEmpty())
        return Result<ExportSeries>::failure(
            QStringLiteral("\"%1\" is not a spreadsheet table: its first line is not \"Time,T1 (°C),...\".").arg(name));
    const bool withFlags = head.size() == 6;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty() && i == lines.size() - 1)
            break;
        const QList<QByteArray> f = splitCsv(lines[i], &ok);
        const QString problem = ok ? rowProblem(f, withFlags, series) : QStringLiteral("a quote is not closed");
        if (!problem.isEmpty())
            return Result<ExportSeries>::failure(
                QStringLiteral("\"%1\" is damaged at line %2: %3.").arg(name).arg(i + 1).arg(problem));
    }
    series.name = name;
    series.source = {{QStringLiteral("Source"), name}, {QStringLiteral("Samples"), QString::number(series.samples())}};
    return series;
}

Result<ExportSeries> ReadSpreadsheetTable(const QString& path)
{
    QFile file(path);
    if (QString problem = OpenInputFile(file, kMaxSpreadsheetBytes, QStringLiteral("a table")); !problem.isEmpty())
        return Result<ExportSeries>::failure(std::move(problem));
    return ParseSpreadsheetTable(file.readAll(), QDir::toNativeSeparators(path));
}

}  // namespace kelvor
