// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/ui/qrimage.h"

#include <qrencode.h>

namespace kelvor {

QImage QrImage(const QByteArray& text, int scale)
{
    QRcode* code = QRcode_encodeString8bit(text.constData(), 0, QR_ECLEVEL_M);
    if (!code)
        return {};
    constexpr int kQuiet = 4;  // modules of white around the code
    const int n = code->width;
    QImage modules(n + 2 * kQuiet, n + 2 * kQuiet, QImage::Format_Grayscale8);
    modules.fill(255);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            if (code->data[y * n + x] & 1)
                modules.setPixel(x + kQuiet, y + kQuiet, qRgb(0, 0, 0));
    QRcode_free(code);
    return modules.scaled(modules.width() * scale, modules.height() * scale, Qt::IgnoreAspectRatio,
                          Qt::FastTransformation);
}

}  // namespace kelvor
