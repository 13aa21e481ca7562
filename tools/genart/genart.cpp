// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the panel's bitmaps (digit sets, LCD annunciators, tool bar icons) into
// resources/. Run once after changing the artwork; the PNGs are committed.
//   tools/genart/build-and-run.sh
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cstdio>

namespace {

QString g_out;

void save(const QImage& img, const QString& name)
{
    const QString path = g_out + QLatin1Char('/') + name;
    if (!img.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

// Seven-segment digit: bits a (top), b (upper right), c (lower right), d (bottom),
// e (lower left), f (upper left), g (middle).
enum Seg { A = 1, B = 2, C = 4, D = 8, E = 16, F = 32, G = 64 };

int digitSegments(int d)
{
    static const int table[10] = {A | B | C | D | E | F, B | C,         A | B | D | E | G,
                                  A | B | C | D | G,     B | C | F | G, A | C | D | F | G,
                                  A | C | D | E | F | G, A | B | C,     A | B | C | D | E | F | G,
                                  A | B | C | D | F | G};
    return table[d];
}

// Hexagonal segment between two points, thickness t.
QPolygonF segment(QPointF p1, QPointF p2, double t)
{
    const bool horizontal = std::abs(p1.y() - p2.y()) < std::abs(p1.x() - p2.x());
    const double h = t / 2.0;
    if (horizontal)
        return QPolygonF({QPointF(p1.x(), p1.y()), QPointF(p1.x() + h, p1.y() - h), QPointF(p2.x() - h, p2.y() - h),
                          QPointF(p2.x(), p2.y()), QPointF(p2.x() - h, p2.y() + h), QPointF(p1.x() + h, p1.y() + h)});
    return QPolygonF({QPointF(p1.x(), p1.y()), QPointF(p1.x() + h, p1.y() + h), QPointF(p2.x() + h, p2.y() - h),
                      QPointF(p2.x(), p2.y()), QPointF(p2.x() - h, p2.y() - h), QPointF(p1.x() - h, p1.y() + h)});
}

// Draws the segments `mask` into a w x h cell; slant shifts the top to the right.
void drawSegments(QPainter& p, int mask, QRectF box, double t, double slant)
{
    const double gap = t * 0.18;
    const double l = box.left(), r = box.right(), top = box.top(), bot = box.bottom();
    const double mid = (top + bot) / 2.0;
    auto sx = [&](double x, double y) { return x + slant * (bot - y) / (bot - top); };
    auto P = [&](double x, double y) { return QPointF(sx(x, y), y); };
    struct S {
        int bit;
        QPointF a, b;
    };
    const S segs[] = {
        {A, P(l + gap, top), P(r - gap, top)}, {B, P(r, top + gap), P(r, mid - gap)},
        {C, P(r, mid + gap), P(r, bot - gap)}, {D, P(l + gap, bot), P(r - gap, bot)},
        {E, P(l, mid + gap), P(l, bot - gap)}, {F, P(l, top + gap), P(l, mid - gap)},
        {G, P(l + gap, mid), P(r - gap, mid)},
    };
    for (const S& s : segs)
        if (mask & s.bit)
            p.drawPolygon(segment(s.a, s.b, t));
}

QImage digitImage(int w, int h, int mask, double t, double slant, QRectF box)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 22, 20));
    drawSegments(p, mask, box, t, slant);
    return img;
}

void digitSets()
{
    for (int i = 0; i <= 24; ++i) {
        int mask = 0;
        if (i <= 9)
            mask = digitSegments(i);
        else if (i == 17)
            mask = G;
        else if (i == 18)
            mask = D | E | F;
        save(digitImage(30, 52, mask, 6.0, 3.0, QRectF(6.5, 4.5, 18, 43)), QStringLiteral("LCD%1.png").arg(i));
        int mask2 = i <= 9 ? digitSegments(i) : 0;
        const int w2 = i == 14 ? 26 : 16;
        save(digitImage(w2, 26, mask2, 3.0, 1.5, QRectF(3.0, 2.5, 9, 21)), QStringLiteral("LCDS%1.png").arg(i));
    }
}

