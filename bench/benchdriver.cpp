// SPDX-License-Identifier: GPL-3.0-or-later
// One user-visible operation in a fresh process, the way the program does it: the
// benchmark script starts this once per measurement, so allocator, caches and fonts
// are as cold as after a real start. Prints "key=value" lines on stdout; times are
// milliseconds, "mono_ns" stamps are CLOCK_MONOTONIC so the caller can subtract its
// own start stamp.
//
//   kelvor-benchdriver startup | startup-bare
//   kelvor-benchdriver open-table FILE | read-table-plain FILE
//   kelvor-benchdriver save-table FILE | write-table-plain FILE   (FILE is read, a copy written)
//   kelvor-benchdriver download LATENCY_MS | download-protocol LATENCY_MS
//   kelvor-benchdriver write-collection FILE   (a full memory as a collection file)
//   kelvor-benchdriver read-table FILE         (the table reader alone, no window)
//   kelvor-benchdriver write-library DIR ITEMS SAMPLES   (a library of ITEMS items, the
//                                              first a recording of SAMPLES samples)
#include <qcustomplot.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>

#include "app/ui/tfrmmain.h"
#include "base/clock.h"
#include "benchsupport.h"
#include "files/texttable.h"
#include "files/ui/filecommands.h"
#include "files/ui/tfrmlist.h"
#include "library/library.h"
#include "logger/memorydownload.h"
#include "logger/ui/loggercommands.h"
#include "meter/sim/simdevice.h"
#include "program/program.h"

using namespace kelvor;

namespace {

std::int64_t monoNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

long rssKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

void report(const char* key, double value) { std::printf("%s=%.3f\n", key, value); }

// Calls `then` once, after `w` or any widget inside it has painted for the first time
// (a main window whose central widget covers it never paints itself).
class FirstPaint final : public QObject {
public:
    FirstPaint(QWidget& w, std::function<void()> then) : m_window(w), m_then(std::move(then))
    {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && m_then && o->isWidgetType() &&
            (o == &m_window || m_window.isAncestorOf(static_cast<QWidget*>(o)))) {
            qApp->removeEventFilter(this);
            // Run after the paint has finished, not inside it.
            QTimer::singleShot(0, [f = std::move(m_then)] { f(); });
            m_then = nullptr;
        }
        return false;
    }

private:
    QWidget& m_window;
    std::function<void()> m_then;
};

// Start-up to the first paint of the main window, then the resident memory after a
// second of idling on the simulated meter.
template <typename MakeWindow>
int startup(QApplication& app, MakeWindow makeWindow)
{
    QMainWindow* window = makeWindow();
    FirstPaint painted(*window, [&] {
        std::printf("first_paint_mono_ns=%lld\n", static_cast<long long>(monoNs()));
        QTimer::singleShot(1000, [&] {
            report("idle_rss_mb", double(rssKb()) / 1024.0);
            app.quit();
        });
    });
    if (const QScreen* screen = QApplication::primaryScreen())
        window->setGeometry(screen->availableGeometry());
    window->showMaximized();
    // Never hang a benchmark run: no paint within ten seconds is a failure.
    QTimer::singleShot(10000, &app, [&app] { app.exit(1); });
    const int status = app.exec();
    delete window;
    return status;
}

// The program's own objects over the simulated meter, on the real clock.
struct RealProgram {
    QTemporaryDir dir;
    SystemClock clock;
    bench::AnsweringPrompts prompts;
    std::unique_ptr<Program> program;
    std::unique_ptr<TfrmMain> main;

    explicit RealProgram(const QString& simOptions)
    {
        QString error;
        program = std::make_unique<Program>(createSimDevice(simOptions, clock, &error), clock, prompts, dir.path());
    }
    void showMain()
    {
        main = std::make_unique<TfrmMain>(*program);
        main->resize(1280, 900);
        main->show();
        QApplication::processEvents();
    }
};

int openTable(const QString& path)
{
    RealProgram rig(QString{});
    rig.showMain();
    const double cpu0 = cpuMs();
    QElapsedTimer t;
    t.start();
    TfrmList* list = OpenTextTable(*rig.program, path);
    if (!list)
        return 1;
    list->repaint();
    report("open_ms", double(t.nsecsElapsed()) / 1e6);
    report("open_cpu_ms", cpuMs() - cpu0);
    report("rows", list->dataRows());
    return 0;
}

