// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <cstdint>

#include "web/webmodel.h"

namespace kelvor {

struct SessionSample;

// The JSON documents of the API (docs/web-view.md describes them).
QJsonObject StatusJson(const WebModel& model);
QJsonObject ReadingsJson(const WebModel& model);
// The run's samples from `since` on, at most `limit` of them.
QJsonObject RunJson(const WebModel& model, std::int64_t since, int limit);
QJsonObject SampleJson(std::int64_t seq, const SessionSample& sample);

// Compact UTF-8 text of a document.
QByteArray JsonText(const QJsonObject& object);

}  // namespace kelvor
