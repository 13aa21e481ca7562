// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/ui/tfrmlibrary.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>

#include "base/localetext.h"
#include "library/libraryaccess.h"
#include "library/runjournal.h"
#include "library/ui/libraryitemexport.h"
#include "library/ui/librarymodel.h"
#include "logger/datasetformat.h"
#include "logger/ui/librarycommands.h"
#include "profile/profilereader.h"
#include "program/program.h"
#include "program/prompts.h"
#include "widgets/dialogparent.h"

namespace kelvor {

namespace {

template <typename W>
W* named(W* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

}  // namespace

TfrmLibraryEdit::TfrmLibraryEdit(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLibraryEdit"));
    setWindowTitle(QStringLiteral("Name and Note"));
    edtName = named(new QLineEdit(this), "edtName");
    edtNote = named(new QPlainTextEdit(this), "edtNote");
    edtNote->setTabChangesFocus(true);
    auto* buttons = new QDialogButtonBox(this);
    btnOK = named(buttons->addButton(QDialogButtonBox::Ok), "btnOK");
    btnCancel = named(buttons->addButton(QDialogButtonBox::Cancel), "btnCancel");
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Name"), edtName);
    form->addRow(QStringLiteral("Note"), edtNote);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(420, 240);
}

TfrmLibrary::TfrmLibrary(Program& program, QWidget* parent) : QWidget(parent), m_program(program)
{
    setObjectName(QStringLiteral("frmLibrary"));
    setWindowTitle(QStringLiteral("Library"));
    setAttribute(Qt::WA_DeleteOnClose);

    edtFilter = named(new QLineEdit(this), "edtFilter");
    edtFilter->setPlaceholderText(QStringLiteral("Filter: name, note, meter serial, kind…"));
    edtFilter->setClearButtonEnabled(true);
    chkFrom = named(new QCheckBox(QStringLiteral("From"), this), "chkFrom");
    dtFrom = named(new QDateEdit(QDate::currentDate().addMonths(-1), this), "dtFrom");
    chkTo = named(new QCheckBox(QStringLiteral("To"), this), "chkTo");
    dtTo = named(new QDateEdit(QDate::currentDate(), this), "dtTo");
    for (QDateEdit* d : {dtFrom, dtTo}) {
        d->setCalendarPopup(true);
        d->setEnabled(false);
    }

    m_model = new LibraryTableModel(this);
    m_filter = new LibraryFilterModel(this);
    m_filter->setSourceModel(m_model);
    grdLibrary = named(new QTableView(this), "grdLibrary");
    grdLibrary->setModel(m_filter);
    grdLibrary->setSortingEnabled(true);
    grdLibrary->sortByColumn(LibraryTableModel::Start, Qt::DescendingOrder);
    grdLibrary->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdLibrary->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grdLibrary->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdLibrary->setAlternatingRowColors(true);
    grdLibrary->verticalHeader()->hide();
    grdLibrary->horizontalHeader()->setStretchLastSection(true);
    grdLibrary->setWordWrap(false);

    btnOpen = named(new QPushButton(QStringLiteral("Open"), this), "btnOpen");
    btnEdit = named(new QPushButton(QStringLiteral("Name and Note…"), this), "btnEdit");
    btnExport = named(new QPushButton(QStringLiteral("Export…"), this), "btnExport");
    btnDelete = named(new QPushButton(QStringLiteral("Delete"), this), "btnDelete");
    btnRefresh = named(new QPushButton(QStringLiteral("Refresh"), this), "btnRefresh");
    btnProfile = named(new QPushButton(QStringLiteral("Profile…"), this), "btnProfile");
    btnProfile->setToolTip(QStringLiteral("Check every item against a profile: a Verdict column and filter"));
    auto* profileMenu = new QMenu(btnProfile);
    profileMenu->addAction(QStringLiteral("Check against a profile…"), this, [this] { chooseProfile(); });
    profileMenu->addAction(QStringLiteral("No profile"), this, [this] { clearProfile(); });
    btnProfile->setMenu(profileMenu);
    cmbVerdict = named(new QComboBox(this), "cmbVerdict");
    cmbVerdict->addItem(QStringLiteral("Every verdict"));
    for (RuleVerdict v : {RuleVerdict::Passed, RuleVerdict::Failed, RuleVerdict::CannotCheck})
        cmbVerdict->addItem(VerdictText(v), int(v));
    cmbVerdict->setEnabled(false);

    auto* top = new QHBoxLayout;
    top->addWidget(edtFilter, 1);
    top->addWidget(chkFrom);
    top->addWidget(dtFrom);
    top->addWidget(chkTo);
    top->addWidget(dtTo);
    top->addWidget(btnProfile);
    top->addWidget(cmbVerdict);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {btnOpen, btnEdit, btnExport, btnDelete})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(btnRefresh);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grdLibrary, 1);
    layout->addLayout(buttons);

