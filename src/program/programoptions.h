// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace kelvor {

// The windowed program's command line, as read before any window system is needed.
struct ProgramOptions {
    QString meter = QStringLiteral("usb");
    QStringList otherMeters;  // --meter given more than once: the meters after the first
    QString capture;
    QString dataDir;
    QString log;
    bool service = false;
    QString serve;      // --serve [ADDRESS:]PORT: the browser view from the start (empty: off)
    QStringList files;  // absolute paths of the files to open (empty arguments left out)
};

// What reading the command line says: go on (exitStatus -1), or end at once with
// exitStatus after writing `out` (help, version) to standard output and `err` (what
// is wrong, and where to look) to standard error.
struct ProgramOptionsRead {
    int exitStatus = -1;
    QString out;
    QString err;
};

// Reads args (args[0] is the program's name) into `options`; a value that cannot be
// used (an unknown meter, an empty --capture or --log, a --data-dir that is a file)
// is a bad command line, exit status 2.
ProgramOptionsRead ReadProgramOptions(const QStringList& args, ProgramOptions& options);

}  // namespace kelvor
