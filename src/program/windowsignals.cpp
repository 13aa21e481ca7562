// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/windowsignals.h"

#include <QMetaMethod>
#include <QWidget>

namespace kelvor {

void WindowSignals::showWindow(QWidget* window)
{
    if (isSignalConnected(QMetaMethod::fromSignal(&WindowSignals::windowOpened)))
        emit windowOpened(window);
    else
        window->show();
}

}  // namespace kelvor
