// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/metersdialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/meternames.h"
#include "meter/choice/devicechoice.h"
#include "program/program.h"
#include "program/prompts.h"

namespace kelvor {

namespace {

QString noteOf(const MeterEntry& e)
{
    if (e.isDefault())
        return QStringLiteral("default: always in the run");
    if (!e.problem.isEmpty())
        return e.problem;
    return e.meter < 0 ? QStringLiteral("found, not read yet") : QString();
}

QTableWidgetItem* fixedItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

}  // namespace

MetersDialog::MetersDialog(std::vector<MeterEntry> entries, QWidget* parent)
    : QDialog(parent), m_entries(std::move(entries))
{
    setObjectName(QStringLiteral("frmMeters"));
    setWindowTitle(QStringLiteral("Meters"));
    setModal(true);

    auto* hint = new QLabel(QStringLiteral("Tick the meters that take part in the next run (at most %1). "
                                           "A name given here is kept for the meter's serial.")
                                .arg(kMaxMeters),
                            this);
    hint->setWordWrap(true);

    m_list = new QTableWidget(int(m_entries.size()), ColCount, this);
    m_list->setObjectName(QStringLiteral("lstMeters"));
    m_list->setHorizontalHeaderLabels(
        {QStringLiteral("Serial"), QStringLiteral("Model"), QStringLiteral("Name"), QString()});
    m_list->verticalHeader()->hide();
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setEditTriggers(QAbstractItemView::AllEditTriggers);
    for (int row = 0; row < int(m_entries.size()); ++row) {
        const MeterEntry& e = m_entries[std::size_t(row)];
        auto* serial = new QTableWidgetItem(e.serial.isEmpty() ? QStringLiteral("(no serial)") : e.serial);
        // The default meter is in every run; a found meter without a serial cannot be opened by it.
        const bool tickable = !e.isDefault() && (e.meter > 0 || !e.serial.isEmpty());
        serial->setFlags(tickable ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable : Qt::ItemIsEnabled);
        serial->setCheckState(e.chosen || e.isDefault() ? Qt::Checked : Qt::Unchecked);
        m_list->setItem(row, ColSerial, serial);
        m_list->setItem(row, ColModel, fixedItem(e.model));
        auto* name = new QTableWidgetItem(e.name);
        name->setFlags(e.serial.isEmpty() ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsEditable);
        if (e.serial.isEmpty())
            name->setToolTip(QStringLiteral("A meter without a serial cannot keep a name"));
        m_list->setItem(row, ColName, name);
        m_list->setItem(row, ColNote, fixedItem(noteOf(e)));
    }
    m_list->horizontalHeader()->setSectionResizeMode(ColName, QHeaderView::Stretch);
    m_list->resizeColumnToContents(ColSerial);
    m_list->resizeColumnToContents(ColModel);
    m_list->resizeColumnToContents(ColNote);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(560, 120 + 30 * std::min<int>(int(m_entries.size()), 9));
}

std::vector<MeterEntry> MetersDialog::choice() const
{
    std::vector<MeterEntry> out = m_entries;
    for (int row = 0; row < int(out.size()); ++row) {
        MeterEntry& e = out[std::size_t(row)];
        e.chosen = e.isDefault() || m_list->item(row, ColSerial)->checkState() == Qt::Checked;
        e.name = CleanMeterName(m_list->item(row, ColName)->text());
    }
    return out;
}

void MetersClick(Program& program, QWidget* parent)
{
    MetersDialog dialog(ListMeters(program), parent);
    if (program.prompts.exec(dialog) != QDialog::Accepted)
        return;
    if (const Status taken = ChooseMeters(program, dialog.choice()); !taken)
        program.prompts.error(parent, taken.error());
    else
        emit program.windowSignals.metersChosen();
}

}  // namespace kelvor
