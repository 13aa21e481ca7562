// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QPair>
#include <QString>
#include <optional>

#include "chart/chartmodel.h"
#include "export/exportresult.h"
#include "export/exportseries.h"
#include "export/seriescheck.h"

namespace kelvor {

// What goes into a report besides the samples.
struct ReportContent {
    QString title = QStringLiteral("Temperature report");
    QString meter;                              // model and serial; empty when unknown (one meter)
    QList<QPair<double, QString>> annotations;  // date-time (days), text; those outside the samples are left out
    std::vector<ChartAlarmEvent> alarmEvents;   // the same
    bool sampleTable = false;                   // the samples as a table on further pages
    QDateTime created;                          // printed in every page's footer
    QLocale locale;                             // dates, times, numbers, paper size
    // The run checked against a profile: the verdict on page 1, each rule in a section.
    std::optional<SeriesCheck> check;
};

// A4 or, where the locale's paper is Letter (North America), Letter.
bool UsesLetterPaper(const QLocale& locale);

// The report as PDF bytes: title, source, meter, the chart as vectors, the statistics as
// the graph window shows them, the annotations and alarm events, page numbers and the
// creation time; optionally every sample in a ruled table and the verdict of a profile.
// A run of several meters lists its meters among the source details, draws every channel
// in one chart, and has a statistics table (and sample table) per meter.
QByteArray ReportPdf(const ExportSeries& series, const ReportContent& content);

Status WriteReport(const ExportSeries& series, const ReportContent& content, const QString& path);

}  // namespace kelvor
