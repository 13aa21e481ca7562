// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/ui/tfrmpanel.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSvgRenderer>
#include <algorithm>

#include "meter/meterlink.h"
#include "panel/ui/digitimages.h"
#include "panel/ui/toucharea.h"
#include "program/monitorpause.h"
#include "program/prompts.h"

namespace kelvor {

namespace {

const QColor kLcdGlass(0xc5, 0xcd, 0xb5);  // must match the glass of meter.svg
const QColor kLcdInk(20, 22, 20);

// White becomes the glass, black stays black: the digit sets are black on white.
QPixmap onGlass(const QPixmap& digit)
{
    if (digit.isNull())
        return {};
    QPixmap out(digit.size());
    out.fill(kLcdGlass);
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_Multiply);
    p.drawPixmap(0, 0, digit);
    return out;
}

QPixmap glass(int w, int h)
{
    QPixmap pm(w, h);
    pm.fill(kLcdGlass);
    return pm;
}

QPixmap art(const char* name) { return QPixmap(QStringLiteral(":/lcd/ann_%1.png").arg(QLatin1String(name))); }

constexpr int kPictureHeight = 723;
// The choice of meter sits in the band between the display's bezel and the highest keys,
// over the input legend, leaving the socket labels on the rim and every key free.
constexpr int kMeterChoiceLeft = 30;
constexpr int kBezelBottom = 394;
constexpr int kKeysTop = 437;

// Sets one attribute, which the element with the given id must already have, in the
// picture's source.
void setAttribute(QByteArray& svg, const char* id, const char* attribute, const QByteArray& value)
{
    const QRegularExpression re(
        QStringLiteral("<[^>]*\\sid=\"%1\"[^>]*\\s%2=\"([^\"]*)\"").arg(QLatin1String(id), QLatin1String(attribute)));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(svg));
    if (m.hasMatch())
        svg.replace(m.capturedStart(1), m.capturedLength(1), value);
}

// The meter's picture, `trim` pixels shorter at the bottom: the holster and the face end
// higher, and the legend under the keys goes once there is no room left for it.
QPixmap renderMeter(int trim)
{
    registerShellResources();
    QPixmap pm(TfrmPanel::kClientWidth, kPictureHeight - trim);
    pm.fill(Qt::white);
    QFile file(QStringLiteral(":/panel/meter.svg"));
    QByteArray source = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (trim > 0) {
        setAttribute(source, "holster", "height", QByteArray::number(701 - trim));
        setAttribute(source, "faceplate", "height", QByteArray::number(673 - trim));
        if (trim > 10)
            setAttribute(source, "legend", "display", "none");
        else
            setAttribute(source, "legend", "y", QByteArray::number(683 - trim));
        setAttribute(source, "picture", "height", QByteArray::number(kPictureHeight - trim));
        setAttribute(source, "picture", "viewBox", "0 0 314 " + QByteArray::number(kPictureHeight - trim));
    }
    QSvgRenderer svg(source);
    if (svg.isValid()) {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        svg.render(&p);
    }
    return pm;
}

constexpr int kDigitLeft[4] = {115, 149, 184, 218};
constexpr int kDigitLeftT4[4] = {116, 150, 185, 219};
constexpr int kRowTop[4] = {131, 187, 244, 302};

}  // namespace

