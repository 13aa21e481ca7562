// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>

namespace kelvor {

// The graph windows the commands look for: the one real-time graph, the one data
// logger graph, and the newest graph opened from a file, a table or the library.
enum class GraphSlot { RealTime, DataLogger, NewestFile };

// Where the commands find those windows. It holds them as widgets only: the window
// class lives in a layer above, which enrolls and looks them up with its own type
// (graph/ui/graphwindowslots.h). A window that is deleted leaves its slot empty.
class GraphWindows {
public:
    QWidget* window(GraphSlot slot) const { return m_windows[index(slot)].data(); }
    void enroll(GraphSlot slot, QWidget* window) { m_windows[index(slot)] = window; }
    // Empties the slot if `window` still holds it: a window that closes late must not
    // take a newer one's place with it.
    void withdraw(GraphSlot slot, const QWidget* window)
    {
        if (m_windows[index(slot)] == window)
            m_windows[index(slot)] = nullptr;
    }

private:
    static constexpr std::size_t index(GraphSlot slot) { return static_cast<std::size_t>(slot); }
    std::array<QPointer<QWidget>, 3> m_windows;
};

}  // namespace kelvor
