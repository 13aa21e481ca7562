// SPDX-License-Identifier: GPL-3.0-or-later
#include "scriptedprompts.h"

#include <QDialog>

namespace kelvor::test {

namespace {
template <typename T>
bool takeFront(std::deque<T>& q, T& out)
{
    if (q.empty())
        return false;
    out = std::move(q.front());
    q.pop_front();
    return true;
}
}  // namespace

QMessageBox::StandardButton ScriptedPrompts::message(QWidget*, QMessageBox::Icon, const QString&, const QString& text,
                                                     QMessageBox::StandardButtons buttons)
{
    messages << text;
    QMessageBox::StandardButton b = QMessageBox::NoButton;
    if (takeFront(answers, b))
        return b;
    if (buttons != QMessageBox::Ok && buttons != QMessageBox::NoButton)
        unexpected << QStringLiteral("message: ") + text;
    return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel
           : buttons.testFlag(QMessageBox::No)   ? QMessageBox::No
                                                 : QMessageBox::Ok;
}

FileChoice ScriptedPrompts::openFile(QWidget*, const QString&, const QString&, const QString& filter)
{
    filtersOffered << filter;
    FileChoice c;
    if (!takeFront(fileNames, c.fileName))
        unexpected << QStringLiteral("open dialog");
    return c;
}

FileChoice ScriptedPrompts::saveFile(QWidget*, const QString&, const QString&, const QString& filter, const QString&)
{
    filtersOffered << filter;
    FileChoice c;
    if (!takeFront(fileNames, c.fileName))
        unexpected << QStringLiteral("save dialog");
    takeFront(selectedFilters, c.selectedFilter);
    return c;
}

std::optional<QColor> ScriptedPrompts::color(QWidget*, const QColor&)
{
    std::optional<QColor> c;
    if (!takeFront(colors, c))
        unexpected << QStringLiteral("colour dialog");
    return c;
}

std::optional<QFont> ScriptedPrompts::font(QWidget*, const QFont&)
{
    std::optional<QFont> f;
    if (!takeFront(fonts, f))
        unexpected << QStringLiteral("font dialog");
    return f;
}

int ScriptedPrompts::exec(QDialog& dialog)
{
    dialogsShown << (dialog.objectName().isEmpty() ? dialog.windowTitle() : dialog.objectName());
    std::function<int(QDialog&)> handler;
    if (!takeFront(dialogs, handler)) {
        unexpected << QStringLiteral("dialog: ") + dialogsShown.last();
        return QDialog::Rejected;
    }
    return handler(dialog);
}

bool ScriptedPrompts::printDialog(QWidget*, QPrinter&)
{
    bool b = false;
    if (!takeFront(printAnswers, b))
        unexpected << QStringLiteral("print dialog");
    return b;
}

bool ScriptedPrompts::printerSetup(QWidget*, QPrinter&)
{
    bool b = false;
    if (!takeFront(printAnswers, b))
        unexpected << QStringLiteral("printer setup");
    return b;
}

}  // namespace kelvor::test
