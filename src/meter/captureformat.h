// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace kelvor {

// A capture file is a plain-text log of the device calls that matter for a replay,
// one line per call, bytes as blank-separated hex, '#' starting a comment:
//   O OK | O FAIL            an OpenLink result
//   W <7 bytes> | W *        a written frame ('*' in a hand-made file: any frame)
//   B <32 bytes>             a written data block
//   R <n> <n bytes>          a read that delivered n bytes
//   R <n> FAIL               a read of n bytes that failed
struct CaptureEntry {
    enum class Kind : std::uint8_t { Open, Frame, Block, Read };

    Kind kind = Kind::Open;
    bool ok = true;                   // O and R lines
    bool anyFrame = false;            // "W *"
    int length = 0;                   // R lines: the requested length
    std::vector<std::uint8_t> bytes;  // W, B, successful R
    int line = 0;                     // 1-based line in the file, for messages
};

inline constexpr int kCaptureFrameBytes = 7;
inline constexpr int kCaptureBlockBytes = 32;
inline constexpr int kCaptureMaxReadBytes = 4096;
// A replay reads its capture whole: a day of live readings is about 100 MiB.
inline constexpr qint64 kMaxCaptureBytes = 256ll << 20;

// Parses a whole capture file. On failure returns false and names the line and
// what is wrong with it in *error.
bool parseCapture(const QByteArray& text, std::vector<CaptureEntry>* entries, QString* error);

// One line for the entry, with its newline.
QByteArray formatCaptureEntry(const CaptureEntry& entry);

}  // namespace kelvor
