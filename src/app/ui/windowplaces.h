// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <functional>
#include <memory>

class QMainWindow;
class QMdiArea;
class QMdiSubWindow;
class QSettings;

namespace kelvor {

// Where the windows were: the main window, and each kind of window inside it (the
// front panel, the real-time graph, a table, ...), kept in the settings between runs
// and put back within the screen, however much smaller it is now.
class WindowPlaces : public QObject {
    Q_OBJECT
public:
    using OpenSettings = std::function<std::unique_ptr<QSettings>()>;
    using KindOf = std::function<QString(QWidget*)>;  // empty: not remembered

    WindowPlaces(QMdiArea& area, OpenSettings openSettings, KindOf kindOf, QObject* parent = nullptr);

    // Shows the main window where it was last (maximised when it was), else maximised.
    void showMain(QMainWindow& window);
    // Keeps the main window's place and the places of the windows still open. Returns
    // what went wrong writing the settings, empty when they were stored.
    QString saveAll(QMainWindow& window);

    // While frozen nothing is written (File > Exit leaves the settings as they were).
    void setFrozen(bool on) { m_frozen = on; }

    // A rectangle moved and, where needed, shrunk so that it lies within `bounds`.
    static QRect fitInto(const QRect& rect, const QRect& bounds);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QMdiSubWindow* sub);
    void restore(QMdiSubWindow* sub);
    void remember(QMdiSubWindow* sub, QSettings& settings);

    QMdiArea& m_area;
    // Taken once: the filter also sees the viewport's last events while the area is being
    // destroyed, when asking the area for its viewport is no longer valid.
    QPointer<QWidget> m_viewport;
    OpenSettings m_openSettings;
    KindOf m_kindOf;
    bool m_frozen = false;
};

}  // namespace kelvor
