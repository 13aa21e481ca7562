// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ui/tfrmlist.h"

#include <QAbstractItemDelegate>
#include <QEvent>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "files/ui/tablerowsmodel.h"
#include "program/program.h"

namespace kelvor {

namespace {

// The table's grid. Fitting a column to its contents measures the longest texts of the
// column rather than a thousand cells: laying out each text costs more than reading
// every row of a long table.
class TableGrid final : public QTableView {
public:
    TableGrid(TableRowsModel& rows, QWidget* parent) : QTableView(parent), m_rows(rows) {}

    int sizeHintForColumn(int column) const override
    {
        constexpr int kPerLength = 8;
        ensurePolished();
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        int hint = 0;
        for (const int row : m_rows.longestRows(column, kPerLength)) {
            const QModelIndex index = m_rows.index(row, column);
            hint = std::max(hint, itemDelegateForIndex(index)->sizeHint(option, index).width());
        }
        return showGrid() ? hint + 1 : hint;
    }

private:
    TableRowsModel& m_rows;
};

}  // namespace

TfrmList::TfrmList(Program& program, QWidget* parent)
    : QWidget(parent), m_program(program), m_model(new TableRowsModel(this))
{
    setObjectName(QStringLiteral("frmList"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(405, 460);

    Grid1 = new TableGrid(*m_model, this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setModel(m_model);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Grid1->setWordWrap(false);
    Grid1->verticalHeader()->setVisible(false);
    // Fixed row heights keep scrolling through 100,000 rows cheap: the view never
    // measures a row.
    Grid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid1->verticalHeader()->setDefaultSectionSize(18);
    Grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid1->setColumnWidth(0, 48);
    for (int c = 1; c < TableRowsModel::kColumns; ++c)
        Grid1->setColumnWidth(c, c <= 2 ? 80 : 50);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Grid1);
}

const TableRows& TfrmList::rows() const { return m_model->rows(); }
void TfrmList::setRows(TableRows rows) { m_model->setRows(std::move(rows)); }
QString TfrmList::cell(int column, int row) const { return m_model->cell(column, row); }
int TfrmList::dataRows() const { return int(m_model->rows().size()); }

void TfrmList::fitColumnsToContents()
{
    // The grid measures only the longest texts (TableGrid), so a long table costs little
    // more than a short one.
    Grid1->resizeColumnsToContents();
}

QSize TfrmList::sizeHint() const
{
    const QHeaderView* header = Grid1->horizontalHeader();
    const int columns = header->length() + 2 * Grid1->frameWidth() +
                        Grid1->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Grid1);
    return {std::max(405, columns), 460};
}

void TfrmList::FormActivate() { emit m_program.windowSignals.outputToGraphEnabled(true); }

bool TfrmList::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(e);
}

}  // namespace kelvor
