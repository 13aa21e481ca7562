// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/blocklinereader.h"

#include <QIODevice>
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

BlockLineReader::Status BlockLineReader::next(QByteArrayView& line)
{
    for (;;) {
        const QByteArrayView pending(m_buffer.constData() + m_pos, m_buffer.size() - m_pos);
        const qsizetype eol = pending.indexOf('\n', m_scanned);
        if (eol >= 0) {
            if (eol > m_maxLineBytes)
                return Status::TooLong;
            line = pending.first(eol);
            m_pos += eol + 1;
            m_scanned = 0;
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
