// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/tfrmannoedit.h"

#include <QLineEdit>
#include <QPushButton>

namespace kelvor {

TfrmAnnoEdit::TfrmAnnoEdit(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAnnoEdit"));
    setWindowTitle(QString());
    setModal(true);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setFixedSize(304, 62);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(4, 4, 297, 24);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn1->setGeometry(136, 32, 80, 26);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(221, 32, 80, 26);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

}  // namespace kelvor
