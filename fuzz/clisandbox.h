// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A run of the command line from the fuzzer's text, kept inside a folder of its own.
//
// The text is the arguments, one per line. Paths come from placeholders, so that every
// file the run may write stays in the folder: "@D" is the folder itself (with a
// trailing '/', so "@Dx.csv" is a new file there), "@S" the same as a relative
// "sub/", "@C" a collection file, "@G" a graph file, "@R" a capture of a live meter
// to replay, "@P" one of a meter that only answers the probe, "@T" a text table, "@F"
// a folder with a collection's name, "@M" a missing file. A raw '/' is taken as '_',
// so no argument can name a file outside. The working folder is the sandbox, and the
// data folder (the library) is in it unless the arguments name another one.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "base/clock.h"
#include "cli/clicommand.h"
#include "fuzzedhid.h"
#include "meter/choice/devicechoice.h"
#include "meter/sim/simdemo.h"
#include "meter/sim/simmemory.h"

namespace kelvor::fuzz {

inline QByteArray fixtureBytes(const char* name)
{
    QFile f(QString::fromUtf8(KELVOR_FUZZ_DATA) + QLatin1Char('/') + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QByteArray demoCollection()
{
    const ManualClock clock;
    SimMemory memory;
    loadDemoDataSets(memory, 3, clock.now());
    const std::vector<std::uint8_t> used = memory.usedImage();
    return QByteArray(reinterpret_cast<const char*>(used.data()), qsizetype(used.size()));
}

// Once per process: no keyboard (commands that ask refuse), no user folders.
inline void prepareCliProcess()
{
    static const bool done = [] {
        if (!std::freopen("/dev/null", "r", stdin))
            std::abort();
        static QTemporaryDir home;
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("share"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
        qputenv("LC_ALL", "C.UTF-8");
        // The trace (--log) still gets every message; the fuzzer's own output stays readable.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        return true;
    }();
    (void)done;
}

class CliSandbox {
public:
    CliSandbox()
    {
        static const QByteArray collection = demoCollection();
        static const QByteArray graph = fixtureBytes("graph/every-field-v1.ghf");
        static const QByteArray live = fixtureBytes("meter-live.capture");
        static const QByteArray probe = fixtureBytes("meter-probe.capture");
        if (graph.isEmpty() || live.isEmpty() || probe.isEmpty() || !m_dir.isValid())
            std::abort();
        QDir d(m_dir.path());
        d.mkpath(QStringLiteral("sub"));
        d.mkpath(QStringLiteral("folder.ch4"));
        write(QStringLiteral("sets.ch4"), collection);
        write(QStringLiteral("graph.ghf"), graph);
        write(QStringLiteral("live.capture"), live);
        write(QStringLiteral("probe.capture"), probe);
        write(QStringLiteral("table.txt"),
              "Date\tTime\tT1\tT2\tT3\tT4\n2026-01-05\t10:00:00\t21.5\t22.5\tOL\t----\n"
              "2026-01-05\t10:00:02\t21.6\t22.4\t-5.5\t----\n");
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }
    ~CliSandbox() { QDir::setCurrent(m_previous); }

    // The arguments of `text` (at most `limit` after the program's name), the data
    // folder first so that a run never reaches the user's library.
    QStringList arguments(const QString& program, const QString& text, int limit) const
    {
        QStringList args{program, QStringLiteral("--data-dir=") + m_dir.filePath(QStringLiteral("data"))};
        // An argument of a real command line never holds a NUL.
        for (QString a : QString(text).remove(QChar(0)).split(QLatin1Char('\n'))) {
            if (args.size() > limit + 1)
                break;
            a.replace(QLatin1Char('/'), QLatin1Char('_'));
            const QString root = m_dir.path() + QLatin1Char('/');
            static const std::pair<const char*, const char*> kPlaces[] = {
                {"@C", "sets.ch4"},  {"@G", "graph.ghf"},  {"@R", "live.capture"}, {"@P", "probe.capture"},
                {"@T", "table.txt"}, {"@F", "folder.ch4"}, {"@M", "missing.ch4"},
            };
            for (const auto& [key, file] : kPlaces)
                a.replace(QLatin1String(key), root + QLatin1String(file));
            a.replace(QLatin1String("@S"), QLatin1String("sub/"));
            a.replace(QLatin1String("@D"), root);
            args << a;
        }
        return args;
    }

private:
    void write(const QString& name, const QByteArray& bytes)
    {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            std::abort();
    }

    QTemporaryDir m_dir;
    QString m_previous;
};

// runCli in the sandbox: meters from --meter as the program makes them, but the usb
// backend sees two fuzzed meters that never answer, and time is a ManualClock that
// interrupts the run (as Ctrl-C would) after ten minutes of it.
inline int runCliInSandbox(const QStringList& args, QString& out, QString& err)
{
    ManualClock clock;
    std::atomic<bool> interrupted{false};
    QTextStream o(&out), e(&err);
    CliEnv env{clock, o, e, nullptr, nullptr, &interrupted};
    env.makeDevice = [&clock](const QString& meter, const QString& capture, QString* error) {
        return createDevice(meter, capture, clock, error, [] {
            auto hid = std::make_unique<FuzzedHid>();
            hid->meters.push_back({{"/dev/hidraw3", "KV-0042"}, HidApi::OpenError::None});
            hid->meters.push_back({{"/dev/hidraw7", "SN 7"}, HidApi::OpenError::PermissionDenied});
            return hid;
        });
    };
    const std::uint32_t start = clock.tickMs();
    env.pause = [&clock, &interrupted, start](std::uint32_t ms) {
        clock.advanceMs(ms);
        if (clock.tickMs() - start > 10 * 60 * 1000)
            interrupted = true;
    };
    const int code = runCli(args, env);
    o.flush();
    e.flush();
    return code;
}

}  // namespace kelvor::fuzz
