// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDateTime>
#include <ctime>

#include "base/clock.h"
#include "chart/chartmodel.h"
#include "export/exportseries.h"
#include "export/localtimestamp.h"
#include "export/spreadsheetcsv.h"
#include "export/spreadsheetread.h"
#include "graph/realtimerun.h"

using namespace kelvor;

namespace {
// The table's offsets are the local zone's: these cases are written for UTC.
class UtcZone {
public:
    UtcZone() : m_old(qgetenv("TZ")), m_had(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", "UTC");
        tzset();
    }
    ~UtcZone()
    {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray m_old;
    bool m_had;
};

QByteArray stamp(double days)
{
    QByteArray out;
    LocalTimestamp().append(out, days);
    return out;
}
}  // namespace

TEST(Spreadsheet, TimesKeepTheMillisecondsTheSampleHas)
{
    const UtcZone utc;
    const double noon = 46366.5;  // 2026-12-10 12:00:00
    const double ms = 1.0 / 86400000.0;
    struct Case {
        double days;
        const char* text;
    } cases[] = {
        {noon, "2026-12-10T12:00:00+00:00"},                     // a data set's whole seconds stay short
        {noon + 200 * ms, "2026-12-10T12:00:00.200+00:00"},      // the first, short step of a run
        {noon + 999 * ms, "2026-12-10T12:00:00.999+00:00"},      // not rounded into the next second
        {noon + 1000 * ms, "2026-12-10T12:00:01+00:00"},         //
        {noon + 999.6 * ms, "2026-12-10T12:00:01+00:00"},        // to the nearest millisecond
        {noon - 0.5 + 7 * ms, "2026-12-10T00:00:00.007+00:00"},  // leading zeros
    };
    for (const Case& c : cases)
        EXPECT_EQ(stamp(c.days), QByteArray(c.text)) << c.text;
}

TEST(Spreadsheet, NoReadingAndOverRangeStayApartFromTheRunToTheTable)
{
    // A run's samples as the real-time window stores them: T1 over range once, T4
    // without a thermocouple throughout.
    ChartModel chart;
    chart.setSubsets(4);
    chart.setPoints(4);
    RealTimeState state;
    PrepareRunStore(chart, state, 3);
    const double t0 = 46366.5;
    const std::uint8_t noProbeT4 = 0x80;
    WriteRunSample(chart, 0, noProbeT4, t0, {20.0f, 21.0f, 22.0f, 0.0f});
    WriteRunSample(chart, 1, noProbeT4 | 0x01, t0 + 1 / 86400.0, {1400.0f, 21.0f, 22.0f, 0.0f});
    WriteRunSample(chart, 2, noProbeT4, t0 + 2 / 86400.0, {20.5f, 21.0f, 22.0f, 0.0f});

    const UtcZone utc;
    EXPECT_EQ(SpreadsheetCsv(SeriesFromChart(chart, QStringLiteral("Run"))),
              "Time,T1 (°C),T2 (°C),T3 (°C),T4 (°C),Flags\r\n"
              "2026-12-10T12:00:00+00:00,20.0,21.0,22.0,,T4 ----\r\n"
              "2026-12-10T12:00:01+00:00,,21.0,22.0,,T1 OL T4 ----\r\n"
              "2026-12-10T12:00:02+00:00,20.5,21.0,22.0,,T4 ----\r\n");

    // An open-ended run scrolls its store: the flags move with their samples.
    chart.DropFirstPoints(1);
    const ExportSeries scrolled = SeriesFromChart(chart, QStringLiteral("Run"));
    ASSERT_EQ(scrolled.samples(), 2);
    EXPECT_EQ(MissingFlagsText(scrolled, 0), QStringLiteral("T1 OL T4 ----"));
    EXPECT_EQ(MissingFlagsText(scrolled, 1), QStringLiteral("T4 ----"));

    // Where the data do not say (a download, a graph file) a missing value is over range.
    chart.clearPointFlags();
    EXPECT_EQ(MissingFlagsText(SeriesFromChart(chart, QStringLiteral("Run")), 0), QStringLiteral("T1 OL T4 OL"));
}

TEST(Spreadsheet, ReadsBackWhatItWroteAndNamesTheLineOfAnyFault)
{
    const UtcZone utc;
    const QByteArray head = "Time,T1 (°F),T2 (°F),T3 (°F),T4 (°F),Flags\r\n";
    const QByteArray rows =
        "2026-12-10T12:00:00.200+00:00,100.0,-20.0,,,T3 OL T4 ----\r\n"
        "2026-12-10T12:00:01+00:00,100.5,-20.0,0.1,0.2,\r\n";
    const Result<ExportSeries> r = ParseSpreadsheetTable(head + rows, QStringLiteral("t.csv"));
    ASSERT_TRUE(r.ok()) << r.error().toStdString();
    EXPECT_EQ(r->unit, QStringLiteral("°F"));
    EXPECT_EQ(SpreadsheetCsv(r.value()), head + rows);
    EXPECT_EQ(r->flags, (std::vector<std::uint8_t>{0x84, 0x00}));

    // Another program's save: a byte order mark, LF or CR alone, a last line without its end.
    for (const QByteArray& variant :
         {"\xEF\xBB\xBF" + head + rows, QByteArray(head + rows).replace("\r\n", "\n"),
          QByteArray(head + rows).replace("\r\n", "\r"), QByteArray(head + rows).chopped(2)})
        EXPECT_EQ(SpreadsheetCsv(ParseSpreadsheetTable(variant, QStringLiteral("t.csv")).valueOr({})), head + rows);

    // A ".csv" that is not ours is left to the text table reader.
    EXPECT_TRUE(IsSpreadsheetHeader("Time,T1 (°C),T2 (°C),T3 (°C),T4 (°C)"));
    EXPECT_TRUE(IsSpreadsheetHeader("\xEF\xBB\xBF\"Time\",T1 (°C),T2 (°C),T3 (°C),T4 (°C),Flags"));
    EXPECT_FALSE(IsSpreadsheetHeader("12/10/2026,13:30:06,21.5,22.0,OL,-3.1,"));
    EXPECT_FALSE(IsSpreadsheetHeader("Time,T1 (°C),T2 (°C),T3 (°C)"));
    EXPECT_FALSE(IsSpreadsheetHeader("Time,T1 (K),T2 (K),T3 (K),T4 (K)"));

    const struct {
        QByteArray text;
        const char* says;
    } bad[] = {
        {"Time;T1\r\n", "is not a spreadsheet table"},
        {head + "2026-12-10T12:00:00+00:00,1.0,2.0,3.0\r\n", "line 2: 4 fields where the header has 6"},
        {head + rows + "2026-12-10 12:00:02,1.0,2.0,3.0,4.0,\r\n",
         "line 4: \"2026-12-10 12:00:02\" is not a date-time"},
        {head + "2026-12-10T12:00:00,1.0,2.0,3.0,4.0,\r\n", "line 2: \"2026-12-10T12:00:00\" is not a date-time"},
        {head + "2026-12-10T12:00:00+00:00,1,0,2.0,3.0,4.0,\r\n", "line 2: 7 fields"},  // a decimal comma
        {head + "2026-12-10T12:00:00+00:00,1.0,warm,3.0,4.0,\r\n", "line 2: \"warm\" in T2 is not a temperature"},
        {head + "2026-12-10T12:00:00+00:00,1.0,2.0,3.0,,T4 gone\r\n", "line 2: \"T4 gone\" is not a list of flags"},
        {head + "\"2026-12-10T12:00:00+00:00,1.0,2.0,3.0,4.0,\r\n", "line 2: a quote is not closed"},
    };
    for (const auto& c : bad) {
        const Result<ExportSeries> b = ParseSpreadsheetTable(c.text, QStringLiteral("t.csv"));
        ASSERT_FALSE(b.ok()) << c.says;
        EXPECT_TRUE(b.error().contains(QLatin1String(c.says)) && b.error().contains(QLatin1String("t.csv")))
            << b.error().toStdString();
    }
}

// A run of two meters: a column per channel named with its meter, the name quoted where it
// holds a comma, a meter's missed row told as such rather than as four empty thermocouples,
// and a chart of eight subsets taken four by four.
TEST(Spreadsheet, SeveralMetersNameEveryColumnAndTellAMissedRow)
{
    ExportSeries s;
    s.unit = QStringLiteral("°C");
    const double t0 = 46366.5;
    s.times = {t0, t0 + 1 / 86400.0};
    s.values = {20.0f, 21.0f, 22.0f, 23.0f, 20.5f, 9999.0f, 22.0f, 23.0f};
    s.flags = {0x00, 0x02};
    s.meters = {{QStringLiteral("QZX"), QStringLiteral("KV-1"), QStringLiteral("Oven, left"), {}, {}},
                {QStringLiteral("QZX"), QStringLiteral("KV-2"), QString(), {}, {}}};
    // KV-2 has no thermocouple on T4, then misses the second row (flags and values as a gap).
    s.meters[1].values = {30.0f, 31.0f, 32.0f, 9999.0f, 9999.0f, 9999.0f, 9999.0f, 9999.0f};
    s.meters[1].flags = {0x80, 0xF0};
    s.absent = {0x00, 0x02};

    const UtcZone utc;
    EXPECT_EQ(SpreadsheetCsv(s),
              "Time,\"Oven, left (KV-1) T1 (°C)\",\"Oven, left (KV-1) T2 (°C)\",\"Oven, left (KV-1) T3 (°C)\","
              "\"Oven, left (KV-1) T4 (°C)\",KV-2 T1 (°C),KV-2 T2 (°C),KV-2 T3 (°C),KV-2 T4 (°C),Flags\r\n"
              "2026-12-10T12:00:00+00:00,20.0,21.0,22.0,23.0,30.0,31.0,32.0,,KV-2 T4 ----\r\n"
              "2026-12-10T12:00:01+00:00,20.5,,22.0,23.0,,,,,\"Oven, left (KV-1) T2 OL KV-2 absent\"\r\n");

    // Read back, it is known for what it is and refused as such, not taken for a text table.
    const QByteArray bytes = SpreadsheetCsv(s);
    EXPECT_TRUE(IsSpreadsheetHeader(QByteArrayView(bytes).first(bytes.indexOf('\r'))));
    const Result<ExportSeries> read = ParseSpreadsheetTable(bytes, QStringLiteral("t.csv"));
    ASSERT_FALSE(read.ok());
    EXPECT_TRUE(read.error().contains(QStringLiteral("several meters (8 channels)"))) << read.error().toStdString();

    ChartModel chart;
    chart.setSubsets(8);
    chart.setPoints(1);
    chart.setXDataII(-1, 0, t0);
    for (int c = 0; c < 8; ++c)
        chart.setYData(c, 0, float(10 + c));
    const ExportSeries drawn = SeriesFromChart(chart, QStringLiteral("Run"), s.meters);
    ASSERT_EQ(drawn.channels(), 8);
    EXPECT_EQ(drawn.channelName(5), QStringLiteral("KV-2 T2"));
    for (int c = 0; c < 8; ++c)
        EXPECT_FLOAT_EQ(drawn.channelValue(0, c), float(10 + c)) << c;
    EXPECT_EQ(SeriesFromChart(chart, QStringLiteral("Run")).channels(), 4);  // without the meters: as before
}
