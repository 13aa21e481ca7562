// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QString>
#include <array>

namespace kelvor {

inline constexpr int kGlyphCount = 25;

// The two digit sets of the panel, indexed by glyph. A set stops at the first image
// that cannot be loaded; later glyphs then have a null pixmap and show nothing.
struct DigitImages {
    std::array<QPixmap, kGlyphCount> large;  // "LCD0".."LCD24", 30 x 52
    std::array<QPixmap, kGlyphCount> small;  // "LCDS0".."LCDS24", 16 x 26
    int largeLoaded = 0;
    int smallLoaded = 0;
};

// Registers the images, artwork and help page compiled into the program (a static
// library's resources are not registered by themselves). Safe to call often.
void registerShellResources();

// Loads both sets from folder (":/lcd" holds the program's own).
DigitImages loadDigitImages(const QString& folder = QStringLiteral(":/lcd"));

}  // namespace kelvor
