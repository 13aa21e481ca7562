// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/profiletool.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QStandardPaths>
#include <QTableWidget>
#include <QToolButton>
#include <algorithm>

#include "base/clock.h"
#include "chart/ui/chartview.h"
#include "export/exportseries.h"
#include "export/seriescheck.h"
#include "graph/ui/profileeditor.h"
#include "profile/profilereader.h"
#include "profile/runvalues.h"
#include "program/program.h"
#include "program/prompts.h"
#include "session/recordingsession.h"
#include "session/sessionprofilecheck.h"

namespace kelvor {

namespace {

QColor verdictColour(RuleVerdict v)
{
    switch (v) {
        case RuleVerdict::Passed:
            return QColor(0x1E, 0x6B, 0x2E);
        case RuleVerdict::Failed:
            return QColor(0xC0, 0x10, 0x20);
        case RuleVerdict::CannotCheck:
            return QColor(0x8A, 0x56, 0x00);
        case RuleVerdict::Pending:
            break;
    }
    return QColor(0x50, 0x50, 0x50);
}

}  // namespace

ProfileTool::ProfileTool(Program& program, ChartView& view, QWidget* stripParent)
    : QObject(stripParent), m_program(program), m_view(view)
{
    m_button = new QToolButton;
    m_button->setObjectName(QStringLiteral("tbtnProfile"));
    m_button->setText(QStringLiteral("Profile"));
    m_button->setToolTip(QStringLiteral("Check the run against a profile: its rules, the band and the violations"));
    m_button->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(m_button);
    menu->addAction(QStringLiteral("Check against a profile…"), this, [this] { chooseProfile(); });
    menu->addAction(QStringLiteral("Edit a profile…"), this, [this] { editProfile(); });
    menu->addAction(QStringLiteral("No profile"), this, [this] { clearProfile(); });
    m_button->setMenu(menu);

    m_list = new QTableWidget(0, 6, stripParent);
    m_list->setObjectName(QStringLiteral("tblProfileRules"));
    m_list->setHorizontalHeaderLabels({QStringLiteral("Result"), QStringLiteral("Rule"), QStringLiteral("Channel"),
                                       QStringLiteral("Measured"), QStringLiteral("Limit"),
                                       QStringLiteral("First violation")});
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->verticalHeader()->setVisible(false);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    fitListToRows(4);
    m_list->hide();

    m_overlay = m_view.addOverlay();
    connect(&m_view.model(), &ChartModel::actionRequested, this, &ProfileTool::onAction);
    connect(&m_view, &ChartView::rebuilt, this, [this] { m_view.setOverlay(m_overlay, marks()); });
}

ProfileTool::~ProfileTool() = default;

void ProfileTool::watch(RecordingSession& session) { m_session = &session; }

bool ProfileTool::chooseProfile()
{
    QString dir = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("kelvor/profiles"),
                                         QStandardPaths::LocateDirectory);
    if (dir.isEmpty())
        dir = m_program.dataDir;
    const FileChoice choice = m_program.prompts.openFile(m_view.window(), QStringLiteral("Check against a profile"),
                                                         dir, QStringLiteral("Profiles (*.json);;All files (*)"));
    return choice.accepted() && setProfileFile(choice.fileName);
}

bool ProfileTool::setProfileFile(const QString& path)
{
    const Result<Profile> read = ReadProfileFile(path);
    if (!read.ok()) {
        m_program.prompts.error(m_view.window(), read.error());
        return false;
    }
    Profile profile = read.value();
    if (profile.name.isEmpty())
        profile.name = QFileInfo(path).completeBaseName();
    setProfile(profile);
    m_path = path;
    return true;
}

bool ProfileTool::editProfile()
{
    QString text;
    if (QFile f(m_path); !m_path.isEmpty() && f.open(QIODevice::ReadOnly))
        text = QString::fromUtf8(f.read(kMaxProfileFileBytes));
    ProfileEditor dialog(m_program.prompts, text, m_path, m_view.window());
    if (m_program.prompts.exec(dialog) != QDialog::Accepted)
        return false;
    const std::optional<Profile> profile = dialog.check();
    if (!profile)
        return false;
    setProfile(*profile);
    m_path = dialog.path();
    return true;
}

void ProfileTool::setProfile(const Profile& profile)
{
    m_profile = profile;
    m_button->setText(QStringLiteral("Profile: %1").arg(profile.name));
    m_live.reset();
    if (m_session) {
        m_live = std::make_unique<SessionProfileCheck>(*m_session, profile);
        connect(m_live.get(), &SessionProfileCheck::updated, this, [this] {
            m_results = m_live->results();
            m_started = m_live->started();
            m_start = m_live->startDays();
            show();
        });
        m_results = m_live->results();
        m_started = m_live->started();
        m_start = m_live->startDays();
        show();
    } else {
        recheck();
    }
    m_list->show();
}

