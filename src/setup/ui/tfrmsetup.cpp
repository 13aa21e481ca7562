// SPDX-License-Identifier: GPL-3.0-or-later
#include "setup/ui/tfrmsetup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "meter/meterlink.h"
#include "program/monitorpause.h"
#include "program/prompts.h"
#include "setup/adjustvalues.h"
#include "setup/eepromaccess.h"
#include "setup/meterinformation.h"
#include "setup/setupcommands.h"

namespace kelvor {

namespace {

constexpr std::uint32_t kClearWaitMs = 500;
const char* const kGreen = "color: #008000;";
const char* const kRed = "color: #FF0000;";

// The hourglass for as long as a command talks to the meter, also on early returns.
class Hourglass {
public:
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { restore(); }
    void restore()
    {
        if (m_on)
            QApplication::restoreOverrideCursor();
        m_on = false;
    }

private:
    bool m_on = true;
};

struct InfoRow {
    const char* name;
    const char* caption;
};
const InfoRow kInfoRows[] = {
    {"txtMemoryAvailable", "Memory Available"},
    {"txtMeterTime", "Meter Time (MM/DD/YY   hh:mm:ss)"},
    {"txtInt", "Recording Interval"},
    {"txtDataSets", "Data Sets"},
    {"txtVer", "Version"},
    {"txtSN", "S/N"},
    {"txtAlarm", "Alarm"},
    {"txtHi", "Hi"},
    {"txtLo", "Lo"},
    {"txtT1_T2", "T1-T2"},
    {"txtThermoType", "Thermocouple Type"},
    {"txtSleepTime", "Auto Power Off"},
    {"txtT1offset", "T1 offset"},
    {"txtT2offset", "T2 offset"},
    {"txtT3offset", "T3 offset"},
    {"txtT4offset", "T4 offset"},
};

const char* const kAdjustCaptions[12] = {"T1 Gain",       "T2 Gain",       "T3 Gain",       "T4 Gain",
                                         "T1 EXT offset", "T2 EXT offset", "T3 EXT offset", "T4 EXT offset",
                                         "T1 CJC offset", "T2 CJC offset", "T3 CJC offset", "T4 CJC offset"};

}  // namespace

TfrmSetup::TfrmSetup(MeterAccess meter, QWidget* parent) : QWidget(parent), m_meter(meter)
{
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("Data Logger Setup"));
    build();
}

TfrmSetup::~TfrmSetup() = default;

TfrmSetup* TfrmSetup::open(MeterAccess meter, QMdiArea& area)
{
    auto* form = new TfrmSetup(meter);
    QMdiSubWindow* sub = area.addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(form->windowTitle());
    sub->adjustSize();
    const QSize free = area.viewport()->size() - sub->size();
    sub->move(std::max(0, free.width() / 2), std::max(0, free.height() / 2));
    sub->show();
    return form;
}

QLabel* TfrmSetup::resultLabel(const char* name)
{
    auto* l = new QLabel(this);
    l->setObjectName(QLatin1String(name));
    l->setMinimumWidth(110);
    l->setStyleSheet(QLatin1String(kGreen));
    return l;
}

QLineEdit* TfrmSetup::edit(const char* name, const QString& text)
{
    auto* e = new QLineEdit(text, this);
    e->setObjectName(QLatin1String(name));
    return e;
}

QPushButton* TfrmSetup::button(const char* name, const QString& caption, void (TfrmSetup::*slot)())
{
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QLatin1String(name));
    connect(b, &QPushButton::clicked, this, slot);
    return b;
}

