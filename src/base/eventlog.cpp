// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/eventlog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSysInfo>

#include <cstring>

#include "kelvor_version.h"

Q_LOGGING_CATEGORY(lcMeter, "kelvor.meter", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLogger, "kelvor.logger", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSession, "kelvor.session", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLibrary, "kelvor.library", QtInfoMsg)
Q_LOGGING_CATEGORY(lcFiles, "kelvor.files", QtInfoMsg)
Q_LOGGING_CATEGORY(lcProgram, "kelvor.program", QtInfoMsg)

namespace kelvor {

namespace {
// Until a log file is started the program's categories say nothing: the programs'
// output on the terminal is their interface, and a trace would change it.
const bool kQuietByDefault = [] {
    QLoggingCategory::setFilterRules(QStringLiteral("kelvor.*=false"));
    return true;
}();

QFile* g_log = nullptr;
QtMessageHandler g_previous = nullptr;

const char* levelName(QtMsgType type)
{
    switch (type) {
        case QtDebugMsg:
            return "debug";
        case QtInfoMsg:
            return "info";
        case QtWarningMsg:
            return "warning";
        case QtCriticalMsg:
            return "critical";
        case QtFatalMsg:
            return "fatal";
    }
    return "?";
}

void writeToLog(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const char* category = context.category ? context.category : "default";
    const bool ours = std::strncmp(category, "kelvor.", 7) == 0;
    if (g_log) {
        QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8();
        line += ' ';
        line += levelName(type);
        line += ' ';
        line += category;
        line += ": ";
        // One event, one line: a message with line breaks stays readable by grep.
        line += message.toUtf8().replace('\n', "\\n").replace('\r', "\\r");
        line += '\n';
        g_log->write(line);
        g_log->flush();
    }
    // Qt's own messages still reach the terminal as before; the program's go to the file.
    if (!ours && g_previous)
        g_previous(type, context, message);
}
}  // namespace

QString StartEventLog(const QString& path, const QString& programName)
{
    (void)kQuietByDefault;
    auto* file = new QFile(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        const QString reason = file->errorString();
        delete file;
        return reason;
    }
    if (g_log) {
        g_log->close();
        delete g_log;
    } else {
        g_previous = qInstallMessageHandler(writeToLog);
    }
    g_log = file;
    QLoggingCategory::setFilterRules(QStringLiteral("kelvor.*=true"));
    qCInfo(lcProgram, "%s %s started on %s (%s), Qt %s, arguments: %s", qPrintable(programName), KELVOR_VERSION,
           qPrintable(QSysInfo::prettyProductName()), qPrintable(QSysInfo::currentCpuArchitecture()), qVersion(),
           qPrintable(QCoreApplication::arguments().join(QLatin1Char(' '))));
    return {};
}

}  // namespace kelvor