    connect(edtFilter, &QLineEdit::textChanged, m_filter, &LibraryFilterModel::setText);
    for (QCheckBox* c : {chkFrom, chkTo})
        connect(c, &QCheckBox::toggled, this, [this] { applyDates(); });
    for (QDateEdit* d : {dtFrom, dtTo})
        connect(d, &QDateEdit::dateChanged, this, [this] { applyDates(); });
    connect(grdLibrary, &QTableView::doubleClicked, this, [this] { btnOpenClick(); });
    connect(grdLibrary->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { updateButtons(); });
    connect(m_filter, &QAbstractItemModel::modelReset, this, [this] { updateButtons(); });
    connect(btnOpen, &QPushButton::clicked, this, [this] { btnOpenClick(); });
    connect(btnEdit, &QPushButton::clicked, this, [this] { btnEditClick(); });
    connect(btnExport, &QPushButton::clicked, this, [this] { btnExportClick(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
    connect(btnRefresh, &QPushButton::clicked, this, [this] { refresh(); });
    connect(cmbVerdict, &QComboBox::currentIndexChanged, this, [this] {
        const QVariant v = cmbVerdict->currentData();
        m_filter->setVerdict(v.isValid() ? std::optional(RuleVerdict(v.toInt())) : std::nullopt);
    });

    grdLibrary->setColumnHidden(LibraryTableModel::Verdict, true);
    refresh();
}

void TfrmLibrary::applyDates()
{
    dtFrom->setEnabled(chkFrom->isChecked());
    dtTo->setEnabled(chkTo->isChecked());
    m_filter->setDateRange(chkFrom->isChecked() ? dtFrom->date() : QDate(),
                           chkTo->isChecked() ? dtTo->date() : QDate());
}

void TfrmLibrary::updateButtons()
{
    const std::size_t n = selectedIds().size();
    btnOpen->setEnabled(n == 1);
    btnEdit->setEnabled(n == 1);
    btnExport->setEnabled(n == 1);
    btnDelete->setEnabled(n >= 1);
}

void TfrmLibrary::refresh()
{
    const std::vector<std::int64_t> keep = selectedIds();
    Library* library = m_program.library ? m_program.library->get() : nullptr;
    QString error;
    m_model->setEntries(library ? library->list(&error) : std::vector<LibraryEntry>{});
    if (!library)
        error = m_program.library ? m_program.library->lastError() : QStringLiteral("There is no library.");
    updateVerdicts();
    grdLibrary->resizeColumnsToContents();
    for (std::int64_t id : keep)
        selectId(id);
    updateButtons();
    if (!error.isEmpty())
        m_program.prompts.error(this, error);
}

std::vector<std::int64_t> TfrmLibrary::selectedIds() const
{
    std::vector<std::int64_t> ids;
    QModelIndexList rows = grdLibrary->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& r : rows)
        ids.push_back(r.data(LibraryTableModel::IdRole).toLongLong());
    return ids;
}

void TfrmLibrary::selectId(std::int64_t id)
{
    for (int r = 0; r < m_filter->rowCount(); ++r) {
        const QModelIndex at = m_filter->index(r, 0);
        if (at.data(LibraryTableModel::IdRole).toLongLong() == id) {
            grdLibrary->selectionModel()->select(at, QItemSelectionModel::Select | QItemSelectionModel::Rows);
            grdLibrary->scrollTo(at);
        }
    }
}

void TfrmLibrary::btnOpenClick()
{
    const auto ids = selectedIds();
    if (ids.size() == 1)
        OpenLibraryItem(m_program, ids.front());
}

std::optional<LibraryEntry> TfrmLibrary::singleSelectedEntry(Library*& library)
{
    const auto ids = selectedIds();
    library = m_program.library ? m_program.library->get() : nullptr;
    if (ids.size() != 1 || !library)
        return std::nullopt;
    QString error;
    auto entry = library->entry(ids.front(), &error);
    if (!entry)
        m_program.prompts.error(this, error);
    return entry;
}

void TfrmLibrary::btnEditClick()
{
    Library* library = nullptr;
    const auto entry = singleSelectedEntry(library);
    if (!entry)
        return;
    TfrmLibraryEdit dialog(this);
    dialog.edtName->setText(entry->name);
    dialog.edtNote->setPlainText(entry->note);
    if (m_program.prompts.exec(dialog) != QDialog::Accepted)
        return;
    LibraryStatus s = library->rename(entry->id, dialog.edtName->text().trimmed());
    if (s.ok())
        s = library->setNote(entry->id, dialog.edtNote->toPlainText());
    if (!s.ok())
        m_program.prompts.error(this, LibraryWriteProblem(library->path(), s));
    refresh();
}

void TfrmLibrary::btnExportClick()
{
    Library* library = nullptr;
    if (const auto entry = singleSelectedEntry(library))
        ExportLibraryEntry(m_program, this, *library, *entry);
}

void TfrmLibrary::btnDeleteClick()
{
    const auto ids = selectedIds();
    Library* library = m_program.library ? m_program.library->get() : nullptr;
    if (ids.empty() || !library)
        return;
    const QString question =
        ids.size() == 1
            ? QStringLiteral("Delete the selected item from the library? This cannot be undone.")
            : QStringLiteral("Delete the %1 selected items from the library? This cannot be undone.").arg(ids.size());
    if (m_program.prompts.ask(this, question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    const RunJournal* journal = m_program.journal();
    const auto running = journal && journal->active() ? journal->recordingId() : std::optional<std::int64_t>();
    QStringList problems;
    for (std::int64_t id : ids) {
        if ((running && *running == id) || m_program.library->isBeingWritten(id)) {
            problems << QStringLiteral("Item %1 is being recorded; stop the run first.").arg(id);
            continue;
        }
        const LibraryStatus s = library->remove(id);
        if (!s.ok())
            problems << s.error;
    }
    refresh();
    if (!problems.isEmpty())
        m_program.prompts.error(this, problems.join(QLatin1Char('\n')));
}

void TfrmLibrary::updateVerdicts()
{
    Library* library = m_program.library ? m_program.library->get() : nullptr;
    std::unordered_map<std::int64_t, LibraryVerdict> verdicts;
    if (library && m_verdicts.profile())
        for (const LibraryEntry& e : m_model->entries())
            if (auto v = m_verdicts.verdictOf(*library, e, m_program.clock))
                verdicts.emplace(e.id, std::move(*v));
    m_model->setVerdicts(std::move(verdicts));
}

void TfrmLibrary::chooseProfile()
{
    QString dir = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("kelvor/profiles"),
                                         QStandardPaths::LocateDirectory);
    if (dir.isEmpty())
        dir = m_program.dataDir;
    const FileChoice choice = m_program.prompts.openFile(this, QStringLiteral("Check against a profile"), dir,
                                                         QStringLiteral("Profiles (*.json);;All files (*)"));
    if (choice.accepted())
        setProfileFile(choice.fileName);
}

bool TfrmLibrary::setProfileFile(const QString& path)
{
    Result<Profile> profile = ReadProfileFile(path);
    if (!profile.ok()) {
        m_program.prompts.error(this, profile.error());
        return false;
    }
    const QString name = profile->name.isEmpty() ? QFileInfo(path).completeBaseName() : profile->name;
    m_verdicts.setProfile(std::move(profile).value());
    btnProfile->setText(QStringLiteral("Profile: %1").arg(name));
    btnProfile->setToolTip(QDir::toNativeSeparators(path));
    cmbVerdict->setEnabled(true);
    grdLibrary->setColumnHidden(LibraryTableModel::Verdict, false);
    updateVerdicts();
    grdLibrary->resizeColumnToContents(LibraryTableModel::Verdict);
    return true;
}

void TfrmLibrary::clearProfile()
{
    m_verdicts.setProfile(std::nullopt);
    btnProfile->setText(QStringLiteral("Profile…"));
    btnProfile->setToolTip(QStringLiteral("Check every item against a profile: a Verdict column and filter"));
    cmbVerdict->setCurrentIndex(0);
    cmbVerdict->setEnabled(false);
    grdLibrary->setColumnHidden(LibraryTableModel::Verdict, true);
    updateVerdicts();
}

QIcon LibraryIcon()
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(QColor(214, 170, 92));
    p.drawRoundedRect(QRectF(3.5, 4.5, 17, 16), 2, 2);
    p.setBrush(QColor(245, 225, 180));
    p.drawRect(QRectF(6.5, 7.5, 11, 5));
    p.drawRect(QRectF(6.5, 14.5, 11, 4));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(10.5, 9.5, 3, 1));
    p.drawRect(QRectF(10.5, 16, 3, 1));
    p.end();
    return QIcon(pm);
}

TfrmLibrary* OpenLibraryWindow(Program& program)
{
    QWidget* main = program.mainWindow;
    TfrmLibrary* w = main ? main->findChild<TfrmLibrary*>() : nullptr;
    if (w) {
        w->refresh();
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget())) {
            sub->showNormal();
            sub->setFocus();
        }
        return w;
    }
    if (!program.library)
        InstallLibrary(program);
    w = new TfrmLibrary(program);
    program.windowSignals.showWindow(w);
    return w;
}

}  // namespace kelvor