void TfrmSetup::build()
{
    auto* top = new QGridLayout(this);

    // Clock, erase and "Setup All".
    auto* meterBox = new QGroupBox(QStringLiteral("Meter"), this);
    auto* meterGrid = new QGridLayout(meterBox);
    meterGrid->addWidget(
        button("Button1", QStringLiteral("Adjust Meter Time To Computer Time"), &TfrmSetup::Button1Click), 0, 0);
    meterGrid->addWidget(resultLabel("lblOK1"), 0, 1);
    meterGrid->addWidget(button("Button3", QStringLiteral("Erase Meter Memory"), &TfrmSetup::Button3Click), 1, 0);
    meterGrid->addWidget(resultLabel("lblOK3"), 1, 1);
    meterGrid->addWidget(button("Button6", QStringLiteral("Setup All"), &TfrmSetup::Button6Click), 2, 0);

    auto* intervalBox = new QGroupBox(QStringLiteral("Meter Recording Interval "), this);
    intervalBox->setObjectName(QStringLiteral("GroupBox1"));
    auto* intervalRow = new QHBoxLayout(intervalBox);
    for (auto [name, text] : {std::pair{"edtInt1", "00"}, {"edtInt2", "02"}}) {
        QLineEdit* e = edit(name, QString());
        e->setInputMask(QStringLiteral("99;_"));
        e->setMaxLength(2);
        e->setText(QLatin1String(text));
        e->setFixedWidth(36);
        intervalRow->addWidget(e);
        if (QLatin1String(name) == QLatin1String("edtInt1"))
            intervalRow->addWidget(new QLabel(QStringLiteral(":"), this));
    }
    intervalRow->addWidget(new QLabel(QStringLiteral("mm:ss(00:01~59:59)"), this));
    intervalRow->addWidget(
        button("Button2", QStringLiteral("Adjust Meter Recording Interval "), &TfrmSetup::Button2Click));
    intervalRow->addWidget(resultLabel("lblOK2"));
    intervalRow->addStretch();

    auto* defaultBox = new QGroupBox(QStringLiteral("set default value"), this);
    auto* defaultRow = new QHBoxLayout(defaultBox);
    defaultRow->addWidget(button("Button5", QStringLiteral("setup Other"), &TfrmSetup::Button5Click));
    defaultRow->addWidget(resultLabel("lblOK4"));
    defaultRow->addStretch();

    auto* infoBox = new QGroupBox(QStringLiteral("Meter DataLogger Information"), this);
    auto* infoGrid = new QGridLayout(infoBox);
    int row = 0;
    for (const InfoRow& r : kInfoRows) {
        QLineEdit* e = edit(r.name, QString());
        e->setReadOnly(true);
        e->setMinimumWidth(QLatin1String(r.name) == QLatin1String("txtMeterTime") ? 170 : 110);
        infoGrid->addWidget(new QLabel(QLatin1String(r.caption), this), row % 8, (row / 8) * 2);
        infoGrid->addWidget(e, row % 8, (row / 8) * 2 + 1);
        ++row;
    }
    infoGrid->addWidget(button("Button4", QStringLiteral("Read  "), &TfrmSetup::Button4Click), 8, 0);
    infoGrid->addWidget(resultLabel("lblOK5"), 8, 1);

    auto* adjustBox = new QGroupBox(QStringLiteral("Adjust value"), this);
    auto* adjustGrid = new QGridLayout(adjustBox);
    const auto& names = AdjustValueFieldNames();
    for (int i = 0; i < 12; ++i) {
        const int column = (i / 4) * 2;
        adjustGrid->addWidget(new QLabel(QLatin1String(kAdjustCaptions[i]), this), i % 4, column);
        adjustGrid->addWidget(edit(names[std::size_t(i)], i < 4 ? QStringLiteral("1") : QStringLiteral("0")), i % 4,
                              column + 1);
    }
    adjustGrid->addWidget(button("Button7", QStringLiteral("Read  "), &TfrmSetup::Button7Click), 4, 0);
    adjustGrid->addWidget(resultLabel("lblOK6"), 4, 1);

    auto* eepromBox = new QGroupBox(QStringLiteral("EEProm"), this);
    auto* eepromGrid = new QGridLayout(eepromBox);
    eepromGrid->addWidget(new QLabel(QStringLiteral("Address"), this), 0, 1);
    eepromGrid->addWidget(new QLabel(QStringLiteral("Data"), this), 0, 2);
    eepromGrid->addWidget(button("Button8", QStringLiteral("Write EEProm"), &TfrmSetup::Button8Click), 1, 0);
    eepromGrid->addWidget(edit("txtWAddress", QStringLiteral("0")), 1, 1);
    eepromGrid->addWidget(edit("txtWData", QStringLiteral("0")), 1, 2);
    eepromGrid->addWidget(resultLabel("lblWriteOK"), 1, 3);
    eepromGrid->addWidget(button("Button9", QStringLiteral("Read EEProm"), &TfrmSetup::Button9Click), 2, 0);
    eepromGrid->addWidget(edit("txtRAddress", QStringLiteral("0")), 2, 1);
    eepromGrid->addWidget(edit("txtRData", QStringLiteral("0")), 2, 2);
    eepromGrid->addWidget(resultLabel("lblReadOK"), 2, 3);
    eepromGrid->addWidget(new QLabel(QStringLiteral("Password"), this), 3, 0);
    eepromGrid->addWidget(edit("edtPassword", QStringLiteral("0")), 3, 1);

    top->addWidget(meterBox, 0, 0);
    top->addWidget(defaultBox, 0, 1);
    top->addWidget(intervalBox, 1, 0, 1, 2);
    top->addWidget(infoBox, 2, 0, 1, 2);
    top->addWidget(adjustBox, 3, 0, 1, 2);
    top->addWidget(eepromBox, 4, 0, 1, 2);
}

