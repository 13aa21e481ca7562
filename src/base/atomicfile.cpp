// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cstdio>
#include <filesystem>

#include "base/eventlog.h"

namespace kelvor {

namespace {
// Large enough that a table or a collection goes out in a few system calls.
constexpr qsizetype kWriteChunk = 1 << 16;

AtomicFileDeviceOverride::Factory& deviceFactory()
{
    static AtomicFileDeviceOverride::Factory factory;
    return factory;
}
}  // namespace

bool IsDirectTarget(const QString& path)
{
    if (path == QLatin1String(kStandardOutputPath))
        return true;
    std::error_code ec;
    const auto status = std::filesystem::status(QFile::encodeName(path).toStdString(), ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
           !std::filesystem::is_directory(status);
}

AtomicFile::AtomicFile(const QString& path) : m_path(path) {}

AtomicFile::~AtomicFile() { cancel(); }

bool AtomicFile::open()
{
    if (IsDirectTarget(m_path)) {
        auto file = std::make_unique<QFile>(m_path);
        const bool opened =
            m_path == QLatin1String(kStandardOutputPath)
                ? file->open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle)
                : file->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        if (!opened)
            return fail(file->errorString(), true);
        m_direct = std::move(file);
        return true;
    }
    const AtomicFileDeviceOverride::Factory& factory = deviceFactory();
    m_file = factory ? factory(m_path) : std::make_unique<QSaveFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(m_file->errorString(), true);
    return true;
}

bool AtomicFile::write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }

bool AtomicFile::write(const char* data, qint64 size)
{
    if (failed() || !(m_file || m_direct) || m_done)
        return false;
    m_collected.append(data, size);
    return m_collected.size() < kWriteChunk || writeCollected();
}

bool AtomicFile::writeCollected()
{
    QFileDevice& device = m_direct ? *m_direct : static_cast<QFileDevice&>(*m_file);
    qsizetype at = 0;
    while (at < m_collected.size()) {
        const qint64 n = device.write(m_collected.constData() + at, m_collected.size() - at);
        if (n <= 0)
            return fail(device.errorString(), false);
        at += qsizetype(n);
    }
    m_collected.clear();
    return true;
}

bool AtomicFile::commit()
{
    if (failed() || !(m_file || m_direct) || m_done)
        return false;
    if (!writeCollected())
        return false;
    if (m_direct) {
        if (!m_direct->flush() || m_direct->error() != QFileDevice::NoError)
            return fail(m_direct->errorString(), false);
        m_direct->close();
        m_done = true;
        return true;
    }
    if (!m_file->flush() || m_file->error() != QFileDevice::NoError)
        return fail(m_file->errorString(), false);
    if (!m_file->commit())
        return fail(m_file->errorString(), false);
    m_done = true;
    qCInfo(lcFiles, "wrote %s", qPrintable(QDir::toNativeSeparators(m_path)));
    return true;
}

void AtomicFile::cancel()
{
    if (m_file && !m_done) {
        m_file->cancelWriting();
        m_file.reset();  // QSaveFile removes its temporary file here
    }
    m_direct.reset();
    m_collected.clear();
}

bool AtomicFile::fail(const QString& reason, bool creating)
{
    m_reason = reason.isEmpty() ? QStringLiteral("unknown error") : reason;
    m_creating = creating;
    cancel();
    qCWarning(lcFiles, "%s", qPrintable(error()));
    return false;
}

QString AtomicFile::error() const
{
    if (!failed())
        return {};
    if (m_path == QLatin1String(kStandardOutputPath))
        return QStringLiteral("Cannot write to standard output: %1").arg(m_reason);
    return (m_creating ? QStringLiteral("Cannot create \"%1\": %2") : QStringLiteral("Cannot write \"%1\": %2"))
        .arg(QDir::toNativeSeparators(m_path), m_reason);
}

QString WriteFileAtomically(const QString& path, const QByteArray& bytes)
{
    AtomicFile file(path);
    if (file.open() && file.write(bytes))
        file.commit();
    return file.error();
}

AtomicFileDeviceOverride::AtomicFileDeviceOverride(Factory factory) : m_previous(std::move(deviceFactory()))
{
    deviceFactory() = std::move(factory);
}

AtomicFileDeviceOverride::~AtomicFileDeviceOverride() { deviceFactory() = std::move(m_previous); }

}  // namespace kelvor
