// SPDX-License-Identifier: GPL-3.0-or-later
// Table cells (dates, times, locale numbers) as "Output Tabular to graph" reads
// them, under locales with different date orders and decimal separators.
#include <cmath>
#include <cstdlib>

#include "files/tabledatetime.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    static const QLocale locales[] = {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::English, QLocale::UnitedKingdom)};
    const QStringList cells =
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)).split(QLatin1Char('\t'));
    TableRow row;
    for (qsizetype i = 0; i < cells.size() && i < qsizetype(row.size()); ++i)
        row[std::size_t(i)] = cells[i];
    for (const QLocale& locale : locales) {
        if (const auto when = ParseTableDateTime(row[1], row[2], locale); when && !std::isfinite(*when))
            std::abort();
        for (const QString& cell : row)
            if (const auto v = ParseTableValue(cell, locale); v && std::isnan(*v))
                std::abort();
        (void)IsReadableTableRow(row, locale);
    }
    (void)DateTimeConversionError(row[1]);
    return 0;
}
