// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include "web/webmodel.h"

namespace kelvor {

// The state as Prometheus text (version 0.0.4): a gauge per channel with its meter and
// channel labels, the meters' connection, the alarms and the run's samples.
QByteArray MetricsText(const WebModel& model);

}  // namespace kelvor
