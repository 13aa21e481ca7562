// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/referencetool.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "base/localetext.h"
#include "chart/ui/chartview.h"
#include "graph/ui/referencedialog.h"
#include "program/prompts.h"

namespace kelvor {

namespace {
constexpr double kSecond = 1.0 / 86400.0;

QStringList channelNames(const ChartModel& m)
{
    QStringList names;
    for (int s = 0; s < std::min(kCurveChannels, m.Subsets()); ++s) {
        const QString label = m.SubsetLabels(s);
        names << (label.isEmpty() ? QStringLiteral("T%1").arg(s + 1) : label);
    }
    return names;
}

QString anchorError(const ReferenceAlignment& a, const QStringList& names)
{
    switch (a.anchor) {
        case ReferenceAnchor::Start:
            return QStringLiteral("The graph or the reference holds no readings.");
        case ReferenceAnchor::Annotation:
            return QStringLiteral("The graph or the reference has no annotation no. %1.").arg(a.annotation + 1);
        case ReferenceAnchor::Crossing:
            break;
    }
    return QStringLiteral("%1 does not cross %2 in the graph or the reference.")
        .arg(a.channel < names.size() ? names[a.channel] : QStringLiteral("The channel"), FixedText(a.temperature, 1));
}
}  // namespace

ReferenceTool::ReferenceTool(Prompts& prompts, QString dataDir, ChartView& view, QObject* parent)
    : QObject(parent), m_prompts(prompts), m_dataDir(std::move(dataDir)), m_view(view)
{
    m_button = new QToolButton;
    m_button->setObjectName(QStringLiteral("tbtnReference"));
    m_button->setText(QStringLiteral("Reference"));
    m_button->setToolTip(QStringLiteral("Lay other runs under this graph, dashed; ← and → move them in time"));
    m_button->setPopupMode(QToolButton::InstantPopup);
    m_button->setMenu(new QMenu(m_button));
    connect(m_button->menu(), &QMenu::aboutToShow, this, &ReferenceTool::fillMenu);
    m_overlay = m_view.addOverlay();
    m_view.installEventFilter(this);
    if (QWidget* plot = m_view.plotWidget())
        plot->installEventFilter(this);
}

void ReferenceTool::fillMenu()
{
    QMenu* menu = m_button->menu();
    menu->clear();
    QAction* add = menu->addAction(QStringLiteral("Reference Curve…"));
    add->setObjectName(QStringLiteral("actReferenceCurve"));
    connect(add, &QAction::triggered, this, &ReferenceTool::choose);
    if (m_references.empty())
        return;
    menu->addSeparator();
    for (int i = 0; i < int(m_references.size()); ++i) {
        QAction* pick = menu->addAction(QStringLiteral("Move %1 with ← →").arg(m_references[size_t(i)].name));
        pick->setCheckable(true);
        pick->setChecked(i == m_picked);
        connect(pick, &QAction::triggered, this, [this, i] { m_picked = i; });
    }
    menu->addSeparator();
    for (int i = 0; i < int(m_references.size()); ++i)
        connect(menu->addAction(QStringLiteral("Remove %1").arg(m_references[size_t(i)].name)), &QAction::triggered,
                this, [this, i] { remove(i); });
}

void ReferenceTool::choose()
{
    QWidget* parent = m_view.window();
    const FileChoice file =
        m_prompts.openFile(parent, QStringLiteral("Reference Curve"), m_dataDir,
                           QStringLiteral("Graphs and tables (*.ghf *.txt *.csv);;Graph files (*.ghf);;Tables (*.txt "
                                          "*.csv);;All files (*)"));
    if (!file.accepted())
        return;
    Result<CurveSet> read = ReadReferenceFile(file.fileName);
    if (!read) {
        m_prompts.error(parent, read.error());
        return;
    }
    ReferenceCurve r;
    r.name = QFileInfo(file.fileName).completeBaseName();
    r.curves = std::move(read).value();
    ReferenceDialog dialog(r.name, channelNames(m_view.model()), parent);
    if (m_prompts.exec(dialog) != QDialog::Accepted)
        return;
    r.sourceChannel = dialog.sourceChannel();
    QString error;
    if (!add(std::move(r), dialog.alignment(), &error))
        m_prompts.error(parent, error);
}

bool ReferenceTool::add(ReferenceCurve reference, const ReferenceAlignment& alignment, QString* error)
{
    if (!AlignReference(CurvesFromChart(m_view.model()), reference, alignment)) {
        if (error)
            *error = anchorError(alignment, channelNames(m_view.model()));
        return false;
    }
    m_references.push_back(std::move(reference));
    m_picked = int(m_references.size()) - 1;
    lay();
    return true;
}

void ReferenceTool::remove(int index)
{
    if (index < 0 || index >= int(m_references.size()))
        return;
    m_references.erase(m_references.begin() + index);
    if (m_picked >= int(m_references.size()))
        m_picked = int(m_references.size()) - 1;
    lay();
}

void ReferenceTool::shift(double days)
{
    if (m_picked < 0 || m_picked >= int(m_references.size()))
        return;
    m_references[size_t(m_picked)].shiftDays += days;
    lay();
}

void ReferenceTool::lay()
{
    ChartOverlay overlay;
    const int channels = std::min(kCurveChannels, m_view.model().Subsets());
    // Each further reference a lighter dash, so several stay apart on one channel.
    static const Qt::PenStyle styles[] = {Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine};
    for (size_t i = 0; i < m_references.size(); ++i) {
        const ReferenceCurve& r = m_references[i];
        for (int c = 0; c < channels; ++c) {
            const CurvePoints* points = ReferenceChannelFor(r, c);
            if (!points || std::none_of(points->y.begin(), points->y.end(), [](double v) { return !std::isnan(v); }))
                continue;
            ChartCurve curve;
            curve.subset = c;
            curve.style = styles[i % std::size(styles)];
            curve.points.reserve(points->x.size());
            for (size_t k = 0; k < points->x.size(); ++k)
                curve.points.push_back({points->x[k] + r.shiftDays, points->y[k]});
            overlay.curves.push_back(std::move(curve));
        }
    }
    m_view.setOverlay(m_overlay, std::move(overlay));
    m_view.redraw();
    emit changed();
}

QString ReferenceTool::differenceText(int channel, double t, double runValue) const
{
    QString text;
    for (const ReferenceCurve& r : m_references)
        if (const std::optional<double> d = ReferenceDifference(r, channel, t, runValue))
            text +=
                QStringLiteral("   Δ%1 %2%3").arg(r.name, *d >= 0 ? QStringLiteral("+") : QString(), FixedText(*d, 1));
    return text;
}

bool ReferenceTool::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && m_picked >= 0) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right) {
            // A hundredth of what is shown, a tenth with Shift, a second with Ctrl.
            const ChartTimeRange shown = m_view.shownTimeRange(0);
            double step = (shown.to - shown.from) / 100.0;
            if (key->modifiers() & Qt::ShiftModifier)
                step *= 10.0;
            if (key->modifiers() & Qt::ControlModifier || !(step > 0))
                step = kSecond;
            shift(key->key() == Qt::Key_Left ? -step : step);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kelvor
