// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/captureformat.h"

#include "base/hexdigit.h"

#include <QList>

namespace kelvor {

namespace {

constexpr qsizetype kCaptureMaxLineBytes = 64 * 1024;

// A token as a message may quote it: a capture is any file the user names, and its raw
// bytes (NUL, escape sequences) would otherwise land in a terminal or a dialog.
QString quotedToken(const QByteArray& token)
{
    constexpr qsizetype kShown = 16;
    QString out;
    for (const char c : token.left(kShown)) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7f && c != '\\' && c != '\'')
            out += QLatin1Char(c);
        else
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
    }
    if (token.size() > kShown)
        out += QLatin1String("...");
    return out;
}

bool parseHexByte(const QByteArray& token, std::uint8_t* out)
{
    if (token.isEmpty() || token.size() > 2)
        return false;
    int v = 0;
    for (char c : token) {
        const int d = HexDigitValue(c);
        if (d < 0)
            return false;
        v = v * 16 + d;
    }
    *out = std::uint8_t(v);
    return true;
}

// Reads exactly `count` hex bytes from tokens[first..]; the caller has checked the count.
bool parseBytes(const QList<QByteArray>& tokens, qsizetype first, std::vector<std::uint8_t>* out, QString* what)
{
    out->clear();
    out->reserve(std::size_t(tokens.size() - first));
    for (qsizetype i = first; i < tokens.size(); ++i) {
        std::uint8_t b = 0;
        if (!parseHexByte(tokens[i], &b)) {
            *what = QStringLiteral("'%1' is not a hex byte").arg(quotedToken(tokens[i]));
            return false;
        }
        out->push_back(b);
    }
    return true;
}

bool parseLine(const QList<QByteArray>& t, CaptureEntry* e, QString* what)
{
    const QByteArray& tag = t[0];
    if (tag == "O") {
        e->kind = CaptureEntry::Kind::Open;
        if (t.size() == 2 && (t[1] == "OK" || t[1] == "FAIL")) {
            e->ok = t[1] == "OK";
            return true;
        }
        *what = QStringLiteral("expected 'O OK' or 'O FAIL'");
        return false;
    }
    if (tag == "W" || tag == "B") {
        const bool frame = tag == "W";
        e->kind = frame ? CaptureEntry::Kind::Frame : CaptureEntry::Kind::Block;
        if (frame && t.size() == 2 && t[1] == "*") {
            e->anyFrame = true;
            return true;
        }
        const int want = frame ? kCaptureFrameBytes : kCaptureBlockBytes;
        if (t.size() - 1 != want) {
            *what =
                QStringLiteral("a %1 line needs %2 bytes, found %3").arg(quotedToken(tag)).arg(want).arg(t.size() - 1);
            return false;
        }
        return parseBytes(t, 1, &e->bytes, what);
    }
    if (tag == "R") {
        e->kind = CaptureEntry::Kind::Read;
        bool ok = false;
        const int n = t.size() >= 2 ? t[1].toInt(&ok) : 0;
        if (!ok || n <= 0 || n > kCaptureMaxReadBytes) {
            *what = QStringLiteral("an R line needs a length from 1 to %1").arg(kCaptureMaxReadBytes);
            return false;
        }
        e->length = n;
        if (t.size() == 3 && t[2] == "FAIL") {
            e->ok = false;
            return true;
        }
        if (t.size() - 2 != n) {
            *what = QStringLiteral("'R %1' needs %1 bytes or FAIL, found %2 bytes").arg(n).arg(t.size() - 2);
            return false;
        }
        return parseBytes(t, 2, &e->bytes, what);
    }
    *what = QStringLiteral("unknown line kind '%1' (expected O, W, B or R)").arg(quotedToken(tag));
    return false;
}

}  // namespace

bool parseCapture(const QByteArray& text, std::vector<CaptureEntry>* entries, QString* error)
{
    entries->clear();
    int lineNo = 0;
    for (qsizetype from = 0; from <= text.size();) {
        qsizetype end = text.indexOf('\n', from);
        if (end < 0)
            end = text.size();
        QByteArray line = text.mid(from, end - from);
        from = end + 1;
        ++lineNo;
        const qsizetype hash = line.indexOf('#');
        if (hash >= 0)
            line.truncate(hash);
        // The longest valid line is an R line of kCaptureMaxReadBytes bytes; anything far
        // longer is refused before it is split into tokens.
        if (line.size() > kCaptureMaxLineBytes) {
            if (error)
                *error = QStringLiteral("line %1 is longer than %2 bytes").arg(lineNo).arg(kCaptureMaxLineBytes);
            entries->clear();
            return false;
        }
        const QByteArray simple = line.simplified();  // tabs, CR and runs of blanks
        if (simple.isEmpty())
            continue;
        CaptureEntry e;
        e.line = lineNo;
        QString what;
        if (!parseLine(simple.split(' '), &e, &what)) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(lineNo).arg(what);
            entries->clear();
            return false;
        }
        entries->push_back(std::move(e));
    }
    return true;
}

QByteArray formatCaptureEntry(const CaptureEntry& e)
{
    QByteArray out;
    auto hex = [&out](const std::vector<std::uint8_t>& bytes) {
        for (std::uint8_t b : bytes)
            out += ' ' + QByteArray::number(b, 16).rightJustified(2, '0');
    };
    switch (e.kind) {
        case CaptureEntry::Kind::Open:
            out = e.ok ? "O OK" : "O FAIL";
            break;
        case CaptureEntry::Kind::Frame:
            out = "W";
            if (e.anyFrame)
                out += " *";
            else
                hex(e.bytes);
            break;
        case CaptureEntry::Kind::Block:
            out = "B";
            hex(e.bytes);
            break;
        case CaptureEntry::Kind::Read:
            out = "R " + QByteArray::number(e.length);
            if (e.ok)
                hex(e.bytes);
            else
                out += " FAIL";
            break;
    }
    out += '\n';
    return out;
}

}  // namespace kelvor
