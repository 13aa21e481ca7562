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

// Tiles no narrower than this beside the fixed-size windows, or they give up the room.
constexpr int kLeastTileWidth = 400;

struct Grid {
    int columns = 1;
    int rows = 1;
    QRect cell(const QRect& room, int n, int i) const
    {
        const int row = i / columns;
        // The last row shares the width among the windows left for it.
        const int inRow = row == rows - 1 ? n - row * columns : columns;
        const int cellWidth = room.width() / inRow, cellHeight = room.height() / rows;
        return QRect(room.left() + (i - row * columns) * cellWidth, room.top() + row * cellHeight, cellWidth,
                     cellHeight);
    }
};

// How far the windows fall short of their minimum sizes in a grid (0: all fit).
double shortfall(const QList<QMdiSubWindow*>& windows, const QRect& room, const Grid& grid)
{
    double sum = 0.0;
    const int n = int(windows.size());
    for (int i = 0; i < n; ++i) {
        const QSize least = minimumOf(*windows[i]).expandedTo(QSize(1, 1));
        const QRect cell = grid.cell(room, n, i);
        sum += double(std::max(0, least.width() - cell.width())) / least.width() +
               double(std::max(0, least.height() - cell.height())) / least.height();
    }
    return sum;
}

// The grid nearest to square in which the windows keep their minimum sizes, or failing
// that the one in which they fall least short.
void tileInto(const QList<QMdiSubWindow*>& windows, const QRect& room)
{
    const int n = int(windows.size());
    const int square = int(std::ceil(std::sqrt(double(n))));
    Grid best{square, (n + square - 1) / square};
    double bestShort = shortfall(windows, room, best);
    for (int distance = 1; distance < n && bestShort > 0.0; ++distance) {
        for (int columns : {square - distance, square + distance}) {
            if (columns < 1 || columns > n)
                continue;
            const Grid grid{columns, (n + columns - 1) / columns};
            const double s = shortfall(windows, room, grid);
            if (s < bestShort) {
                best = grid;
                bestShort = s;
            }
        }
    }
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* sub = windows[i];
        const QRect cell = best.cell(room, n, i);
        sub->setGeometry(QRect(cell.topLeft(), allowedSize(*sub, cell.size())));
        FitIntoArea(*sub);
    }
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
    if (windows.isEmpty())
        return;
    const QSize room = area.viewport()->size();
    // Windows of one size (the front panel) cannot take a tile's shape: they stand in
    // a column at the left, and the others share the room beside them.
    QList<QMdiSubWindow*> fixed, sizable;
    for (QMdiSubWindow* sub : windows)
        (minimumOf(*sub) == sub->maximumSize() ? fixed : sizable) << sub;
    int left = 0, top = 0, columnWidth = 0;
    for (QMdiSubWindow* sub : fixed) {
        const QSize size = sub->maximumSize();
        if (top > 0 && top + size.height() > room.height()) {
            left += columnWidth;
            top = columnWidth = 0;
        }
        sub->move(left, top);
        FitIntoArea(*sub);
        top += size.height();
        columnWidth = std::max(columnWidth, size.width());
    }
    left += columnWidth;
    if (sizable.isEmpty())
        return;
    if (room.width() - left < kLeastTileWidth)
        left = 0;  // no room beside them: the others tile over the whole area
    tileInto(sizable, QRect(left, 0, room.width() - left, room.height()));
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
