// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace kelvor {

// Where the values of a JSON text stand, so a message about a field can name its line:
// Qt's JSON classes keep no positions. Paths are written "rules[2].minSeconds" (indices
// from 0); only the first levels are kept. The text must already have parsed.
class JsonLines {
public:
    explicit JsonLines(const QByteArray& text);

    // The line (from 1) the value at path begins on; 0 when there is no such value.
    int lineOf(const QString& path) const { return m_lines.value(path, 0); }

    // Line and column (from 1) of a byte offset, as "12:5".
    static QString lineColumn(const QByteArray& text, qsizetype offset);

private:
    void value(const QString& path, int depth);
    void skipSpace();
    void skipString();
    QString readKey();

    const QByteArray& m_text;
    qsizetype m_pos = 0;
    int m_line = 1;
    QHash<QString, int> m_lines;
};

}  // namespace kelvor
