// SPDX-License-Identifier: GPL-3.0-or-later
#include "profile/jsonlines.h"

namespace kelvor {

namespace {
// rules[i].upper[j] is as deep as a message ever points.
constexpr int kDeepest = 4;
}  // namespace

JsonLines::JsonLines(const QByteArray& text) : m_text(text)
{
    skipSpace();
    value(QString(), 0);
}

QString JsonLines::lineColumn(const QByteArray& text, qsizetype offset)
{
    offset = std::clamp<qsizetype>(offset, 0, text.size());
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    // Columns count characters, not bytes: continuation bytes of UTF-8 are skipped.
    int column = 1;
    for (qsizetype i = lineStart; i < offset; ++i)
        column += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    return QStringLiteral("%1:%2").arg(line).arg(column);
}

void JsonLines::skipSpace()
{
    while (m_pos < m_text.size()) {
        const char c = m_text[m_pos];
        if (c == '\n')
            ++m_line;
        else if (c != ' ' && c != '\t' && c != '\r')
            return;
        ++m_pos;
    }
}

void JsonLines::skipString()
{
    ++m_pos;  // the opening quote
    while (m_pos < m_text.size() && m_text[m_pos] != '"')
        m_pos += m_text[m_pos] == '\\' ? 2 : 1;
    ++m_pos;
}

QString JsonLines::readKey()
{
    const qsizetype start = m_pos + 1;
    skipString();
    // Keys with escapes are matched as written; the profile's own keys have none.
    return QString::fromUtf8(m_text.mid(start, m_pos - 1 - start));
}

void JsonLines::value(const QString& path, int depth)
{
    if (m_pos >= m_text.size())
        return;
    if (depth <= kDeepest && !path.isEmpty())
        m_lines.insert(path, m_line);
    const char c = m_text[m_pos];
    if (c == '"') {
        skipString();
        return;
    }
    if (c == '{' || c == '[') {
        const bool object = c == '{';
        const char close = object ? '}' : ']';
        ++m_pos;
        skipSpace();
        int index = 0;
        while (m_pos < m_text.size() && m_text[m_pos] != close) {
            QString inner;
            if (object) {
                const QString key = readKey();
                inner = path.isEmpty() ? key : path + QLatin1Char('.') + key;
                skipSpace();
                ++m_pos;  // ':'
                skipSpace();
            } else {
                inner = path + QStringLiteral("[%1]").arg(index);
            }
            value(depth < kDeepest ? inner : QString(), depth + 1);
            ++index;
            skipSpace();
            if (m_pos < m_text.size() && m_text[m_pos] == ',') {
                ++m_pos;
                skipSpace();
            }
        }
        ++m_pos;
        return;
    }
    // A number, true, false or null: up to the next separator.
    while (m_pos < m_text.size() && !QByteArrayView(",]} \t\r\n").contains(m_text[m_pos]))
        ++m_pos;
}

}  // namespace kelvor
