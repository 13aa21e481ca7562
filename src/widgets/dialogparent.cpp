// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/dialogparent.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include "program/program.h"

namespace kelvor {

QWidget* DialogParent(const Program& program) { return program.mainWindow.data(); }

QWidget* ActiveChild(const QMdiArea& area)
{
    QMdiSubWindow* sub = area.activeSubWindow();
    return sub ? sub->widget() : nullptr;
}

}  // namespace kelvor
