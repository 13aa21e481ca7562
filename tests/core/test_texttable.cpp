// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include "files/texttable.h"

using namespace kelvor;

namespace {
TableRows parse(const QByteArray& text, QChar sep = QLatin1Char('\t'))
{
    QBuffer b;
    b.setData(text);
    b.open(QIODevice::ReadOnly);
    return ReadTextTable(b, sep).rows;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const TableRows kRows = {
    {"15.07.2023", "09:30:05", "21.5", "22.0", "OL", "-3.1"},
    {"15.07.2023", "09:30:07", "21.6", "22.1", "23.0", "-3.0"},
    {"15.07.2023", "09:30:09", "21.7", "", "23.1", "-2.9"},
};
}  // namespace

TEST(TextTable, SaveLinesAndReadThemBack)
{
    QTemporaryDir dir;
    const QString txt = dir.filePath("table.txt");
    ASSERT_TRUE(SaveTableAsText(kRows, txt, 1, 3).ok());
    EXPECT_EQ(readFile(txt),
              "15.07.2023\t09:30:05\t21.5\t22.0\tOL\t-3.1\t\r\n"
              "15.07.2023\t09:30:07\t21.6\t22.1\t23.0\t-3.0\t\r\n"
              "15.07.2023\t09:30:09\t21.7\t\t23.1\t-2.9\t\r\n");
    const TableReadResult back = ReadTextTable(txt);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.rows, kRows);

    const QString csv = dir.filePath("DATA.CSV");
    ASSERT_EQ(SaveTableAsText(kRows, csv, 2, 2).lines, 1);
    EXPECT_EQ(readFile(csv), "15.07.2023,09:30:07,21.6,22.1,23.0,-3.0,\r\n");
    EXPECT_EQ(ReadTextTable(csv).rows, TableRows(kRows.begin() + 1, kRows.begin() + 2));

    EXPECT_EQ(TableSaveSeparator("data.Csv"), QLatin1Char(','));
    EXPECT_EQ(TableSaveSeparator("data.txt"), QLatin1Char('\t'));
    EXPECT_EQ(TableReadSeparator("/a/b.CSV"), QLatin1Char(','));
    EXPECT_EQ(TableReadSeparator("/a/b.txt"), QLatin1Char('\t'));
}

TEST(TextTable, ReaderLineForms)
{
    const TableRow full{"d", "t", "1.0", "2.0", "3.0", "4.0"};
    struct Case {
        const char* name;
        QByteArray text;
        std::size_t rows;
    } cases[] = {
        {"graph export, no trailing tab", "d\tt\t1.0\t2.0\t3.0\t4.0\r\nd\tt\t1.0\t2.0\t3.0\t4.0", 2},
        {"fields after the sixth dropped", "d\tt\t1.0\t2.0\t3.0\t4.0\t5.0\t6.0\t\r\n", 1},
        {"empty second line stops", "d\tt\t1.0\t2.0\t3.0\t4.0\t\r\n\r\nd\tt\t1\t2\t3\t4\t\r\n", 1},
        {"commas without a tab stop", "d\tt\t1.0\t2.0\t3.0\t4.0\r\nd,t,1,2,3,4\r\nd\tt\t1\t2\t3\t4\r\n", 1},
        {"LF line ends", "d\tt\t1.0\t2.0\t3.0\t4.0\nd\tt\t1.0\t2.0\t3.0\t4.0\n", 2},
        {"CR line ends", "d\tt\t1.0\t2.0\t3.0\t4.0\rd\tt\t1.0\t2.0\t3.0\t4.0\rd\tt\t1.0\t2.0\t3.0\t4.0\r", 3},
        {"CR, LF and CR LF mixed", "d\tt\t1.0\t2.0\t3.0\t4.0\rd\tt\t1.0\t2.0\t3.0\t4.0\r\nd\tt\t1.0\t2.0\t3.0\t4.0\n",
         3},
        {"CR only, no end on the last line", "d\tt\t1.0\t2.0\t3.0\t4.0\t\rd\tt\t1.0\t2.0\t3.0\t4.0", 2},
        {"CR CR is an empty line and stops", "d\tt\t1.0\t2.0\t3.0\t4.0\r\rd\tt\t1.0\t2.0\t3.0\t4.0\r", 1},
        {"LF CR is an empty line and stops", "d\tt\t1.0\t2.0\t3.0\t4.0\n\rd\tt\t1.0\t2.0\t3.0\t4.0\n", 1},
    };
    for (const Case& c : cases) {
        const TableRows rows = parse(c.text);
        ASSERT_EQ(rows.size(), c.rows) << c.name;
        for (const TableRow& r : rows)
            EXPECT_EQ(r, full) << c.name;
    }
    // Short rows leave the missing cells empty; a long line is read whole.
    const QString longField(300, QLatin1Char('x'));
    const TableRows rows = parse("a\tb\r\n" + longField.toLatin1() + "\tz\t\r\n");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (TableRow{"a", "b", "", "", "", ""}));
    EXPECT_EQ(rows[1][0], longField);
    EXPECT_EQ(rows[1][1], "z");
    EXPECT_TRUE(parse("no separator here").empty());
}

