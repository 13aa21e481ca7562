// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/toolicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kelvor {

namespace {
void drawStatistic(QPainter& p)
{
    // A small table: three bars of different height over a base line.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x5f, 0xbf));
    p.drawRect(2, 8, 3, 6);
    p.setBrush(QColor(0xd0, 0x30, 0x30));
    p.drawRect(6, 3, 3, 11);
    p.setBrush(QColor(0x20, 0x90, 0x40));
    p.drawRect(10, 6, 3, 8);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(1, 14, 14, 14);
}

void drawLineCursor(QPainter& p)
{
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    p.drawPolyline(QPolygon({QPoint(1, 12), QPoint(5, 7), QPoint(9, 10), QPoint(14, 3)}));
    p.setPen(QPen(QColor(0xd0, 0x20, 0x20), 2));
    p.drawLine(7, 1, 7, 15);
}

void drawArrow(QPainter& p)
{
    QPainterPath path;
    path.moveTo(4, 1);
    path.lineTo(4, 13);
    path.lineTo(7, 10);
    path.lineTo(9.5, 15);
    path.lineTo(11.5, 14);
    path.lineTo(9, 9);
    path.lineTo(13, 9);
    path.closeSubpath();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(path);
}

void drawCross(QPainter& p)
{
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(3, 3, 12, 12);
    p.drawLine(12, 3, 3, 12);
    p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(3, 3, 12, 12);
    p.drawLine(12, 3, 3, 12);
}

void drawText(QPainter& p)
{
    QFont f(QStringLiteral("Serif"));
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("A"));
}

void drawColour(QPainter& p)
{
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(0xe0, 0x30, 0x30));
    p.drawRect(1, 1, 6, 6);
    p.setBrush(QColor(0x30, 0xa0, 0x30));
    p.drawRect(8, 1, 6, 6);
    p.setBrush(QColor(0x30, 0x50, 0xe0));
    p.drawRect(1, 8, 6, 6);
    p.setBrush(QColor(0xf0, 0xd0, 0x20));
    p.drawRect(8, 8, 6, 6);
}

void drawClear(QPainter& p)
{
    // An eraser lying across a base line.
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(0xf0, 0x90, 0xa0));
    p.drawPolygon(QPolygon({QPoint(1, 10), QPoint(8, 3), QPoint(14, 9), QPoint(7, 15)}));
    p.setBrush(QColor(0x40, 0x60, 0xc0));
    p.drawPolygon(QPolygon({QPoint(1, 10), QPoint(4, 7), QPoint(10, 13), QPoint(7, 15)}));
}
}  // namespace

QIcon graphToolIcon(GraphTool tool)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (tool) {
        case GraphTool::Statistic:
            drawStatistic(p);
            break;
        case GraphTool::LineCursor:
            drawLineCursor(p);
            break;
        case GraphTool::Arrow:
            drawArrow(p);
            break;
        case GraphTool::Cross:
            drawCross(p);
            break;
        case GraphTool::Text:
            drawText(p);
            break;
        case GraphTool::Colour:
            drawColour(p);
            break;
        case GraphTool::Clear:
            drawClear(p);
            break;
    }
    p.end();
    return QIcon(pm);
}

QCursor crossCursor()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::SquareCap));
    p.drawLine(8, 8, 22, 22);
    p.drawLine(22, 8, 8, 22);
    p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::SquareCap));
    p.drawLine(8, 8, 22, 22);
    p.drawLine(22, 8, 8, 22);
    p.end();
    return QCursor(pm, 0, 0);
}

}  // namespace kelvor
