// SPDX-License-Identifier: GPL-3.0-or-later
// Times across the daylight-saving changes, in two zones: a data set (the meter's clock,
// which never changes) keeps its samples one interval apart in UTC; a real-time run (the
// PC's clock, which does) keeps the order and spacing it was taken in.
#include <gtest/gtest.h>
#include <QDateTime>
#include <QTemporaryDir>
#include <QTimeZone>
#include <ctime>

#include "base/clock.h"
#include "base/localoffsets.h"
#include "export/spreadsheetcsv.h"
#include "library/library.h"
#include "library/libraryseries.h"
#include "logger/datasetdecoder.h"
#include "memoryimage_builder.h"

using namespace kelvor;

namespace {

// Sets TZ for the test's life. in() tells whether the zone really is in effect (the zone
// data may be missing), by its summer offset.
class Zone {
public:
    explicit Zone(const char* name) : m_name(name), m_old(qgetenv("TZ")), m_had(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", name);
        tzset();
    }
    ~Zone()
    {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }
    bool in(int summerOffset) const
    {
        const QDateTime july(QDate(2026, 7, 1), QTime(12, 0));
        return QTimeZone::systemTimeZoneId() == m_name && july.offsetFromUtc() == summerOffset &&
               QDateTime(QDate(2026, 1, 1), QTime(12, 0)).offsetFromUtc() == summerOffset - 3600;
    }

private:
    QByteArray m_name;
    QByteArray m_old;
    bool m_had;
};

struct Change {
    const char* zone;
    int summerOffset;
    QDate spring;  // the day the clocks go forward, at 02:00
    QDate autumn;  // the day they go back: Berlin at 03:00, New York at 02:00
    int repeatedHour;
};

const Change kChanges[] = {
    {"Europe/Berlin", 7200, QDate(2026, 3, 29), QDate(2026, 10, 25), 2},
    {"America/New_York", -14400, QDate(2026, 3, 8), QDate(2026, 11, 1), 1},
};

#define ENTER_ZONE(change)                                                                        \
    const Zone zoneGuard(change.zone);                                                            \
    if (!zoneGuard.in(change.summerOffset))                                                       \
    GTEST_SKIP() << "the zone " << change.zone << " is not in effect here (no zone data?), so a " \
                 << "test of its daylight-saving changes would prove nothing"

double days(const QDate& d, int h, int m, int s = 0) { return toDays(QDateTime(d, QTime(h, m, s), Qt::UTC)); }

// The UTC times of the spreadsheet table's rows, in ms.
std::vector<qint64> utcTimes(const QByteArray& csv)
{
    std::vector<qint64> out;
    const QList<QByteArray> lines = csv.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].trimmed().isEmpty())
            continue;
        const QDateTime t = QDateTime::fromString(QString::fromLatin1(lines[i].split(',')[0]), Qt::ISODateWithMs);
        EXPECT_TRUE(t.isValid() && t.timeSpec() == Qt::OffsetFromUTC) << lines[i].toStdString();
        out.push_back(t.toMSecsSinceEpoch());
    }
    return out;
}

void expectEvenlySpaced(const std::vector<qint64>& utc, qint64 stepMs, const char* what)
{
    ASSERT_GT(utc.size(), 2u) << what;
    for (size_t i = 1; i < utc.size(); ++i)
        ASSERT_EQ(utc[i] - utc[i - 1], stepMs) << what << ": row " << i + 1;
}

std::uint8_t bcd(int v) { return std::uint8_t((v / 10) << 4 | (v % 10)); }

}  // namespace

TEST(DaylightSaving, OffsetsAreThoseOfTheZoneAndKnowTheChanges)
{
    for (const Change& c : kChanges) {
        SCOPED_TRACE(c.zone);
        ENTER_ZONE(c);
        // Every quarter hour of the year outside the changes: what QDateTime says.
        LocalOffsets offsets;
        const QDate from(2026, 1, 1);
        for (int q = 0; q < 365 * 96; ++q) {
            const QDateTime local(from.addDays(q / 96), QTime(q % 96 / 4, q % 4 * 15));
            const double d = toDays(local);
            const LocalOffsets::Candidates k = offsets.at(d);
            if (k.skipped || k.repeated)
                continue;
            ASSERT_EQ(k.first, local.offsetFromUtc()) << local.toString(Qt::ISODate).toStdString();
        }
        const LocalOffsets::Candidates skipped = offsets.at(days(c.spring, 2, 30));
        EXPECT_TRUE(skipped.skipped);
        EXPECT_EQ(skipped.first, c.summerOffset - 3600);
        const LocalOffsets::Candidates repeated = offsets.at(days(c.autumn, c.repeatedHour, 30));
        EXPECT_TRUE(repeated.repeated);
        EXPECT_EQ(repeated.first, c.summerOffset);
        EXPECT_EQ(repeated.second, c.summerOffset - 3600);
        EXPECT_FALSE(offsets.at(days(c.autumn, c.repeatedHour + 1, 30)).repeated);
    }
}

