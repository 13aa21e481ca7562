// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/prompts.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

#include "files/filetypename.h"

namespace kelvor {

QMessageBox::StandardButton QtPrompts::message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                               const QString& text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, title, text, buttons, parent);
    return QMessageBox::StandardButton(box.exec());
}

FileChoice QtPrompts::openFile(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    FileChoice choice;
    choice.fileName = QFileDialog::getOpenFileName(parent, caption, dir, filter, &choice.selectedFilter);
    return choice;
}

FileChoice QtPrompts::saveFile(QWidget* parent, const QString& caption, const QString& dir, const QString& filter,
                               const QString& defaultSuffix)
{
    QFileDialog dialog(parent, caption, dir, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    // Picking another file type gives the typed name that type's extension.
    const QStringList types = filter.split(QStringLiteral(";;"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, filter, types](const QString& chosen) {
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text() : QFileInfo(dialog.selectedFiles().value(0)).fileName();
        const QString name = NameForFileType(filter, int(types.indexOf(chosen)) + 1, typed);
        if (name != typed)
            dialog.selectFile(name);
    });
    FileChoice choice;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        choice.fileName = dialog.selectedFiles().first();
        choice.selectedFilter = dialog.selectedNameFilter();
    }
    return choice;
}

std::optional<QColor> QtPrompts::color(QWidget* parent, const QColor& initial)
{
    const QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

std::optional<QFont> QtPrompts::font(QWidget* parent, const QFont& initial)
{
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, parent);
    if (!ok)
        return std::nullopt;
    return f;
}

int QtPrompts::exec(QDialog& dialog) { return dialog.exec(); }

bool QtPrompts::printDialog(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrompts::printerSetup(QWidget* parent, QPrinter& printer)
{
    QPageSetupDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kelvor
