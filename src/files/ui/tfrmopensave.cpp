// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ui/tfrmopensave.h"

#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvor {

TfrmOpenSave::TfrmOpenSave(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowSystemMenuHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmOpenSave"));
    btnOpenSets = new QPushButton(this);
    btnOpenSets->setObjectName(QStringLiteral("btnOpenSets"));
    btnOpenSingleSet = new QPushButton(this);
    btnOpenSingleSet->setObjectName(QStringLiteral("btnOpenSingleSet"));
    Button1 = new QPushButton(QStringLiteral("Cancel"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    connect(btnOpenSets, &QPushButton::clicked, this, [this] { done(AllSets); });
    connect(btnOpenSingleSet, &QPushButton::clicked, this, [this] { done(SingleSet); });
    connect(Button1, &QPushButton::clicked, this, [this] { done(Cancel); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(btnOpenSets);
    layout->addWidget(btnOpenSingleSet);
    layout->addWidget(Button1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setSaveTexts();
    setWindowTitle(QStringLiteral("Oepn"));
}

void TfrmOpenSave::setOpenTexts()
{
    setWindowTitle(QStringLiteral("Open File"));
    btnOpenSets->setText(QStringLiteral("Open a data set collection file(*.CH4)"));
    btnOpenSingleSet->setText(QLocale().decimalPoint() == QStringLiteral(",")
                                  ? QStringLiteral("Open single data flle(*.TXT,*.GHF)")
                                  : QStringLiteral("Open single data file(*.TXT,*.CSV,*.GHF)"));
}

void TfrmOpenSave::setSaveTexts()
{
    setWindowTitle(QStringLiteral("Save File"));
    btnOpenSets->setText(QStringLiteral("Save all data sets to a data set collection file(*.ch4)"));
    btnOpenSingleSet->setText(QStringLiteral("Save single selected  data set to a  file"));
}

}  // namespace kelvor
