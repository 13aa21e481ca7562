// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <deque>
#include <functional>

#include "program/prompts.h"

namespace kelvor::test {

// Answers every prompt from queues filled by the test, and records what was asked.
// An unexpected prompt (empty queue) is answered with a cancel and recorded in
// `unexpected`, so a test can assert that nothing surprising was shown.
class ScriptedPrompts final : public Prompts {
public:
    // Message boxes: answers in order; each record keeps the text that was shown.
    std::deque<QMessageBox::StandardButton> answers;
    QStringList messages;

    // File dialogs: names to return in order ("" = cancel); the filters offered are kept.
    std::deque<QString> fileNames;
    QStringList filtersOffered;
    std::deque<QString> selectedFilters;  // the type chosen with each save name

    std::deque<std::optional<QColor>> colors;
    std::deque<std::optional<QFont>> fonts;

    // Modal dialogs of the program: each handler gets the dialog (find its widgets by
    // objectName, fill them) and returns the result code. No handler: Rejected.
    std::deque<std::function<int(QDialog&)>> dialogs;
    QStringList dialogsShown;  // objectName or window title of each dialog run

    std::deque<bool> printAnswers;
    QStringList unexpected;

    QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                        const QString& text, QMessageBox::StandardButtons buttons) override;
    FileChoice openFile(QWidget* parent, const QString& caption, const QString& dir, const QString& filter) override;
    FileChoice saveFile(QWidget* parent, const QString& caption, const QString& dir, const QString& filter,
                        const QString& defaultSuffix) override;
    std::optional<QColor> color(QWidget* parent, const QColor& initial) override;
    std::optional<QFont> font(QWidget* parent, const QFont& initial) override;
    int exec(QDialog& dialog) override;
    bool printDialog(QWidget* parent, QPrinter& printer) override;
    bool printerSetup(QWidget* parent, QPrinter& printer) override;
};

}  // namespace kelvor::test
