// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class QFileDevice;
class QSaveFile;

namespace kelvor {

// Every file the program writes goes through here: the new content goes to a
// temporary file beside the target, every write and the final flush are checked,
// and only a complete file replaces the old one. On Qt 6.4 QSaveFile::commit() does
// not report a failed flush of a small buffered write, so a full disk would turn the
// old file into an empty one and report success; the file is therefore opened
// unbuffered and each write's result is checked here.
//
// Only a regular file (or a new one) is replaced. Standard output ("-"), a FIFO or a
// device is written where it is, each write checked: replacing one would put a
// regular file in its place (a FIFO's reader would wait for ever, a device node would
// be gone). What reached such a target cannot be taken back.
class AtomicFile {
public:
    explicit AtomicFile(const QString& path);
    ~AtomicFile();  // discards the temporary file unless commit() succeeded
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool open();
    // Collects small writes into large ones; after the first failure does nothing.
    bool write(const QByteArray& bytes);
    bool write(const char* data, qint64 size);
    // Writes what is collected, flushes and replaces the target.
    bool commit();
    // Leaves the target as it was.
    void cancel();

    bool failed() const { return !m_reason.isEmpty(); }
    // Why the write failed ("No space left on device").
    const QString& reason() const { return m_reason; }
    // "Cannot create "path": reason" or "Cannot write "path": reason"; empty when all went well.
    QString error() const;
    const QString& path() const { return m_path; }
    // The target is written where it is, not replaced (see above).
    bool direct() const { return m_direct != nullptr; }

private:
    bool fail(const QString& reason, bool creating);
    bool writeCollected();

    QString m_path;
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<QFileDevice> m_direct;
    QByteArray m_collected;
    QString m_reason;
    bool m_creating = false;
    bool m_done = false;
};

// The path that names standard output.
inline constexpr const char* kStandardOutputPath = "-";
// True for a target that is written where it is: standard output, or an existing path
// that is neither a regular file nor a folder (a FIFO, a device, a socket).
bool IsDirectTarget(const QString& path);

// Writes bytes as the whole content of path. Returns AtomicFile::error(): empty on success.
QString WriteFileAtomically(const QString& path, const QByteArray& bytes);

// Where the tests put a failing device under every writer: while one exists, the
// files AtomicFile opens are made by it instead of being plain QSaveFiles.
class AtomicFileDeviceOverride {
public:
    using Factory = std::function<std::unique_ptr<QSaveFile>(const QString& path)>;
    explicit AtomicFileDeviceOverride(Factory factory);
    ~AtomicFileDeviceOverride();
    AtomicFileDeviceOverride(const AtomicFileDeviceOverride&) = delete;
    AtomicFileDeviceOverride& operator=(const AtomicFileDeviceOverride&) = delete;

private:
    Factory m_previous;
};

}  // namespace kelvor