// A data set through both changes: the meter writes its clock as it runs, an interval
// apart; the table written from the library gives the same interval in UTC on every row.
TEST(DaylightSaving, ADataSetStaysOneIntervalApartInUtc)
{
    for (const Change& c : kChanges) {
        SCOPED_TRACE(c.zone);
        ENTER_ZONE(c);
        for (const QDate& day : {c.spring, c.autumn}) {
            SCOPED_TRACE(day.toString(Qt::ISODate).toStdString());
            TestDataSet set;
            const int startHour = day == c.spring ? 1 : c.repeatedHour - 1;
            const std::uint8_t start[6] = {
                bcd(day.year() % 100), bcd(day.month()), bcd(day.day()), bcd(startHour), 0x30, 0x00};
            std::copy(start, start + 6, set.date);
            set.intervalSec = 30;
            set.values.assign(4 * 400, 250);  // 3 h 20 min, across the change
            const QByteArray image = buildImage({set});
            ManualClock clock;
            DataSetStore store;
            ASSERT_TRUE(DecodeDataSets(image, store, clock).ok());
            QTemporaryDir dir;
            auto lib = Library::open(dir.path()).library;
            ASSERT_TRUE(lib);
            LibraryStatus s;
            const auto id =
                lib->storeDownload(image, store.sets, 46000.0, QStringLiteral("SN"), QStringLiteral("download"), &s);
            ASSERT_TRUE(id) << s.error.toStdString();
            const LibraryItemSeries item = SeriesOfLibraryItem(*lib, *id, 1, clock);
            ASSERT_TRUE(item.ok()) << item.error.toStdString();
            const std::vector<qint64> utc = utcTimes(SpreadsheetCsv(item.series.at(0)));
            ASSERT_EQ(utc.size(), 400u);
            expectEvenlySpaced(utc, 30'000, "data set");
        }
    }
}

// A real-time run through both changes, as the PC's clock gives its times: forward, the
// wall clock jumps an hour; back, it repeats one. The library keeps the wall times in
// the order taken, and the table written from it gives one second apart in UTC.
TEST(DaylightSaving, ARealTimeRunKeepsItsOrderAndSpacing)
{
    for (const Change& c : kChanges) {
        SCOPED_TRACE(c.zone);
        ENTER_ZONE(c);
        for (const QDate& day : {c.spring, c.autumn}) {
            SCOPED_TRACE(day.toString(Qt::ISODate).toStdString());
            // 2 h of seconds from an hour before the change, as the system's clock shows them.
            const QDateTime utcStart = day == c.spring
                                           ? QDateTime(day, QTime(1, 0), Qt::UTC).addSecs(3600 - c.summerOffset)
                                           : QDateTime(day, QTime(c.repeatedHour, 0), Qt::UTC).addSecs(-c.summerOffset);
            QTemporaryDir dir;
            auto lib = Library::open(dir.path()).library;
            ASSERT_TRUE(lib);
            RecordingHeader h;
            h.rateSeconds = 1;
            h.recordCount = 7200;
            std::vector<JournalSample> samples;
            for (int i = 0; i < 7200; ++i) {
                JournalSample j;
                j.time = toDays(utcStart.addSecs(i).toLocalTime());
                samples.push_back(j);
            }
            h.started = samples.front().time;
            LibraryStatus s;
            const auto id = lib->beginRecording(h, &s);
            ASSERT_TRUE(id);
            ASSERT_TRUE(lib->appendSamples(*id, 0, samples.data(), samples.size()).ok());
            ManualClock clock;
            const LibraryItemSeries item = SeriesOfLibraryItem(*lib, *id, 0, clock);
            ASSERT_TRUE(item.ok()) << item.error.toStdString();
            const std::vector<qint64> utc = utcTimes(SpreadsheetCsv(item.series.at(0)));
            ASSERT_EQ(utc.size(), 7200u);
            EXPECT_EQ(utc.front(), utcStart.toMSecsSinceEpoch());
            expectEvenlySpaced(utc, 1000, "real-time run");
        }
    }
}
