// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/tfrmscope.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kelvor {

namespace {
template <typename W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    w->setVisible(false);
    return w;
}
}  // namespace

TfrmScope::TfrmScope(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmScope"));
    setMinimumWidth(320);

    Progress1 = named(new QProgressBar(this), "Progress1");
    Progress1->setRange(0, 100);
    Progress1->setValue(0);
    SText1 = named(new QLabel(this), "SText1");
    lblBytesReceived = named(new QLabel(QStringLiteral("0"), this), "lblBytesReceived");
    SText2 = named(new QLabel(this), "SText2");
    lblTotalBytes = named(new QLabel(QStringLiteral("0"), this), "lblTotalBytes");

    GroupBox1 = named(new QGroupBox(this), "GroupBox1");
    radAll = new QRadioButton(QStringLiteral("&All"), GroupBox1);
    radAll->setObjectName(QStringLiteral("radAll"));
    radAll->setChecked(true);
    radNo = new QRadioButton(QStringLiteral("&Select"), GroupBox1);
    radNo->setObjectName(QStringLiteral("radNo"));
    edtSelFrom = new QLineEdit(GroupBox1);
    edtSelFrom->setObjectName(QStringLiteral("edtSelFrom"));
    edtSelTo = new QLineEdit(GroupBox1);
    edtSelTo->setObjectName(QStringLiteral("edtSelTo"));
    lblFrom = new QLabel(QStringLiteral("&from"), GroupBox1);
    lblFrom->setBuddy(edtSelFrom);
    lblTo = new QLabel(QStringLiteral("&to"), GroupBox1);
    lblTo->setBuddy(edtSelTo);
    auto* range = new QGridLayout(GroupBox1);
    range->addWidget(radAll, 0, 0);
    range->addWidget(radNo, 1, 0);
    range->addWidget(lblFrom, 1, 1);
    range->addWidget(edtSelFrom, 1, 2);
    range->addWidget(lblTo, 1, 3);
    range->addWidget(edtSelTo, 1, 4);

    BitBtn1 = named(new QPushButton(QStringLiteral("OK"), this), "BitBtn1");
    BitBtn1->setDefault(true);
    BitBtn2 = named(new QPushButton(QStringLiteral("Cancel"), this), "BitBtn2");
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &TfrmScope::BitBtn2Click);

    auto* counts = new QGridLayout;
    counts->addWidget(lblBytesReceived, 0, 0, Qt::AlignRight);
    counts->addWidget(SText1, 0, 1);
    counts->addWidget(lblTotalBytes, 1, 0, Qt::AlignRight);
    counts->addWidget(SText2, 1, 1);
    counts->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Progress1);
    layout->addLayout(counts);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmScope::showRangeGroup(int lastRow)
{
    setWindowTitle(QStringLiteral("Save File"));
    GroupBox1->setVisible(true);
    BitBtn1->setVisible(true);
    BitBtn2->setVisible(true);
    edtSelFrom->setText(QStringLiteral("1"));
    edtSelTo->setText(QString::number(lastRow));
}

void TfrmScope::showProgress(const QString& text, int maximum, bool withCancel)
{
    m_progressMode = true;
    SText1->setText(text);
    SText1->setVisible(true);
    Progress1->setRange(0, maximum);
    Progress1->setValue(0);
    Progress1->setVisible(true);
    BitBtn2->setVisible(withCancel);
}

void TfrmScope::step() { Progress1->setValue(Progress1->value() + 1); }

void TfrmScope::BitBtn2Click()
{
    m_cancelled = true;
    // Modal (range) use: Cancel ends the dialog. Modeless (progress) use: the running
    // loop looks at cancelled() after each line.
    if (!m_progressMode)
        reject();
}

}  // namespace kelvor
