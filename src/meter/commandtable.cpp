// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/commandframe.h"

#include <iterator>

namespace kelvor {

namespace {
constexpr CommandInfo kTable[] = {
    {Command::LiveReading, "5: sequence counter", false, 64, ReplyForm::LiveReading,
     "monitor loop; download recovery (reads 32, discards)"},
    {Command::BackLight, "2,3 = 0", false, 32, ReplyForm::Acknowledgement, "panel key btnBackLight"},
    {Command::CelsiusFahrenheit, "2,3 = 0", false, 32, ReplyForm::Acknowledgement, "panel key btnCF"},
    {Command::Record, "2,3 = 0", false, 32, ReplyForm::Acknowledgement, "panel key btnRec"},
    {Command::Hold, "2,3 = 0", false, 32, ReplyForm::Acknowledgement, "panel key btnHOLD"},
    {Command::RecordingInterval, "2: minutes BCD, 3: seconds BCD", false, 32, ReplyForm::Acknowledgement,
     "setup: recording interval"},
    {Command::Identity, "-", false, 32, ReplyForm::Identity, "monitor loop while not connected"},
    {Command::MaxMinAvg, "2,3 = 0", false, 32, ReplyForm::Acknowledgement, "panel key btnMMA, click"},
    {Command::MaxMinAvgExit, "2,3 = 0", false, 32, ReplyForm::Acknowledgement, "panel key btnMMA, double click"},
    {Command::MemoryStart, "2,3: block number, high byte first", false, 36, ReplyForm::MemoryBlock,
     "download start and re-positioning"},
    {Command::Cancel, "-", false, 0, ReplyForm::None, "after a failed download or EEPROM exchange"},
    {Command::Recall, "2,3 = 0", false, 32, ReplyForm::Acknowledgement, "panel key btnRecall"},
    {Command::EepromWrite, "2..4: address, 5: data", false, 32, ReplyForm::Echo, "setup: EEPROM write"},
    {Command::Information, "2,3 = 0", false, 64, ReplyForm::Information, "setup: read information"},
    {Command::AdjustValuesY, "2,3 = 0", false, 32, ReplyForm::Raw, "setup: read adjust values"},
    {Command::AdjustValuesZ, "2,3 = 0", false, 32, ReplyForm::Raw, "setup: read adjust values"},
    {Command::EraseMemory, "2,3 = 0", false, 32, ReplyForm::Acknowledgement, "setup: erase memory"},
    {Command::Memory, "2,3 = 0", false, 32, ReplyForm::Acknowledgement, "panel key btnMem"},
    {Command::MemoryNext, "-", false, 36, ReplyForm::MemoryBlock, "download: next block"},
    {Command::MemoryEnd, "-", false, 0, ReplyForm::None, "download: end of transfer"},
    {Command::MemoryRetryOrEepromRead, "download: -; EEPROM read: 2..4 address", false, 36, ReplyForm::Raw,
     "download retry (36, discarded); EEPROM read (32, echo)"},
    {Command::DefaultSettings, "2,3 = 0", true, 32, ReplyForm::Acknowledgement, "setup: default settings"},
    {Command::SetClock, "2,3 = 0", true, 32, ReplyForm::Acknowledgement, "setup: meter clock"},
};
}  // namespace

const CommandInfo* findCommand(std::uint8_t letter)
{
    for (const auto& c : kTable)
        if (std::uint8_t(c.command) == letter)
            return &c;
    return nullptr;
}

const CommandInfo* commandTableBegin() { return std::begin(kTable); }
const CommandInfo* commandTableEnd() { return std::end(kTable); }

}  // namespace kelvor