TfrmPanel::TfrmPanel(MeterAccess meter, const DigitImages* digits, QWidget* parent)
    : QWidget(parent), m_meter(std::in_place, meter)
{
    setObjectName(QStringLiteral("frmPanel"));
    // A click on the panel gives it the focus, so its keys work from the keyboard.
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Front panel"));
    setWindowTitle(QStringLiteral("PANEL"));
    setFixedSize(kClientWidth, kClientHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    static const DigitImages none;
    const DigitImages& set = digits ? *digits : none;
    for (int i = 0; i < 25; ++i) {
        m_large[std::size_t(i)] = onGlass(set.large[std::size_t(i)]);
        m_smallSet[std::size_t(i)] = onGlass(set.small[std::size_t(i)]);
    }
    m_blankLarge = glass(30, 52);
    m_blankSmall = glass(16, 26);
    m_digitCache.fill(kNotDrawn);

    buildPicture();
    buildOverlays();
    buildKeys();

    m_meterChoice = new QComboBox(this);
    m_meterChoice->setObjectName(QStringLiteral("cmbPanelMeter"));
    m_meterChoice->setAccessibleName(QStringLiteral("Meter shown on the panel"));
    m_meterChoice->setFocusPolicy(Qt::ClickFocus);
    const int choiceHeight = std::min(m_meterChoice->sizeHint().height(), kKeysTop - kBezelBottom - 4);
    m_meterChoice->setGeometry(kMeterChoiceLeft, kBezelBottom + (kKeysTop - kBezelBottom - choiceHeight) / 2,
                               kClientWidth - 2 * kMeterChoiceLeft, choiceHeight);
    m_meterChoice->hide();
    connect(m_meterChoice, &QComboBox::activated, this, &TfrmPanel::meterChosen);
}

void TfrmPanel::setMeters(const QStringList& labels, int current)
{
    const QSignalBlocker quiet(m_meterChoice);
    m_meterChoice->clear();
    if (labels.size() > 1)
        m_meterChoice->addItems(labels);
    m_meterChoice->setCurrentIndex(labels.size() > 1 ? std::clamp(current, 0, int(labels.size()) - 1) : -1);
    m_meterChoice->setVisible(labels.size() > 1);
    m_meterChoice->raise();
}

void TfrmPanel::setMeter(MeterAccess meter) { m_meter.emplace(meter); }

TfrmPanel::~TfrmPanel() = default;

TfrmPanel* TfrmPanel::create(MeterAccess meter, const DigitImages* digits, QMdiArea& area)
{
    auto* panel = new TfrmPanel(meter, digits);
    auto* sub = new QMdiSubWindow(&area, Qt::FramelessWindowHint);
    sub->setObjectName(QStringLiteral("PanelSubWindow"));
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWidget(panel);
    sub->setWindowTitle(panel->windowTitle());
    area.addSubWindow(sub);
    // No title bar, but the single border stays: one dark pixel round the client area.
    sub->setContentsMargins(1, 1, 1, 1);
    sub->setAutoFillBackground(true);
    QPalette pal = sub->palette();
    pal.setColor(QPalette::Window, QColor(0x40, 0x40, 0x40));
    sub->setPalette(pal);
    // The meter's picture has one size: tiling or cascading must not stretch it.
    sub->setFixedSize(kClientWidth + 2, kClientHeight + 2);
    sub->move(0, 0);
    panel->m_area = area.viewport();
    panel->m_area->installEventFilter(panel);
    panel->fitToHeight(panel->m_area->height());
    sub->show();
    return panel;
}

QMdiSubWindow* TfrmPanel::subWindow() const { return qobject_cast<QMdiSubWindow*>(parentWidget()); }

void TfrmPanel::fitToHeight(int room)
{
    const int trim = std::clamp(kClientHeight + 2 - room, 0, kMaxTrim);
    if (trim == m_trim)
        return;
    m_trim = trim;
    setFixedSize(kClientWidth, kClientHeight - trim);
    m_picture->setGeometry(0, 0, kClientWidth, kPictureHeight - trim);
    m_picture->setPixmap(renderMeter(trim));
    if (QMdiSubWindow* sub = subWindow())
        sub->setFixedSize(kClientWidth + 2, kClientHeight - trim + 2);
}

QLabel* TfrmPanel::element(const char* name) const { return findChild<QLabel*>(QLatin1String(name)); }

void TfrmPanel::buildPicture()
{
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("imgPanel"));
    m_picture->setGeometry(0, 0, kClientWidth, kPictureHeight);
    m_picture->setAttribute(Qt::WA_OpaquePaintEvent);
    m_picture->setPixmap(renderMeter(0));
    m_picture->installEventFilter(this);

    auto* k = text("Label7", QStringLiteral("K"), QPoint(8, 81), 9, true);
    k->setStyleSheet(QStringLiteral("color: #5a4306;"));
}

