// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "base/datafolder.h"
#include "base/meternames.h"
#include "base/settings.h"

using namespace kelvor;

namespace {
StoredSettings readIni(const QByteArray& content)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.ini"));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    auto s = openProgramSettings(path);
    return readSettings(*s);
}
}  // namespace

TEST(Settings, ReadsIntegersAndFallsBackToDefaults)
{
    struct Case {
        const char* ini;
        int rate;
        int color;
    } cases[] = {
        {"", 2, 0},
        {"RealTimeRate=75\nAnnoColor=16711680\n", 75, 16711680},
        {"RealTimeRate=fast\nAnnoColor=7.5\n", 2, 0},
        {"AnnoColor=255\n", 2, 255},
        // Out of what the windows can show or use: the default.
        {"RealTimeRate=-5\nAnnoColor=-1\n", 2, 0},
        {"RealTimeRate=0\nAnnoColor=16777216\n", 2, 0},
        {"RealTimeRate=3661\n", 2, 0},
        {"RealTimeRate=99999999999\n", 2, 0},
        {"RealTimeRate=1\nAnnoColor=16777215\n", 1, 16777215},
        {"RealTimeRate=3660\n", 3660, 0},
    };
    for (const Case& c : cases) {
        const StoredSettings s = readIni(c.ini);
        EXPECT_EQ(s.RealTimeRate, c.rate) << c.ini;
        EXPECT_EQ(s.AnnoColor, c.color) << c.ini;
    }
}

TEST(Settings, WriteThenReadBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/s.ini"));
    writeSettings(*openProgramSettings(path), {75, 0x00FF00});
    const StoredSettings s = readSettings(*openProgramSettings(path));
    EXPECT_EQ(s.RealTimeRate, 75);
    EXPECT_EQ(s.AnnoColor, 0x00FF00);
}

TEST(DataFolder, OverrideIsCreatedAndHelpIsCopiedOnce)
{
    QTemporaryDir dir;
    QString error;
    const QString data = chooseDataFolder(dir.filePath(QStringLiteral("a/b")), dir.path(), &error);
    ASSERT_FALSE(data.isEmpty()) << error.toStdString();
    EXPECT_TRUE(QFileInfo(data).isDir());
    EXPECT_EQ(chooseDataFolder({}, dir.path(), &error), QDir(dir.path()).absolutePath());

    QFile src(dir.filePath(QStringLiteral("help.htm")));
    ASSERT_TRUE(src.open(QIODevice::WriteOnly));
    src.write("<p>help</p>");
    src.close();
    EXPECT_TRUE(installHelpFile(data, src.fileName()));
    QFile copy(data + QStringLiteral("/KELVORHELP.htm"));
    ASSERT_TRUE(copy.open(QIODevice::ReadWrite));
    copy.write("<p>mine</p>");
    copy.close();
    EXPECT_TRUE(installHelpFile(data, src.fileName()));  // an existing page is left alone
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), QByteArray("<p>mine</p>"));
}

TEST(DataFolder, HelpPageIsRefreshedOnlyByANewerStamp)
{
    QTemporaryDir dir;
    const auto page = [](int version, const char* body) {
        return QByteArray("<html><head><meta name=\"kelvor-help-version\" content=\"") + QByteArray::number(version) +
               "\"></head><body>" + body + "</body></html>";
    };
    const auto install = [&](const QByteArray& shipped) {
        QFile src(dir.filePath(QStringLiteral("shipped.htm")));
        EXPECT_TRUE(src.open(QIODevice::WriteOnly | QIODevice::Truncate));
        src.write(shipped);
        src.close();
        EXPECT_TRUE(installHelpFile(dir.path(), src.fileName()));
        QFile copy(dir.filePath(QStringLiteral("KELVORHELP.htm")));
        EXPECT_TRUE(copy.open(QIODevice::ReadOnly));
        return copy.readAll();
    };
    EXPECT_EQ(helpPageVersion(page(12, "x")), 12);
    EXPECT_EQ(helpPageVersion("<p>no stamp</p>"), 0);

    const QByteArray old = "<p>an old page without a stamp</p>";
    QFile seed(dir.filePath(QStringLiteral("KELVORHELP.htm")));
    ASSERT_TRUE(seed.open(QIODevice::WriteOnly));
    seed.write(old);
    seed.close();
    EXPECT_EQ(install(page(2, "two")), page(2, "two"));  // stamped beats unstamped
    EXPECT_EQ(install(page(3, "three")), page(3, "three"));
    EXPECT_EQ(install(page(3, "three again")), page(3, "three"));  // same stamp: left alone
    EXPECT_EQ(install(page(1, "downgrade")), page(3, "three"));    // an older program keeps the newer page
}

