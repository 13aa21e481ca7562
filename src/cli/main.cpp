// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCoreApplication>
#include <QTextStream>

#include "kelvor_version.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelvor-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVOR_VERSION));
    QTextStream(stdout) << "kelvor-cli " << KELVOR_VERSION << "\n";
    return 0;
}
