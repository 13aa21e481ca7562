// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <memory>
#include <vector>

#include "profile/profile.h"

namespace kelvor {

class ProfileChecker;
class RecordingSession;
struct SessionSample;

// Checks the session's run against a profile while it records: each sample is handed
// to the rule checks as it is taken, the way a stored run is checked afterwards
// (profile/runvalues.h), so the live verdict is the one the library item gets. Made
// while a run goes on, it reads the run's samples from the start. A new run starts a
// new check; the run's end decides what is still pending.
class SessionProfileCheck : public QObject {
    Q_OBJECT
public:
    // channel 0..3 checks every rule on that channel; -1 keeps the rules' own.
    SessionProfileCheck(RecordingSession& session, Profile profile, int channel = -1, QObject* parent = nullptr);
    ~SessionProfileCheck() override;

    const Profile& profile() const;
    // Every rule's state as of the last sample (all pending before the first).
    const std::vector<RuleResult>& results() const { return m_results; }
    RuleVerdict verdict() const { return OverallVerdict(m_results); }
    // The run ended and every rule is decided.
    bool finished() const { return m_finished; }
    // The time of the run's first sample (days), where the profile's time starts; false before it.
    bool started() const { return m_any; }
    double startDays() const { return m_first; }

signals:
    // Rule `rule` left pending (or a new run made it pending again).
    void ruleChanged(int rule, const kelvor::RuleResult& result);
    // The run ended; results() holds the verdict of every rule.
    void runChecked(kelvor::RuleVerdict verdict);
    // results() moved on: a sample was checked, a run began or ended.
    void updated();

private:
    void restart();
    void add(const SessionSample& s);
    void finish();
    void update();

    RecordingSession& m_session;
    Profile m_profile;
    int m_channel;
    std::unique_ptr<ProfileChecker> m_checker;
    std::vector<RuleResult> m_results;
    double m_first = 0;
    bool m_any = false;
    bool m_finished = false;
};

}  // namespace kelvor
