// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QPointer>

#include "logger/memorydownload.h"
#include "widgets/tfrmscope.h"

class QWidget;

namespace kelvor {

// The download's progress window "Data Retriving Progress": a bar and the two byte
// counters, showing the latest block's count at most at the screen's rate and always
// the last; it has no Cancel. Also shows the hourglass during the first exchange.
class DownloadProgressWindow final : public DownloadListener {
public:
    explicit DownloadProgressWindow(QWidget* parent);
    ~DownloadProgressWindow() override;

    void begin(int total) override;
    void progress(int received) override;
    void end() override;
    void busy(bool on) override;

    TfrmScope* window() const { return m_window; }

private:
    QWidget* m_parent;
    QPointer<TfrmScope> m_window;
    QElapsedTimer m_sincePaint;
    bool m_busy = false;
};

}  // namespace kelvor
