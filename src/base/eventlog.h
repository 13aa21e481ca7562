// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>
#include <QString>

// The program's trace, one category per subsystem. Off unless a log file is started
// (--log FILE), or QT_LOGGING_RULES turns a category on for the terminal, so what the
// programs print stays as it is.
Q_DECLARE_LOGGING_CATEGORY(lcMeter)    // kelvor.meter: connection, probes, lost links
Q_DECLARE_LOGGING_CATEGORY(lcLogger)   // kelvor.logger: memory downloads
Q_DECLARE_LOGGING_CATEGORY(lcSession)  // kelvor.session: real-time runs and recordings
Q_DECLARE_LOGGING_CATEGORY(lcLibrary)  // kelvor.library: the library and its journal
Q_DECLARE_LOGGING_CATEGORY(lcFiles)    // kelvor.files: files read and written
Q_DECLARE_LOGGING_CATEGORY(lcProgram)  // kelvor.program: start, options, end

namespace kelvor {

// Sends every message of the categories above, and Qt's own warnings, to the end of
// PATH with a time stamp each, flushed line by line so a crash keeps what came before.
// Returns a reason when the file cannot be opened (nothing is changed then).
QString StartEventLog(const QString& path, const QString& programName);

}  // namespace kelvor
