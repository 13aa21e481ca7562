// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/ui/toucharea.h"

#include <QMouseEvent>

namespace kelvor {

TouchArea::TouchArea(const QString& name, const QRect& geometry, const QString& hint, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    setGeometry(geometry);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_NoSystemBackground);
    if (!hint.isEmpty())
        setToolTip(hint);
}

void TouchArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_afterDoubleClick = false;
    }
    event->accept();  // never reaches the picture below, so a key press never drags
}

void TouchArea::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    if (m_afterDoubleClick) {
        m_afterDoubleClick = false;
        return;
    }
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}

void TouchArea::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    m_afterDoubleClick = true;
    emit doubleClicked();
}

}  // namespace kelvor
