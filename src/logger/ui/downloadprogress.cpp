// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/ui/downloadprogress.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>

#include "widgets/tfrmscope.h"

namespace kelvor {

namespace {
// About a screen frame: painting more often shows nothing new and cost the download
// nearly all of its own time.
constexpr qint64 kPaintIntervalMs = 16;

// A label of fixed size does not ask its window for a new layout whenever its text
// changes; the count's size changes only with its number of digits.
void fitCount(QLabel& count)
{
    if (count.minimumSize() != count.sizeHint() || count.maximumSize() != count.sizeHint())
        count.setFixedSize(count.sizeHint());
}

}  // namespace

DownloadProgressWindow::DownloadProgressWindow(QWidget* parent) : m_parent(parent) {}

DownloadProgressWindow::~DownloadProgressWindow()
{
    busy(false);
    delete m_window;
}

void DownloadProgressWindow::begin(int total)
{
    delete m_window;
    m_window = new TfrmScope(m_parent);
    TfrmScope& w = *m_window;
    w.setWindowTitle(QStringLiteral("Data Retriving Progress"));
    w.setWindowFlag(Qt::WindowStaysOnTopHint);
    w.setModal(false);
    w.Progress1->setRange(0, total);
    w.Progress1->setValue(0);
    w.Progress1->setVisible(true);
    w.lblTotalBytes->setText(QString::number(total));
    w.lblTotalBytes->setVisible(true);
    w.lblBytesReceived->setText(QStringLiteral("0"));
    w.lblBytesReceived->setVisible(true);
    fitCount(*w.lblBytesReceived);
    w.SText1->setText(QStringLiteral("bytes received"));
    w.SText1->setVisible(true);
    w.SText2->setText(QStringLiteral("total bytes"));
    w.SText2->setVisible(true);
    w.show();
    // The window system maps and exposes a new window through the event loop, which
    // the download's normal path never reaches: let it do so now, without user input.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_sincePaint.start();
}

void DownloadProgressWindow::progress(int received)
{
    if (!m_window)
        return;
    QProgressBar* bar = m_window->Progress1;
    const bool last = received >= bar->maximum();
    // Between frames nothing changes on screen, so the widgets are left alone: even
    // taking a value costs the bar a measurement of its text.
    if (!last && m_sincePaint.isValid() && m_sincePaint.elapsed() < kPaintIntervalMs)
        return;
    m_sincePaint.start();
    m_window->lblBytesReceived->setText(QString::number(received));
    fitCount(*m_window->lblBytesReceived);
    bar->setValue(received);  // repaints itself when its look changes
    // The normal path has no waits, so nothing else would paint: paint the count now,
    // and give the window system's own events (a move, an expose) their turn.
    m_window->lblBytesReceived->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void DownloadProgressWindow::end()
{
    if (m_window)
        m_window->hide();
}

void DownloadProgressWindow::busy(bool on)
{
    if (on == m_busy)
        return;
    m_busy = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

}  // namespace kelvor