// Transparent annunciator with LCD-black content.
QImage blank(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

const QColor kInk(20, 22, 20);

QImage textMark(const QString& text, int w, int h, int px, bool boxed = false, bool bold = true)
{
    QImage img = blank(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont f(QStringLiteral("DejaVu Sans Condensed"));
    f.setPixelSize(px);
    f.setBold(bold);
    p.setFont(f);
    if (boxed) {
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawRoundedRect(QRectF(0, 0, w, h), 2, 2);
        p.setPen(QColor(0xc9, 0xd3, 0xb8));
    } else {
        p.setPen(kInk);
    }
    p.drawText(QRect(0, 0, w, h), Qt::AlignCenter, text);
    return img;
}

void annunciators()
{
    save(textMark(QStringLiteral("HOLD"), 32, 12, 10, true), QStringLiteral("ann_hold.png"));
    save(textMark(QStringLiteral("MAX"), 28, 13, 11), QStringLiteral("ann_max.png"));
    save(textMark(QStringLiteral("MIN"), 26, 13, 11), QStringLiteral("ann_min.png"));
    save(textMark(QStringLiteral("AVG"), 28, 13, 11), QStringLiteral("ann_avg.png"));
    save(textMark(QStringLiteral("MEM"), 28, 12, 10), QStringLiteral("ann_mem.png"));
    save(textMark(QStringLiteral("RECALL"), 42, 12, 10), QStringLiteral("ann_recall.png"));
    save(textMark(QStringLiteral("TYPE"), 30, 12, 10), QStringLiteral("ann_type.png"));
    for (const char* t : {"K", "J", "E", "T"})
        save(textMark(QString::fromLatin1(t), 10, 12, 11),
             QStringLiteral("ann_type_%1.png").arg(QString::fromLatin1(t).toLower()));
    save(textMark(QStringLiteral("REC"), 30, 12, 10, true), QStringLiteral("ann_rec.png"));
    save(textMark(QStringLiteral("FULL"), 32, 12, 10), QStringLiteral("ann_full.png"));
    save(textMark(QStringLiteral("ALARM"), 40, 12, 10), QStringLiteral("ann_alarm.png"));
    save(textMark(QStringLiteral("°C"), 20, 18, 14), QStringLiteral("ann_c.png"));
    save(textMark(QStringLiteral("°F"), 20, 18, 14), QStringLiteral("ann_f.png"));

    {  // minus sign 16 x 11 and decimal point 5 x 7
        QImage m = blank(16, 11);
        QPainter p(&m);
        p.fillRect(QRectF(1, 4, 14, 3.5), kInk);
        p.end();
        save(m, QStringLiteral("ann_minus.png"));
        QImage d = blank(5, 7);
        QPainter q(&d);
        q.setRenderHint(QPainter::Antialiasing);
        q.setPen(Qt::NoPen);
        q.setBrush(kInk);
        q.drawEllipse(QRectF(0.5, 2, 4, 4));
        q.end();
        save(d, QStringLiteral("ann_point.png"));
    }
    {  // automatic power-off: a small clock face with "APO"
        QImage a = blank(28, 12);
        QPainter p(&a);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(kInk, 1.4));
        p.drawEllipse(QRectF(1, 1, 10, 10));
        p.drawLine(QPointF(6, 6), QPointF(6, 3));
        p.drawLine(QPointF(6, 6), QPointF(8.5, 6));
        QFont f(QStringLiteral("DejaVu Sans Condensed"));
        f.setPixelSize(9);
        f.setBold(true);
        p.setFont(f);
        f.setPixelSize(8);
        p.setFont(f);
        p.drawText(QRect(12, 0, 16, 12), Qt::AlignCenter, QStringLiteral("APO"));
        p.end();
        save(a, QStringLiteral("ann_autooff.png"));
    }
    for (int bars = 0; bars <= 3; ++bars) {  // battery 29 x 12
        QImage b = blank(29, 12);
        QPainter p(&b);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(3.75, 1.75, 23.5, 8.5));
        p.fillRect(QRectF(0.5, 4, 3, 4), kInk);
        for (int i = 0; i < bars; ++i)
            p.fillRect(QRectF(20.5 - i * 7.0, 3.5, 5, 5), kInk);
        p.end();
        save(b, QStringLiteral("ann_bat%1.png").arg(bars));
    }
}

// Tool bar icons, 24 x 24, simple flat drawings.
QImage icon() { return blank(24, 24); }

