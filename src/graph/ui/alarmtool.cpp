// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/alarmtool.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QToolButton>

#include "base/clock.h"
#include "base/localetext.h"
#include "base/settings.h"
#include "chart/ui/chartview.h"
#include "program/program.h"
#include "program/prompts.h"
#include "session/recordingsession.h"

namespace kelvor {

namespace {
const QString kRulesKey = QStringLiteral("AlarmRules");
const QString kHysteresisKey = QStringLiteral("AlarmHysteresis");

QString channelName(const ChartModel& m, int s)
{
    const QString label = m.SubsetLabels(s);
    return label.isEmpty() ? QStringLiteral("T%1").arg(s + 1) : label;
}

// Limits per channel: on, high, low; and the hysteresis.
class AlarmLimitsDialog : public QDialog {
public:
    AlarmLimitsDialog(const AlarmLimits& limits, const QString& unit, QWidget* parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("dlgAlarmLimits"));
        setWindowTitle(QStringLiteral("Alarm Limits"));
        auto* grid = new QGridLayout(this);
        auto* onHeading = new QLabel(QStringLiteral("Alarm on"), this);
        onHeading->setToolTip(
            QStringLiteral("A ticked channel is checked against its limits while a real-time run "
                           "records; typing a limit ticks it"));
        grid->addWidget(onHeading, 0, 0);
        grid->addWidget(new QLabel(QStringLiteral("High (%1)").arg(unit), this), 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("Low (%1)").arg(unit), this), 0, 2);
        for (int c = 0; c < 4; ++c) {
            const AlarmLimit& l = limits.channels[size_t(c)];
            m_on[c] = new QCheckBox(QStringLiteral("T%1").arg(c + 1), this);
            m_on[c]->setObjectName(QStringLiteral("chkAlarmT%1").arg(c + 1));
            m_on[c]->setChecked(l.on);
            m_on[c]->setToolTip(QStringLiteral("Alarm on for T%1").arg(c + 1));
            m_high[c] = edit(QStringLiteral("edtAlarmHighT%1").arg(c + 1), l.high);
            m_low[c] = edit(QStringLiteral("edtAlarmLowT%1").arg(c + 1), l.low);
            // A limit that is typed is meant to work: the box follows the fields, and the
            // user may still untick it afterwards to switch the alarm off.
            for (QLineEdit* e : {m_high[c], m_low[c]})
                connect(e, &QLineEdit::textEdited, this, [this, c] { followFields(c); });
            grid->addWidget(m_on[c], c + 1, 0);
            grid->addWidget(m_high[c], c + 1, 1);
            grid->addWidget(m_low[c], c + 1, 2);
        }
        m_hysteresis = new QDoubleSpinBox(this);
        m_hysteresis->setObjectName(QStringLiteral("spnAlarmHysteresis"));
        m_hysteresis->setRange(0.0, 100.0);
        m_hysteresis->setDecimals(1);
        m_hysteresis->setValue(limits.hysteresis);
        grid->addWidget(new QLabel(QStringLiteral("Hysteresis"), this), 5, 0);
        grid->addWidget(m_hysteresis, 5, 1);
        auto* note = new QLabel(QStringLiteral("An alarm starts when a channel passes its limit and ends when it is "
                                               "back inside by the hysteresis. Leave a field empty for no limit. "
                                               "Typing a limit turns its channel's alarm on (the box beside it); "
                                               "untick the box to switch that alarm off."),
                                this);
        note->setWordWrap(true);
        grid->addWidget(note, 6, 0, 1, 3);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        grid->addWidget(buttons, 7, 0, 1, 3);
    }

    AlarmLimits limits() const
    {
        AlarmLimits out;
        for (int c = 0; c < 4; ++c) {
            AlarmLimit& l = out.channels[size_t(c)];
            l.on = m_on[c]->isChecked();
            l.high = value(m_high[c]);
            l.low = value(m_low[c]);
        }
        out.hysteresis = m_hysteresis->value();
        return out;
    }

private:
    void followFields(int c)
    {
        const bool any = value(m_high[c]) || value(m_low[c]);
        if (any)
            m_on[c]->setChecked(true);
        else if (m_high[c]->text().trimmed().isEmpty() && m_low[c]->text().trimmed().isEmpty())
            m_on[c]->setChecked(false);
    }
    QLineEdit* edit(const QString& name, std::optional<double> v)
    {
        auto* e = new QLineEdit(v ? QString::number(*v) : QString(), this);
        e->setObjectName(name);
        e->setValidator(new QDoubleValidator(-3000.0, 3000.0, 1, e));
        return e;
    }
    static std::optional<double> value(const QLineEdit* e)
    {
        bool ok = false;
        const double v = QLocale().toDouble(e->text(), &ok);
        if (ok)
            return v;
        const double c = e->text().toDouble(&ok);
        return ok ? std::optional<double>(c) : std::nullopt;
    }

