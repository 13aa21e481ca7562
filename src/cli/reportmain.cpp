// SPDX-License-Identifier: GPL-3.0-or-later
// kelvor-cli-report, the report writer: kelvor-cli with the report command, which
// lays out text with fonts and so needs Qt GUI (but no window system). kelvor-cli
// hands `report` over to it with its whole command line.
#include <QGuiApplication>

#include "cli/climain.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return kelvor::RunCliProcess(app);
}
