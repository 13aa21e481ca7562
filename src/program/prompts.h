// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QMessageBox>
#include <QString>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

namespace kelvor {

// What a file dialog returned: the chosen name (empty when cancelled) and filter.
struct FileChoice {
    QString fileName;
    QString selectedFilter;
    bool accepted() const { return !fileName.isEmpty(); }
};

// Every question the program asks the user goes through here, so tests can answer
// from a script. Filters use Qt's ";;" form.
class Prompts {
public:
    virtual ~Prompts() = default;

    virtual QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                                const QString& text,
                                                QMessageBox::StandardButtons buttons = QMessageBox::Ok) = 0;
    virtual FileChoice openFile(QWidget* parent, const QString& caption, const QString& dir, const QString& filter) = 0;
    // The save dialog asks before replacing a file, naming it as it will be written; on a
    // change of file type the typed name takes the new type's extension, and a name typed
    // without an extension takes the chosen type's.
    virtual FileChoice saveFile(QWidget* parent, const QString& caption, const QString& dir, const QString& filter,
                                const QString& defaultSuffix) = 0;
    virtual std::optional<QColor> color(QWidget* parent, const QColor& initial) = 0;
    virtual std::optional<QFont> font(QWidget* parent, const QFont& initial) = 0;
    // Runs one of the program's own modal dialogs; returns QDialog::Accepted/Rejected
    // or the value passed to done().
    virtual int exec(QDialog& dialog) = 0;
    virtual bool printDialog(QWidget* parent, QPrinter& printer) = 0;
    virtual bool printerSetup(QWidget* parent, QPrinter& printer) = 0;

    // Shorthands for the common boxes.
    void info(QWidget* parent, const QString& text) { message(parent, QMessageBox::Information, title(), text); }
    void error(QWidget* parent, const QString& text) { message(parent, QMessageBox::Critical, title(), text); }
    QMessageBox::StandardButton ask(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons)
    {
        return message(parent, QMessageBox::Question, title(), text, buttons);
    }
    static QString title() { return QStringLiteral("KELVOR"); }
};

// The real dialogs.
class QtPrompts final : public Prompts {
public:
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

}  // namespace kelvor
