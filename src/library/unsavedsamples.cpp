// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/unsavedsamples.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QLockFile>
#include <algorithm>
#include <map>

#include "library/library.h"

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

namespace kelvor {

namespace {

constexpr char kMagic[] = "KELVOR unsaved samples 1";
const QString kPattern = QStringLiteral("kelvor-unsaved-*.txt");
// About 16000 samples: most of an hour at five a second, a day at one every five seconds.
constexpr qint64 kReserveBytes = 1 << 20;

QString lockPathOf(const QString& path) { return path + QStringLiteral(".lock"); }

QByteArray escaped(const QString& text)
{
    QByteArray out;
    for (const char c : text.toUtf8()) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

QString unescaped(const QByteArray& field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const char c = field[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return QString::fromUtf8(out);
}

// What a file holds: the run's header, its recording once the library had one, and the
// samples by their number in the run.
struct UnsavedRun {
    RecordingHeader header;
    std::optional<std::int64_t> recording;
    std::map<std::int64_t, JournalSample> samples;
    std::map<std::int64_t, JournalRowRest> rests;  // a run of several meters
};

bool parseMeter(const QList<QByteArray>& f, std::vector<RecordingMeter>& meters)
{
    bool ok = false;
    const int k = f.size() == 5 ? f[1].toInt(&ok) : -1;
    if (!ok || k != int(meters.size()) || k >= kMaxRecordingMeters)
        return false;
    meters.push_back({unescaped(f[2]), unescaped(f[3]), unescaped(f[4])});
    return true;
}

// "rest SEQ ABSENT" and then FLAGS T1 T2 T3 T4 for each meter after the first.
bool parseRest(const QList<QByteArray>& f, std::int64_t& seq, JournalRowRest& rest)
{
    if (f.size() < 3 || (f.size() - 3) % 5 != 0 || (f.size() - 3) / 5 >= kMaxRecordingMeters)
        return false;
    bool ok = false, okAbsent = false;
    seq = f[1].toLongLong(&ok);
    const uint absent = f[2].toUInt(&okAbsent);
    if (!ok || !okAbsent || seq < 0 || absent > 255)
        return false;
    rest.absent = std::uint8_t(absent);
    rest.others.clear();
    for (qsizetype i = 3; i < f.size(); i += 5) {
        JournalSample o;
        const uint flags = f[i].toUInt(&ok);
        if (!ok || flags > 255)
            return false;
        o.flags = std::uint8_t(flags);
        for (int c = 0; c < 4; ++c) {
            o.t[std::size_t(c)] = f[i + 1 + c].toFloat(&ok);
            if (!ok)
                return false;
        }
        rest.others.push_back(o);
    }
    return true;
}

bool parseHeader(const QList<QByteArray>& f, RecordingHeader& h)
{
    if (f.size() != 10)
        return false;
    bool ok[4] = {};
    h.started = f[1].toDouble(&ok[0]);
    h.rateSeconds = f[2].toInt(&ok[1]);
    h.recordCount = f[3].toInt(&ok[2]);
    h.openEnded = f[4].toInt(&ok[3]) != 0;
    h.meterModel = unescaped(f[5]);
    h.meterSerial = unescaped(f[6]);
    h.unit = unescaped(f[7]);
    h.source = unescaped(f[8]);
    h.name = unescaped(f[9]);
    return std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; });
}

bool parseSample(const QList<QByteArray>& f, std::int64_t& seq, JournalSample& s)
{
    if (f.size() != 8)
        return false;
    bool ok[7] = {};
    seq = f[1].toLongLong(&ok[0]);
    s.time = f[2].toDouble(&ok[1]);
    const uint flags = f[3].toUInt(&ok[2]);
    s.flags = std::uint8_t(flags);
    for (int c = 0; c < 4; ++c)
        s.t[std::size_t(c)] = f[4 + c].toFloat(&ok[3 + c]);
    return seq >= 0 && flags < 256 && std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; });
}