void icons()
{
    const QColor ink(50, 60, 75);
    {
        QImage i = icon();
        QPainter p(&i);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(ink, 1.2));
        p.setBrush(QColor(240, 200, 90));
        QPainterPath path;
        path.moveTo(2, 6);
        path.lineTo(9, 6);
        path.lineTo(11, 8);
        path.lineTo(21, 8);
        path.lineTo(21, 19);
        path.lineTo(2, 19);
        path.closeSubpath();
        p.drawPath(path);
        p.setBrush(QColor(250, 220, 120));
        p.drawPolygon(QPolygonF({QPointF(5, 11), QPointF(23, 11), QPointF(20, 19), QPointF(2, 19)}));
        p.end();
        save(i, QStringLiteral("icon_open.png"));
    }
    {
        QImage i = icon();
        QPainter p(&i);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(ink, 1.2));
        p.setBrush(QColor(70, 110, 170));
        p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 3.5, 10, 6));
        p.setBrush(QColor(220, 225, 235));
        p.drawRect(QRectF(6, 13, 12, 8));
        p.end();
        save(i, QStringLiteral("icon_save.png"));
    }
    {
        QImage i = icon();
        QPainter p(&i);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(ink, 1.2));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 2.5, 10, 7));
        p.setBrush(QColor(150, 155, 165));
        p.drawRoundedRect(QRectF(2.5, 9, 19, 9), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 15, 10, 7));
        p.setPen(QPen(ink, 0.8));
        p.drawLine(QPointF(9, 18), QPointF(15, 18));
        p.drawLine(QPointF(9, 20), QPointF(15, 20));
        p.end();
        save(i, QStringLiteral("icon_print.png"));
    }
    {  // data logger: a small meter with a memory chip
        QImage i = icon();
        QPainter p(&i);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(ink, 1.2));
        p.setBrush(QColor(60, 65, 72));
        p.drawRoundedRect(QRectF(5, 1.5, 14, 21), 3, 3);
        p.setBrush(QColor(0xc9, 0xd3, 0xb8));
        p.drawRect(QRectF(7.5, 4, 9, 7));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 140, 40));
        p.drawEllipse(QRectF(7.5, 14, 3.5, 3.5));
        p.drawEllipse(QRectF(13, 14, 3.5, 3.5));
        p.setPen(QPen(QColor(30, 130, 60), 2));
        p.drawLine(QPointF(12, 20), QPointF(12, 23.5));
        p.end();
        save(i, QStringLiteral("icon_datalogger.png"));
    }
    {  // table to graph
        QImage i = icon();
        QPainter p(&i);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(ink, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 3.5, 10, 12));
        for (int y = 7; y < 16; y += 3)
            p.drawLine(QPointF(1.5, y + 0.5), QPointF(11.5, y + 0.5));
        p.drawLine(QPointF(6.5, 3.5), QPointF(6.5, 15.5));
        p.setPen(QPen(QColor(200, 60, 50), 2));
        p.drawPolyline(QPolygonF({QPointF(12, 20), QPointF(15, 14), QPointF(18, 17), QPointF(22, 8)}));
        p.setPen(QPen(ink, 1));
        p.drawLine(QPointF(12, 22.5), QPointF(23, 22.5));
        p.end();
        save(i, QStringLiteral("icon_tograph.png"));
    }
    {
        QImage i = icon();
        QPainter p(&i);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(20, 110, 40), 1.2));
        p.setBrush(QColor(40, 170, 70));
        p.drawPolygon(QPolygonF({QPointF(6, 3), QPointF(21, 12), QPointF(6, 21)}));
        p.end();
        save(i, QStringLiteral("icon_run.png"));
    }
    {
        QImage i = icon();
        QPainter p(&i);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(140, 30, 30), 1.2));
        p.setBrush(QColor(210, 55, 50));
        p.drawRoundedRect(QRectF(5, 5, 14, 14), 2, 2);
        p.end();
        save(i, QStringLiteral("icon_stop.png"));
    }
    {
        QImage i = icon();
        QPainter p(&i);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(30, 80, 160), 1.2));
        p.setBrush(QColor(70, 130, 220));
        p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(15);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRect(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
        p.end();
        save(i, QStringLiteral("icon_help.png"));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    g_out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources");
    QDir().mkpath(g_out);
    digitSets();
    annunciators();
    icons();
    return 0;
}