    QCheckBox* m_on[4];
    QLineEdit* m_high[4];
    QLineEdit* m_low[4];
    QDoubleSpinBox* m_hysteresis;
};

void defaultNotify(const QString& title, const QString& text)
{
    // One tray icon for the program, made on the first alarm.
    static QSystemTrayIcon* tray = nullptr;
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        if (!tray) {
            tray = new QSystemTrayIcon(QApplication::windowIcon(), qApp);
            tray->show();
        }
        tray->showMessage(title, text, QSystemTrayIcon::Warning, 10000);
    }
    QApplication::beep();
}
}  // namespace

AlarmLimits ReadAlarmLimits(const Program& program)
{
    AlarmLimits limits;
    if (auto settings = openProgramSettings(program.settingsFile)) {
        QString why;
        if (!ParseAlarmRules(settings->value(kRulesKey).toString(), limits, &why))
            limits = {};  // a damaged entry: no alarms rather than wrong ones
        bool ok = false;
        const double h = settings->value(kHysteresisKey, 1.0).toDouble(&ok);
        limits.hysteresis = ok && h >= 0 ? h : 1.0;
    }
    return limits;
}

void WriteAlarmLimits(const Program& program, const AlarmLimits& limits)
{
    if (auto settings = openProgramSettings(program.settingsFile)) {
        settings->setValue(kRulesKey, limits.rulesText());
        settings->setValue(kHysteresisKey, limits.hysteresis);
    }
}

AlarmTool::AlarmTool(Program& program, ChartView& view, std::array<std::vector<QLineEdit*>, 4> fields,
                     QWidget* stripParent)
    : QObject(stripParent),
      m_program(program),
      m_view(view),
      m_fields(std::move(fields)),
      m_limits(ReadAlarmLimits(program)),
      m_notify(defaultNotify)
{
    m_button = new QToolButton;
    m_button->setObjectName(QStringLiteral("tbtnAlarms"));
    m_button->setText(QStringLiteral("Alarms"));
    m_button->setToolTip(QStringLiteral("High and low limits per channel, checked while a real-time run records"));
    m_button->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(m_button);
    menu->addAction(QStringLiteral("Limits…"), this, [this] { editLimits(); });
    QAction* showList = menu->addAction(QStringLiteral("Show events"));
    showList->setCheckable(true);
    m_button->setMenu(menu);

    m_list = new QTableWidget(0, 4, stripParent);
    m_list->setObjectName(QStringLiteral("tblAlarmEvents"));
    m_list->setHorizontalHeaderLabels(
        {QStringLiteral("Time"), QStringLiteral("Channel"), QStringLiteral("Value"), QStringLiteral("Event")});
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->verticalHeader()->setVisible(false);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Four events in view whatever the room: the chart gives way, not the list.
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->setFixedHeight(m_list->horizontalHeader()->sizeHint().height() +
                           4 * m_list->verticalHeader()->defaultSectionSize() + 2 * m_list->frameWidth() + 2);
    m_list->hide();
    connect(showList, &QAction::toggled, m_list, &QWidget::setVisible);

    connect(&m_view.model(), &ChartModel::actionRequested, this, &AlarmTool::onAction);
    m_overlay = m_view.addOverlay();
    connect(&m_view, &ChartView::aboutToDraw, this, &AlarmTool::ensureItems);
    // A rebuilt chart may hold other events (a loaded file): their marks are made anew.
    connect(&m_view, &ChartView::rebuilt, this, [this] { m_itemsFor = -1; });
}

AlarmTool::~AlarmTool() = default;

void AlarmTool::setNotifier(std::function<void(const QString&, const QString&)> notify)
{
    m_notify = std::move(notify);
}

void AlarmTool::setLimits(const AlarmLimits& limits)
{
    m_limits = limits;
    if (m_session)
        m_session->setAlarmLimits(limits);
    m_itemsFor = -1;
    showFieldStates();
    m_view.redraw();
}