void ProfileTool::clearProfile()
{
    m_profile.reset();
    m_path.clear();
    m_live.reset();
    m_results.clear();
    m_button->setText(QStringLiteral("Profile"));
    m_list->hide();
    show();
}

void ProfileTool::onAction(int action)
{
    // A graph that loaded other samples is checked again; the real-time run is checked as it records.
    if (action == sgReinitAndReset && m_profile && !m_session)
        recheck();
}

void ProfileTool::recheck()
{
    const ExportSeries s = SeriesFromChart(m_view.model(), QString());
    const SeriesCheck c = CheckSeries(s, *m_profile);
    m_results = c.results;
    m_started = s.samples() > 0;
    m_start = m_started ? s.times.front() : 0.0;
    show();
}

void ProfileTool::show()
{
    fillList();
    m_view.setOverlay(m_overlay, marks());
    m_view.redraw();
}

// As high as its rules, up to four (then it scrolls): the chart above keeps the rest, which
// matters on a small screen where the split plots share what is left.
void ProfileTool::fitListToRows(int rows)
{
    m_list->setFixedHeight(m_list->horizontalHeader()->sizeHint().height() +
                           rows * m_list->verticalHeader()->defaultSectionSize() + 2 * m_list->frameWidth() + 2);
}

void ProfileTool::fillList()
{
    if (!m_profile) {
        m_list->setRowCount(0);
        return;
    }
    const Profile& p = *m_profile;
    m_list->setRowCount(int(m_results.size()));
    fitListToRows(std::clamp(int(m_results.size()), 1, 4));
    for (std::size_t i = 0; i < m_results.size(); ++i) {
        const RuleResult& r = m_results[i];
        const ProfileRule& rule = p.rules[i];
        const QStringList cells = {VerdictText(r.verdict), rule.name,   ProfileChannelName(rule.channel),
                                   r.measuredText,         r.limitText, ResultDetailText(r, p.unit)};
        for (int c = 0; c < cells.size(); ++c) {
            QTableWidgetItem* item = m_list->item(int(i), c);
            if (!item) {
                item = new QTableWidgetItem;
                m_list->setItem(int(i), c, item);
            }
            item->setText(cells[c]);
            if (c == 0)
                item->setForeground(verdictColour(r.verdict));
        }
    }
    m_list->resizeColumnsToContents();
}

// The band rules' curves in the chart's unit on their channel's plot, and a mark at each
// rule's first violation.
ChartOverlay ProfileTool::marks() const
{
    ChartOverlay o;
    if (!m_profile || !m_started)
        return o;
    const Profile& p = *m_profile;
    const QString unit = m_view.model().unitText();
    auto inChart = [&](double v) { return double(InProfileUnit(float(v), p.unit, unit)); };
    auto curve = [&](const std::vector<CurvePoint>& points) {
        std::vector<ChartPoint> out;
        for (const CurvePoint& c : points)
            out.push_back({m_start + c.seconds * kDaysPerSecond, inChart(c.value)});
        return out;
    };
    for (std::size_t i = 0; i < p.rules.size() && i < m_results.size(); ++i) {
        const ProfileRule& rule = p.rules[i];
        const RuleResult& r = m_results[i];
        const int channel = rule.channel;
        if (rule.kind == RuleKind::Band) {
            const bool levels = rule.upper.size() <= 1 && rule.lower.size() <= 1;
            if (levels) {
                // A curve of one point is a level over the whole run: a line across the plot.
                for (const auto* c : {&rule.upper, &rule.lower})
                    if (c->size() == 1)
                        o.limits.push_back(
                            {channel, inChart(c->front().value), verdictColour(r.verdict), Qt::DashLine});
            } else {
                QColor fill = r.verdict == RuleVerdict::Failed ? QColor(235, 60, 60, 80) : QColor(60, 200, 100, 80);
                o.curveBands.push_back({channel, curve(rule.upper), curve(rule.lower), fill});
            }
        }
        if (!r.violated)
            continue;
        // Rules broken by the same sample share one mark, their names in one label.
        const double at = m_start + r.violationSeconds * kDaysPerSecond;
        auto same = std::find_if(o.markers.begin(), o.markers.end(),
                                 [&](const ChartMarker& m) { return m.x == at && m.subset == channel; });
        if (same == o.markers.end())
            o.markers.push_back(
                {at, channel, QColor(255, 60, 60), Qt::SolidLine, QStringLiteral(" %1").arg(rule.name)});
        else
            same->label += QStringLiteral(", ") + rule.name;
    }
    for (ChartMarker& m : o.markers)
        m.label += QStringLiteral(" FAIL");
    return o;
}

}  // namespace kelvor
