// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <vector>

#include "graph/alarms.h"
#include "session/recordingsession.h"

class QLineEdit;
class QTableWidget;
class QToolButton;
class QWidget;

namespace kelvor {

class ChartView;
class Program;

// The limits remembered in the program's settings ("AlarmRules", "AlarmHysteresis").
AlarmLimits ReadAlarmLimits(const Program& program);
void WriteAlarmLimits(const Program& program, const AlarmLimits& limits);

// PC alarms on a graph window: the limit lines on the chart; while a real-time run
// records, each crossing the session meets (see AlarmMonitor) turns the channel's statistics fields red,
// tells the user (a desktop notification, or a beep where there is none) and is marked
// on the chart with its time; returning inside the limit is marked too. The events are
// listed under the chart and kept with the chart, so a saved graph shows them again.
class AlarmTool : public QObject {
    Q_OBJECT
public:
    // `fields[c]` are the statistics fields of channel c that turn red in an alarm.
    AlarmTool(Program& program, ChartView& view, std::array<std::vector<QLineEdit*>, 4> fields, QWidget* stripParent);
    ~AlarmTool() override;

    QToolButton* button() const { return m_button; }  // "Alarms": limits, list
    QTableWidget* list() const { return m_list; }     // the events, under the chart

    // Shows the alarms of the session's runs as they happen (the real-time graph only):
    // the session checks the limits set here.
    void watch(RecordingSession& session);
    void unwatch();
    void setLimits(const AlarmLimits& limits);
    const AlarmLimits& limits() const { return m_limits; }
    // Runs the limits dialog (through the program's prompts); true when confirmed.
    bool editLimits();
    // How the user is told of an event (default: tray message or beep).
    void setNotifier(std::function<void(const QString& title, const QString& text)> notify);
    bool channelAlarmed(int channel) const { return m_session && m_session->channelAlarmed(channel); }

private:
    void onAction(int action);
    void showFieldStates();
    void fillList();
    void ensureItems();
    QString eventText(const AlarmEvent& e) const;

    Program& m_program;
    ChartView& m_view;
    std::array<std::vector<QLineEdit*>, 4> m_fields;
    QToolButton* m_button = nullptr;
    QTableWidget* m_list = nullptr;
    AlarmLimits m_limits;
    std::function<void(const QString&, const QString&)> m_notify;
    RecordingSession* m_session = nullptr;
    int m_listed = -1;    // events in the list
    int m_overlay = 0;    // the limit lines and event marks on the chart
    int m_itemsFor = -1;  // events the marks were made for
};

}  // namespace kelvor