QLabel* TfrmPanel::image(const char* name, const QPixmap& pm, QPoint pos, bool visible)
{
    auto* l = new QLabel(this);
    l->setObjectName(QLatin1String(name));
    l->setPixmap(pm);
    l->setGeometry(QRect(pos, pm.isNull() ? QSize(1, 1) : pm.size()));
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    l->setVisible(visible);
    return l;
}

QLabel* TfrmPanel::text(const char* name, const QString& t, QPoint pos, int px, bool visible)
{
    auto* l = new QLabel(t, this);
    l->setObjectName(QLatin1String(name));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(px);
    l->setFont(f);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, kLcdInk);
    l->setPalette(pal);
    l->adjustSize();
    l->move(pos);
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    l->setVisible(visible);
    return l;
}

void TfrmPanel::buildOverlays()
{
    static const char* const kDigitNames[16] = {"T1D1", "T1D2", "T1D3", "T1D4", "T2D1", "T2D2", "T2D3", "T2D4",
                                                "T3D1", "T3D2", "T3D3", "T3D4", "T4D1", "T4D2", "T4D3", "T4D4"};
    for (int row = 0; row < 4; ++row)
        for (int d = 0; d < 4; ++d) {
            const int left = row == 3 ? kDigitLeftT4[d] : kDigitLeft[d];
            QLabel* l = image(kDigitNames[row * 4 + d], m_blankLarge, QPoint(left, kRowTop[row]), true);
            l->setFixedSize(30, 52);
            l->setAttribute(Qt::WA_OpaquePaintEvent);
            m_digits[std::size_t(row * 4 + d)] = l;
        }
    m_small[0] = image("Image17", m_blankSmall, QPoint(234, 100), true);
    m_small[1] = image("Image18", m_blankSmall, QPoint(253, 100), true);

    auto seg = [this](Segment s, QLabel* l) { m_segment[std::size_t(s)] = l; };
    seg(Segment::LabelT1, text("lblT1", QStringLiteral("T1"), QPoint(89, 131), 17, true));
    seg(Segment::LabelT2, text("lblT2", QStringLiteral("T2"), QPoint(89, 188), 17, true));
    seg(Segment::LabelT3, text("lblT3", QStringLiteral("T3"), QPoint(90, 245), 17, true));
    seg(Segment::LabelT4, text("lblT4", QStringLiteral("T4"), QPoint(90, 301), 17, true));

    const QPixmap minus = art("minus");
    seg(Segment::T1Minus, image("T1_minus", minus, QPoint(93, 154), false));
    seg(Segment::T2Minus, image("T2_minus", minus, QPoint(93, 210), false));
    seg(Segment::T3Minus, image("T3_minus", minus, QPoint(93, 268), false));
    seg(Segment::T4Minus, image("T4_minus", minus, QPoint(93, 326), false));
    const QPixmap point = art("point");
    seg(Segment::T1Point, image("T1_P", point, QPoint(212, 174), true));
    seg(Segment::T2Point, image("T2_P", point, QPoint(212, 228), true));
    seg(Segment::T3Point, image("T3_P", point, QPoint(212, 288), true));
    seg(Segment::T4Point, image("T4_P", point, QPoint(212, 346), true));

    const QPixmap f = art("f"), c = art("c");
    seg(Segment::T1F, image("imgT1F", f, QPoint(252, kRowTop[0] + 6), false));
    seg(Segment::T1C, image("imgT1C", c, QPoint(252, kRowTop[0] + 28), false));
    seg(Segment::T2F, image("imgT2F", f, QPoint(252, kRowTop[1] + 6), false));
    seg(Segment::T2C, image("imgT2C", c, QPoint(252, kRowTop[1] + 28), false));
    seg(Segment::T3F, image("imgT3F", f, QPoint(253, kRowTop[2] + 6), false));
    seg(Segment::T3C, image("imgT3C", c, QPoint(253, kRowTop[2] + 28), false));
    seg(Segment::T4F, image("imgT4F", f, QPoint(254, kRowTop[3] + 6), false));
    seg(Segment::T4C, image("imgT4C", c, QPoint(254, kRowTop[3] + 28), false));

    seg(Segment::Max, image("lblMAX", art("max"), QPoint(92, 100), false));
    seg(Segment::Min, image("lblMIN", art("min"), QPoint(129, 100), false));
    seg(Segment::Avg, image("lblAVG", art("avg"), QPoint(161, 100), false));
    seg(Segment::Hold, image("imgHOLD", art("hold"), QPoint(94, 115), false));
    seg(Segment::Type, image("imgType", art("type"), QPoint(52, 100), true));
    seg(Segment::TypeK, image("imgK", art("type_k"), QPoint(49, 114), false));
    seg(Segment::TypeJ, image("imgJ", art("type_j"), QPoint(61, 114), false));
    seg(Segment::TypeE, image("imgE", art("type_e"), QPoint(71, 114), false));
    seg(Segment::TypeT, image("imgT", art("type_t"), QPoint(82, 114), false));
    seg(Segment::Mem, image("imgMEM", art("mem"), QPoint(197, 100), false));
    seg(Segment::Recall, image("imgRecall", art("recall"), QPoint(178, 114), false));
    seg(Segment::T1T2, text("lblT1_T2", QStringLiteral("T1-T2"), QPoint(68, 278), 12, false));
    seg(Segment::AutoOff, image("imgAutoOff", art("autooff"), QPoint(59, 312), false));
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "imgBat" + QByteArray::number(i);
        m_bat[i] = image(name.constData(), art(("bat" + QByteArray::number(i)).constData()), QPoint(50, 346), false);
    }
    seg(Segment::Alarm, image("imgAlarm", art("alarm"), QPoint(49, 364), false));
    // Which limit bit is which is ours to choose: bit 1 is the high limit.
    seg(Segment::AlarmLimit1, text("lblHi", QStringLiteral("Hi"), QPoint(102, 360), 13, false));
    seg(Segment::AlarmLimit0, text("lblLO", QStringLiteral("Lo"), QPoint(123, 360), 13, false));
    seg(Segment::Rec, image("imgREC", art("rec"), QPoint(196, 365), false));
    seg(Segment::Full, image("imgFULL", art("full"), QPoint(232, 365), false));

    m_noConnection = new QLabel(QStringLiteral("No Connection"), this);
    m_noConnection->setObjectName(QStringLiteral("lblNoConnection"));
    QFont nf(QStringLiteral("Arial"));
    nf.setPixelSize(17);
    nf.setBold(true);
    m_noConnection->setFont(nf);
    QPalette pal = m_noConnection->palette();
    pal.setColor(QPalette::WindowText, QColor(0xd0, 0x10, 0x10));
    m_noConnection->setPalette(pal);
    m_noConnection->adjustSize();
    m_noConnection->move(88, 89);
    m_noConnection->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_noConnection->hide();
}

