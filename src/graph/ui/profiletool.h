// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <memory>
#include <optional>
#include <vector>

#include "profile/profile.h"

class QTableWidget;
class QToolButton;
class QWidget;

namespace kelvor {

class ChartView;
class Program;
class RecordingSession;
class SessionProfileCheck;
struct ChartOverlay;

// A graph window's check against a profile: each rule's state in a list under the chart
// (pending, passed or failed with the first violation's time and value), a band rule's
// curves shaded on its channel's plot and each first violation marked. The real-time
// graph checks the session's run as it records; any other graph checks its samples at
// once, and again when it loads others.
class ProfileTool : public QObject {
    Q_OBJECT
public:
    ProfileTool(Program& program, ChartView& view, QWidget* stripParent);
    ~ProfileTool() override;

    QToolButton* button() const { return m_button; }  // "Profile": choose, none
    QTableWidget* list() const { return m_list; }     // the rules, under the chart

    // The real-time graph: the session's runs are checked live.
    void watch(RecordingSession& session);
    // Asks for a profile file (through the program's prompts); false when none was taken.
    bool chooseProfile();
    // Reads and checks against the profile at `path`; false after telling why it cannot.
    bool setProfileFile(const QString& path);
    void setProfile(const Profile& profile);
    void clearProfile();
    // Runs the profile editor on the profile in use (its file), or on a new one; what the
    // editor is left with when the user presses Use is checked against.
    bool editProfile();

    const std::optional<Profile>& profile() const { return m_profile; }
    const std::vector<RuleResult>& results() const { return m_results; }
    RuleVerdict verdict() const { return OverallVerdict(m_results); }
    // The time (days) the profile's time counts from: the run's first sample.
    double startDays() const { return m_start; }

private:
    void onAction(int action);
    void recheck();
    void show();
    void fitListToRows(int rows);
    void fillList();
    ChartOverlay marks() const;

    Program& m_program;
    ChartView& m_view;
    QToolButton* m_button = nullptr;
    QTableWidget* m_list = nullptr;
    RecordingSession* m_session = nullptr;
    std::optional<Profile> m_profile;
    QString m_path;  // the profile's file; empty when it has none
    std::unique_ptr<SessionProfileCheck> m_live;
    std::vector<RuleResult> m_results;
    double m_start = 0;
    bool m_started = false;
    int m_overlay = 0;
};

}  // namespace kelvor
