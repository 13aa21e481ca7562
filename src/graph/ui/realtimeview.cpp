// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/realtimeview.h"

#include <QLineEdit>
#include <QMdiSubWindow>
#include <QToolButton>
#include <algorithm>

#include "base/localetext.h"
#include "chart/chartmodel.h"
#include "graph/realtimerun.h"
#include "graph/ui/tfrmgraph.h"
#include "program/program.h"
#include "session/recordingsession.h"

namespace kelvor {

namespace {

void restoreNormal(QWidget& w)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w.parentWidget()))
        sub->showNormal();
    else if (w.isWindow() && (w.isMinimized() || w.isMaximized()))
        w.showNormal();
}

void redraw(ChartModel& chart)
{
    chart.setPEnarg1(0);
    chart.setPEnarg2(0);
    chart.PEactions(sgResetImage);
    chart.PEactions(sgInvalidateImage);
}

}  // namespace

RealTimeView::RealTimeView(TfrmGraph& window, RecordingSession& session)
    : QObject(&window), m_window(window), m_session(session)
{
    connect(&session, &RecordingSession::sampleAdded, this, [this](const SessionSample& s, std::uint8_t moved) {
        append(s, true);
        showExtremes(moved);
    });
    connect(&session, &RecordingSession::stateChanged, this, &RealTimeView::stateChanged);
    m_countTimer.setSingleShot(true);
    connect(&m_countTimer, &QTimer::timeout, this, [this] { showCount(true); });
    connect(&session, &RecordingSession::aboutToEnd, this, &RealTimeView::handOverAnnotations);
}

void RealTimeView::reset()
{
    m_store.SampleCount = 0;
    m_store.GapPoints = 0;
    m_store.SampleMissed = false;
}

double RealTimeView::openEndedSpan() const
{
    return std::max(1, m_window.chart().Points()) * std::max(1, m_store.RateSeconds) * kDaysPerSecond;
}

void RealTimeView::prepareRun(int count, bool openEnded)
{
    ChartModel& chart = m_window.chart();
    PrepareRunStore(chart, m_store, count);
    m_store.OpenEnded = openEnded;
    m_store.RateSeconds = m_session.rateSeconds();
    for (int c = 0; c < 4; ++c) {
        m_window.minField(c)->clear();
        m_window.maxField(c)->clear();
        m_window.avgField(c)->clear();
    }
    const double now = m_window.program().clock.nowDays();
    m_window.txtStartTime->setText(DateTimeText(now));
    chart.setManualMinX(now);
    chart.setManualMaxX(now + (openEnded ? openEndedSpan() : 100.0 * kDaysPerSecond));
}

void RealTimeView::showSessionRun()
{
    const SessionSettings& run = m_session.settings();
    if (m_session.state() == SessionState::Idle)
        return;
    ChartModel& chart = m_window.chart();
    const int count = std::max(1, run.recordCount);
    PrepareRunStore(chart, m_store, count);
    m_store.OpenEnded = run.openEnded;
    m_store.RateSeconds = run.rateSeconds;
    m_window.txtStartTime->setText(DateTimeText(m_session.startTime()));
    chart.setManualMinX(m_session.startTime());
    chart.setManualMaxX(m_session.startTime() + (run.openEnded ? openEndedSpan() : 100.0 * kDaysPerSecond));
    // An open-ended run shows its latest samples, as a window open all along would.
    const auto& samples = m_session.samples();
    const std::size_t first =
        run.openEnded && samples.size() > std::size_t(count) ? samples.size() - std::size_t(count) : 0;
    for (std::size_t i = first; i < samples.size(); ++i)
        append(samples[i], false);
    showCount(true);
    showExtremes(samples.empty() ? 0 : 0xFF);
    for (const ChartAlarmEvent& e : m_session.alarmEvents())
        chart.addAlarmEvent(e);
    showAnnotations();
    if (m_session.state() == SessionState::Ended)
        runEnded();
    else
        redraw(chart);
}

void RealTimeView::append(const SessionSample& sample, bool draw)
{
    ChartModel& chart = m_window.chart();
    RealTimeState& rt = m_store;
    const int n =
        sample.afterMiss && rt.SampleCount > 0 && !WriteRunBreak(chart, rt, sample.time) ? -1 : NextRunSlot(chart, rt);
    if (n < 0) {  // no room (the store was changed behind the run's back)
        m_session.stop();
        return;
    }
    if (rt.OpenEnded && rt.SampleCount >= chart.Points()) {
        // The axis moves with the samples kept, rather than leaving them in a corner.
        chart.setManualMaxX(std::max(chart.ManualMinX() + openEndedSpan(), sample.time));
    }
    if (!(chart.ManualMaxX() >= sample.time))
        chart.setManualMaxX(sample.time + m_window.program().graph.AxisExtendDays);
    WriteRunSample(chart, n, sample.flags, sample.time, sample.t);
    m_window.program().graph.RealTimeUnsaved = true;
    if (draw)
        redraw(chart);
    rt.SampleCount += 1;
    if (draw)
        showCount(false);
}

void RealTimeView::showCount(bool now)
{
    // Setting the field's text lays it out and repaints it: per sample of a fast burst
    // that costs more than drawing the sample.
    if (now || !m_countShown.isValid() || m_countShown.elapsed() >= kCountEveryMs) {
        m_countTimer.stop();
        m_countShown.start();
        m_window.txtDataNo->setText(QString::number(m_store.SampleCount - m_store.GapPoints));
    } else if (!m_countTimer.isActive()) {
        m_countTimer.start(int(std::max<qint64>(1, kCountEveryMs - m_countShown.elapsed())));
    }
}

void RealTimeView::showExtremes(std::uint8_t moved)
{
    for (int c = 0; c < 4; ++c) {
        if (moved & (1u << c))
            m_window.maxField(c)->setText(m_session.maximumText(c));
        if (moved & (1u << (c + 4)))
            m_window.minField(c)->setText(m_session.minimumText(c));
    }
}

void RealTimeView::stateChanged(SessionState state)
{
    if (state == SessionState::Ended)
        runEnded();
}

void RealTimeView::runEnded()
{
    showCount(true);
    restoreNormal(m_window);
    m_window.tbntClr->setEnabled(true);
    ChartModel& chart = m_window.chart();
    if (chart.Points() > m_store.SampleCount) {
        ShortenRunStore(chart, m_store.SampleCount);
        redraw(chart);
    }
    chart.setManualMaxX(m_session.endTime());
    for (int s = 0; s < chart.Subsets() && s < 4; ++s)
        m_window.avgField(s)->setText(m_session.averageText(s));
    redraw(chart);
}

void RealTimeView::handOverAnnotations()
{
    std::vector<RecordingAnnotation> notes;
    for (const GraphAnnotation& a : m_window.chart().graphAnnotations())
        if (!a.text.isEmpty() || a.type != sgTextOnly)
            notes.push_back({a.x, a.y, a.type, a.color, a.text});
    m_session.setAnnotations(std::move(notes));
}

void RealTimeView::showAnnotations()
{
    ChartModel& chart = m_window.chart();
    GraphState& g = m_window.program().graph;
    for (const RecordingAnnotation& a : m_session.annotations()) {
        const int k = ++g.AnnotationCounter;
        chart.setGraphAnnotationX(k, a.x);
        chart.setGraphAnnotationY(k, a.y);
        chart.setGraphAnnotationType(k, a.type);
        chart.setGraphAnnotationColor(k, a.color);
        chart.setGraphAnnotationText(k, a.text);
    }
}

}  // namespace kelvor
