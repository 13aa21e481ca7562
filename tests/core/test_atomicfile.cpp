// SPDX-License-Identifier: GPL-3.0-or-later
// Every writer of the program, with a device that fails the way a full or
// read-only disk does: the old file must stay byte for byte, and the failure must
// name the file and the reason.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "base/atomicfile.h"
#include "base/clock.h"
#include "base/datafolder.h"
#include "chart/chartmodel.h"
#include "cli/clicommand.h"
#include "failingsavefile.h"
#include "files/collection.h"
#include "files/texttable.h"
#include "graph/graphfile.h"
#include "graph/graphtable.h"
#include "logger/datasetstore.h"
#include "logger/workingcopy.h"
#include "meter/devicefactory.h"
#include "meter/sim/simdevice.h"

using namespace kelvor;

namespace {

using test::FailingSaveFile;
const QString kNoSpace = test::kNoSpaceLeft;

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

const ChartModel& sampleChart()
{
    static ChartModel m;
    if (m.Points() == 0) {
        m.setSubsets(4);
        m.setPoints(3000);
        const double start = toDays(QDateTime(QDate(2026, 3, 4), QTime(10, 0, 0)));
        for (int i = 0; i < 3000; ++i) {
            m.setXDataII(-1, i, start + i / 86400.0);
            for (int s = 0; s < 4; ++s)
                m.setYData(s, i, float(20 + s + i % 7));
        }
    }
    return m;
}

DataSetStore sampleStore()
{
    DataSetStore store;
    store.collectionImage = QByteArray(5000, 'c');
    return store;
}

QString runCliWriting(const QStringList& args)
{
    ManualClock clock;
    QString out, err;
    QTextStream o(&out), e(&err);
    CliEnv env{clock, o, e, nullptr, nullptr, nullptr};
    env.makeDevice = [&clock](const QString&, const QString&, QString* error) {
        return createSimDevice(QString(), clock, error);
    };
    const int code = runCli(QStringList{QStringLiteral("kelvor-cli")} + args, env);
    return code == kCliOk ? QString() : err;
}

// A sim collection written once, for the export command to read.
QString simCollection()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("sim.ch4"));
        const QString err =
            runCliWriting({QStringLiteral("--meter=sim"), QStringLiteral("download"), QStringLiteral("-o"), p});
        EXPECT_TRUE(err.isEmpty()) << err.toStdString();
        return p;
    }();
    return path;
}

struct Writer {
    const char* name;
    const char* file;
    // Writes the file; returns the message the user sees (empty on success).
    std::function<QString(const QString& path)> write;
};

std::vector<Writer> writers()
{
    return {
        {"graph file", "g.ghf", [](const QString& p) { return WriteGraphFile(sampleChart(), p).error; }},
        {"graph table", "g.txt",
         [](const QString& p) {
             return WriteGraphTable(sampleChart(), p, 1, 3000, QLatin1Char('\t'), QLocale::c()).error;
         }},
        {"text table", "t.csv",
         [](const QString& p) {
             TableRows rows(4000, TableRow{QStringLiteral("1"), QStringLiteral("04/03/26"), QStringLiteral("10:00:00"),
                                           QStringLiteral("20.5"), QStringLiteral("21.5"), QStringLiteral("OL")});
             return SaveTableAsText(rows, p, 1, 4000).error;
         }},
        {"collection", "c.ch4", [](const QString& p) { return SaveCollection(sampleStore(), QString(), p).error(); }},
        {"working copy", "DataSetsTemp.tmp",
         [](const QString& p) { return WriteWorkingCopy(p, QByteArray(5000, 'w')); }},
        {"help page", "KELVORHELP.htm",
         [](const QString& p) {
             QFile::remove(p);  // it is only installed where none is
             QTemporaryDir src;
             QFile s(src.filePath(QStringLiteral("help.htm")));
             s.open(QIODevice::WriteOnly);
             s.write(QByteArray(3000, 'h'));
             s.close();
             return installHelpFile(QFileInfo(p).absolutePath(), s.fileName()) ? QString()
                                                                               : QStringLiteral("not installed");
         }},
        {"cli download", "d.ch4",
         [](const QString& p) {
             return runCliWriting({QStringLiteral("--meter=sim"), QStringLiteral("download"), QStringLiteral("-o"), p});
         }},
        {"cli export", "e.txt",
         [](const QString& p) {
             return runCliWriting({QStringLiteral("export"), simCollection(), QStringLiteral("--set"),
                                   QStringLiteral("1"), QStringLiteral("-o"), p});
         }},
    };
}

