// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/sessionprofilecheck.h"

#include "graph/realtimerun.h"
#include "profile/profilechecker.h"
#include "profile/runvalues.h"
#include "session/recordingsession.h"

namespace kelvor {

namespace {

// Live readings are always degrees Celsius.
const QString kRunUnit = QStringLiteral("°C");

}  // namespace

SessionProfileCheck::SessionProfileCheck(RecordingSession& session, Profile profile, int channel, QObject* parent)
    : QObject(parent), m_session(session), m_profile(std::move(profile)), m_channel(channel)
{
    restart();
    for (const SessionSample& s : session.samples())
        add(s);
    if (session.state() == SessionState::Ended)
        finish();
    connect(&session, &RecordingSession::stateChanged, this, [this](SessionState state) {
        if (state == SessionState::Ended)
            finish();
        else
            restart();
    });
    connect(&session, &RecordingSession::sampleAdded, this, [this](const SessionSample& s, std::uint8_t) { add(s); });
}

SessionProfileCheck::~SessionProfileCheck() = default;

const Profile& SessionProfileCheck::profile() const { return m_checker->profile(); }

void SessionProfileCheck::restart()
{
    m_checker = std::make_unique<ProfileChecker>(m_profile, m_channel);
    m_any = false;
    m_finished = false;
    const bool changed = !m_results.empty();
    m_results = m_checker->results();
    if (changed) {
        for (std::size_t i = 0; i < m_results.size(); ++i)
            emit ruleChanged(int(i), m_results[i]);
        emit updated();
    }
}

void SessionProfileCheck::add(const SessionSample& s)
{
    if (m_finished)
        return;
    if (!m_any) {
        m_first = s.time;
        m_any = true;
    }
    std::array<float, 4> values{};
    for (int c = 0; c < 4; ++c)
        values[std::size_t(c)] =
            InProfileUnit(SampleValue(s.flags, c, s.t[std::size_t(c)]), kRunUnit, m_checker->profile().unit);
    m_checker->add(ProfileSeconds(s.time, m_first), values);
    update();
}

void SessionProfileCheck::finish()
{
    if (m_finished)
        return;
    m_checker->finish();
    m_finished = true;
    update();
    emit runChecked(verdict());
}

void SessionProfileCheck::update()
{
    std::vector<RuleResult> now = m_checker->results();
    std::vector<int> changed;
    for (std::size_t i = 0; i < now.size(); ++i)
        if (now[i].verdict != m_results[i].verdict)
            changed.push_back(int(i));
    m_results = std::move(now);
    for (int i : changed)
        emit ruleChanged(i, m_results[std::size_t(i)]);
    emit updated();
}

}  // namespace kelvor
