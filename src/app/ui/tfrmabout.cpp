// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/tfrmabout.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "kelvor_version.h"

namespace kelvor {

TfrmAbout::TfrmAbout(QWidget* parent, bool splash)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          (splash ? Qt::SplashScreen : Qt::WindowType(0)))
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QString());
    setAttribute(Qt::WA_DeleteOnClose, splash);

    auto* title = new QLabel(QStringLiteral("Four Channel Thermometer Software"), this);
    title->setObjectName(QStringLiteral("Label1"));
    QFont f = title->font();
    f.setPointSize(14);
    f.setBold(true);
    f.setItalic(true);
    title->setFont(f);
    title->setStyleSheet(QStringLiteral("color: blue;"));

    auto* versionCaption = new QLabel(QStringLiteral("Version:"), this);
    versionCaption->setObjectName(QStringLiteral("Label2"));
    auto* version = new QLabel(QStringLiteral(KELVOR_VERSION), this);
    version->setObjectName(QStringLiteral("lblVersion"));

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("BitBtn1"));
    m_ok->setDefault(true);
    m_ok->setVisible(!splash);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* versionRow = new QHBoxLayout;
    versionRow->addStretch();
    versionRow->addWidget(versionCaption);
    versionRow->addWidget(version);
    versionRow->addStretch();
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_ok);
    buttonRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 24, 30, 18);
    layout->setSpacing(14);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addLayout(versionRow);
    layout->addLayout(buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // not resizable

    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

}  // namespace kelvor