TEST(DataFolder, UnusableFoldersAreNamedWithTheReason)
{
    QTemporaryDir dir;
    EXPECT_EQ(prepareDataFolder(dir.filePath(QStringLiteral("new/deeper"))), QString());
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("new/deeper"))).isDir());
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("new/deeper"))).entryList(QDir::Files | QDir::Hidden).isEmpty());

    QFile blocker(dir.filePath(QStringLiteral("afile")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString below = dir.filePath(QStringLiteral("afile/data"));
    EXPECT_TRUE(prepareDataFolder(below).startsWith(QStringLiteral("cannot create the data folder")))
        << prepareDataFolder(below).toStdString();
    // /proc refuses new files even to root.
    EXPECT_TRUE(prepareDataFolder(QStringLiteral("/proc"))
                    .startsWith(QStringLiteral("cannot write in the data folder '/proc'")))
        << prepareDataFolder(QStringLiteral("/proc")).toStdString();
}

TEST(DataFolder, InstalledProgramKeepsItsDataWithTheUser)
{
    QStandardPaths::setTestModeEnabled(true);
    QString error;
    // /usr/bin is writable for root, yet an installed program must not write there.
    const QString data = chooseDataFolder({}, QStringLiteral("/usr/bin"), &error);
    EXPECT_EQ(data, QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).absolutePath());
    EXPECT_TRUE(isSystemProgramFolder(QStringLiteral("/usr/local/bin/")));
    EXPECT_FALSE(isSystemProgramFolder(QStringLiteral("/home/ann/kelvor")));
    EXPECT_FALSE(isSystemProgramFolder(QStringLiteral("/usrlocal")));
}

TEST(Settings, WriteFailuresAreTold)
{
    QTemporaryDir dir;
    // A settings file in a folder that is a plain file can never be written.
    QFile blocker(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = dir.filePath(QStringLiteral("plain/settings.ini"));
    const QString problem = writeSettings(*openProgramSettings(path), {75, 0});
    EXPECT_TRUE(problem.contains(QDir::toNativeSeparators(path))) << problem.toStdString();
    EXPECT_EQ(writeSettings(*openProgramSettings(dir.filePath(QStringLiteral("ok.ini"))), {75, 0}), QString());
}

// Meter names are kept per serial, also for serials QSettings would read as groups; a
// name is stored clean (trimmed, no control characters, cut to length) and an empty one
// forgets it. A second settings object on the same file (the other program) reads it.
TEST(Settings, MeterNamesPerSerial)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.ini"));
    {
        auto s = openProgramSettings(path);
        EXPECT_EQ(WriteMeterName(*s, QStringLiteral("KV-0042"), QStringLiteral("  Oven A\n")), QString());
        EXPECT_EQ(WriteMeterName(*s, QStringLiteral("a/b\\c"), QStringLiteral("Cold room")), QString());
        EXPECT_EQ(WriteMeterName(*s, QStringLiteral("KV-0057"), QString(60, QLatin1Char('x'))), QString());
        EXPECT_FALSE(WriteMeterName(*s, QString(), QStringLiteral("no serial")).isEmpty());
    }
    auto s = openProgramSettings(path);
    EXPECT_EQ(ReadMeterName(*s, QStringLiteral("KV-0042")), QStringLiteral("Oven A"));
    EXPECT_EQ(ReadMeterName(*s, QStringLiteral("a/b\\c")), QStringLiteral("Cold room"));
    EXPECT_EQ(ReadMeterName(*s, QStringLiteral("a")), QString());
    EXPECT_EQ(ReadMeterName(*s, QStringLiteral("KV-0057")).size(), kMaxMeterNameLength);
    EXPECT_EQ(WriteMeterName(*s, QStringLiteral("KV-0042"), QStringLiteral(" ")), QString());
    EXPECT_EQ(ReadMeterName(*openProgramSettings(path), QStringLiteral("KV-0042")), QString());
    EXPECT_EQ(MeterLabel(QString(), QStringLiteral("KV-0042"), 0), QStringLiteral("KV-0042"));
    EXPECT_EQ(MeterLabel(QString(), QString(), 2), QStringLiteral("Meter 3"));
}
