// SPDX-License-Identifier: GPL-3.0-or-later
// The help page's version stamp, read from any page: the page a data folder holds and
// the page the program ships are both fuzzed (split at the first 0xFF byte). After
// installing, the folder holds a page whose stamp is at least the shipped one's, and
// the shipped page itself whenever the folder's was older.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "base/datafolder.h"

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = input.indexOf('\xff');
    const QByteArray installed = split < 0 ? input : input.left(split);
    const QByteArray shipped = split < 0 ? QByteArray() : input.mid(split + 1);

    const int installedVersion = helpPageVersion(installed);
    const int shippedVersion = helpPageVersion(shipped);
    if (installedVersion < 0 || shippedVersion < 0)
        std::abort();
    // Only the page's head is read: what follows it never changes the stamp.
    if (helpPageVersion(installed.left(4096) + QByteArray("<meta name=\"kelvor-help-version\" content=\"7\">")) !=
            installedVersion &&
        installed.size() >= 4096)
        std::abort();

    static QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("shipped.htm"));
    const QString target = dir.filePath(QStringLiteral("KELVORHELP.htm"));
    writeFile(source, shipped);
    QFile::remove(target);
    if (split >= 0 || (size & 1) != 0)
        writeFile(target, installed);
    const bool hadPage = QFile::exists(target);
    if (!installHelpFile(dir.path(), source))
        std::abort();
    const QByteArray now = fileBytes(target);
    if (helpPageVersion(now) < shippedVersion)
        std::abort();
    if (!hadPage && now != shipped)
        std::abort();
    if (hadPage && installedVersion < shippedVersion && now != shipped)
        std::abort();
    if (hadPage && installedVersion >= shippedVersion && now != installed)
        std::abort();
    return 0;
}
