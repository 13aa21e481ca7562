// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the graph template that is installed with the program (the default look),
// from the same code the program uses when it puts one in place on a first start.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "base/atomicfile.h"
#include "graph/defaultlook.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: make-template OUTPUT.ghf\n");
        return 2;
    }
    const QString out = args.at(1);
    QDir().mkpath(QFileInfo(out).absolutePath());
    const QString error = kelvor::WriteFileAtomically(out, kelvor::DefaultTemplateFile());
    if (!error.isEmpty()) {
        std::fprintf(stderr, "make-template: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
