// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/program.h"

#include <QPrinter>

#include "library/libraryaccess.h"
#include "library/runjournal.h"

namespace kelvor {

Program::Program(std::unique_ptr<MeterDevice> dev, Clock& clk, Prompts& p, QString dir)
    : clock(clk), prompts(p), device(std::move(dev)), link(*device, clk), dataDir(std::move(dir))
{
}

Program::~Program()
{
    // A window shown without a main window would otherwise outlive what it points to.
    windowSignals.deleteOwnWindows();
}

QString Program::templatePath() const { return dataDir + QStringLiteral("/template/graph.ghf"); }
QString Program::workingCopyPath() const { return dataDir + QStringLiteral("/temp/DataSetsTemp.tmp"); }
QPrinter& Program::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

QString Program::helpPath() const { return dataDir + QStringLiteral("/KELVORHELP.htm"); }

}  // namespace kelvor
