// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/tfrmsetuprealtime.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "graph/realtimerun.h"

namespace kelvor {

namespace {
template <typename W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QComboBox* rateList(QWidget* parent, const char* name)
{
    auto* c = named(new QComboBox(parent), name);
    for (int i = 0; i <= 60; ++i)
        c->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
    c->setFixedWidth(52);
    return c;
}
}  // namespace

TfrmSetupRealTime::TfrmSetupRealTime(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSetupRealTime"));
    setWindowTitle(QStringLiteral("Real-Time Setup"));
    setModal(true);
    setWindowFlag(Qt::WindowStaysOnTopHint);

    Label1 = named(new QLabel(QStringLiteral("Real-Time data no to be recorded"), this), "Label1");
    Label2 = named(new QLabel(QStringLiteral("(Adjust the number to meet your need)"), this), "Label2");
    edtRealTimeNo = named(new QLineEdit(this), "edtRealTimeNo");
    // Up to five digits; the places not typed show as "_".
    edtRealTimeNo->setInputMask(QStringLiteral("00000;_"));
    // " 2000": the first place left blank, as the dialog has always opened.
    edtRealTimeNo->setCursorPosition(1);
    edtRealTimeNo->insert(QStringLiteral("2000"));
    edtRealTimeNo->setFixedWidth(70);
    Label3 = named(new QLabel(QStringLiteral("Real -Time Sampling Rate"), this), "Label3");
    ComboBox1 = rateList(this, "ComboBox1");
    ComboBox2 = rateList(this, "ComboBox2");
    Label12 = named(new QLabel(QStringLiteral("mm:ss"), this), "Label12");
    Label4 = named(new QLabel(QStringLiteral("Recording Period"), this), "Label4");
    edtPeriod = named(new QLineEdit(this), "edtPeriod");
    edtPeriod->setReadOnly(true);
    edtPeriod->setFixedWidth(90);
    Label5 = named(new QLabel(QStringLiteral("HH:MM:SS"), this), "Label5");
    btnOpenSingleSet = named(new QPushButton(QStringLiteral("Start"), this), "btnOpenSingleSet");
    btnOpenSingleSet->setDefault(true);
    Button1 = named(new QPushButton(QStringLiteral("Cancel"), this), "Button1");

    chkOpenEnded = named(new QCheckBox(QStringLiteral("Keep recording after the record count: the graph shows the "
                                                      "latest samples"),
                                       this),
                         "chkOpenEnded");

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0, 1, 4);
    grid->addWidget(edtRealTimeNo, 1, 0);
    grid->addWidget(Label2, 1, 1, 1, 3);
    grid->addWidget(Label3, 2, 0, 1, 4);
    grid->addWidget(ComboBox1, 3, 0);
    grid->addWidget(ComboBox2, 3, 1);
    grid->addWidget(Label12, 3, 2);
    grid->addWidget(Label4, 4, 0, 1, 4);
    grid->addWidget(edtPeriod, 5, 0, 1, 2);
    grid->addWidget(Label5, 5, 2);
    grid->addWidget(chkOpenEnded, 6, 0, 1, 4);
    grid->setColumnStretch(3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOpenSingleSet);
    buttons->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    // Only the user's choice recomputes the period; code sets the lists under a blocker.
    connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    connect(ComboBox2, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    // A period that lags behind the count misleads; it follows every edit.
    connect(edtRealTimeNo, &QLineEdit::textChanged, this, &TfrmSetupRealTime::showPeriod);
    connect(btnOpenSingleSet, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmSetupRealTime::setRateLists(int minutesIndex, int secondsIndex)
{
    const QSignalBlocker b1(ComboBox1);
    const QSignalBlocker b2(ComboBox2);
    ComboBox1->setCurrentIndex(minutesIndex >= 0 && minutesIndex <= 60 ? minutesIndex : -1);
    ComboBox2->setCurrentIndex(secondsIndex >= 0 && secondsIndex <= 60 ? secondsIndex : -1);
}

void TfrmSetupRealTime::ComboBox1Change()
{
    if (ComboBox1->currentIndex() == 0 && ComboBox2->currentIndex() == 0)
        setRateLists(0, 2);
    showPeriod();
}

void TfrmSetupRealTime::showPeriod()
{
    const int rate = std::max(0, ComboBox1->currentIndex()) * 60 + std::max(0, ComboBox2->currentIndex());
    edtPeriod->setText(SetupPeriodText(PeriodRecordCount(edtRealTimeNo->text()), rate));
}

}  // namespace kelvor