// Reads a file; nullopt when it is not one of ours. A last line without its line end
// was cut off by the kill and is left out.
std::optional<UnsavedRun> readRun(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QList<QByteArray> lines = file.readAll().split('\n');
    lines.removeLast();  // after the last line end: empty, or a cut line
    if (lines.isEmpty() || lines.first() != kMagic)
        return std::nullopt;
    UnsavedRun run;
    bool headed = false;
    for (const QByteArray& line : lines.mid(1)) {
        const QList<QByteArray> f = line.split('\t');
        std::int64_t seq = 0;
        JournalSample s;
        bool ok = false;
        if (f[0] == "run")
            headed = parseHeader(f, run.header);
        else if (const std::int64_t id = f.size() == 2 ? f[1].toLongLong(&ok) : 0; f[0] == "recording" && ok)
            run.recording = id;
        else if (f[0] == "sample" && parseSample(f, seq, s))
            run.samples[seq] = s;
        else if (f[0] == "meter")
            parseMeter(f, run.header.meters);
        else if (JournalRowRest rest; f[0] == "rest" && parseRest(f, seq, rest))
            run.rests[seq] = std::move(rest);
    }
    if (run.header.meters.size() < 2)
        run.header.meters.clear();
    if (!headed)
        return std::nullopt;
    return run;
}

void removeRunFile(const QString& path)
{
    QFile::remove(path);
    QFile::remove(lockPathOf(path));
}

}  // namespace

UnsavedSamplesFile::UnsavedSamplesFile() = default;
UnsavedSamplesFile::~UnsavedSamplesFile() = default;

bool UnsavedSamplesFile::start(const QString& dataDir, const RecordingHeader& h)
{
    const QString name = QStringLiteral("kelvor-unsaved-%1-%2.txt")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")))
                             .arg(QCoreApplication::applicationPid());
    const QString path = QDir(dataDir).filePath(name);
    // Held while the run lives: a program opening the library meanwhile leaves the file alone.
    m_lock = std::make_unique<QLockFile>(lockPathOf(path));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        m_lock.reset();
        return false;
    }
#ifdef Q_OS_LINUX
    // Blocks set aside beyond the end: appends still find room on a disk that filled up
    // since. Where the file system cannot do it, the file grows as usual.
    ::fallocate(m_file.handle(), FALLOC_FL_KEEP_SIZE, 0, kReserveBytes);
#endif
    m_failed = false;
    const QByteArray header = QByteArray(kMagic) + "\nrun\t" + QByteArray::number(h.started, 'g', 17) + '\t' +
                              QByteArray::number(h.rateSeconds) + '\t' + QByteArray::number(h.recordCount) + '\t' +
                              (h.openEnded ? "1" : "0") + '\t' + escaped(h.meterModel) + '\t' + escaped(h.meterSerial) +
                              '\t' + escaped(h.unit) + '\t' + escaped(h.source) + '\t' + escaped(h.name) + '\n';
    QByteArray meters;
    for (std::size_t k = 0; h.meters.size() > 1 && k < h.meters.size(); ++k)
        meters += "meter\t" + QByteArray::number(qulonglong(k)) + '\t' + escaped(h.meters[k].model) + '\t' +
                  escaped(h.meters[k].serial) + '\t' + escaped(h.meters[k].name) + '\n';
    if (!put(header + meters)) {
        m_file.close();
        removeRunFile(path);
        m_lock.reset();
        return false;
    }
    return true;
}

void UnsavedSamplesFile::recordingBegun(std::int64_t id) { put("recording\t" + QByteArray::number(id) + '\n'); }

