// SPDX-License-Identifier: GPL-3.0-or-later
// The windowed program's command line (one argument per line of the input) and what is
// dropped on its window (the text after the first 0xFF byte, as a drag's URL list).
// Every command line goes on or ends with a defined status, a refusal says why, and
// the files to open are absolute paths that reach a running copy unchanged; a drop
// gives absolute local paths only.
#include <QCoreApplication>
#include <QDir>
#include <QMimeData>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "base/instancerequest.h"
#include "files/droppedfiles.h"
#include "meter/choice/devicechoice.h"
#include "program/programoptions.h"

namespace {

bool validUtf16(const QString& s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            ++i;
        else if (s[i].isSurrogate())
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvor;
    static int argc = 1;
    static char name[] = "kelvor";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = input.indexOf('\xff');
    const QByteArray commandLine = split < 0 ? input : input.left(split);

    // An argument of a real command line never holds a NUL.
    QStringList args{QStringLiteral("kelvor")};
    for (const QString& a : QString::fromUtf8(commandLine).remove(QChar(0)).split(QLatin1Char('\n')))
        if (args.size() < 16)
            args << a;
    ProgramOptions options;
    const ProgramOptionsRead read = ReadProgramOptions(args, options);
    if (read.exitStatus != -1 && read.exitStatus != 0 && read.exitStatus != 2)
        std::abort();
    if (read.exitStatus == 2 && !read.err.contains(QLatin1String("kelvor --help")))
        std::abort();  // a refusal says why and where to look
    if (read.exitStatus == 0 && read.out.isEmpty())
        std::abort();
    if (read.exitStatus == -1) {
        // What goes on is what the device choice takes.
        if (!MeterOptionsError(options.meter, options.capture, !options.capture.isEmpty()).isEmpty())
            std::abort();
        QStringList forwarded;
        for (const QString& f : options.files) {
            if (!QDir::isAbsolutePath(f))
                std::abort();
            if (validUtf16(f) && !f.contains(QLatin1Char('\n')))
                forwarded << f;
        }
        bool bad = false;
        const QByteArray request = EncodeInstanceRequest(options.files);
        const std::optional<QStringList> got = DecodeInstanceRequest(request, &bad);
        if (request.size() - 8 <= kInstanceRequestMax && (!got || bad))
            std::abort();
        if (got && got->size() >= forwarded.size()) {
            for (const QString& f : forwarded)
                if (!got->contains(f))
                    std::abort();  // a file reaches a running copy under another name
        }
    }

    if (split >= 0) {
        QMimeData mime;
        mime.setData(QStringLiteral("text/uri-list"), input.mid(split + 1));
        for (const QString& path : DroppedFiles(mime.urls()))
            if (path.isEmpty() || !QDir::isAbsolutePath(path))
                std::abort();
    }
    return 0;
}
