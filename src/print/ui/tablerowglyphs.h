// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QRawFont>
#include <QStringList>
#include <array>
#include <vector>

class QFont;
class QPainter;

namespace kelvor {

// Draws a printout row as one glyph run: every character of every cell at its place in
// the fixed-pitch line, the blanks left out. One run per row instead of one drawText
// per cell spares the shaping and the PDF writer's per-text setup, which cost more than
// the glyphs themselves. Only characters the font has a glyph for go this way; a row
// with any other character (another script, a control character) is left to drawText,
// which finds fallback fonts and shapes.
class TableRowGlyphs {
public:
    // font: the printout font as the printer resolves it; advance: its character width
    // on that printer.
    TableRowGlyphs(const QFont& font, double advance);

    // Draws the cells at their starts (character positions) on the baseline from x = left.
    // False, drawing nothing, when a character cannot be drawn this way.
    bool draw(QPainter& painter, double left, double baseline, const QStringList& cells,
              const std::vector<int>& starts);

private:
    QRawFont m_font;
    double m_advance;
    std::array<quint32, 256> m_latin1Glyphs{};  // 0: no glyph of its own
    std::vector<quint32> m_glyphs;
    std::vector<QPointF> m_positions;
};

}  // namespace kelvor
