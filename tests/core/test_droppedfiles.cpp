// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QMimeData>

#include "files/droppedfiles.h"

using namespace kelvor;

// What a desktop hands over as a drop's URL list: only files of this machine, named
// absolutely, are opened; the rest would open whatever the working folder holds.
TEST(DroppedFiles, TakesAbsoluteLocalFilesOnly)
{
    QMimeData mime;
    mime.setData(QStringLiteral("text/uri-list"),
                 "file:///tmp/kiln%20run.ghf\r\n"
                 "# a comment line\r\n"
                 "http://example.com/sets.ch4\r\n"
                 "file:relative.txt\r\n"
                 "file:\r\n"
                 "file:///home/ann/t%C3%A4glich.csv\r\n");
    EXPECT_EQ(DroppedFiles(mime.urls()),
              (QStringList{QStringLiteral("/tmp/kiln run.ghf"), QStringLiteral("/home/ann/t\u00e4glich.csv")}));
    EXPECT_TRUE(DroppedFiles({QUrl(QStringLiteral("https://example.com/a.ghf"))}).isEmpty());
}