bool AlarmTool::editLimits()
{
    AlarmLimitsDialog dialog(m_limits, m_view.model().unitText(), m_view.window());
    if (m_program.prompts.exec(dialog) != QDialog::Accepted)
        return false;
    const AlarmLimits limits = dialog.limits();
    WriteAlarmLimits(m_program, limits);
    setLimits(limits);
    return true;
}

void AlarmTool::onAction(int action)
{
    if (action != sgResetImage && action != sgReinitAndReset)
        return;
    if (int(m_view.model().alarmEvents().size()) != m_listed)
        fillList();
}

void AlarmTool::watch(RecordingSession& session)
{
    m_session = &session;
    session.setAlarmLimits(m_limits);
    connect(&session, &RecordingSession::alarmEvent, this, [this](const AlarmEvent& e) {
        m_view.model().addAlarmEvent(e);
        m_notify(QStringLiteral("KELVOR alarm"), eventText(e));
        showFieldStates();
        m_view.model().PEactions(sgResetImage);  // the list and the marks take it in
    });
    connect(&session, &RecordingSession::stateChanged, this, [this](SessionState state) {
        // A new run, or the graph cleared: its alarms start afresh.
        if (state == SessionState::Ended)
            return;
        if (!m_view.model().alarmEvents().empty())
            m_view.model().clearAlarmEvents();
        showFieldStates();
    });
}

void AlarmTool::unwatch()
{
    if (m_session)
        disconnect(m_session, nullptr, this, nullptr);
    m_session = nullptr;
}

QString AlarmTool::eventText(const AlarmEvent& e) const
{
    const ChartModel& m = m_view.model();
    const AlarmLimit& l = m_limits.channels[size_t(e.subset)];
    const bool high = e.kind == int(AlarmKind::HighRaised) || e.kind == int(AlarmKind::HighEnded);
    const std::optional<double> limit = high ? l.high : l.low;
    const QString limitText = limit ? QString::number(*limit) + QLatin1Char(' ') + m.unitText() : QString();
    return QStringLiteral("%1 %2 %3 %4 %5 at %6")
        .arg(channelName(m, e.subset), FixedText(e.value, 1), m.unitText(), AlarmKindText(e.kind), limitText,
             LongTimeText(e.x));
}

void AlarmTool::showFieldStates()
{
    for (int c = 0; c < 4; ++c)
        for (QLineEdit* f : m_fields[size_t(c)])
            f->setStyleSheet(channelAlarmed(c) ? QStringLiteral("background: #c00000; color: white;") : QString());
}

void AlarmTool::fillList()
{
    const ChartModel& m = m_view.model();
    const auto& events = m.alarmEvents();
    m_list->setRowCount(int(events.size()));
    for (int i = 0; i < int(events.size()); ++i) {
        const AlarmEvent& e = events[size_t(i)];
        const QStringList cells = {DateTimeText(e.x), channelName(m, e.subset),
                                   FixedText(e.value, 1) + QLatin1Char(' ') + m.unitText(), AlarmKindText(e.kind)};
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == 3)
                item->setForeground(IsAlarmRaised(e.kind) ? QColor(192, 0, 0) : QColor(0, 128, 0));
            m_list->setItem(i, c, item);
        }
    }
    if (!events.empty())
        m_list->scrollToBottom();
    m_listed = int(events.size());
}

void AlarmTool::ensureItems()
{
    const ChartModel& m = m_view.model();
    if (m_itemsFor == int(m.alarmEvents().size()))
        return;
    ChartOverlay marks;
    const AlarmLimits& limits = m_limits;
    for (int c = 0; c < 4; ++c) {
        const AlarmLimit& l = limits.channels[size_t(c)];
        if (!l.on)
            continue;
        for (const std::optional<double>& v : {l.high, l.low})
            if (v)
                marks.limits.push_back({c, *v, QColor(), Qt::DashDotLine});
    }
    for (const AlarmEvent& e : m.alarmEvents()) {
        const QString what = e.kind == int(AlarmKind::HighRaised)  ? QStringLiteral("HIGH")
                             : e.kind == int(AlarmKind::LowRaised) ? QStringLiteral("LOW")
                                                                   : QStringLiteral("ok");
        marks.markers.push_back(
            {e.x, e.subset, IsAlarmRaised(e.kind) ? QColor(255, 60, 60) : QColor(60, 220, 60), Qt::SolidLine,
             QStringLiteral(" %1 %2 %3").arg(channelName(m, e.subset), what, FixedText(e.value, 1))});
    }
    m_view.setOverlay(m_overlay, std::move(marks));
    m_itemsFor = int(m.alarmEvents().size());
}

}  // namespace kelvor
