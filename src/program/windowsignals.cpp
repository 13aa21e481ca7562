// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/windowsignals.h"

#include <QMetaMethod>
#include <QWidget>
#include <utility>
#include <vector>

namespace kelvor {

void WindowSignals::showWindow(QWidget* window)
{
    if (isSignalConnected(QMetaMethod::fromSignal(&WindowSignals::windowOpened)))
        emit windowOpened(window);
    else {
        std::erase_if(m_ownWindows, [](const QPointer<QWidget>& w) { return w.isNull(); });
        m_ownWindows.emplace_back(window);
        window->show();
    }
}

void WindowSignals::deleteOwnWindows()
{
    // A window's destructor may show another one; those go too.
    while (!m_ownWindows.empty()) {
        const std::vector<QPointer<QWidget>> windows = std::exchange(m_ownWindows, {});
        for (const QPointer<QWidget>& window : windows)
            if (window && !window->parentWidget())
                delete window.data();
    }
}

}  // namespace kelvor
