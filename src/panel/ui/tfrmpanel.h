// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

#include "meter/commandframe.h"
#include "meter/livereading.h"
#include "program/meteraccess.h"

class QComboBox;
class QKeyEvent;
class QLabel;
class QMdiArea;
class QMdiSubWindow;

namespace kelvor {

struct DigitImages;

// A key pressed while another command talks to the meter is not sent.
inline const char* const kKeyRefusedBusyMessage =
    "The meter is busy with another command (a download or a setup command). Press the key again when it has "
    "finished.";

// The front panel: a picture of the meter whose LCD mirrors the live reading
// segment by segment, with touch areas over its keys. Lives in a frameless MDI
// sub-window and frees itself when closed.
class TfrmPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 314;
    static constexpr int kClientHeight = 713;
    // How much shorter the panel may get on a screen that cannot hold it: the blank rim
    // under the keys, down to a rim as wide as the one at the top.
    static constexpr int kMaxTrim = 28;
    static constexpr std::uint8_t kNotDrawn = 255;

    // Without digit images the digits stay blank.
    TfrmPanel(MeterAccess meter, const DigitImages* digits, QWidget* parent = nullptr);
    ~TfrmPanel() override;

    // Creates a panel in a frameless sub-window of `area` at the top left and shows it.
    static TfrmPanel* create(MeterAccess meter, const DigitImages* digits, QMdiArea& area);
    QMdiSubWindow* subWindow() const;
    // Makes the panel as tall as fits in `room` pixels (frame included), between its full
    // height and kMaxTrim less; the keys and the display keep their places.
    void fitToHeight(int room);
    int trim() const { return m_trim; }

    void RedrawPanel(const LiveReading& live);
    void setMaxMinVisible(bool on);   // the MaxMinTimer tick
    void setRecFullVisible(bool on);  // the RecFullTimer tick
    void setNoConnectionVisible(bool on);

    const std::array<std::uint8_t, 16>& digitCache() const { return m_digitCache; }
    // How often a large digit image was (re)assigned: unchanged digits never are.
    int largeDigitAssignments() const { return m_largeAssignments; }
    QLabel* element(const char* name) const;

    // Several meters: the panel follows one of them, chosen on the panel (labels in the
    // program's order, the default first); one meter or none: no choice is shown.
    void setMeters(const QStringList& labels, int current);
    // The meter the panel's keys go to from now on.
    void setMeter(MeterAccess meter);
    QComboBox* meterChoice() const { return m_meterChoice; }

signals:
    void closed();
    // The user chose the meter at `index` of setMeters' list.
    void meterChosen(int index);

public slots:
    void btnHOLDClick();
    void btnMMAClick();
    void btnMMADblClick();
    void btnRecClick();
    void btnCFClick();
    void btnBackLightClick();
    void btnRecallClick();
    void btnMemClick();
    void btnCloseClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildPicture();
    void buildOverlays();
    void buildKeys();
    void pressKey(Command key);
    QLabel* image(const char* name, const QPixmap& pm, QPoint pos, bool visible);
    QLabel* text(const char* name, const QString& text, QPoint pos, int px, bool visible);
    void setShown(QLabel* label, bool on);
    const QPixmap& largeGlyph(std::uint8_t glyph) const;
    const QPixmap& smallGlyph(std::uint8_t glyph) const;

    std::optional<MeterAccess> m_meter;  // always set; optional only to be set again
    QComboBox* m_meterChoice = nullptr;
    QLabel* m_picture = nullptr;  // imgPanel
    std::array<QLabel*, 16> m_digits{};
    QLabel* m_small[2] = {nullptr, nullptr};
    std::array<QLabel*, std::size_t(Segment::Count)> m_segment{};
    QLabel* m_bat[4] = {};
    QLabel* m_noConnection = nullptr;
    // The digit sets laid on the LCD's own colour (their white is the glass).
    std::array<QPixmap, 25> m_large;
    std::array<QPixmap, 25> m_smallSet;
    QPixmap m_blankLarge;
    QPixmap m_blankSmall;
    std::array<std::uint8_t, 16> m_digitCache{};
    int m_largeAssignments = 0;
    int m_trim = 0;
    QWidget* m_area = nullptr;  // the MDI viewport whose height the panel follows
    bool m_dragging = false;
    QPoint m_dragStart;
    QPoint m_windowStart;
};

}  // namespace kelvor
