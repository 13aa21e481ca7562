// SPDX-License-Identifier: GPL-3.0-or-later
#include "shellrig.h"
#include "graph/ui/graphwindowslots.h"

#include "graph/ui/realtimeview.h"
#include "graph/ui/tfrmgraph.h"

#include <QStandardPaths>

#include "app/ui/monitorloop.h"

namespace kelvor::test {

ShellRig::ShellRig(bool meterPresent, bool show)
{
    QStandardPaths::setTestModeEnabled(true);
    auto device = std::make_unique<FakeMeter>();
    meter = device.get();
    meter->present = meterPresent;
    program = std::make_unique<Program>(std::move(device), clock, prompts, dir.path());
    program->settingsFile = settingsFile();
    main = std::make_unique<TfrmMain>(*program);
    if (show) {
        main->resize(1400, 900);
        main->show();
        prompts.messages.clear();  // start-up notes (e.g. no graph template yet)
    }
}

ShellRig::~ShellRig()
{
    main.reset();
    program.reset();
}

void ShellRig::tick(int n)
{
    for (int i = 0; i < n; ++i) {
        clock.advanceMs(200);
        main->monitor().MainTimerTimer();
    }
}

int ShellRig::runPoints() const
{
    TfrmGraph* w = RealTimeGraph(*program);
    return w && w->realTimeView() ? w->realTimeView()->points() : 0;
}

}  // namespace kelvor::test