bool UnsavedSamplesFile::add(std::int64_t seq, const JournalSample& s, const JournalRowRest* rest)
{
    QByteArray line = "sample\t" + QByteArray::number(seq) + '\t' + QByteArray::number(s.time, 'g', 17) + '\t' +
                      QByteArray::number(s.flags);
    for (const float t : s.t)
        line += '\t' + QByteArray::number(double(t), 'g', 9);
    line += '\n';
    // The rest of the row follows on its own line: a reader that knows one meter only
    // takes the first meter's sample and passes over the rest.
    if (rest) {
        line += "rest\t" + QByteArray::number(seq) + '\t' + QByteArray::number(rest->absent);
        for (const JournalSample& o : rest->others) {
            line += '\t' + QByteArray::number(o.flags);
            for (const float t : o.t)
                line += '\t' + QByteArray::number(double(t), 'g', 9);
        }
        line += '\n';
    }
    return put(line);
}

bool UnsavedSamplesFile::put(const QByteArray& line)
{
    if (!m_file.isOpen() || m_failed)
        return false;
    if (m_file.write(line) == line.size())
        return true;
    // A line cut short would be read as the end of the file: nothing after it counts.
    m_failed = true;
    return false;
}

void UnsavedSamplesFile::finish(bool everythingStored)
{
    if (!m_file.isOpen())
        return;
    const QString path = m_file.fileName();
    m_file.close();
    if (everythingStored)
        QFile::remove(path);
    m_lock.reset();  // removes the lock file
}

QString TakeBackUnsavedSamples(Library& library, const QString& dataDir)
{
    QStringList told;
    const QDir dir(dataDir);
    for (const QString& name : dir.entryList({kPattern}, QDir::Files, QDir::Name)) {
        const QString path = dir.filePath(name);
        QLockFile lock(lockPathOf(path));
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0))
            continue;  // its run is still going
        std::optional<UnsavedRun> run = readRun(path);
        if (!run)
            continue;  // not ours to judge: left as it is
        if (run->samples.empty()) {
            lock.unlock();
            removeRunFile(path);
            continue;
        }
        LibraryStatus s;
        std::optional<LibraryEntry> existing;
        if (run->recording)
            existing = library.entry(*run->recording, nullptr);
        std::int64_t id = 0;
        std::int64_t first = 0;
        if (existing && existing->kind == EntryKind::Recording) {
            id = existing->id;
            first = existing->samples;
        } else {
            // The library never had the run (or no longer has it): it becomes a recording
            // of its own. The file learns its number first, so that a kill right after
            // does not make it twice.
            const auto begun = library.beginRecording(run->header, &s);
            if (!begun) {
                told << QStringLiteral("The samples kept in %1 cannot go into the library yet (%2).")
                            .arg(QDir::toNativeSeparators(path), s.error);
                continue;
            }
            id = *begun;
            QFile f(path);
            if (f.open(QIODevice::Append))
                f.write("recording\t" + QByteArray::number(id) + '\n');
        }
        // Samples are numbered in the run; those the library already holds are left out.
        std::vector<JournalSample> missing;
        std::vector<JournalRowRest> rests;
        const bool rows = run->header.meters.size() > 1;
        for (const auto& [seq, sample] : run->samples)
            if (seq >= first) {
                missing.push_back(sample);
                if (rows) {
                    const auto rest = run->rests.find(seq);
                    rests.push_back(rest != run->rests.end() ? rest->second : JournalRowRest{});
                    for (JournalSample& o : rests.back().others)
                        o.time = sample.time;
                }
            }
        if (!missing.empty()) {
            s = rows ? library.appendRows(id, first, missing.data(), rests.data(), missing.size())
                     : library.appendSamples(id, first, missing.data(), missing.size());
            if (s.ok() && existing && existing->state != QLatin1String(kStateRecording))
                s = library.updateStatistics(id);
            if (!s.ok()) {
                told << QStringLiteral("The samples kept in %1 cannot go into the library yet (%2).")
                            .arg(QDir::toNativeSeparators(path), s.error);
                continue;
            }
            told << QStringLiteral(
                        "%1 samples of an earlier run that the library could not take then are now in "
                        "it (item %2).")
                        .arg(missing.size())
                        .arg(id);
        }
        lock.unlock();
        removeRunFile(path);
    }
    return told.join(QLatin1Char(' '));
}

}  // namespace kelvor
