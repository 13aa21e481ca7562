// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <cstdint>

#include "web/webmodel.h"

namespace kelvor {

struct SessionRow;
struct SessionSample;

// The JSON documents of the API (docs/web-view.md describes them).
QJsonObject StatusJson(const WebModel& model);
QJsonObject ReadingsJson(const WebModel& model);
// The run's samples from `since` on, at most `limit` of them.
QJsonObject RunJson(const WebModel& model, std::int64_t since, int limit);
QJsonObject SampleJson(std::int64_t seq, const SessionSample& sample);
// A sample time of a run of several meters: every meter's channels in one list, meter
// by meter, null where a meter gave no reading at that time.
QJsonObject RowJson(std::int64_t seq, const SessionRow& row);

// What the view serves as the run's samples: the samples of a run of one meter, the rows
// of a run of several (numbered alike from 0, one per sample time).
bool ServesRows(const WebModel& model);
std::int64_t ServedCount(const WebModel& model);
QJsonObject ServedJson(const WebModel& model, std::int64_t seq);

// Compact UTF-8 text of a document.
QByteArray JsonText(const QJsonObject& object);

}  // namespace kelvor
