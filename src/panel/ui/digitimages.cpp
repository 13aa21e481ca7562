// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/ui/digitimages.h"

static void initShellQrc() { Q_INIT_RESOURCE(shell); }

namespace kelvor {

void registerShellResources()
{
    static const bool once = (initShellQrc(), true);
    (void)once;
}

namespace {
int loadSet(const QString& folder, const QString& prefix, std::array<QPixmap, kGlyphCount>& set)
{
    for (int i = 0; i < kGlyphCount; ++i) {
        QPixmap pm(QStringLiteral("%1/%2%3.png").arg(folder, prefix).arg(i));
        if (pm.isNull())
            return i;
        set[std::size_t(i)] = pm;
    }
    return kGlyphCount;
}
}  // namespace

DigitImages loadDigitImages(const QString& folder)
{
    registerShellResources();
    DigitImages d;
    d.largeLoaded = loadSet(folder, QStringLiteral("LCD"), d.large);
    d.smallLoaded = loadSet(folder, QStringLiteral("LCDS"), d.small);
    return d;
}

}  // namespace kelvor
