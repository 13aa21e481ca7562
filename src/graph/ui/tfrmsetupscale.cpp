// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/tfrmsetupscale.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvor {

TfrmSetupScale::TfrmSetupScale(QWidget* parent) : QDialog(parent)
{
    const QString caption = QStringLiteral("Y Axis Maximum And Minimum Scale Setup");
    setObjectName(QStringLiteral("frmSetupScale"));
    setWindowTitle(caption);
    setModal(true);

    auto* outer = new QGroupBox(caption, this);
    auto* axes = new QHBoxLayout(outer);
    for (int c = 0; c < 4; ++c) {
        auto* box = new QGroupBox(QStringLiteral("T%1").arg(c + 1), outer);
        edtMin[c] = new QLineEdit(box);
        edtMin[c]->setObjectName(QStringLiteral("edtT%1Min").arg(c + 1));
        edtMax[c] = new QLineEdit(box);
        edtMax[c]->setObjectName(QStringLiteral("edtT%1Max").arg(c + 1));
        for (QLineEdit* e : {edtMin[c], edtMax[c]})
            e->setFixedWidth(60);
        auto* g = new QGridLayout(box);
        g->addWidget(new QLabel(QStringLiteral("MIN"), box), 0, 0);
        g->addWidget(edtMin[c], 0, 1);
        g->addWidget(new QLabel(QStringLiteral("MAX"), box), 1, 0);
        g->addWidget(edtMax[c], 1, 1);
        axes->addWidget(box);
    }

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    chkSave = new QCheckBox(QStringLiteral("Save this setting "), this);
    chkSave->setObjectName(QStringLiteral("chkSave"));
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkSave);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(outer);
    layout->addLayout(buttons);
}

}  // namespace kelvor