namespace {
// The pictured keys: where they lie, their hints (the described ones kept as they are),
// what a screen reader calls them and the keyboard key that presses them while the
// panel has the focus.
struct PanelKey {
    const char* name;
    QRect area;
    const char* hint;
    const char* spoken;
    Qt::Key key;
    void (TfrmPanel::*click)();
};
const PanelKey kPanelKeys[] = {
    {"btnHOLD", QRect(136, 479, 43, 50), "HOLD (H)", "HOLD", Qt::Key_H, &TfrmPanel::btnHOLDClick},
    {"btnMMA", QRect(67, 522, 50, 55), "click to change AVG/MAX/MIN mode, double click  to cancel .", "MIN/MAX/AVG",
     Qt::Key_M, &TfrmPanel::btnMMAClick},
    {"btnRec", QRect(136, 561, 44, 64), "REC (R)", "REC", Qt::Key_R, &TfrmPanel::btnRecClick},
    {"btnCF", QRect(197, 525, 51, 52), "\u00B0C/\u00B0F (U)", "\u00B0C/\u00B0F unit", Qt::Key_U,
     &TfrmPanel::btnCFClick},
    {"btnBackLight", QRect(212, 437, 38, 44), "Backlight (L)", "Backlight", Qt::Key_L, &TfrmPanel::btnBackLightClick},
    {"btnRecall", QRect(68, 607, 40, 50), "RECALL (A)", "RECALL", Qt::Key_A, &TfrmPanel::btnRecallClick},
    {"btnMem", QRect(208, 607, 40, 50), "MEM (E)", "MEM", Qt::Key_E, &TfrmPanel::btnMemClick},
    {"btnClose", QRect(61, 437, 56, 44), "Close PANEL", "Close the panel", Qt::Key_unknown, &TfrmPanel::btnCloseClick},
};
}  // namespace

