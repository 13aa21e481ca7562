// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/graphfile.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include "base/atomicfile.h"
#include "base/inputfile.h"
#include "chart/chartmodel.h"

namespace kelvor {

namespace {
QString named(const QString& path) { return QDir::toNativeSeparators(path); }
}  // namespace

GraphFileResult WriteGraphFile(const ChartModel& chart, const QString& path)
{
    const QByteArray block = chart.StoreState();
    if (block.size() > kGraphFileMaxBlock)
        return {QStringLiteral("Cannot write %1: the graph is too large for a graph file.").arg(named(path))};
    const quint32 le = qToLittleEndian(quint32(block.size()));
    AtomicFile file(path);
    if (file.open() && file.write(reinterpret_cast<const char*>(&le), 4) && file.write(block))
        file.commit();
    return {file.error()};
}

GraphFileResult LoadGraphFileBytes(ChartModel& chart, const QByteArray& bytes, const QString& path)
{
    if (bytes.size() < 4)
        return {
            QStringLiteral("\"%1\" is not a graph file: it is only %2 bytes long.").arg(named(path)).arg(bytes.size())};
    const quint32 length = qFromLittleEndian<quint32>(bytes.constData());
    const qint64 rest = bytes.size() - 4;
    if (length > kGraphFileMaxBlock)
        return {QStringLiteral("\"%1\" is damaged: it announces %2 bytes of graph, more than a graph file holds.")
                    .arg(named(path))
                    .arg(length)};
    if (qint64(length) > rest)
        return {QStringLiteral("\"%1\" is damaged: it announces %2 bytes of graph, but only %3 follow.")
                    .arg(named(path))
                    .arg(length)
                    .arg(rest)};
    if (qint64(length) < rest)
        return {QStringLiteral("\"%1\" is damaged: %2 unexpected bytes follow the graph.")
                    .arg(named(path))
                    .arg(rest - length)};
    const ChartLoadResult loaded = chart.LoadState(bytes.constData() + 4, length);
    if (!loaded.ok())
        return {QStringLiteral("\"%1\" is damaged: %2.").arg(named(path), loaded.error)};
    return {};
}

GraphFileResult ReadGraphFile(ChartModel& chart, const QString& path)
{
    if (QString problem = NotARegularFile(path); !problem.isEmpty())
        return {problem};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("Cannot open file \"%1\". %2").arg(named(path), file.errorString())};
    // Check the size before reading, so a huge file is never pulled into memory.
    const qint64 size = file.size();
    if (size > kGraphFileMaxBlock + 4)
        return {QStringLiteral("\"%1\" is not a graph file: it is %2 bytes long, more than a graph file holds.")
                    .arg(named(path))
                    .arg(size)};
    // At most one byte past the limit, whatever size() said (a file still growing).
    const QByteArray bytes = file.read(kGraphFileMaxBlock + 4 + 1);
    if (file.error() != QFileDevice::NoError)
        return {QStringLiteral("Read error in file \"%1\". %2").arg(named(path), file.errorString())};
    return LoadGraphFileBytes(chart, bytes, path);
}

}  // namespace kelvor
