// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/accessiblenames.h"

#include <QAbstractButton>
#include <QRegularExpression>

namespace kelvor {

void NameButtonsForAccessibility(QWidget& root)
{
    for (QAbstractButton* b : root.findChildren<QAbstractButton*>()) {
        if (!b->accessibleName().isEmpty())
            continue;
        QString name = b->text();
        name.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        if (name.trimmed().isEmpty())
            name = b->toolTip();
        if (!name.trimmed().isEmpty())
            b->setAccessibleName(name.trimmed());
    }
}

}  // namespace kelvor