void TfrmPanel::buildKeys()
{
    for (const PanelKey& k : kPanelKeys) {
        auto* area = new TouchArea(QLatin1String(k.name), k.area, QString::fromUtf8(k.hint), this);
        area->setAccessibleName(QString::fromUtf8(k.spoken));
        if (k.key != Qt::Key_unknown)
            area->setAccessibleDescription(QStringLiteral("Key %1").arg(QKeySequence(k.key).toString()));
        connect(area, &TouchArea::clicked, this, k.click);
        if (qstrcmp(k.name, "btnMMA") == 0) {
            area->setAccessibleDescription(QStringLiteral("Key M; N leaves the MIN/MAX/AVG mode"));
            connect(area, &TouchArea::doubleClicked, this, &TfrmPanel::btnMMADblClick);
        }
    }
}

void TfrmPanel::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (modifiers == Qt::NoModifier && !event->isAutoRepeat()) {
        if (event->key() == Qt::Key_N) {
            btnMMADblClick();
            return;
        }
        for (const PanelKey& k : kPanelKeys)
            if (k.key != Qt::Key_unknown && event->key() == k.key) {
                (this->*k.click)();
                return;
            }
    }
    QWidget::keyPressEvent(event);
}

const QPixmap& TfrmPanel::largeGlyph(std::uint8_t glyph) const
{
    if (glyph < m_large.size() && !m_large[glyph].isNull())
        return m_large[glyph];
    return m_blankLarge;  // a glyph whose image is missing shows nothing
}

const QPixmap& TfrmPanel::smallGlyph(std::uint8_t glyph) const
{
    if (glyph < m_smallSet.size() && !m_smallSet[glyph].isNull())
        return m_smallSet[glyph];
    return m_blankSmall;
}

void TfrmPanel::setShown(QLabel* label, bool on)
{
    if (label && label->isHidden() == on)
        label->setVisible(on);
}

void TfrmPanel::RedrawPanel(const LiveReading& live)
{
    for (std::size_t i = 0; i < m_digits.size(); ++i) {
        const std::uint8_t g = live.Glyphs[i];
        if (g == m_digitCache[i])
            continue;
        m_digits[i]->setPixmap(largeGlyph(g));
        m_digitCache[i] = g;
        ++m_largeAssignments;
    }
    // The small digits are not cached by glyph; comparing the image keeps an unchanged
    // one from repainting all the same.
    for (int i = 0; i < 2; ++i) {
        const QPixmap& pm = smallGlyph(live.Glyphs[std::size_t(kSmallDigit1 + i)]);
        const QPixmap current = m_small[i]->pixmap();
        if (current.cacheKey() != pm.cacheKey())
            m_small[i]->setPixmap(pm);
    }

    for (std::size_t s = 0; s < m_segment.size(); ++s) {
        QLabel* el = m_segment[s];
        if (!el)
            continue;  // battery: below
        const auto seg = Segment(s);
        if ((seg == Segment::Rec || seg == Segment::Full) && live.RecFullBlink)
            continue;  // RecFullTimer owns them
        if ((seg == Segment::Max || seg == Segment::Min || seg == Segment::Avg) && live.MaxMinTimed)
            continue;  // MaxMinTimer owns them
        setShown(el, live.Segments[s]);
    }

    int bars = -1;
    if (live.segment(Segment::BatFull))
        bars = 3;
    else if (live.segment(Segment::Bat2))
        bars = 2;
    else if (live.segment(Segment::Bat1))
        bars = 1;
    else if (live.segment(Segment::BatEmpty))
        bars = 0;
    if (bars >= 0)  // no battery bit: keep what is shown
        for (int i = 0; i < 4; ++i)
            setShown(m_bat[i], i == bars);
}

