// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "meter/meterdevice.h"

namespace kelvor {

// How the meter's bytes travel over USB HID (the one place this is written down):
//
// - The meter is a HID device without numbered reports. Every output report is
//   8 bytes; hidapi wants the report id first, so each write is 9 bytes: 0x00,
//   then 8 payload bytes.
// - A 7-byte frame goes out as one report, padded with one zero byte. A 32-byte
//   block goes out as four reports, each written only after the previous one
//   succeeded. Any other length is split the same way, the last report padded
//   with zeros.
// - A reply of n bytes (32, 36 or 64) is assembled from consecutive 8-byte input
//   reports: the bytes of each report are appended in order until n bytes are in;
//   the rest of the last report is dropped. A report shorter than 8 bytes
//   contributes what it holds.
// - The read time-out (the first value of SetLinkTimeouts, in ms) bounds the wait
//   for each report; when a report does not come in time the read fails. The
//   write time-out is not used: hidraw writes do not block on a present device.
// - Before a frame is written, input reports still queued from an earlier,
//   abandoned exchange are discarded, so a late reply never answers a new request.
// - Any error from hidapi other than a time-out (the meter was unplugged, ...)
//   closes the handle; the next OpenLink looks for the meter afresh.
// - With several meters attached, OpenLink takes the first one that opens, or,
//   when a serial was chosen (--meter=usb:SERIAL), only the meter whose USB serial
//   is exactly that text.
inline constexpr int kUsbReportSize = 8;

// The hidapi calls the usb backend makes, behind a seam so that tests can put a
// fake meter there. Handles are opaque.
class HidApi {
public:
    using Handle = void*;
    enum class OpenError { None, PermissionDenied, Other };
    struct Found {
        std::string path;
        std::string serial;  // the USB serial number, empty when there is none
    };

    virtual ~HidApi() = default;
    // Every attached meter (vendor/product id).
    virtual std::vector<Found> enumerate(std::uint16_t vendorId, std::uint16_t productId) = 0;
    // nullptr on failure, with the reason in *why.
    virtual Handle open(const std::string& path, OpenError* why) = 0;
    virtual void close(Handle h) = 0;
    // Bytes written (report id included), or -1.
    virtual int write(Handle h, const std::uint8_t* data, std::size_t length) = 0;
    // Bytes of one input report, 0 on time-out, -1 on error.
    virtual int read(Handle h, std::uint8_t* data, std::size_t length, int timeoutMs) = 0;
};

// The hidapi library itself.
std::unique_ptr<HidApi> createSystemHidApi();

// A serial number as hidapi reports it (wide characters, possibly null), as the text
// the program shows and matches --meter=usb:SERIAL against: printable ASCII, every
// other character as '?'.
std::string HidSerialText(const wchar_t* text);

// The real meter through HidApi.
class UsbDevice final : public MeterDevice {
public:
    // An empty serial takes any meter.
    explicit UsbDevice(std::unique_ptr<HidApi> hid, std::string serial = {});
    ~UsbDevice() override;

    int OpenLink(std::uint16_t vendorId, std::uint16_t productId) override;
    int SetLinkTimeouts(int readTimeout, int writeTimeout) override;
    int WriteFrame(const std::uint8_t* frame, int length) override;
    int WriteBlock(const std::uint8_t* block, int length) override;
    int SyncLink() override;
    int ReadReply(std::uint8_t* buffer, int length) override;
    int CloseLink() override;
    int GetSerialText(char* buffer, int size) override;
    QString lastOpenProblem() const override { return m_openProblem; }
    std::vector<FoundMeter> findMeters() override;
    QString connectedSerial() const override { return QString::fromStdString(m_serial); }

    bool isOpen() const { return m_handle != nullptr; }

private:
    int writeReports(const std::uint8_t* data, int length);
    void drop();  // closes the handle after an error
    std::vector<HidApi::Found> candidates(std::uint16_t vendorId, std::uint16_t productId);

    std::unique_ptr<HidApi> m_hid;
    std::string m_wantedSerial;
    HidApi::Handle m_handle = nullptr;
    std::string m_serial;  // of the open meter, taken when it was found
    int m_readTimeoutMs = 100;
    QString m_openProblem;
};

}  // namespace kelvor