// The same file read by plain Qt: every line decoded and split into its fields.
int readTablePlain(const QString& path)
{
    const double cpu0 = cpuMs();
    QElapsedTimer t;
    t.start();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return 1;
    const QChar sep = path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) ? QLatin1Char(',') : QLatin1Char('\t');
    std::vector<QStringList> rows;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (!line.isEmpty())
            rows.push_back(QString::fromLocal8Bit(line).split(sep));
    report("open_ms", double(t.nsecsElapsed()) / 1e6);
    report("open_cpu_ms", cpuMs() - cpu0);
    report("rows", double(rows.size()));
    return 0;
}

// File > Save of a table window holding FILE, on the real clock: wall beside CPU shows
// any time spent waiting rather than working.
int saveTable(const QString& path)
{
    RealProgram rig(QString{});
    rig.showMain();
    TfrmList* list = OpenTextTable(*rig.program, path);
    if (!list)
        return 1;
    rig.prompts.saveName = rig.dir.filePath(QStringLiteral("saved.txt"));
    const double cpu0 = cpuMs();
    QElapsedTimer t;
    t.start();
    if (!SaveTableAsText(*rig.program, *list))
        return 1;
    report("save_ms", double(t.nsecsElapsed()) / 1e6);
    report("save_cpu_ms", cpuMs() - cpu0);
    return 0;
}

// The same rows written back by plain Qt: fields joined by tabs, one write.
int writeTablePlain(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return 1;
    std::vector<QStringList> rows;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (!line.isEmpty())
            rows.push_back(QString::fromLocal8Bit(line.trimmed()).split(QLatin1Char('\t')));
    QTemporaryDir dir;
    const double cpu0 = cpuMs();
    QElapsedTimer t;
    t.start();
    QByteArray bytes;
    for (const QStringList& row : rows)
        bytes += row.join(QLatin1Char('\t')).toLocal8Bit() + "\r\n";
    QFile out(dir.filePath(QStringLiteral("saved.txt")));
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        return 1;
    out.close();
    report("save_ms", double(t.nsecsElapsed()) / 1e6);
    report("save_cpu_ms", cpuMs() - cpu0);
    return 0;
}

// Fills the simulated meter's memory with one data set up to the last byte; returns
// its samples.
int fillMemory(MeterDevice& device)
{
    SimMemory& memory = dynamic_cast<SimDevice&>(device).meter().memory();
    memory.erase();
    SimMemory::DataSetStart s;
    s.start = QDateTime(QDate(2026, 1, 5), QTime(8, 0, 0));
    memory.beginDataSet(s);
    int samples = 0;
    while (memory.appendSample({std::int16_t(700 + samples % 50), 710, 720, 730}))
        ++samples;
    memory.endDataSet();
    return samples;
}

