// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/ui/tablerowglyphs.h"

#include <QGlyphRun>
#include <QPainter>

namespace kelvor {

TableRowGlyphs::TableRowGlyphs(const QFont& font, double advance) : m_font(QRawFont::fromFont(font)), m_advance(advance)
{
    if (!m_font.isValid())
        return;
    std::array<QChar, 256> chars;
    for (std::size_t i = 0; i < chars.size(); ++i)
        chars[i] = QChar(char16_t(i));
    int count = int(chars.size());
    if (!m_font.glyphIndexesForChars(chars.data(), count, m_latin1Glyphs.data(), &count))
        m_latin1Glyphs.fill(0);
    // Control characters are not drawn as glyphs.
    for (std::size_t i = 0; i < chars.size(); ++i)
        if (!chars[i].isPrint())
            m_latin1Glyphs[i] = 0;
}

bool TableRowGlyphs::draw(QPainter& painter, double left, double baseline, const QStringList& cells,
                          const std::vector<int>& starts)
{
    if (!m_font.isValid())
        return false;
    m_glyphs.clear();
    m_positions.clear();
    for (int c = 0; c < cells.size(); ++c) {
        const QString& cell = cells[c];
        const double x = left + starts[std::size_t(c)] * m_advance;
        for (qsizetype i = 0; i < cell.size(); ++i) {
            const char16_t ch = cell[i].unicode();
            if (ch == u' ')
                continue;
            const quint32 glyph = ch < m_latin1Glyphs.size() ? m_latin1Glyphs[ch] : 0;
            if (glyph == 0)
                return false;
            m_glyphs.push_back(glyph);
            m_positions.emplace_back(x + double(i) * m_advance, baseline);
        }
    }
    if (m_glyphs.empty())
        return true;
    QGlyphRun run;
    run.setRawFont(m_font);
    run.setRawData(m_glyphs.data(), m_positions.data(), int(m_glyphs.size()));
    painter.drawGlyphRun(QPointF(0, 0), run);
    return true;
}

}  // namespace kelvor
