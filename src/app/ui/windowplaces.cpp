// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/windowplaces.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <algorithm>

#include "base/settings.h"
#include "widgets/mdiwindows.h"

namespace kelvor {

namespace {
const QString kGroup = QStringLiteral("Windows/");
const QString kMainKey = QStringLiteral("Windows/Main");
const char* const kWatched = "kelvorPlaceWatched";
}  // namespace

WindowPlaces::WindowPlaces(QMdiArea& area, OpenSettings openSettings, KindOf kindOf, QObject* parent)
    : QObject(parent),
      m_area(area),
      m_viewport(area.viewport()),
      m_openSettings(std::move(openSettings)),
      m_kindOf(std::move(kindOf))
{
    m_viewport->installEventFilter(this);
}

QRect WindowPlaces::fitInto(const QRect& rect, const QRect& bounds)
{
    QRect r = rect;
    r.setWidth(std::min(r.width(), bounds.width()));
    r.setHeight(std::min(r.height(), bounds.height()));
    r.moveLeft(std::clamp(r.left(), bounds.left(), bounds.left() + bounds.width() - r.width()));
    r.moveTop(std::clamp(r.top(), bounds.top(), bounds.top() + bounds.height() - r.height()));
    return r;
}

void WindowPlaces::showMain(QMainWindow& window)
{
    QScreen* screen = QApplication::primaryScreen();
    const std::unique_ptr<QSettings> settings = m_openSettings();
    const QByteArray stored = settings ? settings->value(kMainKey).toByteArray() : QByteArray();
    if (stored.isEmpty() || !window.restoreGeometry(stored)) {
        // Without a window manager "maximised" means nothing; fill the screen anyway.
        if (screen)
            window.setGeometry(screen->availableGeometry());
        window.showMaximized();
        return;
    }
    // Qt puts a restored window on a screen that exists; a screen smaller than the
    // one it was saved on must still show all of it, frame included.
    auto fitFrame = [&window, screen]() mutable {
        if (window.isMaximized() || window.isFullScreen())
            return;
        if (QScreen* on = QApplication::screenAt(window.frameGeometry().center()))
            screen = on;
        if (!screen)
            return;
        const QRect frame = window.frameGeometry();
        const QRect inner = window.geometry();
        const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                               frame.bottom() - inner.bottom());
        const QRect fitted = fitInto(frame, screen->availableGeometry());
        if (fitted != frame)
            window.setGeometry(fitted.marginsRemoved(margins));
    };
    fitFrame();
    window.show();
    fitFrame();  // the frame's size is known once it is shown
}

QString WindowPlaces::saveAll(QMainWindow& window)
{
    const std::unique_ptr<QSettings> settings = m_frozen ? nullptr : m_openSettings();
    if (!settings)
        return {};
    settings->setValue(kMainKey, window.saveGeometry());
    for (QMdiSubWindow* sub : m_area.subWindowList())
        remember(sub, *settings);
    return syncSettings(*settings);
}

bool WindowPlaces::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_viewport.data()) {
        if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished)
            if (auto* sub = qobject_cast<QMdiSubWindow*>(static_cast<QChildEvent*>(event)->child()))
                watch(sub);
        return false;
    }
    auto* sub = qobject_cast<QMdiSubWindow*>(watched);
    if (!sub)
        return false;
    if (event->type() == QEvent::Show && !sub->property("kelvorPlaceRestored").toBool()) {
        sub->setProperty("kelvorPlaceRestored", true);
        // After the code that opened the window has placed it the described way.
        QTimer::singleShot(0, sub, [this, sub] { restore(sub); });
    } else if (event->type() == QEvent::Close && !m_frozen) {
        if (const std::unique_ptr<QSettings> settings = m_openSettings()) {
            remember(sub, *settings);
            syncSettings(*settings);
        }
    }
    return false;
}

void WindowPlaces::watch(QMdiSubWindow* sub)
{
    if (sub->property(kWatched).toBool())
        return;
    sub->setProperty(kWatched, true);
    sub->installEventFilter(this);
}

void WindowPlaces::restore(QMdiSubWindow* sub)
{
    const QString kind = m_kindOf(sub->widget());
    if (kind.isEmpty() || sub->isMaximized() || sub->isMinimized())
        return;
    const std::unique_ptr<QSettings> settings = m_openSettings();
    const QRect stored = settings ? settings->value(kGroup + kind).toRect() : QRect();
    if (!stored.isValid())
        return;
    sub->setGeometry(stored);
    FitIntoArea(*sub);
}

void WindowPlaces::remember(QMdiSubWindow* sub, QSettings& settings)
{
    const QString kind = m_kindOf(sub->widget());
    if (kind.isEmpty() || sub->isMaximized() || sub->isMinimized() || !sub->isVisible())
        return;
    settings.setValue(kGroup + kind, sub->geometry());
}

}  // namespace kelvor
