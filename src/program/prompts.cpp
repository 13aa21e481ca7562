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
    const QStringList types = filter.split(QStringLiteral(";;"));
    const QStringList exts = FilterTypeExtensions(filter);
    // The extension a name typed without one gets under a type, without its dot.
    auto suffixOf = [&](const QString& type) {
        const int index = int(types.indexOf(type));
        return index >= 0 && index < exts.size() && !exts[index].isEmpty() ? exts[index].mid(1) : defaultSuffix;
    };
    QString startDir = dir;
    FileChoice refused;  // the name the user would not replace, offered again
    for (;;) {
        QFileDialog dialog(parent, caption, startDir, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(defaultSuffix);
        if (refused.accepted()) {
            dialog.selectNameFilter(refused.selectedFilter);
            dialog.setDefaultSuffix(suffixOf(refused.selectedFilter));
            dialog.selectFile(QFileInfo(refused.fileName).fileName());
        }
        // Asked below about the name with its extension; a native dialog would ask
        // about the name as typed, which is not the file that gets written.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        // Picking another file type gives the typed name that type's extension, and a
        // name typed without one gets the chosen type's.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
            dialog.setDefaultSuffix(suffixOf(chosen));
            auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            const QString typed = edit ? edit->text() : QFileInfo(dialog.selectedFiles().value(0)).fileName();
            const QString name = NameForFileType(filter, int(types.indexOf(chosen)) + 1, typed);
            if (name != typed)
                dialog.selectFile(name);
        });
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        FileChoice choice{dialog.selectedFiles().first(), dialog.selectedNameFilter()};
        const QFileInfo info(choice.fileName);
        if (!info.exists())
            return choice;
        const QString question = QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(info.fileName());
        if (message(parent, QMessageBox::Warning, caption, question, QMessageBox::Yes | QMessageBox::No) ==
            QMessageBox::Yes)
            return choice;
        startDir = info.absolutePath();
        refused = choice;
    }
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
