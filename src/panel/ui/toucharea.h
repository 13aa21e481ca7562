// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace kelvor {

// A transparent area over a pictured key. A double click arrives as a click followed
// by a double click (the second press's release is not another click).
class TouchArea : public QWidget {
    Q_OBJECT
public:
    TouchArea(const QString& name, const QRect& geometry, const QString& hint, QWidget* parent);

signals:
    void clicked();
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
    bool m_afterDoubleClick = false;
};

}  // namespace kelvor
