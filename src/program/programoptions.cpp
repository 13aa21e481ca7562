// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/programoptions.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include "kelvor_version.h"
#include "meter/choice/devicechoice.h"
#include "web/webrequest.h"

namespace kelvor {

namespace {

ProgramOptionsRead badCommandLine(const QString& message)
{
    return {2, {}, QStringLiteral("kelvor: %1\nTry 'kelvor --help'.\n").arg(message)};
}

}  // namespace

ProgramOptionsRead ReadProgramOptions(const QStringList& args, ProgramOptions& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("KELVOR four-channel thermometer and data logger"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the program version."));
    const QCommandLineOption meter(
        QStringLiteral("meter"),
        QStringLiteral("Where the meter is: usb (default: the first meter found), usb:SERIAL "
                       "(the meter with that USB serial; kelvor-cli probe --list shows "
                       "them), sim[:options] or replay:FILE. Given several times (up to 8), "
                       "each real-time run records every meter."),
        QStringLiteral("kind"), QStringLiteral("usb"));
    const QCommandLineOption capture(QStringLiteral("capture"),
                                     QStringLiteral("Record every exchange with the meter into FILE."),
                                     QStringLiteral("file"));
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("Folder for the graph template, the working copy and the help."),
                                     QStringLiteral("dir"));
    const QCommandLineOption service(QStringLiteral("service"),
                                     QStringLiteral("Show Data Logger > Setup (meter service functions)."));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Append a trace of what the program does (the meter, the library, "
                                                "files) to FILE, to send with a report of a problem."),
                                 QStringLiteral("file"));
    const QCommandLineOption serve(QStringLiteral("serve"),
                                   QStringLiteral("Serve the live view for browsers from the start on [ADDRESS:]PORT "
                                                  "(127.0.0.1 unless given; another address shares it on the "
                                                  "network, with an access token: see View > Share in Browser)."),
                                   QStringLiteral("[ADDRESS:]PORT"));
    parser.addOptions({help, version, meter, capture, dataDir, log, service, serve});
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("Graph files (.ghf), tables (.txt, .csv) or data set collections (.ch4) "
                       "to open."),
        QStringLiteral("[FILE...]"));

    if (!parser.parse(args))
        return badCommandLine(parser.errorText());
    if (parser.isSet(help))
        return {0, parser.helpText(), {}};
    if (parser.isSet(version))
        return {0, QStringLiteral("kelvor %1\n").arg(QStringLiteral(KELVOR_VERSION)), {}};
    if (const QString bad = MeterListError(parser.values(meter), parser.value(capture), parser.isSet(capture));
        !bad.isEmpty())
        return badCommandLine(bad);
    for (const QString& choice : parser.values(meter))
        if (IsRemoteMeterChoice(choice))
            return badCommandLine(QStringLiteral("--meter=%1: the windowed program reads meters on this computer; "
                                                 "kelvor-cli record and live read a remote meter")
                                      .arg(choice));
    const QString dir = parser.value(dataDir);
    if (parser.isSet(dataDir) && (dir.isEmpty() || (QFileInfo::exists(dir) && !QFileInfo(dir).isDir())))
        return badCommandLine(QStringLiteral("--data-dir=%1: not a folder").arg(dir));
    if (parser.isSet(log) && parser.value(log).isEmpty())
        return badCommandLine(QStringLiteral("--log needs a file name"));
    const QStringList meters = parser.values(meter);
    options.meter = meters.isEmpty() ? parser.value(meter) : meters.first();
    options.otherMeters = meters.mid(1);
    options.capture = parser.value(capture);
    options.dataDir = dir;
    options.service = parser.isSet(service);
    options.log = parser.value(log);
    if (parser.isSet(serve)) {
        if (const Result<ServeAddress> where = ParseServeAddress(parser.value(serve)); !where)
            return badCommandLine(where.error());
    }
    options.serve = parser.value(serve);
    // Made absolute here: a copy already running gets them, and it runs elsewhere. An
    // empty argument (a script's unset variable) names no file.
    options.files.clear();
    for (const QString& file : parser.positionalArguments())
        if (!file.isEmpty())
            options.files << QFileInfo(file).absoluteFilePath();
    return {};
}

}  // namespace kelvor
