// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>

namespace kelvor {

// The QR code of `text` (error correction M), black modules on white with the quiet
// zone the standard asks for, `scale` pixels a module; a null image when it does not fit.
QImage QrImage(const QByteArray& text, int scale);

}  // namespace kelvor
