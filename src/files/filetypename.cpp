// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/filetypename.h"

#include <QDir>

#include <QFileInfo>
#include <QRegularExpression>

namespace kelvor {

namespace {
constexpr int kMaxTypes = 5;

// The pipe form carries "*." twice per type, once in the description and once in the
// pattern; each pass skips to the second and takes the pattern's extension from it.
QStringList pipeExtensions(QString f)
{
    QStringList out;
    while (out.size() < kMaxTypes) {
        qsizetype at = f.indexOf(QLatin1String("*."));
        if (at < 0)
            break;
        f = f.mid(at + 1);
        at = f.indexOf(QLatin1String("*."));
        if (at < 0)
            break;
        f = f.mid(at + 1);
        if (f.size() < 4)
            break;
        out << f.left(4);
    }
    return out;
}

// Qt's form: one type per ";;" entry, its patterns in the last parentheses.
QStringList qtExtensions(const QString& filter)
{
    QStringList out;
    for (const QString& entry : filter.split(QLatin1String(";;"))) {
        if (out.size() == kMaxTypes)
            break;
        const qsizetype open = entry.lastIndexOf(QLatin1Char('('));
        const qsizetype star = entry.indexOf(QLatin1String("*."), open < 0 ? 0 : open);
        QString ext;
        if (star >= 0) {
            ext = entry.mid(star + 1);
            const qsizetype end = ext.indexOf(QRegularExpression(QStringLiteral("[ )]")));
            ext = ext.left(end < 0 ? ext.size() : end);
        }
        out << (ext.size() >= 2 ? ext : QString());  // whole: ".xlsx" is not ".xls"
    }
    return out;
}
}  // namespace

QStringList FilterTypeExtensions(const QString& filter)
{
    if (filter.contains(QLatin1Char('|')))
        return pipeExtensions(filter);
    return qtExtensions(filter);
}

QString NameForFileType(const QString& filter, int typeIndex, const QString& typedName)
{
    const QStringList exts = FilterTypeExtensions(filter);
    if (typeIndex < 1 || typeIndex > exts.size() || exts[typeIndex - 1].isEmpty())
        return typedName;
    const QString name = QFileInfo(typedName).fileName();
    if (name.isEmpty())
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot <= 0 ? name : name.left(dot)) + exts[typeIndex - 1];
}

QString DecimalCommaCsvMessage(const QString& path)
{
    return QStringLiteral(
               "\"%1\" was not written: numbers with a decimal comma cannot go into a "
               "comma-separated (.csv) table. Choose a .txt name (separated by tab) instead.")
        .arg(QDir::toNativeSeparators(path));
}

}  // namespace kelvor
