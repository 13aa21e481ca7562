// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "base/instancerequest.h"

using namespace kelvor;

TEST(InstanceRequest, FilesTravelWholeAndOnlyWhole)
{
    const QStringList files = {QStringLiteral("/home/ann/run 1.ghf"), QStringLiteral("/tmp/données/°C.csv")};
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
    };
    for (const Case& c : cases) {
        bool bad = false;
        EXPECT_FALSE(DecodeInstanceRequest(c.bytes, &bad).has_value()) << c.name;
        EXPECT_TRUE(bad) << c.name;
    }
    // A name with a line break could be read as two names: it is not sent.
    EXPECT_EQ(DecodeInstanceRequest(EncodeInstanceRequest({QStringLiteral("a\nb"), QStringLiteral("c")}), nullptr),
              QStringList{QStringLiteral("c")});
}
