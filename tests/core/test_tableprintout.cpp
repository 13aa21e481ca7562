// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAbstractTableModel>

#include "print/tableprintout.h"

using namespace kelvor;

namespace {

TEST(TablePrintout, CellsArePaddedWithTwoSpacesPerMissingCharacter)
{
    struct Case {
        QString text;
        int column;
        int length;  // of the padded cell
    };
    const Case cases[] = {
        {"abc", 0, 3 + 14},       // 7 short of 10
        {"", 1, 20},              // empty cell: the full width doubled
        {"123456789", 3, 9 + 2},  // one short
        {"1234567890", 0, 10},    // exactly the width: unchanged
        {"abcdefghijkl", 0, 12},  // longer: unchanged, not cut
        {"12:00:00", 2, 8 + 18},  // the time column is 17 wide
        {"12345678901234567", 2, 17},
    };
    for (const Case& c : cases) {
        const QString padded = padTableCell(c.text, c.column);
        EXPECT_EQ(padded.size(), c.length) << c.text.toStdString() << " in column " << c.column;
        EXPECT_TRUE(padded.startsWith(c.text));
        EXPECT_EQ(padded.mid(c.text.size()).trimmed(), QString());
    }
}

TEST(TablePrintout, LineKeepsTheLayoutAndABlankBetweenFullCells)
{
    EXPECT_EQ(tableLine({"1", "d", "t"}),
              QString("1") + QString(18, ' ') + "d" + QString(18, ' ') + "t" + QString(32, ' '));
    // Cells that fill or overrun their column keep one blank before the next one,
    // and the last cell gets none.
    EXPECT_EQ(tableLine({"0123456789", "0123456789AB"}), QString("0123456789 0123456789AB"));
    EXPECT_EQ(tableLine({"1", "10 Dec 2026", "01:36:15"}),
              QString("1") + QString(18, ' ') + "10 Dec 2026 01:36:15" + QString(18, ' '));
}

class TwoByTwo final : public QAbstractTableModel {
public:
    int rowCount(const QModelIndex& = {}) const override { return 2; }
    int columnCount(const QModelIndex& = {}) const override { return 2; }
    QVariant data(const QModelIndex& i, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(QString("r%1c%2").arg(i.row()).arg(i.column())) : QVariant();
    }
    QVariant headerData(int s, Qt::Orientation o, int role) const override
    {
        return role == Qt::DisplayRole && o == Qt::Horizontal ? QVariant(QString("H%1").arg(s)) : QVariant();
    }
};

TEST(TablePrintout, GridRowZeroIsTheHeading)
{
    TwoByTwo model;
    EXPECT_EQ(tableGridRows(model), 3);
    EXPECT_EQ(tableGridRow(model, 0), QStringList({"H0", "H1"}));
    EXPECT_EQ(tableGridRow(model, 2), QStringList({"r1c0", "r1c1"}));
}

// Every row must end inside the printable height and none may be skipped, whatever
// the ratio of page to line height.
TEST(TablePrintout, EveryRowFitsOnItsPage)
{
    const int pages[][2] = {{1000, 100}, {1099, 100}, {1000, 33}, {13000, 160}, {150, 100}, {50, 100}};
    for (const auto& [pageHeight, h] : pages) {
        const TablePaging p = TablePaging::forPage(pageHeight, h);
        ASSERT_GE(p.rowsPerPage, 1);
        int page = 0;
        int rowsOnPage = 0;
        for (int r = 0; r < 3 * p.rowsPerPage + 1; ++r) {
            if (p.newPageBefore(r)) {
                ++page;
                rowsOnPage = 0;
            }
            ++rowsOnPage;
            EXPECT_GE(p.rowTop(r), h);  // the blank first line
            if (2 * h <= pageHeight) {
                EXPECT_LE(p.rowTop(r) + h, pageHeight) << "row " << r << " page " << pageHeight << "/" << h;
            }
        }
        EXPECT_EQ(page + 1, p.pageCount(3 * p.rowsPerPage + 1));
        EXPECT_EQ(rowsOnPage, 1);
    }
    EXPECT_EQ(TablePaging::forPage(1000, 100).rowsPerPage, 9);
}

}  // namespace
