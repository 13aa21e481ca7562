// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <memory>

#include "app/ui/singleinstance.h"
#include "app/ui/tfrmabout.h"
#include "app/ui/tfrmmain.h"
#include "base/clock.h"
#include "base/datafolder.h"
#include "base/eventlog.h"
#include "graph/defaultlook.h"
#include "kelvor_version.h"
#include "logger/ui/librarycommands.h"
#include "meter/choice/devicechoice.h"
#include "meter/unavailabledevice.h"
#include "panel/ui/digitimages.h"
#include "program/program.h"
#include "program/programoptions.h"
#include "program/prompts.h"

using namespace kelvor;

namespace {

int run(QApplication& app, const ProgramOptions& options);

}  // namespace

int main(int argc, char** argv)
{
    // The options are read before any window system is needed, so --help, --version
    // and mistakes are answered on a machine without a display too.
    ProgramOptions options;
    {
        QCoreApplication reader(argc, argv);
        const ProgramOptionsRead read = ReadProgramOptions(QCoreApplication::arguments(), options);
        std::fputs(qPrintable(read.out), stdout);
        std::fputs(qPrintable(read.err), stderr);
        if (read.exitStatus >= 0)
            return read.exitStatus;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TOVRA"));
    QApplication::setApplicationName(QStringLiteral("KELVOR"));
    QApplication::setApplicationVersion(QStringLiteral(KELVOR_VERSION));
    if (!options.log.isEmpty()) {
        if (const QString bad = StartEventLog(options.log, QStringLiteral("kelvor")); !bad.isEmpty()) {
            std::fprintf(stderr, "kelvor: --log=%s: %s\n", qPrintable(options.log), qPrintable(bad));
            return 2;
        }
    }
    try {
        return run(app, options);
    } catch (const std::exception& e) {
        // The last resort for anything that escaped its handler.
        qCCritical(lcProgram, "ended by an exception: %s", e.what());
        QMessageBox::critical(nullptr, QStringLiteral("KELVOR"), QString::fromLocal8Bit(e.what()));
        return 1;
    }
}

namespace {

// A copy of the program already works with this data folder: it comes forward and
// opens the files; this one ends. Returns the exit status.
int handOver(SingleInstance& instance, const ProgramOptions& options)
{
    const QString text = QStringLiteral("KELVOR is already running with this data folder");
    std::fprintf(stderr, "kelvor: %s\n", qPrintable(text));
    if (!instance.forward(options.files)) {
        std::fprintf(stderr, "kelvor: the running copy does not answer\n");
        QMessageBox::warning(nullptr, QStringLiteral("KELVOR"),
                             text + QStringLiteral(", but it does not answer. Close it, or start this copy with "
                                                   "--data-dir and another folder."));
        return 1;
    }
    // Files handed over need no word: they simply open in the running copy.
    if (options.files.isEmpty())
        QMessageBox::information(nullptr, QStringLiteral("KELVOR"), text + QLatin1Char('.'));
    return 0;
}

int run(QApplication& app, const ProgramOptions& options)
{
    const QString dataDir = dataFolderFor(options.dataDir, QApplication::applicationDirPath());
    // A folder that cannot be used is said once the window is up; the program goes on
    // (meter, graphs and files elsewhere work), and what needs the folder says so itself.
    const QString folderProblem = prepareDataFolder(dataDir);
    if (!folderProblem.isEmpty())
        std::fprintf(stderr, "kelvor: %s\n", qPrintable(folderProblem));
    SingleInstance instance(dataDir);
    if (instance.claim() == SingleInstance::Claim::Taken)
        return handOver(instance, options);

    QPointer<TfrmAbout> splash = new TfrmAbout(nullptr, true);
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    SystemClock clock;
    QtPrompts prompts;
    QString problem;
    registerShellResources();
    QIcon icon(QStringLiteral(":/icons/kelvor.svg"));
    icon.addFile(QStringLiteral(":/icons/kelvor-64.png"));
    QApplication::setWindowIcon(icon);
    QString templateProblem;
    if (folderProblem.isEmpty()) {
        installHelpFile(dataDir);
        templateProblem = InstallDefaultTemplate(dataDir + QStringLiteral("/template/graph.ghf"));
        if (!templateProblem.isEmpty())
            std::fprintf(stderr, "kelvor: %s\n", qPrintable(templateProblem));
    }

    std::unique_ptr<MeterDevice> device = createDevice(options.meter, options.capture, clock, &problem);
    if (!device) {
        // Start anyway: the user can still open files; the status bar says why.
        std::fprintf(stderr, "kelvor: %s\n", qPrintable(problem));
        device = std::make_unique<UnavailableDevice>(problem);
    }

    Program program(std::move(device), clock, prompts, dataDir);
    for (const QString& choice : options.otherMeters) {
        QString why;
        std::unique_ptr<MeterDevice> other = createDevice(choice, QString(), clock, &why);
        if (!other) {
            std::fprintf(stderr, "kelvor: %s\n", qPrintable(why));
            other = std::make_unique<UnavailableDevice>(why);
        }
        program.otherMeters.push_back(std::make_unique<OtherMeter>(std::move(other), clock));
        program.otherMeters.back()->problem = why;
        program.web.setMeterIdentity(int(program.otherMeters.size()), QStringLiteral("QZX"),
                                     program.otherMeters.back()->device->connectedSerial());
    }
    program.serviceMode = options.service;
    program.deviceProblem = problem;
    // The folder's own message covers the template that could not be put there.
    program.graph.TemplateMissingShown = !folderProblem.isEmpty();
    InstallLibrary(program);
    if (!options.serve.isEmpty()) {
        WebServeOptions serve;
        serve.where = ParseServeAddress(options.serve).value();
        if (const Status started = program.web.start(serve); !started)
            std::fprintf(stderr, "kelvor: cannot serve the live view: %s\n", qPrintable(started.error()));
        else
            std::fprintf(stderr, "kelvor: live view at %s\n",
                         qPrintable(program.web.link().toString(QUrl::FullyEncoded)));
    }

    TfrmMain window(program);
    QObject::connect(&instance, &SingleInstance::requested, &window, [&window](const QStringList& files) {
        window.comeForward();
        window.openFiles(files);
    });
    QObject::connect(&window, &TfrmMain::shown, &window, [&splash, &program, &window, folderProblem, &options] {
        if (splash)
            splash->close();
        if (!folderProblem.isEmpty())
            program.prompts.error(&window, QStringLiteral("The data folder can not be used: %1.\n\nThe graph "
                                                          "template, the working copy of downloads and the library "
                                                          "will not be kept.")
                                               .arg(folderProblem));
        // Once the window is up: a run the last program left behind is offered back.
        QTimer::singleShot(0, &window, [&program, &window, &options] {
            OfferInterruptedRecordings(program);
            window.openFiles(options.files);
        });
    });
    window.showInPlace();
    const int status = app.exec();
    delete splash.data();
    // The capture is for a bug report: say when it is incomplete.
    if (const QString capture = program.device->captureProblem(); !capture.isEmpty()) {
        std::fprintf(stderr, "kelvor: %s\n", qPrintable(capture));
        return status == 0 ? 1 : status;
    }
    return status;
}

}  // namespace