// Data Logger > Load over a full memory, through the progress window and the logger
// window, as the menu command runs it.
int download(int latencyMs)
{
    RealProgram rig(QStringLiteral("latency=%1,unplugged=").arg(latencyMs));
    rig.showMain();
    fillMemory(*rig.program->device);
    QElapsedTimer wait;
    wait.start();
    while (!rig.program->monitor.Connected && wait.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    const double cpu0 = cpuMs();
    QElapsedTimer t;
    t.start();
    LoadData1Click(*rig.program);
    report("wall_ms", double(t.nsecsElapsed()) / 1e6);
    report("cpu_ms", cpuMs() - cpu0);
    report("sets", double(rig.program->store.sets.size()));
    report("samples", rig.program->store.sets.empty() ? 0.0 : double(rig.program->store.sets[0].sampleCount));
    return rig.program->store.sets.empty() ? 1 : 0;
}

// The same memory copied by the protocol alone: no window, no decoding.
int downloadProtocol(int latencyMs, const QString& saveTo = {})
{
    SystemClock clock;
    QString error;
    std::unique_ptr<MeterDevice> device = createSimDevice(QStringLiteral("latency=%1").arg(latencyMs), clock, &error);
    const int samples = fillMemory(*device);
    if (device->OpenLink(kMeterVendorId, kMeterProductId) != kLinkOk)
        return 1;
    MeterLink link(*device, clock);
    MemoryDownload download(link, nullptr);
    QByteArray image;
    const double cpu0 = cpuMs();
    QElapsedTimer t;
    t.start();
    const int code = download.DownloadMemory(image);
    report("wall_ms", double(t.nsecsElapsed()) / 1e6);
    report("cpu_ms", cpuMs() - cpu0);
    report("blocks", double(image.size() / kBlockBytes));
    if (code != kDownloadOk)
        return 1;
    if (!saveTo.isEmpty()) {
        // A collection file is the memory image as downloaded.
        QFile f(saveTo);
        if (!f.open(QIODevice::WriteOnly) || f.write(image) != image.size())
            return 1;
        report("samples", samples);
    }
    return 0;
}

// A text table read by the program's reader alone: what a command-line tool pays.
int readTable(const QString& path)
{
    const double cpu0 = cpuMs();
    QElapsedTimer t;
    t.start();
    const TableReadResult r = ReadTextTable(path);
    report("read_ms", double(t.nsecsElapsed()) / 1e6);
    report("read_cpu_ms", cpuMs() - cpu0);
    report("rows", double(r.rows.size()));
    return r.error.isEmpty() ? 0 : 1;
}

// A library to list and export: one recording of `samples` samples a second apart, then
// short recordings and now and then a download until it holds `items` items.
int writeLibrary(const QString& dir, int items, std::int64_t samples)
{
    auto opened = Library::open(dir);
    if (!opened.library)
        return 1;
    Library& lib = *opened.library;
    LibraryStatus s;
    RecordingHeader h;
    h.started = 46027.5;
    h.rateSeconds = 1;
    h.recordCount = int(samples);
    h.name = QStringLiteral("long run");
    const auto id = lib.beginRecording(h, &s);
    if (!id)
        return 1;
    std::vector<JournalSample> chunk;
    for (std::int64_t first = 0; first < samples; first += 10'000) {
        chunk.clear();
        for (std::int64_t i = first; i < std::min(samples, first + 10'000); ++i) {
            JournalSample j;
            j.time = h.started + double(i) / 86400.0;
            for (int c = 0; c < 4; ++c)
                j.t[std::size_t(c)] = float(20.0 + double((i + c * 7) % 200) / 10.0);
            chunk.push_back(j);
        }
        if (!lib.appendSamples(*id, first, chunk.data(), chunk.size()).ok())
            return 1;
    }
    lib.endRecording(*id, kStateComplete, {}, {});
    const QByteArray image(4096, '\0');
    for (int i = 1; i < items; ++i) {
        if (i % 10 == 9) {
            lib.storeDownload(image, {}, 46000.0 + i, QStringLiteral("SN"), QStringLiteral("download"), &s);
            continue;
        }
        RecordingHeader r = h;
        r.started = 46000.0 + i;
        r.recordCount = 1;
        r.name = QStringLiteral("run %1").arg(i);
        const auto rid = lib.beginRecording(r, &s);
        if (!rid)
            return 1;
        JournalSample j;
        j.time = r.started;
        lib.appendSample(*rid, 0, j);
        lib.endRecording(*rid, kStateComplete, {}, {});
    }
    report("recording_id", double(*id));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    // Without a window: a plain process, as a command-line tool starts.
    if (argc > 2 && std::strcmp(argv[1], "read-table") == 0) {
        QCoreApplication app(argc, argv);
        return readTable(QString::fromLocal8Bit(argv[2]));
    }
    if (argc > 4 && std::strcmp(argv[1], "write-library") == 0) {
        QCoreApplication app(argc, argv);
        return writeLibrary(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atoll(argv[4]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const QStringList args = QApplication::arguments();
    const QString what = args.value(1);
    const QString arg = args.value(2);
    if (what == QLatin1String("startup"))
        return startup(app, [] {
            static RealProgram rig(QString{});
            return new TfrmMain(*rig.program);
        });
    if (what == QLatin1String("startup-bare"))
        return startup(app, [] {
            auto* w = new QMainWindow;
            auto* plot = new QCustomPlot(w);
            plot->addGraph();
            w->setCentralWidget(plot);
            return w;
        });
    if (what == QLatin1String("open-table"))
        return openTable(arg);
    if (what == QLatin1String("read-table-plain"))
        return readTablePlain(arg);
    if (what == QLatin1String("save-table"))
        return saveTable(arg);
    if (what == QLatin1String("write-table-plain"))
        return writeTablePlain(arg);
    if (what == QLatin1String("download"))
        return download(arg.toInt());
    if (what == QLatin1String("download-protocol"))
        return downloadProtocol(arg.toInt());
    if (what == QLatin1String("write-collection"))
        return downloadProtocol(0, arg);
    std::fprintf(stderr, "kelvor-benchdriver: unknown scenario '%s'\n", qPrintable(what));
    return 2;
}
