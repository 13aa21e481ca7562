// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "logger/datasetdecoder.h"
#include "meter/commandframe.h"
#include "meter/monitorhook.h"

namespace kelvor {

class Clock;
class MeterLink;
struct DataSetStore;

// Download result codes (the decoder adds 2, 3 and 6).
enum DownloadCode : int {
    kDownloadOk = 0,
    kDownloadOpenFailed = 1002,
    kDownloadTimeoutsFailed = 1003,
    kDownloadStartWriteFailed = 1004,
    kDownloadStartReadFailed = 1005,
    kDownloadBadSignature = 1006,
    kDownloadWrongBlock = 1007,     // only from SeekMemoryBlock
    kDownloadWriteFailed = 123,     // "p" or "r" in the transfer phase
    kDownloadEndWriteFailed = 125,  // the closing "q"
    kDownloadSeekFailed = 1260,
    kDownloadResumeWriteFailed = 1261,
    kDownloadResumeReadFailed = 1263,
};

inline constexpr int kBlockBytes = 32;
inline constexpr int kBlockReplyBytes = 36;
inline constexpr int kFullMemoryBytes = 0x20000;
inline constexpr int kMaxResumeAttempts = 5;

// What the progress window shows; every call is optional.
class DownloadListener {
public:
    virtual ~DownloadListener() = default;
    virtual void begin(int total) { (void)total; }
    virtual void progress(int received) { (void)received; }
    virtual void end() {}
    // The first exchange is running (the GUI shows the hourglass).
    virtual void busy(bool on) { (void)on; }
};

// Number of bytes a download fetches for a header position: position + 1, the whole
// memory when that is below 256 or above 0x20000, rounded up to whole blocks.
int DownloadTotal(std::uint32_t position);

// Copies the meter's memory into `image` over the link's main frame buffer and reply
// buffer: a transfer phase ("P" for block 1, then "p" per block, "r" after a failed
// read, "q" at the end) and a resume phase that re-positions the meter at the first
// missing block, up to five failed attempts in a row.
class MemoryDownload {
public:
    MemoryDownload(MeterLink& link, DownloadListener* listener = nullptr, MonitorHook* monitor = nullptr);

    // Appends the memory to `image` (normally DataSetStore::memoryImage, emptied first).
    int DownloadMemory(QByteArray& image);
    int SeekMemoryBlock(int n);

    int expected() const { return m_expected; }
    int total() const { return m_total; }
    int received() const { return m_received; }

private:
    // The download's phases, in order.
    // Start: open the link and ask for block 0 ("P" 1); its reply must carry the signature.
    int startTransfer();
    // Block 0 tells how far the memory is written: the totals follow, and it is the
    // image's first block.
    void beginImage(QByteArray& image);
    // Transfer: one "p" and one read per block, with "r" after a bad read; a failure
    // leaves the missing blocks to the resume phase. Ends with "q" when complete.
    int transferBlocks(QByteArray& image);
    // Resume: re-position at the first missing block and carry on, until the image is
    // complete or too many attempts in a row failed. `code` (the transfer's outcome)
    // stands when nothing is missing.
    int resumeTransfer(QByteArray& image, int code);

    bool writeCommand(Command command);
    bool readBlockReply();
    bool readMemoryBlock();  // a read whose reply carries the block signature
    bool hasBlockSignature() const;
    void storeBlock(QByteArray& image);

    MeterLink& m_link;
    DownloadListener* m_listener;
    MonitorHook* m_monitor;
    int m_expected = 0;
    int m_total = 0;
    int m_received = 0;
    int m_remaining = 0;
};

// What a load did besides its code.
struct LoadOutcome {
    int code = kDownloadOk;
    DataSetDecodeResult decode;
    QString workingCopyError;  // the working copy could not be written (the load still counts)
};

struct LoadCallbacks {
    std::function<void(const DataSetDecodeResult&)> decoded;  // rebuild the data set list
    std::function<void(int)> showDataSet;                     // draw data set k
};

// Download, decode into the store, keep the image as the collection source, write the
// working copy and show data set 0. The memory image is empty again afterwards.
LoadOutcome LoadDataSets(MemoryDownload& download, DataSetStore& store, const Clock& clock,
                         const QString& workingCopyPath, const LoadCallbacks& callbacks = {});

// After a failed download: SyncLink and a "Q" frame from the main buffer, no reply read.
void SendDownloadCancel(MeterLink& link);

// The user's texts for a load's code (empty for 0).
QString LoadFailureMessage(int code);
inline const char* const kNoConnectionMessage = "There is no connection with multimeter !";
inline const char* const kMeterRecordingMessage =
    "The meter is recording data, please stop recording before loading data.";
inline const char* const kNoDataMessage = "There was not any data recorded in momery of meter !";

}  // namespace kelvor
