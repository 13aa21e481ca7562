// SPDX-License-Identifier: GPL-3.0-or-later
// The usb backend with any meters attached: whatever paths and serial texts hidapi
// reports, whichever of them open, whatever serial was asked for and whatever
// reports come in. The serial handed out always fits its buffer, an open meter is the
// one asked for, a meter that could not be opened is always explained, and no handle
// is used after it was closed or left open at the end.
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <vector>

#include "fuzzedhid.h"
#include "meter/usbdevice.h"

namespace {

using namespace kelvor;

// Wide characters from the input, as hidapi hands over a serial (any code point).
std::vector<wchar_t> wideText(fuzz::ByteReader& in)
{
    std::vector<wchar_t> text;
    const int n = in.byte() % 24;
    for (int i = 0; i < n; ++i) {
        const std::uint8_t kind = in.byte();
        const wchar_t c = kind < 128 ? wchar_t(kind) : wchar_t((kind << 16 | in.byte() << 8 | in.byte()) & 0x7FFFFFFF);
        if (c != 0)
            text.push_back(c);
    }
    text.push_back(L'\0');
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteReader in(data, size);

    // How a serial number from hidapi becomes the program's text.
    const std::vector<wchar_t> wide = wideText(in);
    const std::string serialText = HidSerialText(wide.data());
    if (serialText.size() != wide.size() - 1)
        std::abort();
    for (char c : serialText)
        if (c < 0x20 || c >= 0x7F)
            std::abort();
    if (!HidSerialText(nullptr).empty())
        std::abort();

    auto hid = std::make_unique<fuzz::FuzzedHid>();
    fuzz::FuzzedHid& fake = *hid;
    const std::string wanted = in.text(24);
    const int count = in.byte() % 5;
    for (int i = 0; i < count; ++i) {
        fuzz::FuzzedHid::Meter m;
        m.found.path = in.text(48);
        // Some meters carry the serial asked for, so that the choice is reached.
        m.found.serial = (in.byte() & 3) == 0 ? wanted : in.text(24);
        const std::uint8_t opens = in.byte() % 3;
        m.opens = opens == 0   ? HidApi::OpenError::None
                  : opens == 1 ? HidApi::OpenError::PermissionDenied
                               : HidApi::OpenError::Other;
        fake.meters.push_back(m);
    }
    fake.reports = &in;

    {
        UsbDevice device(std::move(hid), wanted);
        std::uint8_t buffer[64];
        while (!in.empty()) {
            const std::uint8_t op = in.byte();
            switch (op % 8) {
                case 0:
                case 1: {
                    const bool wasOpen = device.isOpen();
                    const int r = device.OpenLink(kMeterVendorId, kMeterProductId);
                    if (r == kLinkOk) {
                        if (!wasOpen && !wanted.empty() && device.connectedSerial() != QString::fromStdString(wanted))
                            std::abort();  // a meter other than the one asked for
                    } else if (device.lastOpenProblem().isEmpty()) {
                        std::abort();  // a failure always says why
                    }
                    break;
                }
                case 2: {
                    const std::vector<FoundMeter> found = device.findMeters();
                    if (found.size() != fake.meters.size())
                        std::abort();
                    break;
                }
                case 3: {
                    // A buffer of exactly the size given: the sanitizer sees one byte too many.
                    const int n = op >> 3;
                    std::unique_ptr<char[]> text(n > 0 ? new char[std::size_t(n)] : nullptr);
                    const int r = device.GetSerialText(text.get(), n);
                    if (r == kLinkOk && (n == 0 || std::strlen(text.get()) >= std::size_t(n)))
                        std::abort();
                    break;
                }
                case 4: {
                    std::uint8_t frame[40] = {};
                    device.WriteFrame(frame, (op >> 3) % 40);
                    break;
                }
                case 5: {
                    std::uint8_t block[32] = {};
                    device.WriteBlock(block, 32);
                    break;
                }
                case 6: {
                    const int length = 1 + (op >> 3) % 64;
                    device.ReadReply(buffer, length);
                    break;
                }
                default:
                    device.CloseLink();
                    break;
            }
        }
        device.CloseLink();
        if (fake.anyOpen())
            std::abort();  // closing the link lets go of every handle
    }
    return 0;
}
