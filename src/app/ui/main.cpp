// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QMainWindow>

#include "kelvor_version.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TOVRA"));
    QApplication::setApplicationName(QStringLiteral("KELVOR"));
    QApplication::setApplicationVersion(QStringLiteral(KELVOR_VERSION));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("KELVOR"));
    window.showMaximized();
    return app.exec();
}
