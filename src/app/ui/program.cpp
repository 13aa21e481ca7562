// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/program.h"

namespace kelvor {

Program::Program(std::unique_ptr<MeterDevice> dev, Clock& clk, Prompts& p, QString dir)
    : clock(clk), prompts(p), device(std::move(dev)), link(*device, clk), dataDir(std::move(dir))
{
}

Program::~Program() = default;

QString Program::templatePath() const { return dataDir + QStringLiteral("/template/graph.ghf"); }
QString Program::workingCopyPath() const { return dataDir + QStringLiteral("/temp/DataSetsTemp.tmp"); }
QString Program::helpPath() const { return dataDir + QStringLiteral("/KELVORHELP.htm"); }

}  // namespace kelvor
