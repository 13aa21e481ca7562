// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "base/instancerequest.h"

using namespace kelvor;

TEST(InstanceRequest, FilesTravelWholeAndOnlyWhole)
{
    const QStringList files = {QStringLiteral("/home/ann/run 1.ghf"), QStringLiteral("/tmp/données/°C.csv"),
                               QStringLiteral("/tmp/two\nlines.txt")};
    const QByteArray bytes = EncodeInstanceRequest(files);
    bool bad = true;
    EXPECT_EQ(DecodeInstanceRequest(bytes, &bad), files);
    EXPECT_FALSE(bad);
    EXPECT_EQ(DecodeInstanceRequest(EncodeInstanceRequest({}), &bad), QStringList());
    // A request cut anywhere is not yet a request, and not a bad one either.
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        EXPECT_FALSE(DecodeInstanceRequest(bytes.left(n), &bad).has_value()) << n;
        EXPECT_FALSE(bad) << n;
    }
}

TEST(InstanceRequest, ForeignBytesAreRefused)
{
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"another tag", QByteArray("GET / HTTP/1.0\r\n")},
        {"a wrong first byte", QByteArray("X")},
        {"a length past the limit", QByteArray("KLV1\x7f\xff\xff\xff", 8)},
        {"an unknown version", QByteArray("KLV9\0\0\0\0", 8)},
    };
    for (const Case& c : cases) {
        bool bad = false;
        EXPECT_FALSE(DecodeInstanceRequest(c.bytes, &bad).has_value()) << c.name;
        EXPECT_TRUE(bad) << c.name;
    }
    // No file name holds a NUL: such a name is not sent.
    EXPECT_EQ(DecodeInstanceRequest(EncodeInstanceRequest({QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b"),
                                                           QStringLiteral("c")}),
                                    nullptr),
              QStringList{QStringLiteral("c")});
}

TEST(InstanceRequest, AnOlderCopysLineFeedRequestIsRead)
{
    const QByteArray older("KLV1\0\0\0\x10/a/b.ghf\n/c.csv\n", 24);
    bool bad = true;
    EXPECT_EQ(DecodeInstanceRequest(older, &bad), (QStringList{QStringLiteral("/a/b.ghf"), QStringLiteral("/c.csv")}));
    EXPECT_FALSE(bad);
}
