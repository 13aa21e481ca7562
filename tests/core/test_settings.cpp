// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "base/datafolder.h"
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
        {"RealTimeRate=-3\n", -3, 0},  // kept as read; the rate lists judge it
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
