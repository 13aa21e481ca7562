// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "base/clock.h"
#include "files/filetypename.h"
#include "files/tabledatetime.h"

using namespace kelvor;

namespace {
const QString kGraphPipes = QStringLiteral(
    "Graph file(*.ghf,only for KELVOR)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT|EXCEL file "
    "format(*.CSV,seperated by comma)|*.CSV");
// The same list as the Qt file dialog gets it.
const QString kGraphQt = QStringLiteral(
    "Graph file(*.ghf,only for KELVOR) (*.GHF *.ghf);;TXT file(*.txt,data seperated by tab) (*.TXT *.txt);;"
    "EXCEL file format(*.CSV,seperated by comma) (*.CSV *.csv)");
}  // namespace

TEST(FileTypeName, ExtensionsOfBothFilterForms)
{
    const QStringList expected{QStringLiteral(".GHF"), QStringLiteral(".TXT"), QStringLiteral(".CSV")};
    EXPECT_EQ(FilterTypeExtensions(kGraphPipes), expected);
    EXPECT_EQ(FilterTypeExtensions(kGraphQt), expected);
    // The table filter's padded pattern still yields its four characters.
    EXPECT_EQ(
        FilterTypeExtensions(QStringLiteral("TXT file(*.txt,data seperated by tab)|*.TXT                             "
                                            "|EXCEL file format(*.CSV,seperated by comma) |*.CSV")),
        expected.mid(1));
    // Qt's form keeps an extension longer than three letters whole.
    EXPECT_EQ(FilterTypeExtensions(QStringLiteral("Spreadsheet table (*.csv);;Excel workbook (*.xlsx)")),
              (QStringList{QStringLiteral(".csv"), QStringLiteral(".xlsx")}));
}

TEST(FileTypeName, TypedNameTakesThePickedType)
{
    struct Case {
        int index;
        const char* typed;
        const char* expected;
    } cases[] = {
        {2, "run1.ghf", "run1.TXT"},
        {3, "run1.ghf", "run1.CSV"},
        {1, "/home/u/run1.txt", "run1.GHF"},  // the folder is dropped from the box
        {2, "run1", "run1.TXT"},
        {2, "my.run.ghf", "my.run.TXT"},
        {2, "", ""},
        {4, "run1.ghf", "run1.ghf"},  // no such type
        {0, "run1.ghf", "run1.ghf"},
    };
    for (const QString& filter : {kGraphPipes, kGraphQt})
        for (const Case& c : cases)
            EXPECT_EQ(NameForFileType(filter, c.index, QString::fromUtf8(c.typed)).toStdString(), c.expected)
                << c.typed << " type " << c.index;
}

TEST(TableDateTime, ReadsLocaleFormsWithEitherYearLengthAndIso)
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const double expected = toDays(QDateTime(QDate(2026, 1, 5), QTime(10, 0, 2)));
    const std::optional<double> local = ParseTableDateTime(QStringLiteral("1/5/26"), QStringLiteral("10:00:02 AM"), us);
    ASSERT_TRUE(local);
    EXPECT_DOUBLE_EQ(*local, expected);
    const std::optional<double> iso = ParseTableDateTime(QStringLiteral("2026-01-05"), QStringLiteral("10:00:02"), us);
    ASSERT_TRUE(iso);
    EXPECT_DOUBLE_EQ(*iso, expected);
    EXPECT_FALSE(ParseTableDateTime(QStringLiteral("hello"), QStringLiteral("world"), us));
    EXPECT_FALSE(ParseTableDateTime(QStringLiteral("2/30/26"), QStringLiteral("10:00:02 AM"), us));

    const QLocale de(QLocale::German, QLocale::Germany);
    const QLocale gb(QLocale::English, QLocale::UnitedKingdom);  // short format with yyyy
    struct Case {
        const QLocale& locale;
        const char* date;
        const char* time;
        QDate day;  // invalid: not readable
    };
    const QDate july15(2023, 7, 15);
    const Case cases[] = {
        {us, "7/15/2023", "9:30:05 AM", july15},
        {us, "07/15/2023", "9:30:05 AM", july15},
        {us, "7/15/23", "9:30:05 AM", july15},
        {us, "Saturday, July 15, 2023", "9:30:05 AM", july15},
        {us, "2023-07-15", "09:30:05", july15},
        {us, "7/15/2023", "9:30:05", july15},
        {us, "7/15/99", "9:30:05 AM", QDate(2099, 7, 15)},  // two digits stay in 2000..2099
        {us, "15/7/2023", "9:30:05 AM", QDate()},           // day and month swapped
        {us, "7/15/2023", "not a time", QDate()},
        {de, "15.07.2023", "09:30:05", july15},
        {de, "15.07.23", "09:30:05", july15},
        {de, "Samstag, 15. Juli 2023", "09:30:05", july15},
        {de, "2023-07-15", "09:30:05", july15},
        {de, "15.7.2023", "09:30:05", july15},
        {de, "31.02.2023", "09:30:05", QDate()},
        {gb, "15/07/2023", "09:30:05", july15},
        {gb, "15/07/23", "09:30:05", july15},
        {gb, "2023-07-15", "09:30:05", july15},
    };
    for (const Case& c : cases) {
        const std::optional<double> got =
            ParseTableDateTime(QString::fromUtf8(c.date), QString::fromUtf8(c.time), c.locale);
        const std::string what = c.locale.name().toStdString() + " " + c.date + " " + c.time;
        EXPECT_EQ(got.has_value(), c.day.isValid()) << what;
        if (got && c.day.isValid()) {
            EXPECT_DOUBLE_EQ(*got, toDays(QDateTime(c.day, QTime(9, 30, 5)))) << what;
        }
    }

    ASSERT_TRUE(ParseTableValue(QStringLiteral("12,5"), de));
    EXPECT_FLOAT_EQ(*ParseTableValue(QStringLiteral("12,5"), de), 12.5f);
    EXPECT_FALSE(ParseTableValue(QStringLiteral("OL"), de));
}