TEST(TextTable, ReadsLinesAcrossBlockBoundaries)
{
    // Lines of varying length over a megabyte, so many lines straddle the reader's blocks.
    QByteArray text;
    TableRows expected;
    for (int i = 0; i < 40000; ++i) {
        const QByteArray cell = QByteArray::number(i) + QByteArray(i % 37, 'x');
        text += "d\t" + cell + "\t1\t2\t3\t4" + (i % 2 ? "\r\n" : "\n");
        expected.push_back({"d", QString::fromLatin1(cell), "1", "2", "3", "4"});
    }
    text.chop(2);  // the last line has no line end
    expected.back()[5] = "4";
    EXPECT_EQ(parse(text), expected);
}

TEST(TextTable, CrLfSplitByABlockEndIsOneLineEnd)
{
    // The reader takes 256 KiB blocks; put the CR of the first line just before, on and
    // just after a block's last byte.
    constexpr int kBlock = 256 * 1024;
    for (int shift = -2; shift <= 2; ++shift) {
        const QByteArray first = "d\t" + QByteArray(kBlock - 3 + shift, 'x');
        const TableRows rows = parse(first + "\r\nd\tsecond\r\nd\tthird\r\n");
        ASSERT_EQ(rows.size(), 3u) << "shift " << shift;
        EXPECT_EQ(rows[0][1].size(), kBlock - 3 + shift);
        EXPECT_EQ(rows[1][1], "second");
        EXPECT_EQ(rows[2][1], "third");
    }
}

TEST(TextTable, OverlongLineStopsReadingAndKeepsTheRowsBefore)
{
    // A line fits when the bytes before its line end are at most kMaxTableLineBytes.
    const auto lineOf = [](qint64 bytes) { return "a\t" + QByteArray(bytes - 2, 'y'); };
    const QByteArray fits = lineOf(kMaxTableLineBytes) + "\n";
    const QByteArray over = lineOf(kMaxTableLineBytes + 1) + "\n";

    QBuffer b;
    b.setData("a\tb\n" + fits + over + "a\tb\n");
    b.open(QIODevice::ReadOnly);
    const TableReadResult r = ReadTextTable(b, QLatin1Char('\t'));
    EXPECT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[1][1].size(), kMaxTableLineBytes - 2);
    EXPECT_TRUE(r.error.startsWith("Line 3 is longer than")) << r.error.toStdString();

    EXPECT_EQ(parse("a\tb\n" + lineOf(kMaxTableLineBytes)).size(), 2u);
    QBuffer last;
    last.setData(lineOf(kMaxTableLineBytes + 1));
    last.open(QIODevice::ReadOnly);
    EXPECT_FALSE(ReadTextTable(last, QLatin1Char('\t')).ok());
}

TEST(TextTable, CancelKeepsReadRowsAndOldFile)
{
    QByteArray text;
    for (int i = 0; i < 2000; ++i)
        text += "d\tt\t" + QByteArray::number(i) + "\t0\t0\t0\r\n";
    QBuffer b(&text);
    b.open(QIODevice::ReadOnly);
    int calls = 0;
    const TableReadResult r = ReadTextTable(b, QLatin1Char('\t'), [&](int done) {
        ++calls;
        return done < 1000;
    });
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.rows.size(), 2u * kTableProgressBatch);
    EXPECT_EQ(calls, 2);

    QTemporaryDir dir;
    const QString path = dir.filePath("keep.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    const TableSaveResult s = SaveTableAsText(r.rows, path, 1, int(r.rows.size()), [](int) { return false; });
    EXPECT_TRUE(s.cancelled);
    EXPECT_EQ(readFile(path), "old");
    EXPECT_FALSE(SaveTableAsText(kRows, dir.filePath("no/dir/x.txt"), 1, 3).error.isEmpty());
    EXPECT_FALSE(ReadTextTable(dir.filePath("missing.txt")).ok());
}
