// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/collection.h"

#include <QDir>
#include <QFile>

#include "base/atomicfile.h"
#include "base/inputfile.h"
#include "logger/datasetstore.h"
#include "logger/workingcopy.h"

namespace kelvor {

namespace {
QString native(const QString& path) { return QDir::toNativeSeparators(path); }
}  // namespace

CollectionReadResult ReadCollectionFile(const QString& path)
{
    CollectionReadResult r;
    if (QString problem = NotARegularFile(path); !problem.isEmpty()) {
        r.status = CollectionReadResult::CannotOpen;
        r.error = problem;
        return r;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.status = CollectionReadResult::CannotOpen;
        r.error = QStringLiteral("Cannot open \"%1\": %2").arg(native(path), f.errorString());
        return r;
    }
    const qint64 size = f.size();
    if (size > kMaxCollectionBytes) {
        r.status = CollectionReadResult::TooLarge;
        r.error = QStringLiteral("\"%1\" is not a data set collection: %2 bytes is more than a meter holds.")
                      .arg(native(path))
                      .arg(size);
        return r;
    }
    // Read at most one byte past the limit, whatever size() claimed (pipes, /proc).
    r.image = f.read(kMaxCollectionBytes + 1);
    if (f.error() != QFileDevice::NoError) {
        r.status = CollectionReadResult::ReadError;
        r.error = QStringLiteral("Cannot read \"%1\": %2").arg(native(path), f.errorString());
        r.image.clear();
    } else if (r.image.size() > kMaxCollectionBytes) {
        r.status = CollectionReadResult::TooLarge;
        r.error =
            QStringLiteral("\"%1\" is not a data set collection: it is larger than a meter holds.").arg(native(path));
        r.image.clear();
    } else if (r.image.isEmpty()) {
        r.status = CollectionReadResult::Empty;
        r.error = QStringLiteral("\"%1\" is empty.").arg(native(path));
    }
    return r;
}

Status SaveCollection(const DataSetStore& store, const QString& workingCopyPath, const QString& target)
{
    QByteArray image = store.collectionImage;
    if (image.isEmpty() && !workingCopyPath.isEmpty() && QFile::exists(workingCopyPath)) {
        const CollectionReadResult old = ReadCollectionFile(workingCopyPath);
        if (old.ok())
            image = old.image;
    }
    if (image.isEmpty())
        return Status::failure(
            QStringLiteral("There is no data set to save: load data from the meter or open a collection first."));
    return StatusOf(WriteFileAtomically(target, image));
}

CollectionOpenResult OpenCollection(const QString& path, DataSetStore& store, const Clock& clock,
                                    const QString& workingCopyPath)
{
    CollectionOpenResult r;
    CollectionReadResult file = ReadCollectionFile(path);
    if (!file.ok()) {
        r.status = CollectionOpenResult::Unreadable;
        r.error = file.error;
        return r;
    }
    r.decode = DecodeDataSets(file.image, store, clock);
    if (!r.decode.ok()) {
        r.status = CollectionOpenResult::NotDecoded;
        if (r.decode.code == kTooManyDataSets)
            r.error = QStringLiteral("\"%1\" is damaged: its header claims %2 data sets (4000 at most).")
                          .arg(native(path))
                          .arg(r.decode.declaredCount);
        else if (r.decode.code == kImageCutShort)
            r.error = QStringLiteral("\"%1\" is damaged: %2").arg(native(path), DecodeWarning(r.decode));
        return r;
    }
    if (r.decode.cutShort)
        r.warning = QStringLiteral("\"%1\" is damaged. %2").arg(native(path), DecodeWarning(r.decode));
    store.collectionImage = std::move(file.image);
    if (!workingCopyPath.isEmpty())
        r.workingCopyError = WriteWorkingCopy(workingCopyPath, store.collectionImage);
    return r;
}

}  // namespace kelvor
