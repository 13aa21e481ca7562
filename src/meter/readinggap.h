// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvor {

// Replies of a meter that answers but sends nothing that reads as a reading (garbled
// frames, another frame than a reading). A reply that never comes is counted by the
// loops themselves and ends the connection; these would leave the reading standing
// still without a word, so a run of them is told as readings that stopped.
class ReadingGap {
public:
    // At five replies a second: a second of replies without a reading.
    static constexpr int kRepliesToTell = 5;
    enum class Change { None, Stopped, Resumed };

    // A reply came; isReading says whether it carried a reading. Stopped once a run
    // of unreadable replies is long enough to tell, Resumed at the first reading after.
    Change reply(bool isReading)
    {
        if (isReading) {
            m_unreadable = 0;
            if (!m_stopped)
                return Change::None;
            m_stopped = false;
            return Change::Resumed;
        }
        if (m_stopped || ++m_unreadable < kRepliesToTell)
            return Change::None;
        m_stopped = true;
        return Change::Stopped;
    }
    // The connection was lost or found: that is told on its own.
    void reset()
    {
        m_unreadable = 0;
        m_stopped = false;
    }
    bool stopped() const { return m_stopped; }

private:
    int m_unreadable = 0;
    bool m_stopped = false;
};

}  // namespace kelvor
