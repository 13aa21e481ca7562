// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ui/referencetool.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "base/localetext.h"
#include "chart/ui/chartview.h"
#include "graph/ui/referencedialog.h"
#include "library/libraryaccess.h"
#include "library/libraryreference.h"
#include "logger/datasetstore.h"
#include "program/program.h"
#include "program/prompts.h"

namespace kelvor {

namespace {
constexpr double kSecond = 1.0 / 86400.0;
// How near the pointer must come to a reference's line to grab it, in pixels.
constexpr int kGrabPixels = 5;

QString signedText(double d) { return (d >= 0 ? QStringLiteral("+") : QString()) + FixedText(d, 1); }

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

ReferenceSources ProgramReferenceSources(Program& program)
{
    ReferenceSources s;
    s.library = [&program]() -> Library* { return program.library ? program.library->get() : nullptr; };
    s.dataSets = &program.store;
    s.clock = &program.clock;
    return s;
}

ReferenceTool::ReferenceTool(Prompts& prompts, QString dataDir, ReferenceSources sources, ChartView& view,
                             QObject* parent)
    : QObject(parent), m_prompts(prompts), m_dataDir(std::move(dataDir)), m_sources(std::move(sources)), m_view(view)
{
    m_button = new QToolButton;
    m_button->setObjectName(QStringLiteral("tbtnReference"));
    m_button->setText(QStringLiteral("Reference"));
    m_button->setToolTip(
        QStringLiteral("Lay other runs under this graph, dashed; drag one with the mouse or move it with ← and →"));
    m_button->setPopupMode(QToolButton::InstantPopup);
    m_button->setMenu(new QMenu(m_button));
    connect(m_button->menu(), &QMenu::aboutToShow, this, &ReferenceTool::fillMenu);
    m_overlay = m_view.addOverlay();
    m_view.installEventFilter(this);
    m_plotWidget = m_view.plotWidget();
    if (m_plotWidget)
        m_plotWidget->installEventFilter(this);
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
    // The rows: a file, then the data logger's data sets, then the library's items.
    QStringList rows{QStringLiteral("A graph file or table…")};
    const int dataSets = m_sources.dataSets ? int(m_sources.dataSets->sets.size()) : 0;
    for (int k = 0; k < dataSets; ++k) {
        const DataSet& set = m_sources.dataSets->sets[size_t(k)];
        rows << QStringLiteral("Data logger: Set %1  %2 %3  (%4 samples)")
                    .arg(k + 1)
                    .arg(ShortDateText(set.start), LongTimeText(set.start))
                    .arg(set.sampleCount);
    }
    Library* library = m_sources.library && m_sources.clock ? m_sources.library() : nullptr;
    std::vector<LibraryReferenceItem> items;
    if (library) {
        Result<std::vector<LibraryReferenceItem>> listed = LibraryReferenceItems(*library);
        if (listed)
            items = std::move(listed).value();
    }
    for (const LibraryReferenceItem& item : items)
        rows << QStringLiteral("Library: ") + item.label;
    ReferenceDialog dialog(rows, channelNames(m_view.model()), parent);
    if (m_prompts.exec(dialog) != QDialog::Accepted)
        return;
    const int row = dialog.source();
    ReferenceCurve r;
    if (row <= 0) {
        const FileChoice file =
            m_prompts.openFile(parent, QStringLiteral("Reference Curve"), m_dataDir,
                               QStringLiteral("Graphs and tables (*.ghf *.txt *.csv);;Graph files (*.ghf);;Tables "
                                              "(*.txt *.csv);;All files (*)"));
        if (!file.accepted())
            return;
        Result<CurveSet> read = ReadReferenceFile(file.fileName);
        if (!read) {
            m_prompts.error(parent, read.error());
            return;
        }
        r.name = QFileInfo(file.fileName).completeBaseName();
        r.curves = std::move(read).value();
    } else if (row <= dataSets) {
        r.name = QStringLiteral("Set %1").arg(row);
        r.curves = DataSetReferenceCurves(*m_sources.dataSets, row - 1);
    } else {
        const LibraryReferenceItem& item = items[size_t(row - 1 - dataSets)];
        Result<CurveSet> read = LibraryReferenceCurves(*library, item, *m_sources.clock);
        if (!read) {
            m_prompts.error(parent, read.error());
            return;
        }
        r.name = item.name;
        r.curves = std::move(read).value();
    }
    r.sourceChannel = dialog.sourceChannel();
    QString error;
    if (!add(std::move(r), dialog.alignment(), &error))
        m_prompts.error(parent, error);
}

bool ReferenceTool::add(ReferenceCurve reference, const ReferenceAlignment& alignment, QString* error)
{
    ConvertCurves(reference.curves, m_view.model().unitText());
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
            text += QStringLiteral("   Δ%1 %2").arg(r.name, signedText(*d));
    return text;
}

QString ReferenceTool::readoutText(double t) const
{
    const ChartModel& model = m_view.model();
    const int channels = std::min(kCurveChannels, model.Subsets());
    QString text;
    for (const ReferenceCurve& r : m_references) {
        QString each;
        for (int c = 0; c < channels; ++c) {
            if (!m_view.isSubsetShown(c))
                continue;
            const std::optional<double> run = ChartValueAt(model, c, t);
            if (const std::optional<double> d = run ? ReferenceDifference(r, c, t, *run) : std::nullopt) {
                const QString label = model.SubsetLabels(c);
                each += QStringLiteral(" %1 %2").arg(label.isEmpty() ? QStringLiteral("T%1").arg(c + 1) : label,
                                                     signedText(*d));
            }
        }
        if (!each.isEmpty())
            text += QStringLiteral("   Δ") + r.name + each;
    }
    return text;
}

int ReferenceTool::referenceAt(QPoint pixel) const
{
    const int channels = std::min(kCurveChannels, m_view.model().Subsets());
    int best = -1;
    double bestDistance = kGrabPixels + 0.5;
    // The newest lies on top; a steep line is found by looking a few pixels to either side.
    for (int i = int(m_references.size()) - 1; i >= 0; --i) {
        const ReferenceCurve& r = m_references[size_t(i)];
        for (int c = 0; c < channels; ++c) {
            if (!m_view.isSubsetShown(c))
                continue;
            for (int dx = -kGrabPixels; dx <= kGrabPixels; ++dx) {
                const double t = m_view.timeAtX(pixel.x() + dx);
                const std::optional<double> v = ReferenceValueAt(r, c, t);
                const std::optional<QPoint> at = v ? m_view.subsetPixel(c, t, *v) : std::nullopt;
                if (!at)
                    continue;
                const double distance = std::hypot(double(dx), double(at->y() - pixel.y()));
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = i;
                }
            }
        }
    }
    return best;
}

bool ReferenceTool::mouseEvent(QEvent* event)
{
    auto* me = static_cast<QMouseEvent*>(event);
    const QPoint at = m_view.plotWidget()->mapTo(&m_view, me->position().toPoint());
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            // Placing an annotation (the text or cross tool) keeps its clicks.
            if (me->button() != Qt::LeftButton || m_view.model().ArrowCursor() != sgArrowCursor)
                return false;
            const int hit = referenceAt(at);
            if (hit < 0)
                return false;
            m_dragging = m_picked = hit;
            m_grabbedAt = m_view.timeAtX(at.x());
            m_grabbedShift = m_references[size_t(hit)].shiftDays;
            m_view.plotWidget()->setCursor(Qt::SizeHorCursor);
            return true;
        }
        case QEvent::MouseMove:
            if (m_dragging < 0 || m_dragging >= int(m_references.size()))
                return false;
            m_references[size_t(m_dragging)].shiftDays = m_grabbedShift + (m_view.timeAtX(at.x()) - m_grabbedAt);
            lay();
            return true;
        case QEvent::MouseButtonRelease:
            if (m_dragging < 0)
                return false;
            m_dragging = -1;
            m_view.plotWidget()->setCursor(Qt::ArrowCursor);  // grabbed only under the arrow cursor
            return true;
        default:
            return false;
    }
}

bool ReferenceTool::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == m_plotWidget && m_view.axisRectCount() > 0 && !m_references.empty() &&
        (type == QEvent::MouseButtonPress || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease))
        return mouseEvent(event);
    if (type == QEvent::KeyPress && m_picked >= 0) {
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
