// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCoreApplication>

#include "cli/climain.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return kelvor::RunCliProcess(app);
}
