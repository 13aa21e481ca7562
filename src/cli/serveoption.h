// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineOption>
#include <memory>

#include "cli/clicommand.h"
#include "meter/monitorcycle.h"
#include "web/webserver.h"

namespace kelvor {

// --serve [ADDRESS:]PORT and its companions, for the commands that watch the meter.
extern const QCommandLineOption kServeOption;
extern const QCommandLineOption kServeTokenOption;
extern const QCommandLineOption kServeCertOption;
extern const QCommandLineOption kServeKeyOption;
QList<QCommandLineOption> ServeOptions();

// Checks the --serve options before anything starts; false after saying what is wrong.
bool ServeOptionsValid(CliContext& ctx);
// Starts the browser view when --serve is given (null and true when it is not); false after
// saying why it cannot listen. Says on err where the view is, with its token.
bool StartServing(CliContext& ctx, std::unique_ptr<WebServer>& server);

}  // namespace kelvor