void TfrmSetup::clearResult(QLabel* label)
{
    label->setText(QString());
    label->setStyleSheet(QLatin1String(kGreen));
    repaint();
}

void TfrmSetup::showResult(QLabel* label, int code, bool withCode)
{
    if (code == 0) {
        label->setText(QStringLiteral("OK"));
        label->setStyleSheet(QLatin1String(kGreen));
    } else {
        label->setText(withCode ? QStringLiteral("Fail code=%1").arg(code) : QStringLiteral("Fail"));
        label->setStyleSheet(QLatin1String(kRed));
    }
}

int TfrmSetup::runCommand(QLabel* label, bool pauseAfterWait, const std::function<int()>& command)
{
    std::optional<MonitorPause> pause;
    if (!pauseAfterWait)
        pause.emplace(m_meter.monitor);
    clearResult(label);
    m_meter.link.WaitMs(kClearWaitMs);
    if (!pause)
        pause.emplace(m_meter.monitor);
    const Hourglass hourglass;
    const LinkHold hold(m_meter.link);
    return command();
}

void TfrmSetup::adjustMeterTime()
{
    const int code = runCommand(findChild<QLabel*>(QStringLiteral("lblOK1")), false,
                                [this] { return AdjustMeterTime(m_meter.link); });
    showResult(findChild<QLabel*>(QStringLiteral("lblOK1")), code, true);
}

void TfrmSetup::adjustRecordingInterval()
{
    IntervalParameter interval;
    const QString minutes = findChild<QLineEdit*>(QStringLiteral("edtInt1"))->text();
    const QString seconds = findChild<QLineEdit*>(QStringLiteral("edtInt2"))->text();
    if (ParseRecordingInterval(minutes, seconds, interval) != 0) {
        m_meter.prompts.error(this, QStringLiteral("Invalid Input"));
        return;
    }
    QLabel* label = findChild<QLabel*>(QStringLiteral("lblOK2"));
    const int code = runCommand(label, true, [&] { return AdjustRecordingInterval(m_meter.link, interval); });
    showResult(label, code, false);
}

void TfrmSetup::eraseMeterMemory()
{
    QLabel* label = findChild<QLabel*>(QStringLiteral("lblOK3"));
    const int code = runCommand(label, false, [this] { return EraseMeterMemory(m_meter.link); });
    if (code == 0)
        m_dataSets = 0;
    showResult(label, code, true);
}

