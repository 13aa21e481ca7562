// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/wrappingrow.h"

#include <QWidget>

#include <algorithm>
#include <vector>

namespace kelvor {

int WrappingRowLayout::heightForWidth(int width) const { return arrange(QRect(0, 0, width, 0), false); }

QSize WrappingRowLayout::minimumSize() const
{
    // As narrow as the widest control; as high as one row (heightForWidth says the rest).
    int width = 0;
    for (int i = 0; i < count(); ++i) {
        const QLayoutItem* item = itemAt(i);
        if (!item->isEmpty())
            width = std::max(width, item->minimumSize().width());
    }
    const QMargins m = contentsMargins();
    return {width + m.left() + m.right(), QHBoxLayout::minimumSize().height()};
}

QSize WrappingRowLayout::sizeHint() const { return QHBoxLayout::sizeHint(); }

void WrappingRowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int WrappingRowLayout::arrange(const QRect& rect, bool place) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int gap = std::max(0, spacing());
    struct Row {
        int first = 0, end = 0, height = 0;
    };
    std::vector<Row> rows(1);
    // A spacer only separates controls within a row; none starts a row.
    const auto skipped = [&](QLayoutItem* item, int at) {
        return item->isEmpty() && (!item->spacerItem() || at == area.left());
    };
    int x = area.left();
    for (int i = 0; i < count(); ++i) {
        QLayoutItem* item = itemAt(i);
        const QSize hint = item->sizeHint();
        if (x > area.left() && x + hint.width() > area.right() + 1 && hint.width() > 0) {
            rows.push_back({i, i, 0});
            x = area.left();
        }
        Row& row = rows.back();
        row.end = i + 1;
        if (skipped(item, x))
            continue;  // a hidden control takes no room
        row.height = std::max(row.height, hint.height());
        x += hint.width() + gap;
    }

    int y = area.top();
    for (const Row& row : rows) {
        int rowX = area.left();
        for (int i = row.first; i < row.end; ++i) {
            QLayoutItem* item = itemAt(i);
            if (skipped(item, rowX))
                continue;
            const QSize hint = item->sizeHint();
            if (place)
                item->setGeometry(QRect(rowX, y + (row.height - hint.height()) / 2, hint.width(), hint.height()));
            rowX += hint.width() + gap;
        }
        y += row.height + gap;
    }
    const QMargins m = contentsMargins();
    return y - gap - area.top() + m.top() + m.bottom();
}

}  // namespace kelvor
