// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include "base/result.h"
#include "logger/datasetdecoder.h"

namespace kelvor {

class Clock;
struct DataSetStore;

// A collection file is the meter's memory image exactly as downloaded. Nothing the
// meter can hold comes near this size; anything larger is not a collection.
inline constexpr qint64 kMaxCollectionBytes = 1 << 20;

struct CollectionReadResult {
    enum Status { Read, CannotOpen, Empty, TooLarge, ReadError } status = Read;
    QByteArray image;
    QString error;  // names the file and what is wrong (empty when Read)
    bool ok() const { return status == Read; }
};

// Reads a whole collection file, refusing empty files and files over 1 MiB.
CollectionReadResult ReadCollectionFile(const QString& path);

// Writes the image of the listed data sets (kept in the store) to `target` atomically.
// Only when this run has listed nothing yet does the working copy left by an earlier
// run stand in for it. Fails when there is nothing to save or the file cannot be written.
Status SaveCollection(const DataSetStore& store, const QString& workingCopyPath, const QString& target);

struct CollectionOpenResult {
    enum Status { Opened, Unreadable, NotDecoded } status = Opened;
    DataSetDecodeResult decode;
    QString error;             // unreadable file, or an image that decodes to nothing useful
    QString warning;           // decoded, but cut short
    QString workingCopyError;  // decoded, but the working copy could not be written
    bool ok() const { return status == Opened; }
};

// Reads and decodes a collection; on success the store lists its data sets, keeps the
// image as the collection source and the working copy is replaced. A file whose header
// counts no data set (code 6) fails silently (error stays empty); every other failure
// says what is wrong with the file. A failure leaves the store as it was.
CollectionOpenResult OpenCollection(const QString& path, DataSetStore& store, const Clock& clock,
                                    const QString& workingCopyPath);

}  // namespace kelvor
