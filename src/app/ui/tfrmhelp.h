// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QTextBrowser;

namespace kelvor {

// Help > Contents and F1: the help page in a window of its own, beside the work.
// Links within the page stay here; links to the web or to mail open with the desktop.
class TfrmHelp : public QWidget {
    Q_OBJECT
public:
    explicit TfrmHelp(const QString& page, QWidget* parent = nullptr);
    // The page at `page`, or the program's own copy when that file cannot be read.
    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser = nullptr;
};

}  // namespace kelvor
