// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringList>
#include <optional>

namespace kelvor {

// What a second copy of the program sends the first one over the local socket: come
// forward, and open these files. A request is a 4-byte tag "KLV2", a 32-bit big-endian
// byte count and that many bytes of UTF-8 text: absolute paths, each ended by a NUL byte
// (a file name may hold a line break, never a NUL). "KLV1", from older copies, ends each
// path with a line feed instead; both are read.
inline constexpr qint64 kInstanceRequestMax = 1 << 20;

QByteArray EncodeInstanceRequest(const QStringList& files);

// A complete request from the front of `bytes`: the files (possibly none). nullopt
// while more bytes are needed; `bad` is set when the bytes can never be a request
// (wrong tag, too long), so the reader can give up on that connection.
std::optional<QStringList> DecodeInstanceRequest(const QByteArray& bytes, bool* bad);

}  // namespace kelvor
