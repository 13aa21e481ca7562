// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QIODevice;

namespace kelvor {

// Hands out a device's lines from large blocks read ahead, so a long file costs a few
// big reads instead of a line-sized buffer per line (which, at a generous line limit,
// is an mmap/munmap pair per line in a fresh process).
class BlockLineReader {
public:
    enum class Status { Line, End, TooLong };

    // maxLineBytes bounds a line's bytes before its line end (or before the end).
    BlockLineReader(QIODevice& device, qsizetype maxLineBytes);

    // The next line without its line end: CR LF, LF or a lone CR (files from old Mac
    // programs end lines with CR only). The view is valid until the next call. TooLong
    // leaves the reader at that line; End is for good.
    Status next(QByteArrayView& line);

private:
    bool fill();
    // Drops the LF of a CR LF whose CR ended the previous line at a block's end.
    void skipPendingLf();

    QIODevice& m_device;
    const qsizetype m_maxLineBytes;
    QByteArray m_buffer;
    qsizetype m_pos = 0;      // start of the line being looked for
    qsizetype m_scanned = 0;  // bytes from m_pos already known to hold no line end
    bool m_atEnd = false;
    bool m_afterCr = false;  // the last line ended with a CR: an LF right after it is its pair
};

}  // namespace kelvor