struct Fault {
    const char* name;
    bool failOpen;
    qint64 budget;
    QString reason;
};

TEST(AtomicFile, EveryWriterKeepsTheOldFileAndSaysWhyWhenTheDiskFails)
{
    const Fault faults[] = {
        {"cannot create", true, 0, QStringLiteral("Permission denied")},
        {"disk already full", false, 0, kNoSpace},
        {"disk fills during the write", false, 1000, kNoSpace},
    };
    const QByteArray old = "the old content, which must survive\r\n";
    for (const Writer& w : writers()) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QLatin1String(w.file));
        // Unhindered, the writer writes something.
        ASSERT_EQ(w.write(path), QString()) << w.name;
        ASSERT_GT(readAll(path).size(), 1000) << w.name;
        if (QLatin1String(w.name) == QLatin1String("help page"))
            continue;  // an installed help page is never replaced; its failure is the bool
        for (const Fault& f : faults) {
            {
                QFile o(path);
                ASSERT_TRUE(o.open(QIODevice::WriteOnly | QIODevice::Truncate));
                o.write(old);
            }
            QString error;
            {
                AtomicFileDeviceOverride fail(
                    [&f](const QString& p) { return std::make_unique<FailingSaveFile>(p, f.failOpen, f.budget); });
                error = w.write(path);
            }
            EXPECT_EQ(readAll(path), old) << w.name << ", " << f.name;
            EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path)))
                << w.name << ", " << f.name << ": " << error.toStdString();
            EXPECT_TRUE(error.contains(f.reason)) << w.name << ", " << f.name << ": " << error.toStdString();
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1)
                << w.name << ", " << f.name << ": a temporary file was left";
        }
    }
}

TEST(AtomicFile, HelpPageThatCannotBeWrittenIsNotInstalled)
{
    QTemporaryDir dir;
    test::FullDisk full(10);
    QFile s(dir.filePath(QStringLiteral("src.htm")));
    ASSERT_TRUE(s.open(QIODevice::WriteOnly));
    s.write(QByteArray(3000, 'h'));
    s.close();
    EXPECT_FALSE(installHelpFile(dir.path(), s.fileName()));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("KELVORHELP.htm"))));
}

TEST(AtomicFile, WritesLargeAndSmallContentWholeAndStopsAfterTheFirstFailure)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.bin"));
    for (qsizetype size : {qsizetype(0), qsizetype(1), qsizetype(65535), qsizetype(65536), qsizetype(300001)}) {
        QByteArray bytes(size, '\0');
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = char(i * 7);
        AtomicFile f(path);
        ASSERT_TRUE(f.open());
        for (qsizetype at = 0; at < size; at += 777)  // many small writes
            ASSERT_TRUE(f.write(bytes.mid(at, 777)));
        ASSERT_TRUE(f.commit()) << f.error().toStdString();
        EXPECT_EQ(readAll(path), bytes) << size;
    }
    test::FullDisk full(100);
    AtomicFile f(path);
    ASSERT_TRUE(f.open());
    EXPECT_FALSE(f.write(QByteArray(70000, 'x')));
    EXPECT_FALSE(f.write(QByteArray(10, 'y')));
    EXPECT_FALSE(f.commit());
    EXPECT_EQ(f.reason(), kNoSpace);
    EXPECT_EQ(readAll(path).size(), 300001);
}

}  // namespace
