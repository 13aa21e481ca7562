// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/usbdevice.h"

#include <hidapi.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#ifndef _WIN32
#include <unistd.h>
#endif
#include <QStringList>

namespace kelvor {

namespace {

constexpr int kMaxStaleReports = 64;  // a bound, so a chattering device cannot hold us

class SystemHidApi final : public HidApi {
public:
    SystemHidApi() : m_initialised(hid_init() == 0) {}
    ~SystemHidApi() override
    {
        if (m_initialised)
            hid_exit();
    }

    std::vector<Found> enumerate(std::uint16_t vendorId, std::uint16_t productId) override
    {
        std::vector<Found> found;
        if (!m_initialised)
            return found;
        hid_device_info* list = hid_enumerate(vendorId, productId);
        for (hid_device_info* d = list; d; d = d->next)
            if (d->path)
                found.push_back({d->path, HidSerialText(d->serial_number)});
        hid_free_enumeration(list);
        return found;
    }

    Handle open(const std::string& path, OpenError* why) override
    {
        hid_device* h = hid_open_path(path.c_str());
        if (h) {
            *why = OpenError::None;
            return h;
        }
        // hidapi folds the reason into a text; ask the node itself instead.
#ifdef _WIN32
        const bool denied = false;  // no device node to ask; hidapi's text is all there is
#else
        errno = 0;
        const bool denied = ::access(path.c_str(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM);
#endif
        *why = denied ? OpenError::PermissionDenied : OpenError::Other;
        return nullptr;
    }

    void close(Handle h) override { hid_close(static_cast<hid_device*>(h)); }

    int write(Handle h, const std::uint8_t* data, std::size_t length) override
    {
        return hid_write(static_cast<hid_device*>(h), data, length);
    }

    int read(Handle h, std::uint8_t* data, std::size_t length, int timeoutMs) override
    {
        return hid_read_timeout(static_cast<hid_device*>(h), data, length, timeoutMs);
    }

private:
    bool m_initialised;
};

}  // namespace

std::unique_ptr<HidApi> createSystemHidApi() { return std::make_unique<SystemHidApi>(); }

std::string HidSerialText(const wchar_t* text)
{
    std::string out;
    for (; text && *text; ++text)
        out += (*text >= 0x20 && *text < 0x7F) ? char(*text) : '?';
    return out;
}

UsbDevice::UsbDevice(std::unique_ptr<HidApi> hid, std::string serial)
    : m_hid(std::move(hid)), m_wantedSerial(std::move(serial))
{
}

UsbDevice::~UsbDevice() { CloseLink(); }

void UsbDevice::drop()
{
    if (m_handle)
        m_hid->close(m_handle);
    m_handle = nullptr;
}

// The attached meters OpenLink may take; when there is none, m_openProblem says why.
std::vector<HidApi::Found> UsbDevice::candidates(std::uint16_t vendorId, std::uint16_t productId)
{
    const QString usbId =
        QStringLiteral("USB %1:%2").arg(vendorId, 4, 16, QLatin1Char('0')).arg(productId, 4, 16, QLatin1Char('0'));
    std::vector<HidApi::Found> meters = m_hid->enumerate(vendorId, productId);
    if (meters.empty()) {
        m_openProblem = m_wantedSerial.empty() ? QStringLiteral("no meter found (%1)").arg(usbId)
                                               : QStringLiteral("no meter with serial %1 found (%2)")
                                                     .arg(QString::fromStdString(m_wantedSerial), usbId);
        return meters;
    }
    if (m_wantedSerial.empty())
        return meters;
    QStringList others;
    std::vector<HidApi::Found> chosen;
    for (HidApi::Found& meter : meters) {
        if (meter.serial == m_wantedSerial)
            chosen.push_back(std::move(meter));
        else
            others << (meter.serial.empty() ? QStringLiteral("one without a serial")
                                            : QString::fromStdString(meter.serial));
    }
    if (chosen.empty())
        m_openProblem = QStringLiteral("no meter with serial %1 found (%2; found: %3)")
                            .arg(QString::fromStdString(m_wantedSerial), usbId, others.join(QStringLiteral(", ")));
    return chosen;
}

int UsbDevice::OpenLink(std::uint16_t vendorId, std::uint16_t productId)
{
    if (m_handle)
        return kLinkOk;  // the senders that leave the link open expect this
    const std::vector<HidApi::Found> meters = candidates(vendorId, productId);
    if (meters.empty())
        return kLinkFailed;
    // A meter that may not be opened does not hide another one that may.
    const HidApi::Found* denied = nullptr;
    for (const HidApi::Found& meter : meters) {
        HidApi::OpenError why = HidApi::OpenError::Other;
        m_handle = m_hid->open(meter.path, &why);
        if (m_handle) {
            m_serial = meter.serial;
            m_openProblem.clear();
            return kLinkOk;
        }
        if (why == HidApi::OpenError::PermissionDenied && !denied)
            denied = &meter;
    }
    if (denied)
        m_openProblem = QStringLiteral(
                            "a meter was found at %1, but permission to use it was denied; "
                            "install the udev rule 70-kelvor.rules (it grants access to the "
                            "logged-in user through TAG+=\"uaccess\") and plug the meter in again")
                            .arg(QString::fromStdString(denied->path));
    else
        m_openProblem = QStringLiteral("a meter was found at %1, but it could not be opened")
                            .arg(QString::fromStdString(meters.front().path));
    return kLinkFailed;
}

std::vector<FoundMeter> UsbDevice::findMeters()
{
    std::vector<FoundMeter> found;
    for (const HidApi::Found& meter : m_hid->enumerate(kMeterVendorId, kMeterProductId)) {
        FoundMeter entry{QString::fromStdString(meter.path), QString::fromStdString(meter.serial), QString()};
        HidApi::OpenError why = HidApi::OpenError::Other;
        if (HidApi::Handle h = m_hid->open(meter.path, &why))
            m_hid->close(h);
        else
            entry.problem = why == HidApi::OpenError::PermissionDenied ? QStringLiteral("permission denied")
                                                                       : QStringLiteral("cannot be opened");
        found.push_back(entry);
    }
    return found;
}

int UsbDevice::SetLinkTimeouts(int readTimeout, int /*writeTimeout*/)
{
    if (readTimeout < 0)
        return kLinkFailed;
    m_readTimeoutMs = readTimeout;
    return kLinkOk;
}

int UsbDevice::writeReports(const std::uint8_t* data, int length)
{
    if (!m_handle || !data || length <= 0)
        return kLinkFailed;
    for (int offset = 0; offset < length; offset += kUsbReportSize) {
        std::array<std::uint8_t, kUsbReportSize + 1> report{};  // report id 0, zero padding
        const int n = std::min(kUsbReportSize, length - offset);
        std::memcpy(report.data() + 1, data + offset, std::size_t(n));
        const int written = m_hid->write(m_handle, report.data(), report.size());
        if (written < 0) {
            drop();
            return kLinkFailed;
        }
        if (written != int(report.size()))
            return kLinkFailed;
    }
    return kLinkOk;
}

int UsbDevice::WriteFrame(const std::uint8_t* frame, int length)
{
    if (!m_handle)
        return kLinkFailed;
    std::array<std::uint8_t, 64> stale{};
    for (int i = 0; i < kMaxStaleReports; ++i) {
        const int n = m_hid->read(m_handle, stale.data(), stale.size(), 0);
        if (n < 0) {
            drop();
            return kLinkFailed;
        }
        if (n == 0)
            break;
    }
    return writeReports(frame, length);
}

int UsbDevice::WriteBlock(const std::uint8_t* block, int length) { return writeReports(block, length); }

int UsbDevice::SyncLink() { return kLinkOk; }  // hidraw writes are not buffered on our side

int UsbDevice::ReadReply(std::uint8_t* buffer, int length)
{
    if (!m_handle || !buffer || length <= 0)
        return kLinkFailed;
    int have = 0;
    std::array<std::uint8_t, 64> report{};
    while (have < length) {
        const int n = m_hid->read(m_handle, report.data(), report.size(), m_readTimeoutMs);
        if (n < 0) {
            drop();
            return kLinkFailed;
        }
        if (n == 0)
            return kLinkFailed;  // time-out
        const int take = std::min(n, length - have);
        std::memcpy(buffer + have, report.data(), std::size_t(take));
        have += take;
    }
    return kLinkOk;
}

int UsbDevice::CloseLink()
{
    drop();
    return kLinkOk;
}

int UsbDevice::GetSerialText(char* buffer, int size)
{
    if (!buffer || size <= 0)
        return kLinkFailed;
    buffer[0] = '\0';
    if (!m_handle)
        return kLinkFailed;
    const std::size_t n = std::min(m_serial.size(), std::size_t(size - 1));
    std::memcpy(buffer, m_serial.data(), n);
    buffer[n] = '\0';
    return kLinkOk;
}

}  // namespace kelvor
