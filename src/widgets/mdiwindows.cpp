// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/mdiwindows.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace kelvor {

namespace {

// One dimension of a window: keep the place and shrink (not below minLength) first,
// then move towards the start until the window ends inside the room.
void fitSpan(int& pos, int& length, int room, int minLength)
{
    pos = std::max(pos, 0);
    if (pos + length > room)
        length = std::max(room - pos, std::min(length, minLength));
    if (pos + length > room)
        pos = std::max(0, room - length);
}

QSize minimumOf(const QMdiSubWindow& frame) { return frame.minimumSizeHint().expandedTo(frame.minimumSize()); }

// The size a window takes in a layout: the wanted size within its minimum and maximum
// (a fixed-size window such as the front panel keeps its own).
QSize allowedSize(const QMdiSubWindow& frame, QSize wanted)
{
    return wanted.boundedTo(frame.maximumSize()).expandedTo(minimumOf(frame));
}

// The windows that take part in an arrangement, in the order they were opened; a
// maximised window returns to normal first, a minimised one stays where it is.
QList<QMdiSubWindow*> arrangedWindows(QMdiArea& area)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* sub : area.subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isVisible() || sub->isMinimized())
            continue;
        if (sub->isMaximized())
            sub->showNormal();
        windows << sub;
    }
    return windows;
}

}  // namespace

QMdiSubWindow* MdiFrameOf(const QWidget* child)
{
    return child ? qobject_cast<QMdiSubWindow*>(child->parentWidget()) : nullptr;
}

void BringForward(QWidget* child)
{
    if (!child)
        return;
    QMdiSubWindow* frame = MdiFrameOf(child);
    if (!frame) {
        child->showNormal();
        child->raise();
        child->activateWindow();
        return;
    }
    frame->showNormal();
    frame->raise();
    if (QMdiArea* area = frame->mdiArea())
        area->setActiveSubWindow(frame);
    child->setFocus();
}

void FitIntoArea(QMdiSubWindow& frame)
{
    QMdiArea* area = frame.mdiArea();
    if (!area || frame.isMaximized() || frame.isMinimized())
        return;
    const QSize room = area->viewport()->size();
    const QSize least = minimumOf(frame);
    QRect g = frame.geometry();
    int x = g.x(), y = g.y(), w = g.width(), h = g.height();
    fitSpan(x, w, room.width(), least.width());
    fitSpan(y, h, room.height(), least.height());
    const QRect fitted(x, y, w, h);
    if (fitted != g)
        frame.setGeometry(fitted);
}

void TileWindows(QMdiArea& area)
{
    // Not QMdiArea::tileSubWindows: without scroll bars it enlarges the main window
    // until every tile reaches the largest minimum size.
    const QList<QMdiSubWindow*> windows = arrangedWindows(area);
    const int n = int(windows.size());
    if (n == 0)
        return;
    const QSize room = area.viewport()->size();
    const int columns = int(std::ceil(std::sqrt(double(n))));
    const int rows = (n + columns - 1) / columns;
    const int cellHeight = room.height() / rows;
    for (int i = 0; i < n; ++i) {
        const int row = i / columns;
        // The last row shares the width among the windows left for it.
        const int inRow = row == rows - 1 ? n - row * columns : columns;
        const int column = i - row * columns;
        const int cellWidth = room.width() / inRow;
        QMdiSubWindow* sub = windows[i];
        sub->setGeometry(
            QRect(QPoint(column * cellWidth, row * cellHeight), allowedSize(*sub, QSize(cellWidth, cellHeight))));
        FitIntoArea(*sub);
    }
}

void CascadeWindows(QMdiArea& area)
{
    QList<QMdiSubWindow*> windows = arrangedWindows(area);
    if (windows.isEmpty())
        return;
    // The active window ends on top of the pile.
    if (QMdiSubWindow* active = area.activeSubWindow(); active && windows.removeOne(active))
        windows << active;
    const QSize room = area.viewport()->size();
    const int step =
        std::max(8, windows.front()->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, windows.front()));
    int offset = 0;
    for (QMdiSubWindow* sub : windows) {
        const QSize size = allowedSize(*sub, sub->sizeHint());
        // Start again at the top left when the next step would leave no room (a window
        // larger than the area, such as the panel on a small screen, is no reason).
        const QSize least = minimumOf(*sub);
        const bool fitsAtAll = least.width() <= room.width() && least.height() <= room.height();
        if (offset > 0 && fitsAtAll &&
            (offset + least.height() > room.height() || offset + least.width() > room.width()))
            offset = 0;
        sub->setGeometry(QRect(QPoint(offset, offset), size));
        FitIntoArea(*sub);
        sub->raise();
        offset += step;
    }
}

}  // namespace kelvor