void TfrmPanel::setMaxMinVisible(bool on)
{
    setShown(m_segment[std::size_t(Segment::Max)], on);
    setShown(m_segment[std::size_t(Segment::Min)], on);
    setShown(m_segment[std::size_t(Segment::Avg)], on);
}

void TfrmPanel::setRecFullVisible(bool on)
{
    setShown(m_segment[std::size_t(Segment::Rec)], on);
    setShown(m_segment[std::size_t(Segment::Full)], on);
}

void TfrmPanel::setNoConnectionVisible(bool on)
{
    setShown(m_noConnection, on);
    if (on)
        m_noConnection->raise();
}

void TfrmPanel::showEvent(QShowEvent* event)
{
    m_digitCache.fill(kNotDrawn);
    QWidget::showEvent(event);
}

void TfrmPanel::closeEvent(QCloseEvent* event)
{
    // The blink ticks run on this thread and never yield, so none can be half done
    // here; there is nothing to wait for before closing.
    emit closed();
    event->accept();
}

bool TfrmPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_area && event->type() == QEvent::Resize)
        fitToHeight(m_area->height());
    if (watched != m_picture)
        return QWidget::eventFilter(watched, event);
    QWidget* window = subWindow() ? static_cast<QWidget*>(subWindow()) : this;
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() != Qt::LeftButton)
                return false;
            m_dragging = true;
            m_dragStart = me->globalPosition().toPoint();
            m_windowStart = window->pos();
            return true;
        }
        case QEvent::MouseMove: {
            if (!m_dragging)
                return false;
            auto* me = static_cast<QMouseEvent*>(event);
            window->move(m_windowStart + (me->globalPosition().toPoint() - m_dragStart));
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                m_dragging = false;
            return m_dragging;
        default:
            return false;
    }
}

void TfrmPanel::pressKey(Command key)
{
    // A download or a setup command is in one of its waits further down this stack:
    // the key's frame would land in the middle of its exchange, and waiting here for it
    // would never end (it cannot go on before we return).
    if (m_meter->link.busy()) {
        m_meter->prompts.info(this, QString::fromLatin1(kKeyRefusedBusyMessage));
        return;
    }
    // The wait processes events, so the panel may be closed and gone before it ends:
    // nothing after it may touch the panel.
    const MeterAccess meter = *m_meter;
    const MonitorPause pause(meter.monitor);
    if (meter.link.SendKey(key) != 0)
        meter.link.WaitMs(300);  // no retry and no message: the LCD simply stays
}

void TfrmPanel::btnHOLDClick() { pressKey(Command::Hold); }
void TfrmPanel::btnMMAClick() { pressKey(Command::MaxMinAvg); }
void TfrmPanel::btnMMADblClick() { pressKey(Command::MaxMinAvgExit); }
void TfrmPanel::btnRecClick() { pressKey(Command::Record); }
void TfrmPanel::btnCFClick() { pressKey(Command::CelsiusFahrenheit); }
void TfrmPanel::btnBackLightClick() { pressKey(Command::BackLight); }
void TfrmPanel::btnRecallClick() { pressKey(Command::Recall); }
void TfrmPanel::btnMemClick() { pressKey(Command::Memory); }

void TfrmPanel::btnCloseClick()
{
    if (QMdiSubWindow* sub = subWindow())
        sub->close();
    else
        close();
}

}  // namespace kelvor
