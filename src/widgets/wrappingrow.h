// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHBoxLayout>

namespace kelvor {

// A row of controls that goes on in a second row (and a third) when the widget is narrower
// than the row, instead of cutting off the controls at the right. Items keep their size
// hints and order; a stretch at the end keeps them packed to the left, as in a plain row.
// It stays a QBoxLayout, so tools can still insert their buttons beside a named control.
class WrappingRowLayout : public QHBoxLayout {
public:
    using QHBoxLayout::QHBoxLayout;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Lays the items out in rows within the rect's width; places them when asked.
    // Returns the height taken, margins included.
    int arrange(const QRect& rect, bool place) const;
};

}  // namespace kelvor
