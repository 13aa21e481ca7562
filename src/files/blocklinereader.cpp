// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/blocklinereader.h"

#include <QIODevice>
#include <algorithm>
#include <cstring>

namespace kelvor {

namespace {
constexpr qsizetype kBlockBytes = 256 * 1024;
}

BlockLineReader::BlockLineReader(QIODevice& device, qsizetype maxLineBytes)
    : m_device(device), m_maxLineBytes(maxLineBytes)
{
}

bool BlockLineReader::fill()
{
    // Move the unfinished line to the front and append the next block behind it; the
    // buffer keeps its capacity, so steady reading allocates nothing.
    const qsizetype rest = m_buffer.size() - m_pos;
    if (m_pos > 0 && rest > 0)
        std::memmove(m_buffer.data(), m_buffer.constData() + m_pos, std::size_t(rest));
    m_pos = 0;
    m_buffer.resize(rest + kBlockBytes);
    const qint64 got = m_device.read(m_buffer.data() + rest, kBlockBytes);
    m_buffer.resize(rest + qsizetype(got > 0 ? got : 0));
    if (got <= 0)
        m_atEnd = true;
    return got > 0;
}

void BlockLineReader::skipPendingLf()
{
    if (m_pos == m_buffer.size() && !m_atEnd)
        fill();
    if (m_pos < m_buffer.size() && m_buffer.at(m_pos) == '\n')
        ++m_pos;
    m_afterCr = false;
}

BlockLineReader::Status BlockLineReader::next(QByteArrayView& line)
{
    if (m_afterCr)
        skipPendingLf();
    for (;;) {
        const QByteArrayView pending(m_buffer.constData() + m_pos, m_buffer.size() - m_pos);
        // One pass for either end: two memchr searches would rescan the whole block for
        // an LF on every line of a CR-only file.
        const char* const begin = pending.data();
        const char* const found =
            std::find_if(begin + m_scanned, begin + pending.size(), [](char c) { return c == '\n' || c == '\r'; });
        const qsizetype eol = found - begin;
        if (eol < pending.size()) {
            if (eol > m_maxLineBytes)
                return Status::TooLong;
            line = pending.first(eol);
            const bool cr = pending[eol] == '\r';
            m_pos += eol + 1;
            m_scanned = 0;
            // A CR LF split by the block's end is settled at the next call, so the view
            // handed out stays valid.
            if (cr && m_pos < m_buffer.size()) {
                if (m_buffer.at(m_pos) == '\n')
                    ++m_pos;
            } else {
                m_afterCr = cr;
            }
            return Status::Line;
        }
        m_scanned = pending.size();
        if (pending.size() > m_maxLineBytes)
            return Status::TooLong;
        if (m_atEnd || !fill()) {
            const qsizetype rest = m_buffer.size() - m_pos;
            if (rest == 0)
                return Status::End;
            line = QByteArrayView(m_buffer.constData() + m_pos, rest);
            m_pos = m_buffer.size();
            m_scanned = 0;
            return Status::Line;
        }
    }
}

}  // namespace kelvor
