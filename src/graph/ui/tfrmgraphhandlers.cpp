// SPDX-License-Identifier: GPL-3.0-or-later
// The graph window's tool bar and form handlers.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <algorithm>

#include "base/localetext.h"
#include "chart/ui/chartview.h"
#include "graph/graphfile.h"
#include "graph/meterchannels.h"
#include "graph/ui/alarmtool.h"
#include "graph/ui/graphwindowslots.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/realtimeview.h"
#include "graph/ui/referencetool.h"
#include "graph/ui/savegraph.h"
#include "graph/ui/tfrmgraph.h"
#include "graph/ui/toolicons.h"
#include "program/program.h"
#include "program/prompts.h"
#include "session/recordingsession.h"

namespace kelvor {

namespace {
constexpr auto kYesNoCancel = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
}

void TfrmGraph::FormShow()
{
    m_chart.setArrowCursor(sgArrowCursor);
    m_program.graph.GraphClickMode = ClickMode::Normal;
    ToolButton4->setChecked(true);
}

void TfrmGraph::FormActivate() { emit m_program.windowSignals.outputToGraphEnabled(false); }

bool TfrmGraph::FormCloseQuery()
{
    Prompts& prompts = m_program.prompts;
    if (m_program.graph.LoggerGraphUnsaved && isLoggerWindow()) {
        const auto answer = prompts.ask(this, QStringLiteral("Save DataLogger Data ?"), kYesNoCancel);
        if (answer == QMessageBox::Cancel)
            return false;
        if (answer == QMessageBox::Yes) {
            // The downloaded data is only forgotten once it is really on disk.
            bool saved = false;
            emit m_program.windowSignals.saveWindowRequested(this, &saved);
            if (!saved)
                return false;
            m_program.graph.LoggerGraphUnsaved = false;
        }
    }
    if (isRealTimeWindow() && m_program.session.recording() && !m_program.graph.EndRunOnClose) {
        // The run does not belong to the window: it may go on recording without it.
        const auto answer = prompts.ask(
            this,
            QStringLiteral("A real-time run is recording.\nEnd the run?\n(No: it goes on recording, and Real Time "
                           "Graph shows it again.)"),
            kYesNoCancel);
        if (answer == QMessageBox::Cancel)
            return false;
        if (answer == QMessageBox::No)
            return true;
        m_program.session.stop();
    }
    if (m_program.graph.RealTimeUnsaved && isRealTimeWindow()) {
        const auto answer = prompts.ask(this, QStringLiteral("Save Real-Time Graph ?"), kYesNoCancel);
        if (answer == QMessageBox::Cancel)
            return false;
        if (answer == QMessageBox::Yes && !SaveGraphAs(m_program, m_chart, this))
            return false;
        m_program.graph.RealTimeUnsaved = false;
    }
    if (UnsavedData) {
        // Any other window with unsaved data (a recording from the library) asks about
        // itself, the way the real-time window does, by its own title.
        const auto answer =
            prompts.ask(this, QStringLiteral("Save ") + windowTitle() + QStringLiteral(" ?"), kYesNoCancel);
        if (answer == QMessageBox::Cancel)
            return false;
        if (answer == QMessageBox::Yes && !SaveGraphAs(m_program, m_chart, this))
            return false;
        UnsavedData = false;
    }
    return true;
}

void TfrmGraph::FormClose()
{
    // Out of its slot first: what the run's end below sets off must not find it there.
    WithdrawGraph(m_program, *this);
    GraphState& g = m_program.graph;
    WindowSignals& notify = m_program.windowSignals;
    if (isLoggerWindow()) {
        // Only the data logger's own window gives up its unsaved data; closing any other
        // graph must not silence the logger's save prompt.
        g.LoggerGraphUnsaved = false;
    }
    if (isRealTimeWindow()) {
        emit notify.realTimeGraphChecked(false);
        if (!m_program.session.recording()) {
            if (m_program.monitor.Connected)
                emit notify.runEnabled(true);
            emit notify.stopEnabled(false);
        }
        // A run the user let go on recording keeps its samples and marks for the next
        // window; one that ended goes with the window that showed it.
        if (m_program.graph.EndRunOnClose)
            m_program.session.stop();
        if (m_program.session.recording() && m_realTime)
            m_realTime->handOverAnnotations();
        // The window is deleted later: from here on it sees nothing of the run.
        delete m_realTime;
        m_realTime = nullptr;
        m_alarms->unwatch();
        if (!m_program.session.recording())
            m_program.session.clear();
    }
}

void TfrmGraph::pnlGraphResize() { Panel12->move(PESGraph1->geometry().topLeft()); }

void TfrmGraph::ToolButton1Click()
{
    pnlGraphStatistic->setVisible(ToolButton1->isChecked());
    pnlGraphResize();
}

void TfrmGraph::ToolButton2Click()
{
    pnlStatistic->setVisible(ToolButton2->isChecked());
    m_chart.setShowVertLineAnnotations(ToolButton2->isChecked());
    redraw();
}

void TfrmGraph::ToolButton4Click()
{
    m_chart.setArrowCursor(sgArrowCursor);
    m_chart.PEactions(sgResetImage);  // the view takes the cursor over at a refresh
    m_program.graph.GraphClickMode = ClickMode::Normal;
}

void TfrmGraph::ToolButton5Click()
{
    PESGraph1->setCustomCursor(crossCursor());
    m_program.graph.GraphClickMode = ClickMode::Cross;
}

void TfrmGraph::ToolButton9Click()
{
    m_chart.setArrowCursor(sgTextCursor);
    m_chart.PEactions(sgResetImage);
    m_program.graph.GraphClickMode = ClickMode::Text;
}

void TfrmGraph::ToolButton15Click()
{
    const auto chosen = m_program.prompts.color(this, m_dialogColor);
    if (!chosen)
        return;
    m_dialogColor = *chosen;
    const int bgr = (chosen->blue() << 16) | (chosen->green() << 8) | chosen->red();
    for (int k = 0; k <= m_program.graph.AnnotationCounter; ++k)
        m_chart.setGraphAnnotationColor(k, bgr);
    m_program.graph.AnnoColor = bgr;
    redraw();
}

void TfrmGraph::chkSplitClick()
{
    SplitChart(m_chart, chkSplit->isChecked());
    if (chkSplit->isChecked()) {
        ToolButton5->setEnabled(false);
        ToolButton9->setEnabled(false);
        ToolButton4->setChecked(true);
        m_chart.setArrowCursor(sgArrowCursor);
        m_program.graph.GraphClickMode = ClickMode::Normal;
    } else {
        ToolButton5->setEnabled(true);
        ToolButton9->setEnabled(true);
    }
    redraw();
    m_chart.PEactions(sgReinitAndReset);
}

void TfrmGraph::Button1Click()
{
    const double minX = m_chart.ManualMinX();
    const double maxX = m_chart.ManualMaxX();
    m_chart.PEactions(sgCustomize);

    // Whatever the dialog did to the scales, the time range stays and every axis takes
    // the range of the working axis.
    m_chart.setManualScaleControlX(sgManualMinAndMax);
    m_chart.setManualMinX(minX);
    m_chart.setManualMaxX(maxX);
    const float minY = float(m_chart.ManualMinY());
    const float maxY = float(m_chart.ManualMaxY());
    for (int a = 0; a < m_chart.Subsets(); ++a) {
        m_chart.setWorkingAxis(a);
        m_chart.setManualScaleControlY(sgManualMinAndMax);
        m_chart.setManualMinY(minY);
        m_chart.setManualMaxY(maxY);
    }
    m_chart.setWorkingAxis(0);
    m_chart.PEactions(sgUndoZoom);
    UndoZoom->setEnabled(false);
    redraw();
}

void TfrmGraph::PESGraph1CustomizeDlg()
{
    if (m_chart.DialogResult() != 1)
        return;
    if (m_program.prompts.ask(this, QStringLiteral("Do you want to save the changes ?"),
                              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        WriteTemplate(m_program, m_chart, this);
}

void TfrmGraph::Button3Click()
{
    const auto chosen = m_program.prompts.font(this, m_font);
    if (!chosen)
        return;
    m_font = *chosen;
    pnlStatistic->setFont(m_font);
    pnlGraphStatistic->setFont(m_font);
}

void TfrmGraph::tbntClrClick()
{
    if (m_program.prompts.ask(this, QStringLiteral("Save Real-Time Graph ?"), QMessageBox::Yes | QMessageBox::No) ==
            QMessageBox::Yes &&
        !SaveGraphAs(m_program, m_chart, this))
        return;  // not saved: the samples stay
    m_chart.PEactions(sgUndoZoom);
    UndoZoom->setEnabled(false);
    ClearGraph(*this);
}

void TfrmGraph::Grid2Click()
{
    const auto ranges = Grid2->selectedRanges();
    const int row = ranges.isEmpty() ? Grid2->currentRow() : ranges.first().topRow();
    if (row < 0)
        return;
    const QTableWidgetItem* date = Grid2->item(row, 1);
    if (date && !date->text().isEmpty())
        emit m_program.windowSignals.dataSetChosen(row);
}

void TfrmGraph::ComboBox1Change()
{
    RecordingSession& session = m_program.session;
    const int current = session.recording() ? session.settings().rateSeconds : session.rateSeconds();
    int rate = std::max(0, ComboBox1->currentIndex()) * 60 + std::max(0, ComboBox2->currentIndex());
    if (rate == current)
        return;
    if (rate == 0) {
        setRateLists(0, 2);
        rate = 2;
    }
    bool save = false;
    if (session.recording() || (m_realTime && m_realTime->points() != 0)) {
        const auto answer = m_program.prompts.ask(
            this,
            QStringLiteral("Sampling Rate is being changed and it is recording Real-Time data or there are data in "
                           "Real_Time graph.If you want to make new sampling rate effective,it have to reset the "
                           "graph.\nDo you want to save the Real-Time graph ?"),
            kYesNoCancel);
        if (answer == QMessageBox::Cancel) {
            setRateLists(current / 60, current % 60);
            return;
        }
        save = answer == QMessageBox::Yes;
    }
    // Samples that did not reach the disk are not thrown away: the old rate and the run
    // stay as they were.
    if (save && !SaveGraphAs(m_program, m_chart, this)) {
        setRateLists(current / 60, current % 60);
        return;
    }
    session.stop();
    session.setRateSeconds(rate);
    tbntClr->setEnabled(true);
    emit m_program.windowSignals.runEnabled(true);
    emit m_program.windowSignals.stopEnabled(false);
    m_program.graph.AxisExtendDays = rate * 100.0 / kSecondsPerDay;
    ClearGraph(*this);
    m_chart.setLineGapThreshold(1e20);
    PESGraph1->setFocus();
}

void TfrmGraph::UndoZoomClick()
{
    m_chart.PEactions(sgUndoZoom);
    m_chart.setPEnarg1(0);
    m_chart.setPEnarg2(0);
    m_chart.PEactions(sgResetImage);
    UndoZoom->setEnabled(false);
}

void TfrmGraph::PESGraph1ZoomIn() { UndoZoom->setEnabled(true); }

void TfrmGraph::zoomIn() { PESGraph1->zoomBy(0.5); }
void TfrmGraph::zoomOut() { PESGraph1->zoomBy(2.0); }

void TfrmGraph::PESGraph1MouseMove()
{
    const QPoint p = PESGraph1->GetMousePoint();
    PESGraph1->HitTest(p.x(), p.y());
    // On a split chart the pointer may be over any plot; each reads on its own axis.
    const int axis = PESGraph1->plotAt(p);
    const ChartPoint v = PESGraph1->PixelToData(std::max(axis, 0), p.x(), p.y());
    const NearestSubset near = PESGraph1->nearestSubset(p);
    if (axis < 0 && near.subset < 0)
        return;
    // The value under the pointer as before, then the channel whose line is nearest.
    QString text = axis >= 0 ? FixedText(v.y, 1) + QLatin1Char('@') + LongTimeText(v.x) : QString();
    if (near.subset >= 0) {
        QString label = m_chart.SubsetLabels(near.subset);
        if (label.isEmpty())
            label = QStringLiteral("T%1").arg(near.subset + 1);
        if (!text.isEmpty())
            text += QStringLiteral("   ");
        text += label + QLatin1Char(' ') + FixedText(near.y, 1) + QLatin1Char(' ') + m_chart.unitText();
    }
    // The difference to each reference on every shown channel, not only the nearest.
    text += m_references->readoutText(near.subset >= 0 ? near.x : v.x);
    Panel12->setText(text);
    Panel12->setFixedWidth(std::max(167, Panel12->fontMetrics().horizontalAdvance(text) + 8));
}

}  // namespace kelvor