bool TfrmSetup::confirmErase()
{
    QString text;
    if (!m_dataSets)
        text = QStringLiteral("Erase every data set recorded in the meter?");
    else if (*m_dataSets == 0)
        text = QStringLiteral("The meter reports no recorded data set. Erase its memory anyway?");
    else if (*m_dataSets == 1)
        text = QStringLiteral("Erase the 1 data set recorded in the meter?");
    else
        text = QStringLiteral("Erase the %1 data sets recorded in the meter?").arg(*m_dataSets);
    text += QStringLiteral(" This cannot be undone.");
    return m_meter.prompts.ask(this, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TfrmSetup::confirmedErase()
{
    if (confirmErase())
        eraseMeterMemory();
}

void TfrmSetup::setupOther()
{
    QLabel* label = findChild<QLabel*>(QStringLiteral("lblOK4"));
    showResult(label, runCommand(label, false, [this] { return SetupOther(m_meter.link); }), true);
}

void TfrmSetup::readMeterInformation()
{
    QLabel* label = findChild<QLabel*>(QStringLiteral("lblOK5"));
    for (const InfoRow& r : kInfoRows)
        findChild<QLineEdit*>(QLatin1String(r.name))->clear();
    std::array<std::uint8_t, 64> reply{};
    QString serial;
    const int code = runCommand(label, true, [&] { return ReadMeterInformation(m_meter.link, reply, serial); });
    if (code == 0) {
        for (const auto& [name, value] : InformationFields(DecodeMeterInformation(reply, serial)))
            findChild<QLineEdit*>(name)->setText(value);
        m_dataSets = MeterInformationDataSets(reply);
    }
    showResult(label, code, true);
}

void TfrmSetup::guarded(void (TfrmSetup::*handler)())
{
    if (m_busy)
        return;
    m_busy = true;
    (this->*handler)();
    m_busy = false;
    if (m_closePending) {
        m_closePending = false;
        if (parentWidget())
            parentWidget()->close();
        else
            close();
    }
}

void TfrmSetup::Button1Click() { guarded(&TfrmSetup::adjustMeterTime); }
void TfrmSetup::Button2Click() { guarded(&TfrmSetup::adjustRecordingInterval); }
void TfrmSetup::Button3Click() { guarded(&TfrmSetup::confirmedErase); }
void TfrmSetup::Button4Click() { guarded(&TfrmSetup::readMeterInformation); }
void TfrmSetup::Button5Click() { guarded(&TfrmSetup::setupOther); }

void TfrmSetup::Button6Click() { guarded(&TfrmSetup::setupAll); }
void TfrmSetup::Button7Click() { guarded(&TfrmSetup::readAdjustValues); }
void TfrmSetup::Button8Click() { guarded(&TfrmSetup::writeEEProm); }
void TfrmSetup::Button9Click() { guarded(&TfrmSetup::readEEProm); }

void TfrmSetup::setupAll()
{
    // The sequence erases the memory: a No sends nothing at all. Once started, a
    // failure or an invalid interval does not stop it.
    if (!confirmErase())
        return;
    adjustMeterTime();
    m_meter.link.WaitMs(kClearWaitMs);
    adjustRecordingInterval();
    m_meter.link.WaitMs(kClearWaitMs);
    eraseMeterMemory();
    m_meter.link.WaitMs(kClearWaitMs);
    setupOther();
    m_meter.link.WaitMs(kClearWaitMs);
    readMeterInformation();
}

void TfrmSetup::readAdjustValues()
{
    QLabel* label = findChild<QLabel*>(QStringLiteral("lblOK6"));
    clearResult(label);
    m_meter.link.WaitMs(kClearWaitMs);
    const auto& names = AdjustValueFieldNames();
    for (const char* name : names)
        findChild<QLineEdit*>(QLatin1String(name))->clear();
    const MonitorPause pause(m_meter.monitor);
    AdjustValues values{};
    int code = 0;
    {
        Hourglass hourglass;
        const LinkHold hold(m_meter.link);
        code = ReadAdjustValues(m_meter.link, values);
    }
    if (code == 0)
        for (std::size_t i = 0; i < values.size(); ++i)
            findChild<QLineEdit*>(QLatin1String(names[i]))->setText(CalibrationText(values[i]));
    showResult(label, code, true);
}

void TfrmSetup::writeEEProm()
{
    QLabel* label = findChild<QLabel*>(QStringLiteral("lblWriteOK"));
    clearResult(label);
    m_meter.link.WaitMs(kClearWaitMs);
    if (!EepromAccessCodeMatches(findChild<QLineEdit*>(QStringLiteral("edtPassword"))->text())) {
        m_meter.prompts.error(this, QString::fromLatin1(kPasswordErrorText));
        return;
    }
    // The numbers are checked before the monitor is paused: a typing error then
    // leaves nothing to undo.
    int address = 0;
    int value = 0;
    QString error;
    if (!ParseEepromAddress(findChild<QLineEdit*>(QStringLiteral("txtWAddress"))->text(), address, &error) ||
        !ParseEepromData(findChild<QLineEdit*>(QStringLiteral("txtWData"))->text(), value, &error)) {
        m_meter.prompts.error(this, error);
        return;
    }
    const MonitorPause pause(m_meter.monitor);
    int code = 0;
    {
        Hourglass hourglass;
        const LinkHold hold(m_meter.link);
        code = WriteEEProm(m_meter.link, address, value);
    }
    showResult(label, code, false);
}

void TfrmSetup::readEEProm()
{
    QLabel* label = findChild<QLabel*>(QStringLiteral("lblReadOK"));
    QLineEdit* dataEdit = findChild<QLineEdit*>(QStringLiteral("txtRData"));
    clearResult(label);
    m_meter.link.WaitMs(kClearWaitMs);
    int address = 0;
    QString error;
    if (!ParseEepromAddress(findChild<QLineEdit*>(QStringLiteral("txtRAddress"))->text(), address, &error)) {
        m_meter.prompts.error(this, error);
        return;
    }
    const MonitorPause pause(m_meter.monitor);
    std::uint8_t value = 0;
    int code = 0;
    {
        Hourglass hourglass;
        const LinkHold hold(m_meter.link);
        code = ReadEEProm(m_meter.link, address, value);
    }
    dataEdit->setText(code == 0 ? QString::number(value) : QString());
    showResult(label, code, false);
}

void TfrmSetup::closeEvent(QCloseEvent* event)
{
    // A command is still in one of its waits further down this stack: the window
    // must outlive it, so it closes as soon as the command is done.
    if (m_busy) {
        m_closePending = true;
        event->ignore();
        return;
    }
    m_meter.monitor.restart();
    event->accept();
    emit closed();
}

}  // namespace kelvor
