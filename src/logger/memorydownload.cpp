// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/memorydownload.h"

#include "base/eventlog.h"
#include "logger/datasetstore.h"
#include "logger/workingcopy.h"
#include "meter/exchange.h"
#include "meter/meterlink.h"
#include "meter/replylayout.h"

namespace kelvor {

int DownloadTotal(std::uint32_t position)
{
    std::int64_t total = std::int64_t(position) + 1;
    if (total > kFullMemoryBytes || total < 256)
        total = kFullMemoryBytes;
    total = (total + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
    return int(total);
}

MemoryDownload::MemoryDownload(MeterLink& link, DownloadListener* listener, MonitorHook* monitor)
    : m_link(link), m_listener(listener), m_monitor(monitor)
{
}

namespace {
// The download's own pause, inside the caller's: the monitor stays as the caller left it.
struct DownloadPause {
    MonitorHook* monitor;
    explicit DownloadPause(MonitorHook* m) : monitor(m)
    {
        if (monitor)
            monitor->pause();
    }
    ~DownloadPause()
    {
        if (monitor)
            monitor->resume();
    }
    DownloadPause(const DownloadPause&) = delete;
    DownloadPause& operator=(const DownloadPause&) = delete;
};
}  // namespace

bool MemoryDownload::writeCommand(Command command)
{
    // Only bytes 0, 1 and 6 are set here: the parameter bytes keep what the previous
    // frame from the main buffer left in them, as the meter has always seen them.
    return m_link.writeCommand(m_link.mainFrame(), command) == kLinkOk;
}

bool MemoryDownload::readBlockReply()
{
    return m_link.device().ReadReply(m_link.replyBuffer().data(), kBlockReplyBytes) == kLinkOk;
}

bool MemoryDownload::readMemoryBlock()
{
    // Only a reply that carries the download signature is a memory block; anything else
    // stored as data would put damaged bytes into the image and call it a success.
    return readBlockReply() && hasBlockSignature();
}

bool MemoryDownload::hasBlockSignature() const
{
    const auto& r = m_link.replyBuffer();
    return r[kBlockSignatureAt] == kBlockSignature[0] && r[kBlockSignatureAt + 1] == kBlockSignature[1];
}

void MemoryDownload::storeBlock(QByteArray& image)
{
    image.append(reinterpret_cast<const char*>(m_link.replyBuffer().data()), kBlockBytes);
    m_received += kBlockBytes;
    m_remaining -= kBlockBytes;
    if (m_listener)
        m_listener->progress(m_received);
}

int MemoryDownload::SeekMemoryBlock(int n)
{
    const DownloadPause pause(m_monitor);
    MeterDevice& dev = m_link.device();
    if (dev.OpenLink(kMeterVendorId, kMeterProductId) != kLinkOk)
        return kDownloadOpenFailed;
    m_link.WaitMs(100);
    if (dev.SetLinkTimeouts(kLinkTimeoutMs, kLinkTimeoutMs) != kLinkOk)
        return kDownloadTimeoutsFailed;
    m_link.WaitMs(100);
    CommandFrame& f = m_link.mainFrame();
    f[kFrameParam1] = std::uint8_t((n >> 8) & 0xFF);
    f[kFrameParam2] = std::uint8_t(n & 0xFF);
    if (!writeCommand(Command::MemoryStart))
        return kDownloadStartWriteFailed;
    dev.SyncLink();
    m_link.WaitMs(100);
    if (!readBlockReply())
        return kDownloadStartReadFailed;
    if (!hasBlockSignature())
        return kDownloadBadSignature;
    const auto& r = m_link.replyBuffer();
    if (r[kBlockNumberAt] != f[kFrameParam1] || r[kBlockNumberAt + 1] != f[kFrameParam2])
        return kDownloadWrongBlock;
    return kDownloadOk;
}

int MemoryDownload::DownloadMemory(QByteArray& image)
{
    m_expected = m_total = m_received = m_remaining = 0;
    const DownloadPause pause(m_monitor);
    const LinkHold hold(m_link);
    if (m_listener)
        m_listener->busy(true);
    const int started = startTransfer();
    if (m_listener)
        m_listener->busy(false);
    if (started != kDownloadOk) {
        qCWarning(lcLogger, "download could not start: code %d", started);
        return started;  // nothing to resume from
    }

    beginImage(image);
    qCInfo(lcLogger, "download started");
    const int code = resumeTransfer(image, transferBlocks(image));
    if (m_listener)
        m_listener->end();
    if (code == kDownloadOk)
        qCInfo(lcLogger, "download ended: %lld bytes", qlonglong(image.size()));
    else
        qCWarning(lcLogger, "download failed: code %d after %lld bytes", code, qlonglong(image.size()));
    return code;
}

int MemoryDownload::startTransfer()
{
    MeterDevice& dev = m_link.device();
    if (dev.OpenLink(kMeterVendorId, kMeterProductId) != kLinkOk)
        return kDownloadOpenFailed;
    if (dev.SetLinkTimeouts(kLinkTimeoutMs, kLinkTimeoutMs) != kLinkOk)
        return kDownloadTimeoutsFailed;
    CommandFrame& f = m_link.mainFrame();
    f[kFrameParam1] = 0x00;
    f[kFrameParam2] = 0x01;
    if (!writeCommand(Command::MemoryStart))
        return kDownloadStartWriteFailed;
    dev.SyncLink();
    m_link.WaitMs(100);
    if (!readBlockReply())
        return kDownloadStartReadFailed;
    if (!hasBlockSignature())
        return kDownloadBadSignature;
    return kDownloadOk;
}

void MemoryDownload::beginImage(QByteArray& image)
{
    const auto& r = m_link.replyBuffer();
    const std::uint32_t position = (std::uint32_t(r[kMemoryPositionAt]) << 16) |
                                   (std::uint32_t(r[kMemoryPositionAt + 1]) << 8) | r[kMemoryPositionAt + 2];
    m_expected = int(position) + 1;
    m_total = DownloadTotal(position);
    if (m_listener)
        m_listener->begin(m_total);
    image.reserve(image.size() + m_total);
    m_remaining = m_total;
    storeBlock(image);  // the reply to "P" 1 carries block 0
}

int MemoryDownload::transferBlocks(QByteArray& image)
{
    MeterDevice& dev = m_link.device();
    int recoveries = 0;  // "r" exchanges in a row without a stored block
    while (m_remaining > 0) {
        if (!writeCommand(Command::MemoryNext)) {
            dev.CloseLink();
            return kDownloadWriteFailed;
        }
        dev.SyncLink();
        if (readMemoryBlock()) {
            recoveries = 0;
            storeBlock(image);
            continue;
        }
        // A meter that answers every "r" but never the "p" after it would keep this
        // loop going for ever; past a few rounds the resume phase takes over.
        if (++recoveries > kMaxResumeAttempts)
            return kDownloadOk;
        m_link.WaitMs(1000);
        if (!writeCommand(Command::MemoryRetryOrEepromRead)) {
            dev.CloseLink();
            return kDownloadWriteFailed;
        }
        dev.SyncLink();
        if (!readBlockReply())
            return kDownloadOk;  // the resume phase decides
        // The reply to "r" is dropped; the next "p" fetches the missing block again.
    }
    return writeCommand(Command::MemoryEnd) ? kDownloadOk : kDownloadEndWriteFailed;
}

int MemoryDownload::resumeTransfer(QByteArray& image, int code)
{
    MeterDevice& dev = m_link.device();
    CommandFrame& f = m_link.mainFrame();
    int failedAttempts = 0;
    while (m_received < m_total && failedAttempts < kMaxResumeAttempts) {
        code = kDownloadOk;
        f[kFrameSequence] = m_link.nextSequence();
        writeCommand(Command::LiveReading);
        dev.SyncLink();
        dev.ReadReply(m_link.replyBuffer().data(), 32);  // outcome ignored
        m_link.WaitMs(300);

        const int n = m_received / kBlockBytes;
        SeekMemoryBlock(n);
        m_link.WaitMs(300);
        if (SeekMemoryBlock(n) != kDownloadOk) {
            code = kDownloadSeekFailed;
            ++failedAttempts;
            continue;
        }
        while (m_remaining > 0) {
            if (!writeCommand(Command::MemoryNext)) {
                dev.CloseLink();
                code = kDownloadResumeWriteFailed;
                ++failedAttempts;
                break;
            }
            dev.SyncLink();
            if (!readMemoryBlock()) {
                code = kDownloadResumeReadFailed;
                ++failedAttempts;
                break;
            }
            failedAttempts = 0;
            storeBlock(image);
        }
        if (code == kDownloadOk)
            writeCommand(Command::MemoryEnd);  // outcome ignored
    }
    return code;
}

LoadOutcome LoadDataSets(MemoryDownload& download, DataSetStore& store, const Clock& clock,
                         const QString& workingCopyPath, const LoadCallbacks& callbacks)
{
    LoadOutcome out;
    store.memoryImage.clear();
    out.code = download.DownloadMemory(store.memoryImage);
    if (out.code != kDownloadOk) {
        store.memoryImage = QByteArray();
        return out;
    }
    out.decode = DecodeDataSets(store.memoryImage, store, clock);
    out.code = out.decode.code;
    if (out.code != kDownloadOk) {
        store.memoryImage = QByteArray();
        return out;
    }
    if (callbacks.decoded)
        callbacks.decoded(out.decode);
    // The listed data sets and the collection source must always match: keep this
    // image in memory, whatever happens to the file on disk.
    store.collectionImage = std::move(store.memoryImage);
    store.memoryImage = QByteArray();
    out.workingCopyError = WriteWorkingCopy(workingCopyPath, store.collectionImage);
    if (callbacks.showDataSet)
        callbacks.showDataSet(0);
    return out;
}

void SendDownloadCancel(MeterLink& link)
{
    link.device().SyncLink();
    link.writeCommand(link.mainFrame(), Command::Cancel);
}

QString LoadFailureMessage(int code)
{
    if (code == kDownloadOk)
        return {};
    if (code == kNoDataSet)
        return QString::fromLatin1(kNoDataMessage);
    return QStringLiteral("There was error,please try again!   error code=%1").arg(code);
}

}  // namespace kelvor
